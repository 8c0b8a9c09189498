#include "engine/VxSong.h"

#include "decoding/SongTags.h"
#include "diag/Diag.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char kDeviceFailureText[] =
    "No sound output. Check that the sound server is running, or choose another output in "
    "the options, then open the file again. The reason:\n\n%s";

constexpr uint32_t kMinChunks = 3;
// The worker writes one chunk per 20 ms tick: a chunk of fewer than 50 ms of
// sound (a hi-res song's 32 KB) would let the play cursor overtake it.
constexpr double kMinChunkMs = 50;

std::string FileNameOf(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

std::string StemOf(const char* path) {
    std::string name = FileNameOf(path);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    return name;
}

// Copies text into the title, cut to the field's size without splitting a
// UTF-8 sequence.
void StoreTitle(char (&title)[kSongNameSize], const std::string& text) {
    size_t length = std::min(text.size(), sizeof title - 1);
    if (length < text.size())
        while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
            --length;
    std::memcpy(title, text.data(), length);
    title[length] = '\0';
}

} // namespace

TVxSongTAG::TVxSongTAG(TVxClock& clock) : Buffer(clock), Clock(clock) {
    Buffer.AttachStage(&EndStage);
    ResetInfoAndTime();
}

TVxSongTAG::~TVxSongTAG() {
    Close();
    Buffer.Close();
    Audio.reset();
}

void TVxSongTAG::ResetInfoAndTime() {
    Info = TVxSongInfo();
    Time = TVxSongTime();
}

void TVxSongTAG::SetDevice(const TZylDeviceId* id) {
    const TZylDeviceId* current = DeviceParams.DeviceId;
    const bool same = (id == nullptr && current == nullptr) ||
                      (id && current && std::memcmp(id->Bytes, current->Bytes, 16) == 0);
    if (!ReopenDevice && same)
        return;
    if (id) {
        DeviceIdCopy = *id;
        DeviceParams.DeviceId = &DeviceIdCopy;
    } else {
        DeviceParams.DeviceId = nullptr;
    }
    ReopenDevice = true;
}

int TVxDecoderMakers::Claiming(const char* path) const {
    for (unsigned i = 0; i < Count; ++i)
        if (Makers[i]()->Accepts(path))
            return static_cast<int>(i);
    return -1;
}

int TVxSongTAG::RegisterDecoder(TVxDecoderMaker make) {
    if (Decoders.Count >= MaxDecoders)
        return 0;
    Decoders.Makers[Decoders.Count++] = make;
    return 1;
}

double TVxSongTAG::BytesPerSecond() const {
    return Decoder ? static_cast<double>(Decoder->Format.nAvgBytesPerSec) : 0.0;
}

int TVxSongTAG::OpenDevice() {
    if (Audio && (Audio->IsLost() || Audio->IsStale()))
        ReopenDevice = true;
    if (!ReopenDevice)
        return 0;
    Audio.reset();
    auto audio = std::make_unique<TZylAudioTAG>();
    if (audio->Open(DeviceParams) != 0) {
        StoreTitle(Info.Title, "(Audio error) ");
        DiagMessageBox(kDiagIconStop, "Error", kDeviceFailureText, DiagLastMessage());
        DIAG_REPORT(kDiagReported, kDeviceFailureText, DiagLastMessage());
        return kDiagReported;
    }
    Audio = std::move(audio);
    ReopenDevice = false;
    return 0;
}

TVxPreparedSong TVxSongTAG::Prepare(const TVxDecoderMakers& makers, const char* path, uint32_t mode,
                                    const std::atomic<bool>* cancel) {
    TVxPreparedSong prepared;
    const int claiming = makers.Claiming(path);
    prepared.Claimed = claiming >= 0;
    if (makers.Count == 0)
        return prepared;
    prepared.Decoder = makers.Makers[std::max(0, claiming)]();
    prepared.Decoder->Prepare(path, mode, cancel);
    if (prepared.Decoder->Open(path, mode) != 0) {
        prepared.Decoder.reset();
        return prepared;
    }
    prepared.TagTitle = ReadSongTagTitle(path);
    return prepared;
}

