#include "decoding/AVAudioSource.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
}

#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

// Samples decoded before a seek target so that codecs whose frames overlap
// (AAC, Vorbis, Opus) have rebuilt their state when the target comes.
// 8192 covers Vorbis's longest block. Opus states 80 ms, after which its
// output is close; only about six times that makes it equal, sample for
// sample, to the straight decode.
constexpr int64_t kLossyPrerollSamples = 8192;
constexpr int64_t kPrerollFactor = 6;
// Damaged timestamps can claim any distance; a hole larger than this is
// taken for a jump in the timeline, not for lost audio to be filled.
constexpr int64_t kMaxGapSamples = 10 * 48000;
// Read errors in a row after which the rest of the file counts as lost.
constexpr int kMaxReadErrors = 64;
// What the length count decodes at most before the container's duration.
constexpr int64_t kCountMarginSeconds = 3;

void QuietLibraries() {
    static std::once_flag once;
    // FFmpeg logs every damaged packet to stderr; the decoder reports what
    // matters through diagnostics instead.
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

template <typename T> T Load(const uint8_t* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

float ToFloat(const uint8_t* p, AVSampleFormat packed) {
    switch (packed) {
    case AV_SAMPLE_FMT_U8:
        return (static_cast<int>(*p) - 128) / 128.0f;
    case AV_SAMPLE_FMT_S16:
        return Load<int16_t>(p) / 32768.0f;
    case AV_SAMPLE_FMT_S32:
        return static_cast<float>(Load<int32_t>(p) / 2147483648.0);
    case AV_SAMPLE_FMT_FLT:
        return Load<float>(p);
    case AV_SAMPLE_FMT_DBL:
        return static_cast<float>(Load<double>(p));
    case AV_SAMPLE_FMT_S64:
        return static_cast<float>(static_cast<double>(Load<int64_t>(p)) / 9223372036854775808.0);
    default:
        return 0;
    }
}

// Where sample i of channel c lies in a planar or interleaved frame.
struct TFrameSamples {
    const AVFrame& Frame;
    bool Planar;
    int Width;
    int Channels;
    const uint8_t* At(int i, int c) const {
        return Planar ? Frame.extended_data[c] + size_t(i) * Width
                      : Frame.extended_data[0] + (size_t(i) * Channels + c) * Width;
    }
};

} // namespace

namespace {

// The first audio stream FFmpeg can decode. Chosen from the container's
// headers alone: asking FFmpeg for its best stream would first make it
// decode frames of every stream to complete their parameters.
int FindAudioStream(const AVFormatContext& container, TAVOpenResult& result) {
    result = TAVOpenResult::NoAudio;
    for (unsigned i = 0; i < container.nb_streams; ++i) {
        const AVStream& stream = *container.streams[i];
        if (stream.codecpar->codec_type != AVMEDIA_TYPE_AUDIO ||
            (stream.disposition & AV_DISPOSITION_ATTACHED_PIC))
            continue;
        if (avcodec_find_decoder(stream.codecpar->codec_id) != nullptr) {
            result = TAVOpenResult::Ok;
            return static_cast<int>(i);
        }
        result = TAVOpenResult::NoDecoder;
    }
    return -1;
}

// Opens the container; an empty file counts as unreadable, although
// FFmpeg accepts one by its extension.
bool OpenContainer(const char* path, AVFormatContext*& container) {
    if (avformat_open_input(&container, path, nullptr, nullptr) < 0)
        return false;
    if (container->pb != nullptr && avio_size(container->pb) > 0)
        return true;
    avformat_close_input(&container);
    return false;
}

// The length the headers state, in milliseconds; 0 when they state none.
int64_t StatedLengthMs(const AVFormatContext& container, int index) {
    const AVStream* stream = container.streams[index];
    if (stream->duration > 0)
        return av_rescale_q(stream->duration, stream->time_base, AVRational{1, 1000});
    if (container.duration > 0)
        return container.duration / (AV_TIME_BASE / 1000);
    return 0;
}

// The stated length where the file can hold it, else 0 (unknown). A file
// holds no more time than its bytes at the lowest rate any codec here
// spends on silence; and the packets from a moment before the stated end
// on must reach that end: where they stop early the file was cut, and they
// tell where it ends. Reads a few packets and decodes nothing.
int64_t CheckedLength(AVFormatContext& container, int index, int64_t statedMs) {
    constexpr int64_t kLowestBytesPerSecond = 8;
    constexpr int64_t kCheckedMs = 300;
    constexpr int64_t kToleranceMs = 200;
    const int64_t bytes = container.pb != nullptr ? avio_size(container.pb) : 0;
    if (statedMs <= 0 || bytes <= 0 || statedMs / 1000 > bytes / kLowestBytesPerSecond)
        return 0;
    const AVStream* stream = container.streams[index];
    const AVRational ms{1, 1000};
    const int64_t target =
        av_rescale_q(std::max<int64_t>(statedMs - kCheckedMs, 0), ms, stream->time_base);
    if (avformat_seek_file(&container, index, INT64_MIN, target, target, 0) < 0)
        return 0;
    AVPacket* packet = av_packet_alloc();
    int64_t endMs = -1;
    while (packet != nullptr && av_read_frame(&container, packet) >= 0) {
        if (packet->stream_index == index && packet->pts != AV_NOPTS_VALUE)
            endMs =
                std::max(endMs, av_rescale_q(packet->pts + std::max<int64_t>(packet->duration, 0),
                                             stream->time_base, ms));
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    if (endMs < 0)
        return 0;
    return endMs + kToleranceMs < statedMs ? endMs : statedMs;
}

} // namespace

bool AVProbeLength(const char* path, uint32_t& lengthMs, TAVOpenResult& result) {
    QuietLibraries();
    AVFormatContext* container = nullptr;
    if (!OpenContainer(path, container)) {
        result = TAVOpenResult::CannotOpen;
        return false;
    }
    const int index = FindAudioStream(*container, result);
    if (index >= 0) {
        const int64_t ms = CheckedLength(*container, index, StatedLengthMs(*container, index));
        lengthMs = static_cast<uint32_t>(std::clamp<int64_t>(ms, 0, UINT32_MAX));
    }
    avformat_close_input(&container);
    return index >= 0;
}

TAVAudioSource::TAVAudioSource() {
    QuietLibraries();
}

TAVAudioSource::~TAVAudioSource() {
    Close();
}

void TAVAudioSource::Close() {
    av_frame_free(&Frame);
    av_packet_free(&Packet);
    avcodec_free_context(&Codec);
    avformat_close_input(&Container);
    StreamIndex = -1;
    FrameFormat = -1;
    FrameChannels = 0;
    FrameSamples = 0;
    Scratch.clear();
    Scratch.shrink_to_fit();
}

TAVOpenResult TAVAudioSource::Open(const char* path) {
    Close();
    if (!OpenContainer(path, Container))
        return TAVOpenResult::CannotOpen;
    TAVOpenResult found = TAVOpenResult::Ok;
    StreamIndex = FindAudioStream(*Container, found);
    if (StreamIndex < 0) {
        Close();
        return found;
    }
    // Cover pictures and other streams are never read.
    for (unsigned i = 0; i < Container->nb_streams; ++i)
        if (static_cast<int>(i) != StreamIndex)
            Container->streams[i]->discard = AVDISCARD_ALL;
    Packet = av_packet_alloc();
    Frame = av_frame_alloc();
    if (!OpenCodec() || Packet == nullptr || Frame == nullptr) {
        Close();
        return TAVOpenResult::CannotDecode;
    }
    StartPts = 0;
    FirstPacketTs = AV_NOPTS_VALUE;
    DecodedEnd = 0;
    Placed = false;
    Draining = Ended = false;
    if (!DecodeNext() || !ChooseOutput()) {
        Close();
        return TAVOpenResult::CannotDecode;
    }
    // The first sample delivered is sample 0.
    StartPts = FramePosition;
    FramePosition = 0;
    PlacedEnd = LastSamples;
    LastStamp = 0;
    StatedEnd = StatedLength();
    DecodedEnd = FrameSamples;
    NextSample = 0;
    return TAVOpenResult::Ok;
}

// MP4 states the presentation length exactly (its edit list), and that is
// where the encoder's padding begins; FFmpeg trims the priming but decodes
// the padding. Other containers' durations are estimates and never cut.
int64_t TAVAudioSource::StatedLength() const {
    const AVStream* stream = Container->streams[StreamIndex];
    if (std::strstr(Container->iformat->name, "mp4") == nullptr || stream->duration <= 0)
        return INT64_MAX;
    return av_rescale_q(stream->duration, stream->time_base,
                        AVRational{1, int(Output.nSamplesPerSec)});
}

bool TAVAudioSource::OpenCodec() {
    const AVStream* stream = Container->streams[StreamIndex];
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    if (decoder == nullptr)
        return false;
    Codec = avcodec_alloc_context3(decoder);
    if (Codec == nullptr || avcodec_parameters_to_context(Codec, stream->codecpar) < 0) {
        avcodec_free_context(&Codec);
        return false;
    }
    Codec->pkt_timebase = stream->time_base;
    // One thread: frames come out in packet order, each with its packet's
    // timestamp, which the sample positions rely on.
    Codec->thread_count = 1;
    if (avcodec_open2(Codec, decoder, nullptr) >= 0)
        return true;
    avcodec_free_context(&Codec);
    return false;
}

bool TAVAudioSource::ChooseOutput() {
    const auto packed = av_get_packed_sample_fmt(static_cast<AVSampleFormat>(FrameFormat));
    const auto rate = static_cast<uint32_t>(Frame->sample_rate);
    if (rate == 0)
        return false;
    Folds = FrameChannels > 2;
    if (Folds) {
        int speakers[kMaxFoldChannels];
        for (int c = 0; c < FrameChannels && c < kMaxFoldChannels; ++c)
            speakers[c] = av_channel_layout_channel_from_index(&Frame->ch_layout, c);
        if (!Fold.Init(speakers, FrameChannels))
            return false;
        Output = MakeFloatFormat(2, rate);
        return true;
    }
    const auto channels = static_cast<uint16_t>(FrameChannels);
    switch (packed) {
    case AV_SAMPLE_FMT_U8:
        Output = MakePcmFormat(channels, rate, 8);
        return true;
    case AV_SAMPLE_FMT_S16:
        Output = MakePcmFormat(channels, rate, 16);
        return true;
    case AV_SAMPLE_FMT_S32: {
        // 24-bit codecs decode into the top of 32-bit words.
        const int bits = Codec->bits_per_raw_sample;
        Output = MakePcmFormat(channels, rate, bits > 0 && bits <= 24 ? 24 : 32);
        return true;
    }
    case AV_SAMPLE_FMT_FLT:
    case AV_SAMPLE_FMT_DBL:
    case AV_SAMPLE_FMT_S64:
        Output = MakeFloatFormat(channels, rate);
        return true;
    default:
        return false;
    }
}

bool TAVAudioSource::FeedPacket() {
    if (Draining)
        return false;
    for (int errors = 0;;) {
        const int result = av_read_frame(Container, Packet);
        if (result < 0) {
            if (result != AVERROR_EOF && !avio_feof(Container->pb) && ++errors < kMaxReadErrors)
                continue;
            avcodec_send_packet(Codec, nullptr);
            Draining = true;
            return true;
        }
        const bool ours = Packet->stream_index == StreamIndex;
        if (ours && FirstPacketTs == AV_NOPTS_VALUE)
            FirstPacketTs = Packet->pts;
        // A packet the codec refuses is lost; its gap plays as silence.
        if (ours)
            avcodec_send_packet(Codec, Packet);
        av_packet_unref(Packet);
        if (ours)
            return true;
    }
}

bool TAVAudioSource::DecodeNext() {
    FrameSamples = 0;
    FrameOffset = 0;
    if (Ended || Codec == nullptr)
        return false;
    for (;;) {
        const int result = avcodec_receive_frame(Codec, Frame);
        if (result == 0) {
            if (FrameFormat < 0) {
                FrameFormat = Frame->format;
                FrameChannels = Frame->ch_layout.nb_channels;
            }
            // A frame of another layout (a stream that changes midway)
            // cannot be delivered in the layout the device was opened with.
            if (Frame->format != FrameFormat || Frame->ch_layout.nb_channels != FrameChannels ||
                Frame->nb_samples <= 0)
                continue;
            FramePosition = PlaceFrame(PositionOf(*Frame), Frame->nb_samples);
            FrameSamples = Frame->nb_samples;
            DecodedEnd = std::max(DecodedEnd, FramePosition + FrameSamples);
            return true;
        }
        if (result == AVERROR_EOF || (result != AVERROR(EAGAIN) && Draining) || !FeedPacket()) {
            Ended = true;
            return false;
        }
    }
}

int64_t TAVAudioSource::PlaceFrame(int64_t stamped, int samples) {
    const bool first = !Placed;
    const bool agreeing = Placed && stamped == LastStamp + LastSamples;
    const int64_t follower = PlacedEnd;
    Placed = true;
    LastStamp = stamped;
    LastSamples = samples;
    int64_t position = follower;
    // Before the output starts (the pre-roll of a seek) a placement from a
    // late stamp is corrected by the first two stamps that agree; after it
    // only a departure of a whole frame or more is believed.
    const bool settling = follower + samples <= NextSample;
    if (first || std::abs(stamped - follower) >= samples || (agreeing && settling))
        position = stamped;
    PlacedEnd = position + samples;
    return position;
}

int64_t TAVAudioSource::PositionOf(const AVFrame& frame) const {
    int64_t ts = frame.pts != AV_NOPTS_VALUE ? frame.pts : frame.best_effort_timestamp;
    if (ts == AV_NOPTS_VALUE)
        return Placed ? PlacedEnd : DecodedEnd;
    const AVRational samples{1, frame.sample_rate};
    return av_rescale_q(ts, Container->streams[StreamIndex]->time_base, samples) - StartPts;
}

bool TAVAudioSource::RewindTo(int64_t ts) {
    if (avformat_seek_file(Container, StreamIndex, INT64_MIN, ts, ts, 0) < 0)
        return false;
    // A fresh codec rather than a flushed one: flushing keeps state such as
    // AAC's noise generator, and then a seek to the start would not repeat
    // the straight decode, nor would two seeks to one place agree.
    avcodec_free_context(&Codec);
    if (!OpenCodec())
        return false;
    Draining = Ended = false;
    FrameSamples = 0;
    Placed = false;
    return true;
}

bool TAVAudioSource::StartAt(int64_t sample, int64_t preroll) {
    const AVStream* stream = Container->streams[StreamIndex];
    const int64_t from = std::max<int64_t>(sample - preroll, 0);
    // From the start means from the first packet, before any priming: a
    // seek to the timestamp of sample 0 would land behind the priming packet
    // and let the container trim the priming a second time.
    const int64_t ts =
        from == 0 && FirstPacketTs != AV_NOPTS_VALUE
            ? FirstPacketTs
            : av_rescale_q(from + StartPts, AVRational{1, int(Output.nSamplesPerSec)},
                           stream->time_base);
    if (!RewindTo(ts))
        return false;
    NextSample = sample;
    DecodeNext();
    return true;
}

bool TAVAudioSource::SeekToSample(int64_t sample) {
    if (!IsOpen())
        return false;
    const auto* descriptor = avcodec_descriptor_get(Codec->codec_id);
    const bool lossless = descriptor != nullptr && (descriptor->props & AV_CODEC_PROP_LOSSLESS);
    const int64_t preroll =
        lossless ? 0
                 : std::max<int64_t>(kLossyPrerollSamples, Codec->seek_preroll * kPrerollFactor);
    if (StartAt(sample, preroll) && (FrameSamples == 0 || FramePosition <= sample))
        return true;
    // The container's index landed behind the target (or nowhere): only a
    // decode from the very start reaches it for certain.
    return StartAt(sample, sample);
}

bool TAVAudioSource::DecodeToEnd(const std::atomic<bool>* cancel) {
    while (!Ended && DecodeNext())
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed))
            return false;
    return true;
}

