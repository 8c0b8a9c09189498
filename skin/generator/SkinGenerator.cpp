#include "skin/generator/SkinGenerator.h"

#include "skin/DeckLayout.h"
#include "skin/SkinFiles.h"
#include "skin/generator/SkinPaint.h"
#include "skin/generator/SkinParts.h"

namespace VxSkinPaint {

std::vector<TSkinPicture> GenerateSkin() {
    using namespace VxDeck;
    const QImage deck = PaintDeck();
    const QImage titleInactive = PaintTitleBar(false);
    const QImage titleActive = PaintTitleBar(true);

    std::vector<TSkinPicture> out;
    out.push_back({"Background", CropBox(deck, Background)});
    out.push_back({"TitleBar", JoinCells({titleInactive, titleActive})});
    out.push_back({"SysMenu", PaintSysMenu(titleActive)});
    out.push_back({"Logo", CropBox(deck, imgLogoClick)});
    PaintButtons(deck, titleActive, out);
    out.push_back({"KnobBalance", PaintKnobStrip(CropBox(deck, Balance), VxSkin::KnobBalance.Count,
                                                 QColor(92, 96, 104), Palette::Accent)});
    out.push_back({"KnobDownMix", PaintKnobStrip(CropBox(deck, DownMix), VxSkin::KnobDownMix.Count,
                                                 QColor(44, 96, 190), QColor(236, 240, 246))});
    out.push_back({"KnobTouchBend",
                   PaintTouchBendStrip(CropBox(deck, TouchBend), VxSkin::KnobTouchBend.Count)});
    out.push_back({"ThumbVolume", PaintThumb(VxSkin::ThumbVolume, QColor(236, 240, 246), true)});
    out.push_back({"ThumbPitch", PaintThumb(VxSkin::ThumbPitch, Palette::Accent, true)});
    out.push_back({"ThumbPosition", PaintThumb(VxSkin::ThumbPosition, Palette::Accent, false)});
    out.push_back({"LedVU", PaintVuLeds()});
    out.push_back({"LedProgress", PaintProgressLeds()});
    out.push_back({"LedPitch", PaintPitchLed(CropBox(deck, LedPitch))});
    out.push_back({"LcdBig", PaintLcdBigFont()});
    out.push_back({"LcdSmall", PaintLcdSmallFont()});
    out.push_back({"MsSerifGreen", PaintMessageFont()});
    out.push_back({"MsSerifBoldWhite", PaintTitleFont()});
    out.push_back({"CursorHand", PaintHandCursor()});
    out.push_back({"About", PaintAbout()});
    PaintPlaylistPanel(out);
    return out;
}

} // namespace VxSkinPaint