int TVxSongTAG::TakeDecoder(const char* path, TVxPreparedSong& prepared) {
    Decoder = std::move(prepared.Decoder);
    if (Decoder)
        return 0;
    if (!prepared.Claimed) {
        StoreTitle(Info.Title, "(Unsupported) " + FileNameOf(path));
        DIAG_REPORT(kDiagReported, "%s", "VXSONG: File type not supported");
    } else {
        StoreTitle(Info.Title, "(ERROR) " + FileNameOf(path));
        DIAG_REPORT(kDiagReported, "%s", "VXSONG: Cannot open the file");
    }
    return kDiagReported;
}

void TVxSongTAG::FillInfo(const char* path, const std::string& tagTitle) {
    const double rate = BytesPerSecond();
    Info.LengthMs = Decoder->LengthMs;
    Info.LengthBytes = static_cast<uint32_t>(Info.LengthMs * rate * 0.001);
    Info.PageMs = Info.LengthMs >= 60000 ? 30000 : Info.LengthMs / 4;
    Info.BufferBytes = BufferBytes;
    Info.SampleRate = Decoder->Format.nSamplesPerSec;
    // The file's tags first, then the decoder's own title, then the name.
    const char* title = Decoder->GetTitle();
    std::string text = tagTitle;
    if (text.empty())
        text = title && *title ? std::string(title) : StemOf(path);
    std::replace(text.begin(), text.end(), '_', ' ');
    StoreTitle(Info.Title, text);
}

int TVxSongTAG::Open(const char* path, TVxPreparedSong prepared) {
    Close();
    StoreTitle(Info.Title, "-");
    if (int status = OpenDevice(); status != 0)
        return status;
    if (int status = TakeDecoder(path, prepared); status != 0)
        return status;

    const uint32_t frameBytes = Decoder->BytesPerFrame;
    const double rate = BytesPerSecond();
    if (frameBytes == 0 || rate <= 0) {
        Decoder.reset();
        StoreTitle(Info.Title, "(ERROR) " + FileNameOf(path));
        DIAG_REPORT(kDiagReported, "%s", "VXSONG: The file gives no playable sound");
        return kDiagReported;
    }
    const auto target = std::max(static_cast<uint32_t>(ChunkTarget),
                                 static_cast<uint32_t>(kMinChunkMs * rate / 1000));
    ChunkBytes = (target + frameBytes - 1) / frameBytes * frameBytes;
    const uint32_t bufferTarget = static_cast<uint32_t>(BufferMs * rate * 0.001);
    // At least three chunks: a chunk is written only while more than one is
    // free, so a low-rate song whose three seconds fit in one chunk would
    // otherwise repeat its first chunk for ever and never reach its end.
    const uint32_t chunks =
        std::max<uint32_t>(kMinChunks, (bufferTarget + ChunkBytes - 1) / ChunkBytes);
    BufferBytes = chunks * ChunkBytes;
    FramesPerChunk = ChunkBytes / frameBytes;

    TVxBufferConfig config;
    config.ChunkBytes = ChunkBytes;
    config.FramesPerChunk = FramesPerChunk;
    config.BytesPerFrame = frameBytes;
    config.Decoder = Decoder;
    if (Buffer.Open(Audio.get(), &Decoder->Format, config, BufferBytes) != 0) {
        Decoder.reset();
        StoreTitle(Info.Title, "(Audio error) " + FileNameOf(path));
        DIAG_REPORT(kDiagSilent, "%s", "");
        return kDiagSilent;
    }
    if (KeyLock && !Buffer.SetKeyLock(true, !KeyLockByHand))
        DIAG_REPORT(kDiagSilent, "%s", "VXSONG: key lock not available for this song");
    Buffer.RequestRestart(0, false);
    FillInfo(path, prepared.TagTitle);
    Time = TVxSongTime();
    Time.SliderChanged = 1;
    OpenCueMs = 0;
    SearchMode = SearchNone;
    Loaded = true;
    return 0;
}