int64_t TAVAudioSource::CountSamples(const std::atomic<bool>* cancel) {
    if (!IsOpen())
        return 0;
    const AVStream* stream = Container->streams[StreamIndex];
    int64_t from = 0;
    if (stream->duration > 0) {
        const int64_t duration = av_rescale_q(stream->duration, stream->time_base,
                                              AVRational{1, int(Output.nSamplesPerSec)});
        from = std::max<int64_t>(duration - kCountMarginSeconds * Output.nSamplesPerSec, 0);
    }
    DecodedEnd = 0;
    if (!SeekToSample(from))
        return 0;
    if (!DecodeToEnd(cancel))
        return -1;
    // Nothing decoded behind the guess: the duration overstated the file.
    if (DecodedEnd <= from && from > 0) {
        SeekToSample(0);
        if (!DecodeToEnd(cancel))
            return -1;
    }
    // Reads end where the count ended, whatever damaged timestamps may
    // claim later.
    StatedEnd = std::min(DecodedEnd, StatedEnd);
    return StatedEnd;
}

uint32_t TAVAudioSource::Read(uint8_t* out, uint32_t frames) {
    if (!IsOpen())
        return 0;
    const uint32_t align = Output.nBlockAlign;
    const int silence = Output.wBitsPerSample == 8 ? 128 : 0;
    uint32_t done = 0;
    frames = static_cast<uint32_t>(std::clamp<int64_t>(StatedEnd - NextSample, 0, frames));
    while (done < frames) {
        if (FrameOffset >= FrameSamples && !DecodeNext())
            break;
        const int64_t at = FramePosition + FrameOffset;
        const uint32_t room = frames - done;
        if (at < NextSample) {
            FrameOffset +=
                static_cast<int>(std::min<int64_t>(NextSample - at, FrameSamples - FrameOffset));
        } else if (at > NextSample && at - NextSample > kMaxGapSamples) {
            NextSample = at;
        } else if (at > NextSample) {
            const auto count = static_cast<uint32_t>(std::min<int64_t>(at - NextSample, room));
            std::memset(out + size_t(done) * align, silence, size_t(count) * align);
            done += count;
            NextSample += count;
        } else {
            done += TakeFromFrame(out + size_t(done) * align, room);
        }
    }
    return done;
}

