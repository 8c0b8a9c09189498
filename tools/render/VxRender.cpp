// vx-render: drives the player system on the hand-stepped Null device and
// writes to a WAV file what the deck plays, faster than real time. It prints
// the transport states and time records it passes through, and at the end
// how fast it rendered and how long each worker tick held the system lock.
#include "tools/render/RenderJob.h"

#include "analysis/VxLevelGain.h"
#include "analysis/VxSongAnalysis.h"
#include "decoding/SampleFold.h"
#include "decoding/VxDecoderSet.h"
#include "diag/Diag.h"
#include "engine/VxClock.h"
#include "engine/VxSystem.h"
#include "engine/device/ZylKeyLock.h"
#include "engine/device/ZylNull.h"
#include "engine/device/ZylSampleFormat.h"
#include "engine/device/ZylVoice.h"
#include "engine/device/ZylWavWriter.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using TSteady = std::chrono::steady_clock;

const char* StateName(uint8_t state) {
    static const char* const kNames[] = {"NoSong", "Paused",     "Playing",
                                         "Cued",   "CuePlaying", "Searching"};
    return state < 6 ? kNames[state] : "?";
}

int AnswerBox(unsigned /*style*/, const char* caption, const char* text) {
    std::fprintf(stderr, "[%s] %s\n", caption, text);
    return kDiagIdOk;
}

TVxAnalysisResult AnalyseInput(const std::string& path, unsigned parts) {
    TVxDecoderSet decoders;
    const std::atomic<bool> never{false};
    return VxAnalyzeSong(decoders, path.c_str(), {}, never, parts);
}

// The level and cue the deck's options would give the song.
TVxSongStart StartOf(const TRenderJob& job) {
    TVxSongStart start;
    if (!job.Level && !job.AutoCue)
        return start;
    const TVxLoudness loudness = AnalyseInput(job.Input, kVxLoudnessPart).Loudness;
    if (!loudness.Known) {
        std::printf("loudness none: level 0.0 dB, cue 0 ms\n");
        return start;
    }
    if (job.Level)
        start.LevelDb = VxLevelGainDb(loudness, job.TargetLufs);
    if (job.AutoCue)
        start.CueMs = static_cast<uint32_t>(std::lround(loudness.MusicStartMs));
    std::printf("loudness %.2f LUFS, true peak %.2f dBTP: level %+.2f dB, cue %u ms\n",
                loudness.Lufs, loudness.TruePeakDbtp, start.LevelDb, start.CueMs);
    return start;
}

const TZylKeyLock* KeyLockOf(TVxSystemTAG& system) {
    TZylVoice* voice = system.Song.Buffer.Interface;
    return voice != nullptr ? voice->KeyLock() : nullptr;
}

class TRenderer {
public:
    explicit TRenderer(const TRenderJob& job) : Job(job) {
        TVxSystemSetup setup;
        setup.ManualWorker = true;
        setup.Clock = &Clock;
        System = std::make_unique<TVxSystemTAG>(nullptr, setup);
    }

    int Run();

private:
    bool Open();
    void ChooseFormats();
    void WriteFrames(uint32_t frames);
    void Apply(const TRenderAction& action);
    void Period();
    void Report();
    bool Finished();
    void PrintSummary(double wallSeconds) const;

    const TRenderJob& Job;
    TVxManualClock Clock;
    std::unique_ptr<TVxSystemTAG> System;
    TZylWavWriter Writer;
    TWaveFormatEx DeviceFormat;
    TWaveFormatEx FileFormat;
    std::vector<uint8_t> Block;
    std::vector<uint8_t> FileBlock;
    std::vector<float> FloatBlock;
    uint32_t StepFrames = 0;
    std::vector<double> TickMs;
    std::vector<double> DecodingTickMs; // ticks that wrote a chunk
    uint32_t DeckMs = 0;
    uint32_t NextReportMs = 0;
    uint32_t EndMs = 0;
    size_t NextAction = 0;
    uint8_t ShownState = 0xFF;
    bool Ended = false;
};

