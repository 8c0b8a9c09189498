// Plain stand-ins for typographic characters a bitmap font may lack: dashes
// as '-', curly quotes as straight ones, the ellipsis as three dots, wide and
// fixed blanks as a blank.
#pragma once

#include <string_view>

// The characters that stand for codePoint; empty when it has no stand-in.
std::u32string_view ZylGlyphSubstitute(char32_t codePoint);
