#include "controls/ZylImage.h"
#include "controls/ZylImageList.h"
#include "tests/controls/ControlsTestSupport.h"

#include <gtest/gtest.h>

using namespace zyltest;

namespace {

constexpr TZylColor kRed = ZylRGB(255, 0, 0);
constexpr TZylColor kGreen = ZylRGB(0, 255, 0);

// Two 53 x 47 cells whose columns name themselves in the red channel.
TZylPngImage TwoCells() {
    return MakeImage(106, 47, [](int x, int) { return ZylRGB(std::uint8_t(x), 50, 60); });
}

class CountingImage : public TZylImage {
public:
    using TZylImage::TZylImage;
    int sizeChanges = 0;
    int loadedCalls = 0;

protected:
    void SizeChanged() override {
        ++sizeChanges;
        TZylImage::SizeChanged();
    }
    void Loaded() override {
        ++loadedCalls;
        TZylImage::Loaded();
    }
};

} // namespace

TEST(ZylControl, AutoSizeTakesTheCellSizeOtherwiseTheCellIsPlaced) {
    TZylImageList list;
    list.SetBitmap(TwoCells());
    TZylImage sized;
    sized.SetImages(&list);
    EXPECT_EQ(sized.size(), QSize(53, 47));

    TZylImage fixed;
    fixed.SetAutoSize(false);
    fixed.SetBounds(0, 0, 60, 50);
    fixed.SetImages(&list);
    EXPECT_EQ(fixed.size(), QSize(60, 50));
    EXPECT_EQ(fixed.GetDestRect(), QRect(0, 0, 53, 47));

    fixed.SetBounds(0, 0, 43, 47);
    fixed.SetAlignment(ecaCenter);
    EXPECT_EQ(fixed.GetDestRect().topLeft(), QPoint(-5, 0));
    const QImage shown = Render(fixed);
    EXPECT_EQ(ZylRed(PixelAt(shown, 0, 10)), 5); // cell column 5 at the left edge
    fixed.SetAlignment(ecaRight);
    fixed.SetVAlign(ecvBottom);
    fixed.SetBounds(0, 0, 60, 50);
    EXPECT_EQ(fixed.GetDestRect().topLeft(), QPoint(7, 3));
}

TEST(ZylControl, ImageIndexOnVariableCellsRemeasuresAndResizes) {
    TZylImageList list;
    list.SetBoundColor(clBlue);
    list.SetVariableSize(true);
    list.SetBitmap(MakeImage(30, 8, [](int x, int y) {
        return y == 0 && x == 9 ? clBlue : kRed; // cells 9 and 20 wide
    }));
    TZylImage image;
    image.SetImages(&list);
    EXPECT_EQ(image.size(), QSize(9, 8));
    image.SetImageIndex(1);
    EXPECT_EQ(image.size(), QSize(20, 8));
}

TEST(ZylControl, TileRepeatsTheCellRowByRow) {
    TZylImageList list;
    list.SetBitmap(MakeImage(4, 4, [](int x, int y) { return x == 0 && y == 0 ? kGreen : kRed; }));
    TZylImage image;
    image.SetAutoSize(false);
    image.SetTile(true);
    image.SetImages(&list);
    image.SetBounds(0, 0, 10, 6);
    const QImage shown = Render(image);
    for (QPoint corner :
         {QPoint(0, 0), QPoint(4, 0), QPoint(8, 0), QPoint(0, 4), QPoint(4, 4), QPoint(8, 4)}) {
        EXPECT_EQ(PixelAt(shown, corner.x(), corner.y()), kGreen)
            << corner.x() << "," << corner.y();
    }
    EXPECT_EQ(PixelAt(shown, 9, 5), kRed);
    EXPECT_EQ(PixelAt(shown, 2, 2), kRed);
}

TEST(ZylControl, StretchScalesTheCellOverTheControl) {
    TZylImageList list;
    list.SetBitmap(MakeImage(2, 2, [](int x, int) { return x == 0 ? kGreen : kRed; }));
    list.SetCount(1);
    TZylImage image;
    image.SetAutoSize(false);
    image.SetStretch(true);
    image.SetImages(&list);
    image.SetBounds(0, 0, 8, 4);
    const QImage shown = Render(image);
    EXPECT_EQ(PixelAt(shown, 3, 3), kGreen);
    EXPECT_EQ(PixelAt(shown, 4, 0), kRed);
}

TEST(ZylControl, TransparentLeavesOutTheKeyColourOfTheSharedImage) {
    TZylImageList list;
    list.SetBitmap(MakeImage(2, 1, [](int x, int) { return x == 0 ? clFuchsia : kRed; }));
    list.SetCount(1);
    TZylImage image;
    image.SetImages(&list);
    image.SetTransparentColor(clFuchsia);
    image.SetTransparent(true);
    const TZylColor background = ZylRGB(9, 9, 9);
    EXPECT_EQ(PixelAt(Render(image, background), 0, 0), background);
    EXPECT_EQ(PixelAt(Render(image, background), 1, 0), kRed);
    image.SetTransparent(false);
    EXPECT_EQ(PixelAt(Render(image, background), 0, 0), clFuchsia);
}

