#include "decoding/WaveLayout.h"

#include "decoding/SampleFold.h"

#include <cstring>

namespace {

// The extension of WAVE_FORMAT_EXTENSIBLE: valid bits, channel mask, and a
// subformat GUID whose first two bytes are the plain format tag and whose
// remaining fourteen are the same for every registered tag.
constexpr size_t kExtensibleSize = 22;
constexpr uint8_t kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                   0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t Le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t Le32(const uint8_t* p) {
    return static_cast<uint32_t>(Le16(p)) | static_cast<uint32_t>(Le16(p + 2)) << 16;
}

bool ResolveExtensible(const TWaveFormatRecord& format, TWaveLayout& layout) {
    if (format.Extra.size() < kExtensibleSize)
        return false;
    const uint8_t* extra = format.Extra.data();
    const uint16_t validBits = Le16(extra);
    const uint8_t* guid = extra + 6;
    if (std::memcmp(guid + 2, kGuidTail, sizeof kGuidTail) != 0)
        return false;
    // Fewer valid bits than the container (20 in 24) still play as the
    // container's width: the unused low bits are zero.
    if (validBits > format.Header.wBitsPerSample)
        return false;
    layout.Tag = Le16(guid);
    layout.ChannelMask = Le32(extra + 2);
    return true;
}

} // namespace

bool ResolveWaveLayout(const TWaveFormatRecord& format, TWaveLayout& layout) {
    const TWaveFormatEx& header = format.Header;
    layout = TWaveLayout{};
    layout.Tag = header.wFormatTag;
    layout.Bits = header.wBitsPerSample;
    layout.Channels = header.nChannels;
    layout.Rate = header.nSamplesPerSec;
    if (header.wFormatTag == kWaveTagExtensible && !ResolveExtensible(format, layout))
        return false;
    return IsFloatConvertible(layout.Tag, layout.Bits) && layout.Channels != 0 &&
           layout.Channels <= kMaxFoldChannels && layout.Rate != 0;
}
