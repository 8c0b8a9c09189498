// The settings file's text form, as registry exports write it:
//
//   [HKEY_CURRENT_USER\Software\Zyl\Vexaline\Velm]
//   "OpenPath"="/home/me/Music"
//   "PitchRange"=dword:00000001
//   "Blob"=hex:01,02,ff
//
// Inside quotes, \\ and \" stand for a backslash and a quote, and \n and \r
// for line breaks (so a file name with a line break cannot split a line).
// Pure functions, no I/O; safe on any bytes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Value types with the registry's numbers.
constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;

// One value as the registry holds it: a REG_SZ's bytes include the
// terminating NUL, a REG_DWORD is 4 little-endian bytes.
struct TRegData {
    uint32_t Type = kRegNone;
    std::vector<uint8_t> Bytes;

    bool operator==(const TRegData&) const = default;
};

TRegData RegDataFromText(std::string_view text);
TRegData RegDataFromDword(uint32_t value);
TRegData RegDataFromBinary(const void* data, size_t size);

// Value names compare without regard to (ASCII) case, as in the registry.
struct TRegNameLess {
    bool operator()(const std::string& a, const std::string& b) const;
};
using TRegValues = std::map<std::string, TRegData, TRegNameLess>;

struct TRegParseResult {
    TRegValues Values;
    // Some line was neither a value, a [key] header, a ; comment nor blank.
    // Such lines count as missing values.
    bool Damaged = false;
};

TRegParseResult ParseRegText(std::string_view text);
// The whole file: the key header line, then one line per value.
std::string FormatRegText(std::string_view keyHeader, const TRegValues& values);
