// The frame-header scanner shared by the frame index variants and the MPEG
// decoder's GetInfo: sync search, confirmed headers, the whole-file frame
// walk, the Xing header and the constant-bitrate shortcut.
#pragma once

#include "decoding/MPEGHeader.h"
#include "decoding/ZylFile.h"

#include <atomic>
#include <cstdint>

// How many candidate positions one sync search tests before it gives up, so
// that a file of zeros or a huge tag is refused in bounded time.
constexpr int64_t kMaxSyncSearch = 0x18000;
constexpr int kProbeBufferSize = 1024;
constexpr int kWalkBufferSize = 0xC000;

// Where the audio stream lies in the file: from its first confirmed frame,
// behind any leading ID3v2 tags, to its end.
struct TMPEGStreamSpan {
    int64_t Start = 0;
    int64_t End = 0;
    int64_t Bytes() const { return End - Start; }
};

struct TMPEGQuickInfo {
    uint32_t FrameCount; // every frame of the stream, a Xing/Info frame too
    uint32_t FrameBytes;
    int64_t StreamBytes; // counted from StreamStart
    uint32_t LengthMs;
    int64_t StreamStart;
    bool HasToc; // Toc maps time to stream bytes (variable bitrate)
    uint8_t Toc[100];
};

struct TXingInfo {
    int Mpeg1;
    int ConstantBitrate; // the header reads "Info": encoders write it for CBR
    uint32_t SampleRate;
    uint32_t Flags;
    uint32_t FrameCount;  // flag 1
    uint32_t StreamBytes; // flag 2
    uint8_t Toc[100];     // flag 4
    int32_t Quality;      // flag 8, else -1
};

constexpr uint32_t kXingFrames = 1;
constexpr uint32_t kXingBytes = 2;
constexpr uint32_t kXingToc = 4;
constexpr uint32_t kXingQuality = 8;

// Called for every frame of the walk, in file order, with the header and
// the byte offset of its first byte.
using TFrameCallback = void (*)(void* context, uint32_t header, int64_t offset);

// Searches for a header from the stream's position; on success the stream
// stands just after its four bytes. 1 found, 0 not found.
int FindSync(TZylFileStreamTAG& stream, uint32_t* header);
// A header whose successor, at the computed frame length, is a header too;
// the stream stands just after the returned header. Gives up once the search
// has passed kMaxSyncSearch bytes. 1 found, 0 not.
int ReadFrameHeader(TZylFileStreamTAG& stream, uint32_t* header);
// Walks the whole file from header to header, from the first header that a
// frame follows (as LocateStream); returns the frames counted
// (0 also when the file cannot be opened). A set cancel flag ends the walk
// early with the frames counted so far.
uint32_t CountFrames(const char* path, TFrameCallback callback, void* context,
                     const std::atomic<bool>* cancel = nullptr);
// Finds the stream: skips leading ID3v2 tags by their declared sizes (a
// tag's text can look like frame headers) and confirms the first frame
// behind them. The end is the file's end less a trailing ID3v1 tag. 1 / 0.
int LocateStream(TZylFileStreamTAG& stream, TMPEGStreamSpan* span);
// The Xing or Info header in the stream's first frame. 1 / 0.
int ReadXingHeader(const char* path, TXingInfo* info);
// The length without a walk: from a Xing header with a frame count, or for a
// stream whose first and middle frames have the same bitrate. 1 / 0.
int ReadQuickInfo(const char* path, TMPEGQuickInfo* info);
// A confirmed header of the same stream as like (version, layer, checksum
// flag and sample rate), whose successor is one too: a sync pattern inside
// frame data is passed over. The stream stands just after it. 1 / 0.
int ReadStreamFrameHeader(TZylFileStreamTAG& stream, uint32_t like, uint32_t* header);
// ReadFrameHeader then DecodeFrameHeader; 1 when both succeed.
int ReadFrameInfo(TZylFileStreamTAG& stream, uint32_t* header, TMPEGFrameInfo* info);
