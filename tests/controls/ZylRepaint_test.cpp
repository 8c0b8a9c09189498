// What reaches the screen when controls repaint over a background image:
// read back from the offscreen platform's window surface.
#include "controls/ZylFont.h"
#include "controls/ZylImage.h"
#include "controls/ZylImageList.h"
#include "controls/ZylLabel.h"
#include "controls/ZylSlider.h"
#include "tests/controls/ControlsTestSupport.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <gtest/gtest.h>

using namespace zyltest;

namespace {

constexpr TZylColor kBackground = ZylRGB(0, 0, 200);
constexpr TZylColor kInk = ZylRGB(200, 0, 0);

class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.resize(60, 120);
        backgroundList.SetBitmap(MakeSolid(60, 120, kBackground));
        background = new TZylImage(&host);
        background->SetImages(&backgroundList);
    }
    void Show() {
        host.show();
        QCoreApplication::processEvents();
    }
    TZylColor OnScreen(int x, int y) {
        QCoreApplication::processEvents();
        const QImage screen = QGuiApplication::primaryScreen()->grabWindow(host.winId()).toImage();
        return PixelAt(screen, x, y);
    }

    QWidget host;
    TZylImageList backgroundList;
    TZylImage* background = nullptr;
};

} // namespace

TEST_F(ScreenTest, MovingTheThumbRepaintsWhatLiesBeneath) {
    TZylImageList thumb;
    thumb.SetBitmap(MakeSolid(10, 10, kInk));
    auto* slider = new TZylSlider(&host);
    slider->SetBounds(5, 0, 10, 110);
    slider->SetImages(&thumb);
    slider->SetMinValue(0);
    slider->SetMaxValue(100);
    Show();
    EXPECT_EQ(OnScreen(8, 2), kInk);
    slider->ManualSet(100);
    EXPECT_EQ(OnScreen(8, 2), kBackground);
    EXPECT_EQ(OnScreen(8, 105), kInk);
}

TEST_F(ScreenTest, ACaptionThatShrinksLeavesNoOldGlyphs) {
    TZylFont font;
    font.SetBitmap(MakeSolid(8, 8, kInk)); // one square glyph for every character
    font.SetCharSet(QStringLiteral("8"));
    auto* label = new TZylLabel(&host);
    label->SetAutoSize(true);
    label->SetBounds(0, 0, 40, 8);
    label->SetFont(&font);
    label->SetCaption(QStringLiteral("888"));
    Show();
    EXPECT_EQ(OnScreen(20, 4), kInk);
    label->SetCaption(QStringLiteral("8"));
    EXPECT_EQ(OnScreen(4, 4), kInk);
    EXPECT_EQ(OnScreen(20, 4), kBackground);
    label->SetCaption(QString());
    EXPECT_EQ(OnScreen(4, 4), kBackground);
}
