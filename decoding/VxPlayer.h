// The decoder contract. The engine never reads an audio file itself: it
// asks one object of each decoder in order whether they accept a file, and
// then talks to a fresh object of the kind that does only through this
// interface and its public fields. Decoders have no lock of their own, and
// the engine never makes two calls at once on one object: it prepares and
// opens a song's decoder on the thread that opens, seeks and reads from its
// worker, all without its lock (a read may block on a slow medium), and
// closes it by destroying it. File information comes from a fresh object
// for each file, also without the lock. The
// fields are set by Open and stay as they are until Close.
#pragma once

#include <atomic>
#include <cstdint>

// The PCM format record, laid out as the platform's wave-format record. It is
// produced by the decoders and handed unchanged to the sound device.
struct TWaveFormatEx {
    uint16_t wFormatTag = 0;
    uint16_t nChannels = 0;
    uint32_t nSamplesPerSec = 0;
    uint32_t nAvgBytesPerSec = 0;
    uint16_t nBlockAlign = 0;
    uint16_t wBitsPerSample = 0;
    uint16_t cbSize = 0;
};

constexpr uint16_t kWaveFormatPcm = 1;
constexpr uint16_t kWaveFormatMpegLayer3 = 0x55;

// Fills a PCM format the way both decoders do: tag 1, derived byte rates,
// and an extra-size of one (not zero).
inline TWaveFormatEx MakePcmFormat(uint16_t channels, uint32_t rate, uint16_t bits) {
    TWaveFormatEx format;
    format.wFormatTag = kWaveFormatPcm;
    format.nChannels = channels;
    format.nSamplesPerSec = rate;
    format.nAvgBytesPerSec = channels * rate * (bits / 8u);
    format.nBlockAlign = static_cast<uint16_t>(channels * (bits / 8u));
    format.wBitsPerSample = bits;
    format.cbSize = 1;
    return format;
}

// Size of the display-name buffer that GetInfo fills.
constexpr unsigned kSongNameSize = 260;

class TVxPlayerTAG {
public:
    uint32_t IsOpen = 0;        // nonzero while a file is open
    uint32_t BytesPerFrame = 0; // bytes of one read unit of decoded PCM
    uint32_t LengthMs = 0;      // length of the open file, truncated
    int32_t SeekAlignMask = -4; // mask for byte positions when seeking
    TWaveFormatEx Format;       // the decoded PCM format

    TVxPlayerTAG() = default;
    TVxPlayerTAG(const TVxPlayerTAG&) = delete;
    TVxPlayerTAG& operator=(const TVxPlayerTAG&) = delete;
    // Derived destructors close an open file themselves: Close is virtual and
    // cannot be reached from here once the derived part is gone.
    virtual ~TVxPlayerTAG() = default;

    // Nonzero if this decoder takes the file.
    virtual int Accepts(const char* path) = 0;
    // The slow part of an open, such as reading the whole file, done ahead
    // of Open without the engine lock, on the thread that opens; Open of the
    // same path and mode then takes its result. A set cancel flag makes it
    // give up. Touches nothing that Open's other callers or GetInfo use.
    // 0 success, -1 or -2 failure (reported).
    virtual int Prepare(const char* path, uint32_t mode, const std::atomic<bool>* cancel) {
        (void)path, (void)mode, (void)cancel;
        return 0;
    }
    // 0 success, -1 or -2 failure (reported).
    virtual int Open(const char* path, uint32_t mode) = 0;
    // Display name (kSongNameSize bytes, UTF-8) and length without opening the
    // file for playback. 0 success, -1 failure.
    virtual int GetInfo(const char* path, char* name, uint32_t* lengthMs) = 0;
    virtual void Close() = 0;
    // Positions the decoder at ms; skipBytes is how much of the next decoded
    // PCM lies before the requested position. 0 success, -1 or -2 failure.
    virtual int Seek(uint32_t ms, uint32_t* skipBytes) = 0;
    // Reads frames read units into buffer; the part not read is silence.
    virtual int Read(void* buffer, uint32_t frames, uint32_t* framesRead) = 0;
    // The song's own title (UTF-8), or nullptr.
    virtual const char* GetTitle() { return nullptr; }
};
