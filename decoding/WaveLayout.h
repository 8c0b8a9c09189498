// What a WAVE format chunk describes, once WAVE_FORMAT_EXTENSIBLE has been
// resolved to its subformat: the sample coding, width, channels, rate and
// speaker mask the waveform decoder plays.
#pragma once

#include "decoding/RiffWave.h"

#include <cstdint>

struct TWaveLayout {
    uint16_t Tag = 0; // 1 integer PCM or 3 IEEE float
    uint16_t Bits = 0;
    uint16_t Channels = 0;
    uint32_t Rate = 0;
    uint32_t ChannelMask = 0; // 0 when the file names none
    uint16_t BlockAlign() const { return static_cast<uint16_t>(Channels * (Bits / 8u)); }
};

// False for anything the decoder does not play: other codings, widths other
// than 8/16/24/32-bit integer or 32/64-bit float, zero channels or rate, and
// extensible chunks whose subformat is not PCM or float.
bool ResolveWaveLayout(const TWaveFormatRecord& format, TWaveLayout& layout);
