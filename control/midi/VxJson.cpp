#include "control/midi/VxJson.h"

#include <cstdlib>
#include <stdexcept>
#include <tuple>
#include <utility>

namespace {

constexpr int kMaxDepth = 32;

struct TFault : std::runtime_error {
    TFault(int line, const std::string& reason) : std::runtime_error(reason), Line(line) {}
    int Line;
};

class TReader {
public:
    explicit TReader(std::string_view text) : text_(text) {}

    void Document(TVxJson& value) {
        Value(value, 0);
        Space();
        if (pos_ < text_.size())
            Fail("text after the end of the document");
    }

private:
    [[noreturn]] void Fail(const std::string& reason) const { throw TFault(line_, reason); }

    void Space() {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\n')
                ++line_;
            else if (c != ' ' && c != '\t' && c != '\r')
                return;
            ++pos_;
        }
    }

    char Peek() {
        Space();
        if (pos_ >= text_.size())
            Fail("the file ends too early");
        return text_[pos_];
    }

    void Expect(char c) {
        if (Peek() != c)
            Fail(std::string("expected '") + c + "'");
        ++pos_;
    }

    void Value(TVxJson& value, int depth) {
        if (depth > kMaxDepth)
            Fail("nested too deeply");
        const char c = Peek();
        value.Line = line_;
        if (c == '{')
            ObjectValue(value, depth);
        else if (c == '[')
            ArrayValue(value, depth);
        else if (c == '"') {
            value.Type = TVxJson::String;
            value.Text = StringLiteral();
        } else if (c == '-' || (c >= '0' && c <= '9'))
            NumberValue(value);
        else
            Word(value);
    }

    void ObjectValue(TVxJson& value, int depth) {
        value.Type = TVxJson::Object;
        ++pos_;
        if (Peek() == '}') {
            ++pos_;
            return;
        }
        for (;;) {
            if (Peek() != '"')
                Fail("expected a quoted name");
            std::string name = StringLiteral();
            Expect(':');
            value.Members.push_back({std::move(name), TVxJson{}});
            Value(value.Members.back().Value, depth + 1);
            if (Peek() == '}') {
                ++pos_;
                return;
            }
            Expect(',');
        }
    }

    void ArrayValue(TVxJson& value, int depth) {
        value.Type = TVxJson::Array;
        ++pos_;
        if (Peek() == ']') {
            ++pos_;
            return;
        }
        for (;;) {
            value.Items.emplace_back();
            Value(value.Items.back(), depth + 1);
            if (Peek() == ']') {
                ++pos_;
                return;
            }
            Expect(',');
        }
    }

    void NumberValue(TVxJson& value) {
        const std::size_t start = pos_;
        while (pos_ < text_.size() &&
               std::string_view("+-.eE0123456789").find(text_[pos_]) != std::string_view::npos)
            ++pos_;
        const std::string number(text_.substr(start, pos_ - start));
        char* end = nullptr;
        value.Type = TVxJson::Number;
        value.Num = std::strtod(number.c_str(), &end);
        if (end != number.c_str() + number.size())
            Fail("'" + number + "' is not a number");
    }

    void Word(TVxJson& value) {
        for (const auto& [word, type, truth] :
             {std::tuple{"true", TVxJson::Bool, true}, std::tuple{"false", TVxJson::Bool, false},
              std::tuple{"null", TVxJson::Null, false}}) {
            if (text_.substr(pos_).starts_with(word)) {
                pos_ += std::string_view(word).size();
                value.Type = type;
                value.Boolean = truth;
                return;
            }
        }
        Fail("unexpected character '" + std::string(1, text_[pos_]) + "'");
    }

    std::string StringLiteral() {
        std::string out;
        ++pos_;
        for (;;) {
            if (pos_ >= text_.size() || text_[pos_] == '\n')
                Fail("a text is not closed by a quote on its line");
            const char c = text_[pos_++];
            if (c == '"')
                return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            Escape(out);
        }
    }

    void Escape(std::string& out) {
        if (pos_ >= text_.size())
            Fail("the file ends too early");
        const char c = text_[pos_++];
        switch (c) {
        case 'n':
            out += '\n';
            return;
        case 't':
            out += '\t';
            return;
        case 'r':
            out += '\r';
            return;
        case 'b':
            out += '\b';
            return;
        case 'f':
            out += '\f';
            return;
        case 'u':
            Utf8(Hex4(), out);
            return;
        case '"':
        case '\\':
        case '/':
            out += c;
            return;
        default:
            Fail(std::string("unknown escape '\\") + c + "'");
        }
    }

    unsigned Hex4() {
        if (text_.size() - pos_ < 4)
            Fail("the file ends too early");
        unsigned code = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[pos_++];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0)
                Fail("a \\u escape needs four hexadecimal digits");
            code = code * 16 + static_cast<unsigned>(digit);
        }
        return code;
    }

    // Port names are what these strings hold; a lone surrogate half is kept
    // as the replacement character rather than refused.
    static void Utf8(unsigned code, std::string& out) {
        if (code >= 0xD800 && code <= 0xDFFF)
            code = 0xFFFD;
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

} // namespace

const TVxJson* TVxJson::Find(std::string_view name) const {
    for (const auto& [key, value] : Members)
        if (key == name)
            return &value;
    return nullptr;
}

bool VxParseJson(std::string_view text, TVxJson& value, TVxJsonError& error) {
    value = TVxJson{};
    try {
        TReader(text).Document(value);
        return true;
    } catch (const TFault& fault) {
        error.Line = fault.Line;
        error.Reason = fault.what();
        return false;
    }
}

std::string VxJsonQuote(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            static const char kHex[] = "0123456789abcdef";
            out += "\\u00";
            out += kHex[(c >> 4) & 0xF];
            out += kHex[c & 0xF];
        } else {
            out += c;
        }
    }
    return out + "\"";
}
