// The ID3v1 title on arbitrary bytes: the result is NUL-terminated inside
// its buffer and valid UTF-8.
#include "decoding/ID3v1.h"
#include "tests/decoding/FuzzMemoryFile.h"

#include <cstring>

namespace {

bool IsUtf8FromLatin1(const char* text) {
    for (const auto* p = reinterpret_cast<const uint8_t*>(text); *p != 0; ++p) {
        if (*p < 0x80)
            continue;
        if ((*p & 0xE0) != 0xC0 || (p[1] & 0xC0) != 0x80)
            return false;
        ++p;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TFuzzMemoryFile file(data, size);
    if (!file.Ok())
        return 0;
    for (size_t titleSize : {size_t{1}, size_t{7}, size_t{200}}) {
        char title[200];
        std::memset(title, 0x7F, sizeof title);
        ReadID3v1Title(file.Path(), title, titleSize);
        if (std::memchr(title, 0, titleSize) == nullptr || !IsUtf8FromLatin1(title))
            __builtin_trap();
    }
    return 0;
}