uint32_t TAVAudioSource::TakeFromFrame(uint8_t* out, uint32_t frames) {
    const auto count = static_cast<uint32_t>(std::min<int64_t>(FrameSamples - FrameOffset, frames));
    Convert(out, FrameOffset, count);
    FrameOffset += static_cast<int>(count);
    NextSample += count;
    return count;
}

void TAVAudioSource::Convert(uint8_t* out, int first, uint32_t count) {
    const auto format = static_cast<AVSampleFormat>(FrameFormat);
    const auto packed = av_get_packed_sample_fmt(format);
    const TFrameSamples in{*Frame, av_sample_fmt_is_planar(format) != 0,
                           av_get_bytes_per_sample(format), FrameChannels};
    const int outWidth = Output.wBitsPerSample / 8;
    const bool sameWidth = !Folds && outWidth == in.Width &&
                           (packed != AV_SAMPLE_FMT_S64 && packed != AV_SAMPLE_FMT_DBL);
    if (sameWidth && !in.Planar) {
        std::memcpy(out, in.At(first, 0), size_t(count) * Output.nBlockAlign);
        return;
    }
    if (sameWidth || (outWidth == 3 && !Folds)) {
        // Planar to interleaved; 24-bit output keeps the top three bytes of
        // each 32-bit word, where the codec put the sample.
        const int skip = in.Width - outWidth;
        for (uint32_t i = 0; i < count; ++i)
            for (int c = 0; c < FrameChannels; ++c, out += outWidth)
                std::memcpy(out, in.At(first + int(i), c) + skip, size_t(outWidth));
        return;
    }
    const size_t samples = size_t(count) * FrameChannels;
    Scratch.resize(samples + (Folds ? size_t(count) * 2 : 0));
    for (uint32_t i = 0; i < count; ++i)
        for (int c = 0; c < FrameChannels; ++c)
            Scratch[i * FrameChannels + c] = ToFloat(in.At(first + int(i), c), packed);
    const float* result = Scratch.data();
    if (Folds) {
        Fold.Apply(Scratch.data(), count, Scratch.data() + samples);
        result = Scratch.data() + samples;
    }
    std::memcpy(out, result, size_t(count) * Output.nBlockAlign);
}