void TVxSongTAG::Close() {
    if (!Loaded)
        return;
    Buffer.Close();
    // The last share closes the decoder: here, or on the worker once a read
    // still out returns.
    Decoder.reset();
    ResetInfoAndTime();
    SearchMode = SearchNone;
    Loaded = false;
}

void TVxSongTAG::MarkAborted(const char* path) {
    StoreTitle(Info.Title, "(Aborted) " + FileNameOf(path));
}

int TVxSongTAG::FileInfo(const char* path, char* name, uint32_t* lengthMs) const {
    // Copied first: even Accepts may read the file.
    const TVxDecoderMakers makers = Decoders;
    const int claiming = makers.Claiming(path);
    if (claiming >= 0) {
        if (makers.Makers[claiming]()->GetInfo(path, name, lengthMs) != 0)
            *lengthMs = 0;
        CopySongTagTitle(path, name);
        return 1;
    }
    if (makers.Count == 0 || makers.Makers[0]()->GetInfo(path, name, lengthMs) != 0)
        return 0;
    CopySongTagTitle(path, name);
    return 1;
}

void TVxSongTAG::Play() {
    if (Loaded)
        Buffer.Play();
}

void TVxSongTAG::Stop() {
    if (!Loaded)
        return;
    Buffer.Stop();
    Buffer.EndLoop();
}

void TVxSongTAG::Seek(uint32_t ms, bool moveSlider) {
    if (!Loaded)
        return;
    ms = std::min(ms, Info.LengthMs);
    Buffer.RequestRestart(ms, Buffer.WillPlay());
    Time.PositionMs = ms;
    Time.PositionBytes = static_cast<uint32_t>(ms * BytesPerSecond() * 0.001);
    if (moveSlider)
        SetCuePoint();
}

void TVxSongTAG::SetPosition(uint32_t ms) {
    if (Loaded)
        Seek(ms, SeekMovesSlider);
}

void TVxSongTAG::StartSearchLoop() {
    if (Loaded)
        Buffer.StartLoop(Time.PositionMs / 20 * 20);
}

void TVxSongTAG::EndSearchLoop() {
    if (Loaded)
        Buffer.EndLoop();
}

void TVxSongTAG::SetCuePoint() {
    if (Loaded && Time.PositionMs != Time.SliderMs) {
        Time.SliderMs = Time.PositionMs;
        Time.SliderChanged = 1;
    }
}

void TVxSongTAG::SeekToCuePoint() {
    if (Loaded)
        Seek(Time.SliderMs, false);
}

void TVxSongTAG::StartFixedSearch(int stepMs, bool fresh) {
    SearchMode = SearchFixed;
    SearchStep = stepMs;
    SearchElapsedMs = fresh ? 0 : static_cast<uint32_t>(SearchBaseInterval + 1);
    SearchStamp = Clock.NowMs();
}

void TVxSongTAG::StartAcceleratingSearch(bool forward, bool fresh) {
    SearchMode = forward ? SearchForward : SearchBackward;
    SearchStep = SearchFirstStep;
    SearchCount = 0;
    SearchElapsedMs = fresh ? 0 : static_cast<uint32_t>(SearchBaseInterval + 1);
    SearchInterval = static_cast<uint32_t>(SearchBaseInterval);
    SearchStamp = Clock.NowMs();
}

bool TVxSongTAG::SetKeyLock(bool on) {
    KeyLock = on;
    return !Loaded || Buffer.SetKeyLock(on, !KeyLockByHand);
}

void TVxSongTAG::SetFrequency(uint32_t hz) {
    if (Loaded)
        Buffer.SetFrequency(hz);
}

void TVxSongTAG::SetVolume(uint32_t volume) {
    if (Loaded)
        Buffer.SetVolume(volume);
}

void TVxSongTAG::SetPan(int32_t pan) {
    if (Loaded)
        Buffer.SetPan(pan);
}

