#include "frontend/config/RegText.h"

#include <algorithm>
#include <cstdio>
#include <strings.h>

TRegData RegDataFromText(std::string_view text) {
    TRegData data{kRegSz, std::vector<uint8_t>(text.begin(), text.end())};
    data.Bytes.push_back(0);
    return data;
}

TRegData RegDataFromDword(uint32_t value) {
    return TRegData{kRegDword,
                    {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                     static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)}};
}

TRegData RegDataFromBinary(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    return TRegData{kRegBinary, std::vector<uint8_t>(bytes, bytes + size)};
}

bool TRegNameLess::operator()(const std::string& a, const std::string& b) const {
    const size_t common = std::min(a.size(), b.size());
    const int order = strncasecmp(a.data(), b.data(), common);
    return order != 0 ? order < 0 : a.size() < b.size();
}

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Reads a quoted text at the front of rest and removes it from rest.
bool TakeQuoted(std::string_view& rest, std::string& out) {
    if (rest.empty() || rest.front() != '"')
        return false;
    out.clear();
    for (size_t i = 1; i < rest.size(); ++i) {
        const char c = rest[i];
        if (c == '"') {
            rest.remove_prefix(i + 1);
            return true;
        }
        if (c == '\0')
            return false;
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (++i == rest.size())
            return false;
        switch (rest[i]) {
        case '\\':
            out.push_back('\\');
            break;
        case '"':
            out.push_back('"');
            break;
        case 'n':
            out.push_back('\n');
            break;
        case 'r':
            out.push_back('\r');
            break;
        default:
            return false;
        }
    }
    return false;
}

bool TakePrefix(std::string_view& rest, std::string_view prefix) {
    if (rest.substr(0, prefix.size()) != prefix)
        return false;
    rest.remove_prefix(prefix.size());
    return true;
}

bool ParseDword(std::string_view digits, TRegData& data) {
    if (digits.empty() || digits.size() > 8)
        return false;
    uint32_t value = 0;
    for (char c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return false;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    data = RegDataFromDword(value);
    return true;
}

bool ParseHexBytes(std::string_view list, TRegData& data) {
    data = TRegData{kRegBinary, {}};
    while (!list.empty()) {
        if (list.size() < 2 || HexDigit(list[0]) < 0 || HexDigit(list[1]) < 0)
            return false;
        data.Bytes.push_back(static_cast<uint8_t>(HexDigit(list[0]) << 4 | HexDigit(list[1])));
        list.remove_prefix(2);
        if (!list.empty() && (list.front() != ',' || list.size() == 1))
            return false;
        if (!list.empty())
            list.remove_prefix(1);
    }
    return true;
}

bool ParseValue(std::string_view rest, TRegData& data) {
    if (!rest.empty() && rest.front() == '"') {
        std::string text;
        if (!TakeQuoted(rest, text) || !rest.empty())
            return false;
        data = RegDataFromText(text);
        return true;
    }
    if (TakePrefix(rest, "dword:"))
        return ParseDword(rest, data);
    if (TakePrefix(rest, "hex:"))
        return ParseHexBytes(rest, data);
    return false;
}

std::string_view Trimmed(std::string_view line) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!line.empty() && blank(line.front()))
        line.remove_prefix(1);
    while (!line.empty() && blank(line.back()))
        line.remove_suffix(1);
    return line;
}

bool IsIgnoredLine(std::string_view line) {
    return line.empty() || line.front() == ';' || (line.front() == '[' && line.back() == ']');
}

bool ParseValueLine(std::string_view line, std::string& name, TRegData& data) {
    return TakeQuoted(line, name) && !name.empty() && TakePrefix(line, "=") &&
           ParseValue(line, data);
}

void AppendQuoted(std::string& out, std::string_view text) {
    out.push_back('"');
    for (char c : text) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out.push_back(c);
        }
    }
    out.push_back('"');
}

void AppendHexByte(std::string& out, uint8_t byte) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out.push_back(kDigits[byte >> 4]);
    out.push_back(kDigits[byte & 15]);
}

void AppendData(std::string& out, const TRegData& data) {
    if (data.Type == kRegSz) {
        const auto end = std::find(data.Bytes.begin(), data.Bytes.end(), uint8_t{0});
        AppendQuoted(out, std::string(data.Bytes.begin(), end));
    } else if (data.Type == kRegDword) {
        out += "dword:";
        for (size_t i = 4; i-- > 0;)
            AppendHexByte(out, i < data.Bytes.size() ? data.Bytes[i] : 0);
    } else {
        out += "hex:";
        for (size_t i = 0; i < data.Bytes.size(); ++i) {
            if (i > 0)
                out.push_back(',');
            AppendHexByte(out, data.Bytes[i]);
        }
    }
}

} // namespace

TRegParseResult ParseRegText(std::string_view text) {
    TRegParseResult result;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        const std::string_view line = Trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (IsIgnoredLine(line))
            continue;
        std::string name;
        TRegData data;
        if (ParseValueLine(line, name, data))
            result.Values[name] = std::move(data);
        else
            result.Damaged = true;
    }
    return result;
}

std::string FormatRegText(std::string_view keyHeader, const TRegValues& values) {
    std::string out = "[";
    out.append(keyHeader);
    out += "]\n";
    for (const auto& [name, data] : values) {
        AppendQuoted(out, name);
        out.push_back('=');
        AppendData(out, data);
        out.push_back('\n');
    }
    return out;
}
