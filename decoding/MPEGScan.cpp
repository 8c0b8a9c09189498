#include "decoding/MPEGScan.h"

#include <cmath>
#include <cstring>

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
             void* context, const std::atomic<bool>* cancel) {
    for (;;) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed))
            return false;
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

// A saturated sum: an absurd Xing frame count must not wrap around.
uint32_t PlusOne(uint32_t count) {
    return count == UINT32_MAX ? count : count + 1;
}

int QuickInfoFromXing(TZylFileStreamTAG& stream, const TMPEGStreamSpan& span, const TXingInfo& xing,
                      TMPEGQuickInfo* info) {
    // A declared byte count is believed only as far as the file reaches.
    const int64_t fileBytes = stream.Size() - span.Start;
    const int64_t streamBytes = (xing.Flags & kXingBytes) && xing.StreamBytes <= fileBytes
                                    ? int64_t{xing.StreamBytes}
                                    : span.Bytes();
    if (streamBytes == 0 || xing.FrameCount == 0)
        return 0;
    uint32_t header;
    TMPEGFrameInfo frame;
    stream.Seek(span.Start + streamBytes / 2, 0);
    if (!ReadFrameInfo(stream, &header, &frame))
        return 0;
    // A count that frames of the lowest bitrate (index 1, unpadded) could
    // not fit into the stream is a lie; the caller then estimates.
    constexpr uint32_t kBitrateAndPadding = 0x0000F200;
    const uint32_t smallest = FrameLength((header & ~kBitrateAndPadding) | 0x1000);
    if (smallest == 0 || xing.FrameCount > streamBytes / smallest + 1)
        return 0;
    // A file cut short holds only the frames of the bytes it still has.
    uint32_t frames = xing.FrameCount;
    if ((xing.Flags & kXingBytes) && xing.StreamBytes > fileBytes && xing.StreamBytes > 0)
        frames = static_cast<uint32_t>(uint64_t{frames} * uint64_t(fileBytes) / xing.StreamBytes);
    // The Xing frame is a frame of the stream too (it decodes as silence);
    // its count is of the frames behind it, which make the song's length.
    info->FrameCount = PlusOne(frames);
    info->StreamStart = span.Start;
    info->StreamBytes = streamBytes;
    info->FrameBytes = DecodedFrameBytes(frame);
    info->LengthMs =
        TruncToU32(static_cast<double>(frame.SamplesPerFrame) * frames / frame.SampleRate * 1000);
    info->HasToc = (xing.Flags & kXingToc) != 0 && !xing.ConstantBitrate;
    std::memcpy(info->Toc, xing.Toc, sizeof info->Toc);
    return 1;
}

int QuickInfoFromConstantBitrate(TZylFileStreamTAG& stream, const TMPEGStreamSpan& span,
                                 TMPEGQuickInfo* info) {
    uint32_t header;
    TMPEGFrameInfo first, middle;
    stream.Seek(span.Start, 0);
    if (!ReadFrameInfo(stream, &header, &first))
        return 0;
    stream.Seek(span.Start + span.Bytes() / 2, 0);
    if (!ReadFrameInfo(stream, &header, &middle) || middle.Bitrate != first.Bitrate)
        return 0;
    // Frames of the exact average size; the nearest whole count, as a cut
    // last frame still counts.
    const double frameBytes = first.Bitrate * 125.0 * first.SamplesPerFrame / first.SampleRate;
    info->StreamStart = span.Start;
    info->StreamBytes = span.Bytes();
    info->FrameBytes = DecodedFrameBytes(middle);
    info->FrameCount = TruncToU32(std::round(static_cast<double>(span.Bytes()) / frameBytes));
    // The deck plays up to the start of the last frame: the same length.
    info->LengthMs =
        TruncToU32(static_cast<double>(middle.SamplesPerFrame) *
                   (info->FrameCount > 0 ? info->FrameCount - 1 : 0) / middle.SampleRate * 1000);
    info->HasToc = false;
    return 1;
}

// The size of an ID3v2 tag starting at head (10 bytes), footer included;
// 0 when head is no tag header.
int64_t ID3v2TagBytes(const uint8_t* head) {
    const bool sizeIsSyncSafe = ((head[6] | head[7] | head[8] | head[9]) & 0x80) == 0;
    if (std::memcmp(head, "ID3", 3) != 0 || head[3] == 0xFF || head[4] == 0xFF || !sizeIsSyncSafe)
        return 0;
    const int64_t size = (head[6] << 21) | (head[7] << 14) | (head[8] << 7) | head[9];
    return 10 + size + ((head[5] & 0x10) ? 10 : 0);
}

// Reads up to count bytes from the stream's position; bytes past the end of
// the file read as zero.
void ReadBytes(TZylFileStreamTAG& stream, uint8_t* bytes, int count) {
    for (int at = 0; at < count; at += 4) {
        uint32_t word = 0;
        stream.ReadDWord(&word);
        for (int b = 0; b < 4 && at + b < count; ++b)
            bytes[at + b] = static_cast<uint8_t>(word >> (8 * b));
    }
}

