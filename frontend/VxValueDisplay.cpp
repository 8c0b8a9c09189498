#include "frontend/VxValueDisplay.h"

#include "frontend/VxDisplayText.h"

#include <cmath>
#include <cstdio>

namespace {

// The wheel number where the tempo's whole part goes, with an unlit point
// and decimals: "a eb8cbb", "a e12cbb".
std::string KeyLcdText(int key, TVxKeyNotation notation) {
    if (!VxIsKey(key))
        return vxdisplay::kValueBlank;
    char text[16];
    std::snprintf(text, sizeof text, "a e%s%dcbb", VxKeyNumber(key, notation) < 10 ? "b" : "",
                  VxKeyNumber(key, notation));
    return text;
}

// LUFS with one decimal and its sign: "- eb9.8b", "- e14.0b".
std::string LoudnessLcdText(const TVxLoudness& loudness) {
    if (!loudness.Known)
        return vxdisplay::kValueBlank;
    return vxdisplay::LcdNumberText(std::llround(loudness.Lufs * 10), 1, 3, "b", 1);
}

std::string Decibels(double value) {
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

} // namespace

void TVxValueDisplay::Cycle() {
    shown_ = shown_ == TShown::Tempo ? TShown::Key
             : shown_ == TShown::Key ? TShown::Loudness
                                     : TShown::Tempo;
}

std::string TVxValueDisplay::LcdText(const TVxSongTempo& song, int pitch,
                                     TVxKeyNotation notation) const {
    switch (shown_) {
    case TShown::Tempo:
        return vxdisplay::BpmText(song.Bpm, pitch);
    case TShown::Key:
        return KeyLcdText(song.Key, notation);
    case TShown::Loudness:
        return LoudnessLcdText(song.Loudness);
    }
    return vxdisplay::kValueBlank;
}

std::string TVxValueDisplay::Caption(const TVxSongTempo& song, TVxKeyNotation notation) const {
    switch (shown_) {
    case TShown::Tempo:
        return "Tempo at the current pitch";
    case TShown::Key:
        return VxIsKey(song.Key)
                   ? "Key: " + VxKeyName(song.Key) + " " + VxKeyCode(song.Key, notation)
                   : "Key: not known yet";
    case TShown::Loudness:
        return song.Loudness.Known
                   ? "Loudness: " + Decibels(song.Loudness.Lufs) + " LUFS, true peak " +
                         Decibels(song.Loudness.TruePeakDbtp) + " dBTP"
                   : "Loudness: not known yet";
    }
    return {};
}