void TVxSongTAG::OfferStart(const TVxSongStart& start, bool paused) {
    if (!Loaded || Buffer.Played)
        return;
    Buffer.SetLevel(start.LevelDb);
    const uint32_t cue = std::min(start.CueMs, Info.LengthMs);
    const bool parked = paused && Time.PositionMs == OpenCueMs && Time.SliderMs == OpenCueMs;
    if (parked && cue != OpenCueMs) {
        Seek(cue, true);
        OpenCueMs = cue;
    }
}

void TVxSongTAG::MuteOn() {
    if (Loaded)
        Buffer.MuteOn();
}

void TVxSongTAG::MuteOff() {
    if (Loaded)
        Buffer.MuteOff();
}

void TVxSongTAG::TimeOut(TVxSongTime& out) {
    if (Loaded) {
        Time.ShownElapsedMs = static_cast<int32_t>(Time.PositionMs * TimeFactor);
        Time.ShownLengthMs = static_cast<int32_t>(Info.LengthMs * TimeFactor);
        int t = Time.ShownElapsedMs;
        char sign = 'a';
        if (TimeMode == 1) {
            t = std::max(0, Time.ShownLengthMs - Time.ShownElapsedMs);
            sign = '-';
        }
        std::snprintf(Time.TimeText, sizeof Time.TimeText, "%c%02i:%02i", sign, t / 60000,
                      (t / 1000) % 60);
        std::snprintf(Time.HundredthsText, sizeof Time.HundredthsText, "%02i", (t / 10) % 100);
        Time.BufferFreeBytes = Buffer.FreeBytes;
    } else {
        std::snprintf(Time.TimeText, sizeof Time.TimeText, "abb:bb");
        std::snprintf(Time.HundredthsText, sizeof Time.HundredthsText, "bb");
        Time.ShownElapsedMs = Time.ShownLengthMs = 0;
    }
    out = Time;
    Time.SliderChanged = 0;
}

void TVxSongTAG::SearchTick() {
    if (SearchMode == SearchNone)
        return;
    SearchElapsedMs += VxTakeElapsedMs(Clock, SearchStamp);
    const uint32_t interval =
        SearchMode == SearchFixed ? static_cast<uint32_t>(FixedSearchInterval) : SearchInterval;
    if (SearchElapsedMs <= interval)
        return;
    const int64_t position = Time.PositionMs;
    const int64_t step = SearchMode == SearchBackward ? -SearchStep : SearchStep;
    const uint32_t target = static_cast<uint32_t>(std::max<int64_t>(0, position + step));
    if (target / 10 != Time.PositionMs / 10)
        Seek(target, SearchMovesSlider);
    if (SearchMode != SearchFixed && ++SearchCount >= SearchStepsPerStage) {
        SearchInterval = std::max<uint32_t>(SearchInterval / SearchIntervalDivisor,
                                            static_cast<uint32_t>(SearchMinInterval));
        SearchStep = std::min(SearchStep * SearchStepFactor, SearchMaxStep);
        SearchCount = 0;
    }
    SearchElapsedMs -= interval;
}

std::shared_ptr<TVxChunkRead> TVxSongTAG::BeginTick() {
    return Loaded ? Buffer.BeginService() : nullptr;
}

std::shared_ptr<TVxChunkRead> TVxSongTAG::ContinueTick(const TVxChunkRead& read) {
    return Loaded ? Buffer.FinishService(read) : nullptr;
}

void TVxSongTAG::EndTick() {
    if (!Loaded)
        return;
    if (KeyLockByHand)
        Buffer.ServiceKeyLock();
    // The position is derived again only when audio was played, so that a
    // position just sought to keeps its exact millisecond value.
    const int played = Buffer.TakePlayedBytes();
    if (played > 0) {
        Time.PositionBytes = static_cast<uint32_t>(
            std::min<uint64_t>(uint64_t(Time.PositionBytes) + played, Info.LengthBytes));
        Time.PositionMs = static_cast<uint32_t>(Time.PositionBytes / BytesPerSecond() * 1000);
    }
    SearchTick();
}
