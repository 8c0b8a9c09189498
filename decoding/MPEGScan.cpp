#include "decoding/MPEGScan.h"

#include <cmath>
#include <cstring>
#include <fcntl.h>

namespace {

// ReadDWord yields file bytes little-endian; headers are big-endian values.
uint32_t FileOrder(uint32_t littleEndian) {
    return __builtin_bswap32(littleEndian);
}

bool IsSyncCandidate(uint32_t h) {
    return (h >> 24) == 0xFF && ((h >> 16) & 0xE0) == 0xE0 && IsValidHeader(h);
}

uint32_t BigEndianAt(const uint8_t* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
           bytes[3];
}

// Tests at most maxCandidates positions from the stream's position. Bytes
// are fetched four at a time and shifted through the candidate one by one.
int FindSyncWithin(TZylFileStreamTAG& stream, uint32_t* header, int64_t maxCandidates) {
    int64_t candidateAt = stream.Position();
    uint32_t fetched = 0;
    if (stream.ReadDWord(&fetched) != 4)
        return 0;
    uint32_t candidate = FileOrder(fetched);
    uint32_t ahead = 0;
    int aheadCount = 0;
    for (int64_t tested = 0; tested < maxCandidates; ++tested) {
        if (candidateAt + 4 > stream.Size())
            return 0;
        if (IsSyncCandidate(candidate)) {
            stream.Seek(candidateAt + 4, 0);
            *header = candidate;
            return 1;
        }
        if (aheadCount == 0) {
            if (stream.ReadDWord(&fetched) != 4)
                return 0;
            ahead = FileOrder(fetched);
            aheadCount = 4;
        }
        candidate = (candidate << 8) | (ahead >> 24);
        ahead <<= 8;
        --aheadCount;
        ++candidateAt;
    }
    return 0;
}

// Reads four bytes as a header; false when fewer than four are left.
bool ReadHeaderBytes(TZylFileStreamTAG& stream, uint32_t* header) {
    uint32_t fetched = 0;
    if (stream.ReadDWord(&fetched) != 4 || stream.Position() > stream.Size())
        return false;
    *header = FileOrder(fetched);
    return true;
}

// One run of the walk, from a found header until the chain of computed frame
// lengths breaks. Returns false when the file has ended.
bool WalkRun(TZylFileStreamTAG& stream, uint32_t header, uint32_t* count, TFrameCallback callback,
             void* context) {
    for (;;) {
        ++*count; // the frame being left
        if (stream.Seek(static_cast<int64_t>(FrameLength(header)) - 4, 1) < 0)
            return false;
        if (!ReadHeaderBytes(stream, &header))
            return false;
        if (FrameLength(header) == 0)
            return true;
        if (callback != nullptr)
            callback(context, header, stream.Position() - 4);
    }
}

int QuickInfoFromXing(const char* path, const TXingInfo& xing, TMPEGQuickInfo* info) {
    TZylFileStreamTAG stream;
    if (!stream.Open(path, kProbeBufferSize))
        return 0;
    const int64_t streamBytes = (xing.Flags & kXingBytes) ? xing.StreamBytes : stream.Size();
    if (streamBytes == 0 || xing.FrameCount == 0)
        return 0;
    uint32_t header;
    TMPEGFrameInfo frame;
    stream.Seek(streamBytes / 2, 0);
    if (!ReadFrameInfo(stream, &header, &frame))
        return 0;
    info->FrameCount = xing.FrameCount;
    info->StreamBytes = streamBytes;
    info->FrameBytes = DecodedFrameBytes(frame);
    info->LengthMs = TruncToU32(static_cast<double>(frame.SamplesPerFrame) * xing.FrameCount /
                                frame.SampleRate * 1000);
    return 1;
}

int QuickInfoFromConstantBitrate(const char* path, TMPEGQuickInfo* info) {
    TZylFileStreamTAG stream;
    if (!stream.Open(path, kProbeBufferSize))
        return 0;
    uint32_t header;
    TMPEGFrameInfo first, middle;
    if (!ReadFrameInfo(stream, &header, &first))
        return 0;
    stream.Seek(stream.Size() / 2, 0);
    if (!ReadFrameInfo(stream, &header, &middle) || middle.Bitrate != first.Bitrate)
        return 0;
    const double length = std::trunc(DurationMs(static_cast<double>(stream.Size()), first.Bitrate));
    info->StreamBytes = stream.Size();
    info->LengthMs = TruncToU32(length);
    info->FrameBytes = DecodedFrameBytes(middle);
    info->FrameCount = TruncToU32(length * middle.SampleRate * 0.001 / middle.SamplesPerFrame);
    return 1;
}

// A leading ID3v2 tag is skipped by its declared size: its text frames
// (UTF-16 byte-order marks in particular) can look like frame headers.
void SkipID3v2Tag(TZylFileStreamTAG& stream) {
    uint8_t head[12] = {};
    for (int at = 0; at < 12; at += 4) {
        uint32_t word = 0;
        stream.ReadDWord(&word); // stays zero when nothing is left
        for (int b = 0; b < 4; ++b)
            head[at + b] = static_cast<uint8_t>(word >> (8 * b));
    }
    const bool sizeIsSyncSafe = ((head[6] | head[7] | head[8] | head[9]) & 0x80) == 0;
    int64_t skip = 0;
    if (std::memcmp(head, "ID3", 3) == 0 && head[3] != 0xFF && head[4] != 0xFF && sizeIsSyncSafe) {
        const int64_t size = (head[6] << 21) | (head[7] << 14) | (head[8] << 7) | head[9];
        skip = 10 + size + ((head[5] & 0x10) ? 10 : 0);
    }
    stream.Seek(skip, 0);
}

} // namespace