bool TRenderer::Open() {
    TVxSystemOptions options;
    System->GetOptions(options);
    options.PitchRange = static_cast<uint8_t>(Job.PitchRange);
    options.OpenMode = Job.ExactLength ? 2 : 0;
    System->SetOptions(options);
    System->SetVolume(Job.Volume);
    System->SetBalance(Job.Balance, Job.Downmix);
    System->SetKeyLock(Job.KeyLock);
    ChooseFormats();
    if (System->OpenSong(Job.Input.c_str(), false, StartOf(Job)) != 0) {
        TVxSongInfo info;
        System->GetSongInfo(info);
        std::fprintf(stderr, "vx-render: cannot open %s: %s\n%s\n", Job.Input.c_str(), info.Title,
                     DiagLastMessage());
        return false;
    }
    TVxSongInfo info;
    System->GetSongInfo(info);
    std::printf("song \"%s\": %u ms, %u Hz, buffer %u bytes\n", info.Title, info.LengthMs,
                info.SampleRate, info.BufferBytes);
    System->SetPitch(Job.Pitch);
    if (Job.SeekMs)
        System->SetPosition(Job.SeekMs);
    if (Job.AutoPlay)
        System->PlayPause();
    System->Tick(); // the first restart, so that output starts with the song
    const TWaveFormatEx format = ZylNullFormat();
    StepFrames = format.nSamplesPerSec * TVxSystemTAG::TickMs / 1000;
    Block.resize(size_t(StepFrames) * format.nBlockAlign);
    FileFormat.nSamplesPerSec = format.nSamplesPerSec;
    FileFormat.nAvgBytesPerSec = format.nSamplesPerSec * FileFormat.nBlockAlign;
    if (!Job.Output.empty() && !Writer.Open(Job.Output, FileFormat)) {
        std::fprintf(stderr, "vx-render: cannot write %s\n", Job.Output.c_str());
        return false;
    }
    return true;
}

void TRenderer::Apply(const TRenderAction& action) {
    TVxSystemTAG& s = *System;
    switch (action.Kind) {
    case TRenderActionKind::Play:
        if (s.State != kVxPlaying)
            s.PlayPause();
        break;
    case TRenderActionKind::Pause:
        if (s.State == kVxPlaying)
            s.PlayPause();
        break;
    case TRenderActionKind::PlayPause:
        s.PlayPause();
        break;
    case TRenderActionKind::Cue:
        s.CuePress();
        break;
    case TRenderActionKind::CueRelease:
        s.CueRelease();
        break;
    case TRenderActionKind::SearchForward:
        s.SearchForwardPress(action.Value);
        break;
    case TRenderActionKind::SearchBackward:
        s.SearchBackwardPress(action.Value);
        break;
    case TRenderActionKind::SearchRelease:
        s.SearchForwardRelease();
        break;
    case TRenderActionKind::Seek:
        s.SetPosition(static_cast<uint32_t>(std::max(0, action.Value)));
        break;
    case TRenderActionKind::Pitch:
        s.SetPitch(action.Value);
        break;
    case TRenderActionKind::PitchUp:
        s.PitchUpPress(action.Value);
        break;
    case TRenderActionKind::PitchDown:
        s.PitchDownPress(action.Value);
        break;
    case TRenderActionKind::PitchRelease:
        s.PitchUpRelease();
        break;
    case TRenderActionKind::TouchBend:
        s.SetTouchBend(action.Value);
        break;
    case TRenderActionKind::Volume:
        s.SetVolume(action.Value);
        break;
    case TRenderActionKind::Balance:
        s.SetBalance(action.Value, Job.Downmix);
        break;
    case TRenderActionKind::Mute:
        s.MuteOn();
        break;
    case TRenderActionKind::Unmute:
        s.MuteOff();
        break;
    case TRenderActionKind::KeyLockOn:
    case TRenderActionKind::KeyLockOff:
        s.SetKeyLock(action.Kind == TRenderActionKind::KeyLockOn);
        break;
    }
}

