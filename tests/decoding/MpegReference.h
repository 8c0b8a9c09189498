// An independent straight decode of a whole MPEG file with libmpg123, with
// the flags the decoder uses (no gapless trimming, the Xing/LAME frame as a
// plain frame, 16-bit output), frame by frame. Tests and the pre-roll
// measurement compare the decoder's output with it.
#pragma once

#include <cstdint>
#include <cstring>
#include <mpg123.h>
#include <string>
#include <vector>

struct TMpegReference {
    std::vector<std::vector<uint8_t>> Frames; // PCM of each decoded frame
    std::vector<uint32_t> Headers;            // each frame's four header bytes
    long Rate = 0;
    int Channels = 0;

    // All frames' PCM back to back.
    std::vector<uint8_t> Pcm() const {
        std::vector<uint8_t> pcm;
        for (const auto& frame : Frames)
            pcm.insert(pcm.end(), frame.begin(), frame.end());
        return pcm;
    }
};

inline bool DecodeReference(const std::string& path, TMpegReference* out) {
    mpg123_init();
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    if (handle == nullptr)
        return false;
    mpg123_param(handle, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_IGNORE_INFOFRAME, 0);
    mpg123_param(handle, MPG123_RESYNC_LIMIT, 0x18000, 0);
    mpg123_format_none(handle);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(handle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    bool ok = mpg123_open(handle, path.c_str()) == MPG123_OK;
    while (ok) {
        const int next = mpg123_framebyframe_next(handle);
        if (next == MPG123_NEW_FORMAT && out->Channels == 0) {
            int encoding = 0;
            mpg123_getformat(handle, &out->Rate, &out->Channels, &encoding);
        } else if (next != MPG123_OK && next != MPG123_NEW_FORMAT) {
            break;
        }
        unsigned long header = 0;
        unsigned char* body = nullptr;
        size_t bodyBytes = 0;
        mpg123_framedata(handle, &header, &body, &bodyBytes);
        off_t number = 0;
        unsigned char* audio = nullptr;
        size_t bytes = 0;
        if (mpg123_framebyframe_decode(handle, &number, &audio, &bytes) != MPG123_OK)
            break;
        out->Frames.emplace_back(audio, audio + bytes);
        out->Headers.push_back(static_cast<uint32_t>(header));
    }
    mpg123_delete(handle);
    return ok;
}