int FindSync(TZylFileStreamTAG& stream, uint32_t* header) {
    return FindSyncWithin(stream, header, kMaxSyncSearch);
}

int ReadFrameHeader(TZylFileStreamTAG& stream, uint32_t* header) {
    const int64_t searchStart = stream.Position();
    for (;;) {
        const int64_t budget = kMaxSyncSearch - (stream.Position() - searchStart);
        uint32_t found;
        if (budget <= 0 || !FindSyncWithin(stream, &found, budget))
            return 0;
        const int64_t afterHeader = stream.Position();
        stream.Seek(static_cast<int64_t>(FrameLength(found)) - 4, 1);
        uint32_t next;
        if (!ReadHeaderBytes(stream, &next))
            return 0;
        if (IsValidHeader(next)) {
            stream.Seek(afterHeader, 0);
            *header = found;
            return 1;
        }
        stream.Seek(afterHeader - 3, 0);
    }
}

int ReadFrameInfo(TZylFileStreamTAG& stream, uint32_t* header, TMPEGFrameInfo* info) {
    return ReadFrameHeader(stream, header) && DecodeFrameHeader(*header, info);
}

uint32_t CountFrames(const char* path, TFrameCallback callback, void* context) {
    TZylFileStreamTAG stream;
    if (!stream.Open(path, kWalkBufferSize))
        return 0;
    uint32_t count = 0;
    uint32_t header;
    SkipID3v2Tag(stream);
    while (FindSync(stream, &header)) {
        if (callback != nullptr)
            callback(context, header, stream.Position() - 4);
        if (!WalkRun(stream, header, &count, callback, context))
            break;
    }
    stream.Close();
    return count;
}

int ReadXingHeader(const char* path, TXingInfo* info) {
    TZylFileHndTAG file;
    if (file.Open(path, O_RDONLY) < 0)
        return 0;
    uint8_t head[kProbeBufferSize] = {};
    const int64_t got = file.Read(head, sizeof head);
    file.Close();
    if (got < 4)
        return 0;
    const bool mpeg1 = (head[1] & 0x08) != 0;
    const bool mono = head[3] >= 192;
    const uint8_t* at = head + (mpeg1 ? (mono ? 21 : 36) : (mono ? 13 : 21));
    if (std::memcmp(at, "Xing", 4) != 0)
        return 0;
    at += 4;
    info->Mpeg1 = mpeg1 ? 1 : 0;
    info->SampleRate = HeaderSampleRate(BigEndianAt(head));
    info->Flags = BigEndianAt(at);
    at += 4;
    info->FrameCount = info->StreamBytes = 0;
    std::memset(info->Toc, 0, sizeof info->Toc);
    info->Quality = -1;
    if (info->Flags & kXingFrames) {
        info->FrameCount = BigEndianAt(at);
        at += 4;
    }
    if (info->Flags & kXingBytes) {
        info->StreamBytes = BigEndianAt(at);
        at += 4;
    }
    if (info->Flags & kXingToc) {
        std::memcpy(info->Toc, at, sizeof info->Toc);
        at += sizeof info->Toc;
    }
    if (info->Flags & kXingQuality)
        info->Quality = static_cast<int32_t>(BigEndianAt(at));
    return 1;
}

int ReadQuickInfo(const char* path, TMPEGQuickInfo* info) {
    TXingInfo xing;
    if (ReadXingHeader(path, &xing) && (xing.Flags & kXingFrames))
        return QuickInfoFromXing(path, xing, info);
    return QuickInfoFromConstantBitrate(path, info);
}
