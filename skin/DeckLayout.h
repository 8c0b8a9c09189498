// Where every control of the deck sits, in window pixels (left, top, width,
// height). The skin's pictures are drawn to these boxes, so the window's
// builder must place its controls from here and nowhere else.
#pragma once

#include <cstdint>

namespace VxDeck {

struct TDeckBox {
    int Left;
    int Top;
    int Width;
    int Height;

    constexpr int Right() const { return Left + Width; }
    constexpr int Bottom() const { return Top + Height; }
    constexpr bool Contains(const TDeckBox& inner) const {
        return inner.Left >= Left && inner.Top >= Top && inner.Right() <= Right() &&
               inner.Bottom() <= Bottom();
    }
    constexpr bool Overlaps(const TDeckBox& other) const {
        return Left < other.Right() && other.Left < Right() && Top < other.Bottom() &&
               other.Top < Bottom();
    }
};

inline constexpr int WindowWidth = 384;
inline constexpr int WindowHeight = 223;
inline constexpr TDeckBox Window{0, 0, WindowWidth, WindowHeight};

// Colours as 0x00BBGGRR.
inline constexpr std::uint32_t FormColor = 3486772;
inline constexpr std::uint32_t ProgressBackgroundColor = 5125661;
inline constexpr std::uint32_t VMetterBackgroundColor = 0;
// Fill behind the LCD glyphs; equals the background of the LCD and message
// font cells, so a label's spacing and blank area blend with its glyphs.
inline constexpr std::uint32_t LcdBackgroundColor = 0x00101A0E;
// The title font is white on pure black; the title label keys black out.
inline constexpr std::uint32_t TitleTransparentColor = 0;

// Frame and title.
inline constexpr TDeckBox Background{0, 20, 384, 203};
inline constexpr TDeckBox TitleBar{0, 0, 384, 20};
inline constexpr TDeckBox Title{64, 4, 261, 13};
inline constexpr TDeckBox SysMenu{3, 3, 25, 16};
inline constexpr TDeckBox btnConfig{34, 6, 19, 11};
inline constexpr TDeckBox btnHelp{332, 5, 13, 13};
inline constexpr TDeckBox btnMinimize{351, 5, 13, 13};
inline constexpr TDeckBox btnClose{366, 5, 13, 13};

// Levels.
inline constexpr TDeckBox VMetter{18, 34, 18, 137};
inline constexpr TDeckBox Balance{46, 36, 20, 20};
inline constexpr TDeckBox DownMix{46, 36, 20, 20};
inline constexpr TDeckBox Volume{49, 69, 15, 86};
inline constexpr TDeckBox btnMute{45, 158, 22, 13};

// Open, mode buttons.
inline constexpr TDeckBox btnOpen{84, 27, 27, 28};
inline constexpr TDeckBox btnAux1{147, 30, 14, 21};
inline constexpr TDeckBox btnAux2{147, 51, 14, 21};
inline constexpr TDeckBox btnRealTime{147, 72, 14, 21};
inline constexpr TDeckBox btnTime{147, 93, 14, 21};

// Displays: the track number has its own small LCD under the open button;
// time, value, pitch and the two message lines share the main LCD. Each box
// holds the widest text its display can show (see tests/skin).
inline constexpr TDeckBox LcdTrackPanel{88, 70, 54, 31};
inline constexpr TDeckBox LcdMainPanel{165, 27, 153, 93};
inline constexpr TDeckBox LabelTrack{99, 75, 31, 21};
inline constexpr TDeckBox LabelTimeMMSS{193, 31, 79, 21};
inline constexpr TDeckBox LabelTimeCS{274, 38, 18, 14};
inline constexpr TDeckBox LabelValue{170, 64, 66, 14};
inline constexpr TDeckBox LabelPitch{250, 64, 66, 14};
inline constexpr TDeckBox LabelMessage1{167, 91, 150, 13};
inline constexpr TDeckBox LabelMessage2{167, 105, 150, 13};

// Transport.
inline constexpr TDeckBox btnPrev{86, 150, 28, 24};
inline constexpr TDeckBox btnNext{116, 150, 28, 24};
inline constexpr TDeckBox btnRW{148, 148, 29, 26};
inline constexpr TDeckBox btnFF{179, 148, 29, 26};
inline constexpr TDeckBox btnCUE{210, 127, 53, 47};
inline constexpr TDeckBox btnPlay{265, 127, 53, 47};
inline constexpr TDeckBox Position{87, 182, 227, 15};
inline constexpr TDeckBox Progress{84, 205, 233, 8};

// Pitch.
inline constexpr TDeckBox btnSlow{325, 27, 25, 20};
inline constexpr TDeckBox btnFast{351, 27, 25, 20};
inline constexpr TDeckBox Pitch{329, 54, 26, 157};
inline constexpr TDeckBox TouchBend{362, 51, 13, 23};
inline constexpr TDeckBox LedPitch{361, 128, 15, 9};
// Key lock: the tempo follows the pitch, the key stays (lit while on).
inline constexpr TDeckBox btnKeyLock{359, 186, 19, 21};

// The logo is part of the background; this invisible image catches clicks.
inline constexpr TDeckBox imgLogoClick{11, 179, 54, 38};

// Outside the visible deck: only its place matters. (The playlist is not a
// part of the deck: its panel, when shown, lies below the deck.)
inline constexpr TDeckBox Buffer{396, 132, 233, 8};

// Every control box inside the window, for checks and screenshots (DownMix
// shares Balance's box and is left out).
struct TNamedBox {
    const char* Name;
    TDeckBox Box;
};
inline constexpr TNamedBox VisibleControls[] = {
    {"TitleBar", TitleBar},
    {"Title", Title},
    {"SysMenu", SysMenu},
    {"btnConfig", btnConfig},
    {"btnHelp", btnHelp},
    {"btnMinimize", btnMinimize},
    {"btnClose", btnClose},
    {"VMetter", VMetter},
    {"Balance", Balance},
    {"Volume", Volume},
    {"btnMute", btnMute},
    {"btnOpen", btnOpen},
    {"btnAux1", btnAux1},
    {"btnAux2", btnAux2},
    {"btnRealTime", btnRealTime},
    {"btnTime", btnTime},
    {"LabelTrack", LabelTrack},
    {"LabelTimeMMSS", LabelTimeMMSS},
    {"LabelTimeCS", LabelTimeCS},
    {"LabelValue", LabelValue},
    {"LabelPitch", LabelPitch},
    {"LabelMessage1", LabelMessage1},
    {"LabelMessage2", LabelMessage2},
    {"btnPrev", btnPrev},
    {"btnNext", btnNext},
    {"btnRW", btnRW},
    {"btnFF", btnFF},
    {"btnCUE", btnCUE},
    {"btnPlay", btnPlay},
    {"Position", Position},
    {"Progress", Progress},
    {"btnKeyLock", btnKeyLock},
    {"btnSlow", btnSlow},
    {"btnFast", btnFast},
    {"Pitch", Pitch},
    {"TouchBend", TouchBend},
    {"LedPitch", LedPitch},
    {"imgLogoClick", imgLogoClick},
};

} // namespace VxDeck
