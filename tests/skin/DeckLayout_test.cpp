// The deck layout: every control inside the window, nothing overlapping, and
// every display box wide enough for the longest text its display shows.
#include "SkinTestSupport.h"
#include "skin/DeckLayout.h"

#include <gtest/gtest.h>
#include <iterator>

using namespace SkinTest;
using VxDeck::TDeckBox;

namespace {

struct TFontMeasure {
    explicit TFontMeasure(const VxSkin::TSkinStrip& layout, std::string charSet)
        : Height(layout.Height), CharSet(std::move(charSet)),
          Cells(CutByBoundColour(LoadEmbedded(layout))) {}
    int Width(const std::string& text) const { return TextWidth(Cells, CharSet, text); }
    int Height;
    std::string CharSet;
    std::vector<QRect> Cells;
};

void ExpectFits(const TDeckBox& box, const TFontMeasure& font,
                std::initializer_list<const char*> texts, const char* name) {
    EXPECT_GE(box.Height, font.Height) << name;
    for (const char* text : texts)
        EXPECT_LE(font.Width(text), box.Width) << name << " cannot show \"" << text << "\"";
}

bool IsTitleBarPart(const char* name) {
    for (const char* part : {"Title", "SysMenu", "btnConfig", "btnHelp", "btnMinimize", "btnClose"})
        if (std::string(name) == part)
            return true;
    return false;
}

} // namespace

TEST(DeckLayout, ControlsLieInsideTheWindowWithoutOverlapping) {
    for (const auto& [name, box] : VxDeck::VisibleControls) {
        EXPECT_TRUE(VxDeck::Window.Contains(box)) << name;
        EXPECT_TRUE(VxDeck::TitleBar.Contains(box) == IsTitleBarPart(name) ||
                    std::string(name) == "TitleBar")
            << name;
    }
    const auto& controls = VxDeck::VisibleControls;
    const std::size_t count = std::size(controls);
    for (std::size_t i = 1; i < count; ++i) // entry 0 is the title bar itself
        for (std::size_t j = i + 1; j < count; ++j)
            EXPECT_FALSE(controls[i].Box.Overlaps(controls[j].Box))
                << controls[i].Name << " overlaps " << controls[j].Name;
    EXPECT_FALSE(VxDeck::Window.Overlaps(VxDeck::Buffer));
}

TEST(DeckLayout, DisplayBoxesHoldTheirLongestTexts) {
    const TFontMeasure big(VxSkin::LcdBig, VxSkin::LcdBigCharSet);
    const TFontMeasure small(VxSkin::LcdSmall, VxSkin::LcdSmallCharSet);
    const TFontMeasure message(VxSkin::MsSerifGreen, VxSkin::MsSerifCharSet());
    ExpectFits(VxDeck::LabelTrack, big, {"ebb", "e99", "I99", "i99"}, "LabelTrack");
    ExpectFits(VxDeck::LabelTimeMMSS, big, {"abbdbb", "a59:59", "-999:59"}, "LabelTimeMMSS");
    ExpectFits(VxDeck::LabelTimeCS, small, {"bb", "99"}, "LabelTimeCS");
    ExpectFits(VxDeck::LabelPitch, small,
               {"a ebcbbb", "_a e0.00", "_+ I9.99", "_- e9.99", "a e0.000", "+ I9.999"},
               "LabelPitch");
    ExpectFits(VxDeck::LabelValue, small,
               {"a ebbcbb", "+ e0.25b", "- 19.99b", "+ 19.999", "- e9.999", "a I99.99", "a 999.99",
                "a ---c--"},
               "LabelValue");
    for (const TDeckBox& line : {VxDeck::LabelMessage1, VxDeck::LabelMessage2}) {
        EXPECT_GE(line.Width, 150);
        ExpectFits(line, message,
                   {"Velm r5a free", "Vexaline(tm) ready.", "Player must be stopped",
                    "Loading (hold ESC to abort)..."},
                   "LabelMessage");
    }
}

TEST(DeckLayout, DisplaysSitOnTheirLcdGround) {
    const QImage background = LoadEmbedded(VxSkin::Background);
    const QRgb ground = FromColorRef(VxDeck::LcdBackgroundColor);
    const std::pair<const char*, TDeckBox> labels[] = {
        {"LabelTrack", VxDeck::LabelTrack},       {"LabelTimeMMSS", VxDeck::LabelTimeMMSS},
        {"LabelTimeCS", VxDeck::LabelTimeCS},     {"LabelValue", VxDeck::LabelValue},
        {"LabelPitch", VxDeck::LabelPitch},       {"LabelMessage1", VxDeck::LabelMessage1},
        {"LabelMessage2", VxDeck::LabelMessage2},
    };
    for (const auto& [name, box] : labels) {
        const bool inPanel =
            VxDeck::LcdMainPanel.Contains(box) || VxDeck::LcdTrackPanel.Contains(box);
        EXPECT_TRUE(inPanel) << name;
        for (int y = box.Top; y < box.Bottom(); ++y)
            for (int x = box.Left; x < box.Right(); ++x)
                ASSERT_EQ(background.pixel(x, y - VxDeck::Background.Top), ground)
                    << name << " at " << x << "," << y;
    }
}
