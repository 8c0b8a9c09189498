#include "controls/ZylGlyphSubstitute.h"

#include <algorithm>
#include <iterator>

namespace {

struct TSubstitute {
    char32_t First;
    char32_t Last;
    std::u32string_view Text;
};

// Sorted by range.
constexpr TSubstitute kSubstitutes[] = {
    {0x00A0, 0x00A0, U" "},   {0x2000, 0x200A, U" "},  {0x2010, 0x2015, U"-"},
    {0x2018, 0x201B, U"'"},   {0x201C, 0x201F, U"\""}, {0x2022, 0x2022, U"\u00B7"},
    {0x2026, 0x2026, U"..."}, {0x202F, 0x202F, U" "},  {0x2032, 0x2032, U"'"},
    {0x2033, 0x2033, U"\""},  {0x2039, 0x2039, U"<"},  {0x203A, 0x203A, U">"},
    {0x2212, 0x2212, U"-"},
};

} // namespace

std::u32string_view ZylGlyphSubstitute(char32_t codePoint) {
    const auto* found = std::find_if(std::begin(kSubstitutes), std::end(kSubstitutes),
                                     [&](const TSubstitute& s) { return codePoint <= s.Last; });
    if (found == std::end(kSubstitutes) || codePoint < found->First) {
        return {};
    }
    return found->Text;
}