TEST(ZylControl, OnlyRealResizesReachSizeChanged) {
    CountingImage image;             // auto-sizing, but without a list nothing overrides the bounds
    image.SetBounds(5, 5, 105, 105); // the construction size
    image.SetBounds(10, 20, 105, 105);
    EXPECT_EQ(image.sizeChanges, 0);
    image.SetBounds(10, 20, 81, 105);
    EXPECT_EQ(image.sizeChanges, 1);
    image.SetBounds(10, 20, 81, 82);
    image.SetBounds(10, 20, 81, 82);
    EXPECT_EQ(image.sizeChanges, 2);
}

TEST(ZylControl, LoadingBracketHoldsBackBoundsHandlingUntilLoaded) {
    TZylImageList list;
    list.SetBitmap(TwoCells());
    CountingImage image;
    image.BeginLoading();
    image.SetAutoSize(false);
    image.SetBounds(1, 2, 30, 40);
    image.SetImages(&list);
    EXPECT_EQ(image.sizeChanges, 0);
    EXPECT_EQ(image.loadedCalls, 0);
    image.EndLoading();
    EXPECT_EQ(image.loadedCalls, 1);
    EXPECT_EQ(image.GetDestRect(), QRect(0, 0, 53, 47));
    image.SetBounds(1, 2, 31, 40);
    EXPECT_EQ(image.sizeChanges, 1);
}

TEST(ZylControl, EnterAndLeaveFireOnlyWhileEnabled) {
    TZylImage image;
    int enters = 0, leaves = 0;
    image.OnMouseEnter = [&](TZylControl*) { ++enters; };
    image.OnMouseLeave = [&](TZylControl*) { ++leaves; };
    image.SetEnabled(false);
    Enter(image);
    Leave(image);
    EXPECT_EQ(enters + leaves, 0);
    image.SetEnabled(true);
    Enter(image);
    Leave(image);
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(leaves, 1);
}

TEST(ZylControl, HandledAdvancedPressSkipsNormalPressHandling) {
    TZylImage image;
    image.SetBounds(0, 0, 20, 20);
    int downs = 0, clicks = 0, raw = 0;
    bool handle = true;
    image.OnAdvMouseDown = [&](TZylControl*, const TZylMouseMessage& message, bool& handled) {
        EXPECT_EQ(message.Pos, QPoint(3, 4));
        ++raw;
        handled = handle;
    };
    image.OnMouseDown = [&](TZylControl*, TZylMouseButton, TZylShiftState, int, int) { ++downs; };
    image.OnClick = [&](TZylControl*) { ++clicks; };
    Press(image, QPoint(3, 4));
    Release(image, QPoint(3, 4));
    EXPECT_EQ(raw, 1);
    EXPECT_EQ(downs + clicks, 0);
    handle = false;
    Press(image, QPoint(3, 4));
    Release(image, QPoint(3, 4));
    EXPECT_EQ(downs, 1);
    EXPECT_EQ(clicks, 1);
    Press(image, QPoint(3, 4), Qt::MiddleButton); // no raw hook for the middle button
    EXPECT_EQ(raw, 2);
}

TEST(ZylControl, ClickNeedsAReleaseInsideAndDoubleClickComesBeforeItsPress) {
    TZylImage image;
    image.SetBounds(0, 0, 20, 20);
    std::vector<std::string> events;
    image.OnClick = [&](TZylControl*) { events.push_back("click"); };
    image.OnDblClick = [&](TZylControl*) { events.push_back("dbl"); };
    image.OnMouseDown = [&](TZylControl*, TZylMouseButton, TZylShiftState shift, int, int) {
        events.push_back(shift & ssDouble ? "down2" : "down");
    };
    image.OnMouseUp = [&](TZylControl*, TZylMouseButton, TZylShiftState, int, int) {
        events.push_back("up");
    };
    Press(image, QPoint(1, 1));
    Release(image, QPoint(50, 1));
    DoublePress(image, QPoint(1, 1));
    Release(image, QPoint(1, 1));
    EXPECT_EQ(events, (std::vector<std::string>{"down", "up", "dbl", "down2", "up"}));
}

TEST(ZylControl, ImageRegionIsInTheParentsCoordinates) {
    TZylImageList list;
    list.SetBitmap(MakeImage(4, 4, [](int x, int) { return x < 2 ? kRed : clFuchsia; }));
    TZylImage image;
    image.SetImages(&list);
    image.SetBounds(3, 3, 4, 4);
    EXPECT_EQ(image.GetRegion(clFuchsia), QRegion(3, 3, 2, 4));
    TZylImage bare;
    EXPECT_TRUE(bare.GetRegion(clFuchsia).isEmpty());
}

TEST(ZylControl, DestroyingTheControlReleasesTheListSlot) {
    TZylImageList list;
    list.SetBitmap(TwoCells());
    {
        TZylImage first;
        first.SetImages(&list);
        TZylImage second;
        second.SetImages(&list); // the last attached control hears changes
        list.SetBitmap(MakeSolid(20, 10, kRed));
        EXPECT_EQ(second.size(), QSize(10, 10));
        EXPECT_EQ(first.size(), QSize(53, 47));
    }
    list.SetBitmap(TwoCells()); // no control left to call
    EXPECT_EQ(list.GetCount(), 2u);
}
