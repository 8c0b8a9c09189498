// The skin's pictures as the program embeds them (Qt resources under
// ":/skin/"), with the cell layout each image list must be given. Image lists
// guess square cells from a strip's size, so the builder always sets Count
// (and VariableSize with a blue BoundColor for the fonts) from here.
#pragma once

#include <cstdint>
#include <string>

namespace VxSkin {

struct TSkinStrip {
    const char* Name;     // file name without ".png"
    const char* Resource; // Qt resource path
    int Width;            // whole strip
    int Height;
    unsigned Count;    // cells
    bool VariableSize; // cut by BoundColor separator columns (the fonts)

    // Width of one cell of an equal-cell strip.
    constexpr int CellWidth() const { return VariableSize ? 0 : Width / static_cast<int>(Count); }
};

// Separator colour of the font strips (0x00BBGGRR): pure blue.
inline constexpr std::uint32_t FontBoundColor = 0x00FF0000;

#define VX_SKIN_STRIP(name, w, h, count, variable)                                                 \
    inline constexpr TSkinStrip name {                                                             \
#name, ":/skin/" #name ".png", w, h, count, variable                                       \
    }

// Frame: background (one cell), title bar (inactive, active), system-menu icon.
VX_SKIN_STRIP(Background, 384, 203, 1, false);
VX_SKIN_STRIP(TitleBar, 768, 20, 2, false);
VX_SKIN_STRIP(SysMenu, 25, 16, 1, false);
// The product's logo under the level meter (one cell).
VX_SKIN_STRIP(Logo, 54, 38, 1, false);

// Buttons: cell 2s released, 2s + 1 pressed, for each status s.
VX_SKIN_STRIP(BtnConfig, 38, 11, 2, false);
VX_SKIN_STRIP(BtnHelp, 52, 13, 4, false);
VX_SKIN_STRIP(BtnMinimize, 26, 13, 2, false);
VX_SKIN_STRIP(BtnClose, 26, 13, 2, false);
VX_SKIN_STRIP(BtnMute, 44, 13, 2, false);
VX_SKIN_STRIP(BtnOpen, 54, 28, 2, false);
VX_SKIN_STRIP(BtnAux1, 28, 21, 2, false);
VX_SKIN_STRIP(BtnAux2, 28, 21, 2, false);
VX_SKIN_STRIP(BtnRealTime, 56, 21, 4, false);
VX_SKIN_STRIP(BtnTime, 56, 21, 4, false);
VX_SKIN_STRIP(BtnPrev, 56, 24, 2, false);
VX_SKIN_STRIP(BtnNext, 56, 24, 2, false);
VX_SKIN_STRIP(BtnRW, 58, 26, 2, false);
VX_SKIN_STRIP(BtnFF, 58, 26, 2, false);
VX_SKIN_STRIP(BtnCUE, 212, 47, 4, false);
VX_SKIN_STRIP(BtnPlay, 212, 47, 4, false);
VX_SKIN_STRIP(BtnSlow, 50, 20, 2, false);
VX_SKIN_STRIP(BtnFast, 50, 20, 2, false);
VX_SKIN_STRIP(BtnKeyLock, 76, 21, 4, false);

// Knob film strips: frame 0 at MinValue, the last at MaxValue.
VX_SKIN_STRIP(KnobBalance, 1060, 20, 53, false);
VX_SKIN_STRIP(KnobDownMix, 1060, 20, 53, false);
VX_SKIN_STRIP(KnobTouchBend, 1339, 23, 103, false);

// Slider thumbs (one cell each).
VX_SKIN_STRIP(ThumbVolume, 15, 13, 1, false);
VX_SKIN_STRIP(ThumbPitch, 26, 13, 1, false);
VX_SKIN_STRIP(ThumbPosition, 11, 15, 1, false);

// LEDs: red off, red on, normal off, normal on; the pitch LED: off, lit.
VX_SKIN_STRIP(LedVU, 32, 2, 4, false);
VX_SKIN_STRIP(LedProgress, 8, 8, 4, false);
VX_SKIN_STRIP(LedPitch, 30, 9, 2, false);

// Bitmap fonts: one glyph per CharSet character, blue separator columns.
VX_SKIN_STRIP(LcdBig, 234, 21, 22, true);
VX_SKIN_STRIP(LcdSmall, 170, 14, 20, true);
VX_SKIN_STRIP(MsSerifGreen, 1340, 13, 190, true);
VX_SKIN_STRIP(MsSerifBoldWhite, 1449, 13, 190, true);

// Pictures outside the image lists: the hand cursor (RGBA) and the About page.
VX_SKIN_STRIP(CursorHand, 32, 32, 1, false);
VX_SKIN_STRIP(About, 320, 120, 1, false);

// The playlist panel: its footer, and its scroll bar's track and thumb
// (stretched between 3-pixel end caps).
VX_SKIN_STRIP(PanelFooter, 384, 16, 1, false);
VX_SKIN_STRIP(PanelScrollTrack, 8, 32, 1, false);
VX_SKIN_STRIP(PanelScrollThumb, 8, 32, 1, false);

#undef VX_SKIN_STRIP

inline constexpr int CursorHandHotX = 9;
inline constexpr int CursorHandHotY = 3;

inline constexpr const char* LcdBigCharSet = " b0123456789eIia-c.d:_";
inline constexpr const char* LcdSmallCharSet = " b0123456789eIa+-c._";
// The message and title fonts: printable Windows-1252 bytes 0x20-0x7E and
// 0xA1-0xFF in that order (190 characters).
std::string MsSerifCharSet();

// Every picture above, in a fixed order.
inline constexpr TSkinStrip AllStrips[] = {
    Background,  TitleBar,      SysMenu,      BtnConfig,        BtnHelp,
    BtnMinimize, BtnClose,      BtnMute,      BtnOpen,          BtnAux1,
    BtnAux2,     BtnRealTime,   BtnTime,      BtnPrev,          BtnNext,
    BtnRW,       BtnFF,         BtnCUE,       BtnPlay,          BtnSlow,
    BtnFast,     KnobBalance,   KnobDownMix,  KnobTouchBend,    ThumbVolume,
    ThumbPitch,  ThumbPosition, LedVU,        LedProgress,      LedPitch,
    LcdBig,      LcdSmall,      MsSerifGreen, MsSerifBoldWhite, CursorHand,
    About,       Logo,        PanelFooter,   PanelScrollTrack, PanelScrollThumb,
    BtnKeyLock,
};

} // namespace VxSkin
