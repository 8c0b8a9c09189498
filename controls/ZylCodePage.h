// The single-byte character set that bitmap fonts index: Windows-1252.
#pragma once

// Returns the Windows-1252 byte of a Unicode code point, or -1 when the code
// page cannot hold it (including the five bytes the code page leaves undefined).
int ZylUnicodeToCp1252(char32_t codePoint);
