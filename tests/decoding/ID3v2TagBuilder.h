// Leading ID3v2 tags for the MPEG tests, built in memory: the sizes that
// cover art gives real files, and the shapes a sloppy tagger writes.
#pragma once

#include <cstdint>
#include <vector>

namespace id3test {

enum TTagFlags : uint8_t {
    kExtendedHeader = 0x40,
    kFooter = 0x10, // version 4 only
};

// A tag of the given total size (header and footer included), whose body is
// one picture frame filled with bytes that look like MPEG frame headers, so
// that a reader that searches the body for a sync is led astray.
inline std::vector<uint8_t> Tag(uint32_t totalBytes, uint8_t flags = 0, uint8_t version = 3) {
    const uint32_t footer = (flags & kFooter) ? 10 : 0;
    const uint32_t body = totalBytes - 10 - footer;
    std::vector<uint8_t> tag = {'I',
                                'D',
                                '3',
                                version,
                                0,
                                flags,
                                static_cast<uint8_t>((body >> 21) & 0x7F),
                                static_cast<uint8_t>((body >> 14) & 0x7F),
                                static_cast<uint8_t>((body >> 7) & 0x7F),
                                static_cast<uint8_t>(body & 0x7F)};
    std::vector<uint8_t> content;
    if (flags & kExtendedHeader)
        content = {0, 0, 0, 6, 0, 0}; // size, flags, no padding
    const uint32_t frameData = body - static_cast<uint32_t>(content.size()) - 10;
    const uint8_t frameHeader[10] = {'A',
                                     'P',
                                     'I',
                                     'C',
                                     static_cast<uint8_t>(frameData >> 24),
                                     static_cast<uint8_t>(frameData >> 16),
                                     static_cast<uint8_t>(frameData >> 8),
                                     static_cast<uint8_t>(frameData),
                                     0,
                                     0};
    content.insert(content.end(), frameHeader, frameHeader + 10);
    static const uint8_t kLookalike[] = {0xFF, 0xFB, 0x90, 0x44, 0x00, 0x17, 0xFF, 0xF3};
    for (uint32_t i = 0; i < frameData; ++i)
        content.push_back(kLookalike[i % sizeof kLookalike]);
    tag.insert(tag.end(), content.begin(), content.end());
    if (footer) {
        const uint8_t tail[10] = {'3', 'D', 'I', version, 0, flags, tag[6], tag[7], tag[8], tag[9]};
        tag.insert(tag.end(), tail, tail + 10);
    }
    return tag;
}

inline std::vector<uint8_t> Joined(std::vector<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace id3test