// 16-bit output comes from a 16-bit device, as the deck plays by default;
// 24-bit and float output from a float device, which keeps every bit a
// 24-bit or float source has.
void TRenderer::ChooseFormats() {
    DeviceFormat = MakePcmFormat(2, 44100, 16);
    FileFormat = DeviceFormat;
    if (Job.Bits == TRenderBits::Pcm16)
        return;
    DeviceFormat = MakeFloatFormat(2, 44100);
    FileFormat = Job.Bits == TRenderBits::Pcm24 ? MakePcmFormat(2, 44100, 24) : DeviceFormat;
    System->Song.DeviceParams.Format = &DeviceFormat;
}

void TRenderer::WriteFrames(uint32_t frames) {
    if (Job.Bits != TRenderBits::Pcm24) {
        Writer.Write(Block.data(), size_t(frames) * DeviceFormat.nBlockAlign);
        return;
    }
    const uint32_t samples = frames * 2;
    FloatBlock.resize(samples);
    std::memcpy(FloatBlock.data(), Block.data(), FloatBlock.size() * sizeof(float));
    FileBlock.resize(size_t(samples) * 3);
    ZylFloatToPcm(FloatBlock.data(), samples, TZylSampleType::S24, FileBlock.data());
    Writer.Write(FileBlock.data(), FileBlock.size());
}

// One worker period: due actions, 20 ms of output, one timed tick.
void TRenderer::Period() {
    while (NextAction < Job.Actions.size() && Job.Actions[NextAction].AtMs <= DeckMs)
        Apply(Job.Actions[NextAction++]);
    const uint32_t frames = ZylNullStep(StepFrames, Block.data());
    if (Writer.IsOpen())
        WriteFrames(frames);
    Clock.Advance(TVxSystemTAG::TickMs);
    DeckMs += TVxSystemTAG::TickMs;
    const uint32_t writePos = System->Song.Buffer.WritePos;
    const auto start = TSteady::now();
    System->Tick();
    const double ms = std::chrono::duration<double, std::milli>(TSteady::now() - start).count();
    TickMs.push_back(ms);
    if (System->Song.Buffer.WritePos != writePos)
        DecodingTickMs.push_back(ms);
}

void TRenderer::Report() {
    if (System->State != ShownState) {
        ShownState = System->State;
        std::printf("%8u ms  state %s\n", DeckMs, StateName(ShownState));
    }
    if (!Ended && System->IsEndOfSong()) {
        Ended = true;
        EndMs = DeckMs;
        std::printf("%8u ms  end of song\n", DeckMs);
    }
    if (DeckMs < NextReportMs)
        return;
    NextReportMs = DeckMs + Job.ReportEveryMs;
    TVxTimeInfo time;
    TVxPitchInfo pitch;
    System->GetTimeInfo(time);
    System->GetPitchInfo(pitch);
    std::printf("%8u ms  time %s.%s  pos %u ms  cue %u ms  free %u  levels %d/%d  pitch %d bend "
                "%d  %d Hz\n",
                DeckMs, time.TimeText, time.HundredthsText, time.PositionMs, time.SliderMs,
                time.BufferFreeBytes, time.LevelLeft, time.LevelRight, pitch.Pitch, pitch.Bend,
                pitch.Frequency);
}

bool TRenderer::Finished() {
    if (Job.DurationMs)
        return DeckMs >= Job.DurationMs;
    if (Ended && NextAction >= Job.Actions.size())
        return DeckMs >= EndMs + 500;
    // Without a set duration a song that never ends (a search loop left
    // running) stops an hour of deck time after its last action.
    const uint32_t lastAction = Job.Actions.empty() ? 0 : Job.Actions.back().AtMs;
    return DeckMs >= std::max(System->SongInfo.LengthMs, lastAction) + 3600000u;
}

