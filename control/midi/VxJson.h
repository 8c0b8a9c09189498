// A small JSON reader for the controller mapping files. It keeps the line
// each value starts on, so that a fault in a file is reported where the user
// can find it, and it limits nesting so that no file can exhaust the stack.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct TVxJsonMember;

struct TVxJson {
    enum TType { Null, Bool, Number, String, Array, Object };

    TType Type = Null;
    bool Boolean = false;
    double Num = 0;
    std::string Text;
    std::vector<TVxJson> Items;
    std::vector<TVxJsonMember> Members;
    int Line = 1;

    // The member of that name, or null when there is none.
    const TVxJson* Find(std::string_view name) const;
};

struct TVxJsonMember {
    std::string Name;
    TVxJson Value;
};

struct TVxJsonError {
    int Line = 0;
    std::string Reason;
};

// False with the error's line and reason when text is not one JSON value.
bool VxParseJson(std::string_view text, TVxJson& value, TVxJsonError& error);

// text as a JSON string literal, quotes included.
std::string VxJsonQuote(std::string_view text);