// Skips the ID3v2 tags at the stream's position by their declared sizes.
// Tags may follow one another; a few are believed, then the sync search
// takes over. A size past the end leaves the stream at the end.
void SkipID3v2Tags(TZylFileStreamTAG& stream) {
    constexpr int kMaxLeadingTags = 8;
    int64_t at = stream.Position();
    for (int tag = 0; tag < kMaxLeadingTags; ++tag) {
        uint8_t head[10] = {};
        ReadBytes(stream, head, sizeof head);
        const int64_t bytes = ID3v2TagBytes(head);
        if (bytes == 0)
            break;
        at += bytes;
        if (stream.Seek(at, 0) < 0)
            return;
    }
    stream.Seek(at, 0);
}

bool EndsWithID3v1Tag(TZylFileStreamTAG& stream) {
    constexpr int64_t kID3v1Bytes = 128;
    if (stream.Size() < kID3v1Bytes || stream.Seek(kID3v1Bytes, 2) < 0)
        return false;
    uint8_t head[4] = {};
    ReadBytes(stream, head, 4);
    return std::memcmp(head, "TAG", 3) == 0;
}

// Reads the Xing or Info block of the frame at offset.
int ReadXingAt(TZylFileStreamTAG& stream, int64_t offset, TXingInfo* info) {
    uint8_t head[kProbeBufferSize] = {};
    if (stream.Seek(offset, 0) < 0)
        return 0;
    ReadBytes(stream, head, sizeof head);
    const bool mpeg1 = (head[1] & 0x08) != 0;
    const bool mono = head[3] >= 192;
    const uint8_t* at = head + (mpeg1 ? (mono ? 21 : 36) : (mono ? 13 : 21));
    const bool cbr = std::memcmp(at, "Info", 4) == 0;
    if (std::memcmp(at, "Xing", 4) != 0 && !cbr)
        return 0;
    at += 4;
    info->Mpeg1 = mpeg1 ? 1 : 0;
    info->ConstantBitrate = cbr ? 1 : 0;
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

int ReadStreamFrameHeader(TZylFileStreamTAG& stream, uint32_t like, uint32_t* header) {
    constexpr uint32_t kSameStream = 0xFFFF0C00;
    const int64_t searchStart = stream.Position();
    while (stream.Position() - searchStart < kMaxSyncSearch && ReadFrameHeader(stream, header)) {
        const int64_t afterHeader = stream.Position();
        uint32_t next = 0;
        stream.Seek(static_cast<int64_t>(FrameLength(*header)) - 4, 1);
        const bool chained =
            ReadHeaderBytes(stream, &next) && (next & kSameStream) == (like & kSameStream);
        if ((*header & kSameStream) == (like & kSameStream) && chained) {
            stream.Seek(afterHeader, 0);
            return 1;
        }
        stream.Seek(afterHeader - 3, 0);
    }
    return 0;
}

int ReadFrameInfo(TZylFileStreamTAG& stream, uint32_t* header, TMPEGFrameInfo* info) {
    return ReadFrameHeader(stream, header) && DecodeFrameHeader(*header, info);
}

uint32_t CountFrames(const char* path, TFrameCallback callback, void* context,
                     const std::atomic<bool>* cancel) {
    TZylFileStreamTAG stream;
    if (!stream.Open(path, kWalkBufferSize))
        return 0;
    uint32_t count = 0;
    uint32_t header;
    SkipID3v2Tags(stream);
    // The stream starts at a header that a frame follows, as LocateStream
    // finds it: junk behind a tag may hold a sync pattern of its own. Later
    // searches only resume after damage inside the stream.
    bool found = ReadFrameHeader(stream, &header) != 0;
    for (; found; found = FindSync(stream, &header) != 0) {
        if (callback != nullptr)
            callback(context, header, stream.Position() - 4);
        if (!WalkRun(stream, header, &count, callback, context, cancel))
            break;
    }
    stream.Close();
    return count;
}

int LocateStream(TZylFileStreamTAG& stream, TMPEGStreamSpan* span) {
    stream.Seek(0, 0);
    SkipID3v2Tags(stream);
    uint32_t header;
    if (!ReadFrameHeader(stream, &header))
        return 0;
    span->Start = stream.Position() - 4;
    span->End = EndsWithID3v1Tag(stream) ? stream.Size() - 128 : stream.Size();
    if (span->End <= span->Start)
        span->End = stream.Size();
    return 1;
}

int ReadXingHeader(const char* path, TXingInfo* info) {
    TZylFileStreamTAG stream;
    TMPEGStreamSpan span;
    return stream.Open(path, kProbeBufferSize) && LocateStream(stream, &span) &&
           ReadXingAt(stream, span.Start, info);
}

int ReadQuickInfo(const char* path, TMPEGQuickInfo* info) {
    TZylFileStreamTAG stream;
    TMPEGStreamSpan span;
    if (!stream.Open(path, kProbeBufferSize) || !LocateStream(stream, &span))
        return 0;
    TXingInfo xing;
    if (ReadXingAt(stream, span.Start, &xing) && (xing.Flags & kXingFrames))
        return QuickInfoFromXing(stream, span, xing, info);
    return QuickInfoFromConstantBitrate(stream, span, info);
}