// Median, 99th percentile and maximum of a set of durations.
void PrintDurations(const char* what, std::vector<double> ms) {
    if (ms.empty())
        return;
    std::sort(ms.begin(), ms.end());
    std::printf("%s: median %.4f ms, 99%% %.3f ms, max %.3f ms over %zu ticks\n", what,
                ms[ms.size() / 2], ms[ms.size() * 99 / 100], ms.back(), ms.size());
}

void TRenderer::PrintSummary(double wallSeconds) const {
    const double deckSeconds = DeckMs / 1000.0;
    std::printf("rendered %.2f s of deck time in %.3f s: %.1f x real time\n", deckSeconds,
                wallSeconds, wallSeconds > 0 ? deckSeconds / wallSeconds : 0.0);
    PrintDurations("worker tick (system lock held)", TickMs);
    if (const TZylKeyLock* keyLock = KeyLockOf(*System))
        std::printf("key lock: stretcher latency %.1f ms, %u underruns\n",
                    keyLock->LatencyFrames() * 1000.0 / ZylNullFormat().nSamplesPerSec,
                    keyLock->Underruns());
    PrintDurations("ticks that decoded a chunk", DecodingTickMs);
}

int TRenderer::Run() {
    if (!Open())
        return 1;
    const auto start = TSteady::now();
    Report();
    while (!Finished()) {
        Period();
        Report();
    }
    const double wall = std::chrono::duration<double>(TSteady::now() - start).count();
    Writer.Close();
    PrintSummary(wall);
    return 0;
}

// --bpm prints one line, --analyse a line for each finding.
int PrintAnalysis(const TRenderJob& job) {
    const TVxAnalysisResult result =
        AnalyseInput(job.Input, job.Analyse ? kVxAllParts : kVxTempoPart);
    if (result.Status != TVxAnalysisStatus::Done) {
        std::fprintf(stderr, "vx-render: cannot read %s: %s\n", job.Input.c_str(),
                     DiagLastMessage());
        return 1;
    }
    const TVxTempo& tempo = result.Tempo;
    if (!job.Analyse) {
        if (tempo.Bpm > 0)
            std::printf("bpm %.3f first-beat %.1f ms\n", tempo.Bpm, tempo.FirstBeatMs);
        else
            std::printf("bpm none\n");
        return 0;
    }
    if (tempo.Bpm > 0)
        std::printf("bpm %.3f\nfirst-beat %.1f ms\n", tempo.Bpm, tempo.FirstBeatMs);
    else
        std::printf("bpm none\n");
    if (VxIsKey(result.Key))
        std::printf("key %s %s\n", VxKeyName(result.Key).c_str(),
                    VxKeyCode(result.Key, TVxKeyNotation::Camelot).c_str());
    else
        std::printf("key none\n");
    const TVxLoudness& loudness = result.Loudness;
    if (loudness.Known)
        std::printf("loudness %.1f LUFS\ntrue-peak %.1f dBTP\nmusic-start %.1f ms\n", loudness.Lufs,
                    loudness.TruePeakDbtp, loudness.MusicStartMs);
    else
        std::printf("loudness none\n");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kRenderUsage, stdout);
        return 0;
    }
    TRenderJob job;
    std::string error;
    if (!ParseRenderArguments(argc, argv, job, error)) {
        std::fprintf(stderr, "vx-render: %s\n%s", error.c_str(), kRenderUsage);
        return 2;
    }
    if (job.DetectBpm || job.Analyse)
        return PrintAnalysis(job);
    setenv("VEXALINE_RESAMPLER", job.Converter.c_str(), 1);
    ZylNullSetHandStepped(true);
    DiagSetMessageBoxHandler(&AnswerBox);
    TRenderer renderer(job);
    return renderer.Run();
}
