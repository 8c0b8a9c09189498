#include "engine/VxSystem.h"

#include "diag/Diag.h"

#include <algorithm>
#include <thread>

namespace {

bool IsPlayingState(uint8_t state) {
    return state == kVxPlaying || state == kVxCuePlaying;
}

} // namespace

TVxSystemTAG::TVxSystemTAG(void* window, const TVxSystemSetup& setup)
    : Clock(setup.Clock ? *setup.Clock : VxDefaultClock()), Song(Clock), PitchControl(Clock) {
    PitchControl.Pitch = PitchControl.Bend = PitchControl.SlideStep = 0;
    Song.SetWindow(window);
    Song.KeyLockByHand = setup.ManualWorker;
    Song.RegisterDecoder(&Mp3Decoder);
    Song.RegisterDecoder(&WavDecoder);
    Song.RegisterDecoder(&FFmpegDecoder);
    Song.Buffer.AttachStage(&Meter);
    PitchLimits = PitchControl.Limits();
    SongInfo = Song.Info;
    static_cast<TVxSongTime&>(TimeInfo) = Song.Time;
    PitchControl.Frequency = PitchControl.ComputeFrequency();
    PitchInfo = PitchControl.Info();
    if (!setup.ManualWorker)
        Worker = std::make_unique<TZylThreadTAG>(&TVxSystemTAG::WorkerLoop, this, 1);
}

TVxSystemTAG::~TVxSystemTAG() {
    // An open on another thread gives up at its next frame and must be gone
    // before the song and decoders it uses. The worker goes next, before the
    // song it ticks; its stop is bounded, so a stuck worker delays the end by
    // at most the stop timeout.
    AbortOpen();
    while (Opening.load())
        std::this_thread::yield();
    if (Worker) {
        Worker->StopRequested = 1;
        WorkerWake.Signal();
        Worker.reset();
    }
    CloseSong();
}

void TVxSystemTAG::WorkerLoop(std::atomic<uint32_t>* stopRequested, void* userData) {
    auto* system = static_cast<TVxSystemTAG*>(userData);
    while (stopRequested->load() == 0) {
        system->Tick();
        system->WorkerWake.WaitFor(TickMs);
    }
}

void TVxSystemTAG::WakeWorkerForRestart() {
    if (Worker && Song.RestartOutstanding())
        WorkerWake.Signal();
}

void TVxSystemTAG::Tick() {
    TZylSyncLock lock(*this);
    Song.Tick();
    PitchControl.Tick();
    if (PitchControl.Changed)
        RecomputeAndApply();
}

void TVxSystemTAG::RecomputeAndApply() {
    TZylSyncLock lock(*this);
    PitchControl.Frequency = PitchControl.ComputeFrequency();
    PitchInfo = PitchControl.Info();
    PitchControl.Changed = false;
    Song.SetFrequency(static_cast<uint32_t>(std::max(0, PitchControl.Frequency)));
    PitchChanged = 1;
}

void TVxSystemTAG::ApplyVolumeAndBalance() {
    TZylSyncLock lock(*this);
    if (!SongLoaded)
        return;
    Song.SetVolume(static_cast<uint32_t>(Volume.load()));
    Song.SetPan(Balance);
    // The meter's mode decides the fold; the device applies it with the pan,
    // so both change what is heard at the same moment.
    Song.Buffer.SetFold(static_cast<TZylFold>(Meter.Mode));
}

// ------------------------------------------------------------------ options

void TVxSystemTAG::SetOptions(const TVxSystemOptions& options) {
    TZylSyncLock lock(*this);
    Options = options;
    Song.SetTimeMode(Options.TimeMode);
    PitchControl.ApplyOptions(Options.PitchRange, Options.Flags & kVxOptionDoubledPitch,
                              Options.Flags & kVxOptionAccuratePitch);
    PitchLimits = PitchControl.Limits();
    RecomputeAndApply();
}

void TVxSystemTAG::GetOptions(TVxSystemOptions& options) {
    TZylSyncLock lock(*this);
    Options.TimeMode = Song.TimeMode;
    options = Options;
}

void TVxSystemTAG::SetOutputDevice(const TZylDeviceId* id) {
    TZylSyncLock lock(*this);
    Song.SetDevice(id);
}

void TVxSystemTAG::GetPitchLimits(TVxPitchLimits& limits) {
    TZylSyncLock lock(*this);
    PitchLimits = PitchControl.Limits();
    limits = PitchLimits;
}

// ----------------------------------------------------------------- the song

int TVxSystemTAG::OpenSong(const char* path, bool autoPlay, const TVxSongStart& start) {
    if (path == nullptr) {
        DIAG_REPORT(kDiagReported, "%s", "Can't open");
        return kDiagReported;
    }
    bool idle = false;
    if (!Opening.compare_exchange_strong(idle, true)) {
        DIAG_REPORT(kDiagReported, "%s", "Can't open: another song is being opened");
        return kDiagReported;
    }
    OpenCancel = false;
    const uint32_t mode = BeginOpenLocked();
    Song.Prepare(path, mode, &OpenCancel);
    int status = 0;
    bool mustWait = false;
    {
        TZylSyncLock lock(*this);
        status = FinishOpenLocked(path, mode, start);
        mustWait = status == 0 && Song.RestartOutstanding();
    }
    Opening = false;
    if (status != 0)
        return status;
    if (autoPlay) {
        // The restart was reset and requested under the lock before the test
        // above; the event latches its completion, so a restart finished
        // between the test and this wait is not missed. A system ticked by
        // hand has no worker to wait for: the buffer then plays as soon as
        // its owner's next tick performs the restart.
        if (mustWait && Worker)
            Song.Buffer.Event.Wait();
        PlayPause();
    }
    return 0;
}

uint32_t TVxSystemTAG::BeginOpenLocked() {
    TZylSyncLock lock(*this);
    CloseSongLocked();
    return Options.OpenMode == 1 || Options.OpenMode == 2 ? Options.OpenMode : 0;
}

int TVxSystemTAG::FinishOpenLocked(const char* path, uint32_t mode, const TVxSongStart& start) {
    const int status = Song.Open(path, mode);
    if (status == 0 && OpenCancel)
        Song.Close(); // the user gave up on this song before it was ready
    if (status != 0 || OpenCancel) {
        if (OpenCancel)
            Song.MarkAborted(path);
        SongInfo = Song.Info;
        SongInfoChanged = 1;
        DIAG_REPORT(kDiagSilent, "%s", "");
        return kDiagSilent;
    }
    SongLoaded = 1;
    State = kVxPaused;
    StateChanged = 1;
    Song.OfferStart(start, true);
    SongInfo = Song.Info;
    static_cast<TVxSongTime&>(TimeInfo) = Song.Time;
    SongInfoChanged = 1;
    TVxPitchSettings settings = PitchControl.Settings;
    settings.SampleRate = static_cast<int>(SongInfo.SampleRate);
    PitchControl.ApplySettings(settings);
    RecomputeAndApply();
    ApplyVolumeAndBalance();
    WakeWorkerForRestart();
    return 0;
}

void TVxSystemTAG::OfferSongStart(const TVxSongStart& start) {
    TZylSyncLock lock(*this);
    if (SongLoaded)
        Song.OfferStart(start, State == kVxPaused);
    WakeWorkerForRestart();
}

double TVxSystemTAG::SongLevelDb() {
    TZylSyncLock lock(*this);
    return Song.LevelDb();
}

void TVxSystemTAG::CloseSongLocked() {
    if (!SongLoaded)
        return;
    Song.Close();
    SongLoaded = 0;
    State = kVxNoSong;
    StateChanged = 1;
}

void TVxSystemTAG::CloseSong() {
    TZylSyncLock lock(*this);
    CloseSongLocked();
}

int TVxSystemTAG::GetSongFileInfo(const char* path, char* name, uint32_t* lengthMs) {
    if (path == nullptr || name == nullptr || lengthMs == nullptr)
        return 0;
    TZylSyncLock lock(*this);
    return Song.FileInfo(path, name, lengthMs);
}

void TVxSystemTAG::GetSongInfo(TVxSongInfo& info) {
    TZylSyncLock lock(*this);
    info = SongInfo;
    SongInfoChanged = 0;
}

bool TVxSystemTAG::IsEndOfSong() {
    TZylSyncLock lock(*this);
    return SongLoaded && Song.IsEndOfSong();
}

// ---------------------------------------------------------------- transport

void TVxSystemTAG::SetState(uint8_t requested) {
    TZylSyncLock lock(*this);
    const uint8_t current = State;
    if (current == kVxNoSong || requested == kVxNoSong || requested > kVxSearching)
        return;
    const bool toPlay = IsPlayingState(requested);
    switch (current) {
    case kVxPaused:
    case kVxCued:
        if (toPlay)
            Song.Play();
        else if (requested == kVxSearching)
            Song.StartSearchLoop();
        break;
    case kVxPlaying:
    case kVxCuePlaying:
        if (requested == kVxPaused) {
            Song.Stop();
            Song.SetCuePoint();
        } else if (requested == kVxCued) {
            Song.Stop();
            Song.SeekToCuePoint();
        } else if (requested == kVxSearching) {
            Song.StartSearchLoop();
            Song.SetCuePoint();
        }
        break;
    case kVxSearching:
        if (requested == kVxPaused || requested == kVxCued) {
            Song.Stop();
            Song.SetCuePoint();
        } else if (toPlay) {
            Song.SetCuePoint();
            Song.EndSearchLoop();
        }
        break;
    }
    if (requested != current) {
        State = requested;
        StateChanged = 1;
    }
    WakeWorkerForRestart();
}

void TVxSystemTAG::PlayPause() {
    TZylSyncLock lock(*this);
    if (SongLoaded)
        SetState(State == kVxPlaying ? kVxPaused : kVxPlaying);
}

void TVxSystemTAG::CuePress() {
    TZylSyncLock lock(*this);
    if (!SongLoaded)
        return;
    const bool cueKeyPlays = Options.Flags & kVxOptionPioneerCueKey;
    SetState(cueKeyPlays && State == kVxCued ? kVxCuePlaying : kVxCued);
}

void TVxSystemTAG::CueRelease() {
    TZylSyncLock lock(*this);
    if (SongLoaded && State == kVxCuePlaying)
        SetState(kVxCued);
}

void TVxSystemTAG::PlayOrCue() {
    TZylSyncLock lock(*this);
    if (IsPlayingState(State))
        CuePress();
    else
        PlayPause();
}

void TVxSystemTAG::ToggleTimeMode() {
    TZylSyncLock lock(*this);
    Song.ToggleTimeMode();
}

void TVxSystemTAG::ToggleRealTime() {
    TZylSyncLock lock(*this);
    Options.RealTime = Options.RealTime ? 0 : 1;
}

void TVxSystemTAG::SetPosition(uint32_t ms) {
    TZylSyncLock lock(*this);
    Song.SetPosition(ms);
    WakeWorkerForRestart();
}

// ------------------------------------------------------------------- search

void TVxSystemTAG::SearchPress(int kind, bool forward) {
    TZylSyncLock lock(*this);
    if (!SongLoaded)
        return;
    bool fresh = false;
    if (Options.Flags & kVxOptionSearchLoop) {
        const uint8_t previous = State;
        SetState(kVxSearching);
        fresh = previous != kVxSearching;
    }
    int step = 0;
    switch (kind) {
    case 1:
    case 5:
        step = 10;
        break;
    case 2:
    case 6:
        step = 100;
        break;
    case 3:
    case 7:
        step = 1000;
        break;
    }
    if (step)
        Song.StartFixedSearch(forward ? step : -step, fresh);
    else
        Song.StartAcceleratingSearch(forward, fresh);
}

void TVxSystemTAG::SearchForwardPress(int kind) {
    SearchPress(kind, true);
}
void TVxSystemTAG::SearchBackwardPress(int kind) {
    SearchPress(kind, false);
}

void TVxSystemTAG::SearchForwardRelease() {
    TZylSyncLock lock(*this);
    if (SongLoaded)
        Song.StopSearch();
}

void TVxSystemTAG::SearchBackwardRelease() {
    SearchForwardRelease();
}

// -------------------------------------------------------------------- pitch

void TVxSystemTAG::SetPitch(int value) {
    TZylSyncLock lock(*this);
    PitchControl.SetPitch(value);
    RecomputeAndApply();
}

void TVxSystemTAG::SetTouchBend(int value) {
    TZylSyncLock lock(*this);
    PitchControl.SetTouchBend(value);
    RecomputeAndApply();
}

void TVxSystemTAG::PitchPress(int kind, bool up) {
    static constexpr int kSlideSteps[5] = {0, 10, 100, 1000, 1};
    TZylSyncLock lock(*this);
    if (kind >= 1 && kind <= 4)
        PitchControl.StartSlide(up ? kSlideSteps[kind] : -kSlideSteps[kind]);
    else
        PitchControl.StartBend(up ? TVxPitchControl::BendPush : TVxPitchControl::BendBrake);
}

void TVxSystemTAG::PitchUpPress(int kind) {
    PitchPress(kind, true);
}
void TVxSystemTAG::PitchDownPress(int kind) {
    PitchPress(kind, false);
}

void TVxSystemTAG::PitchRelease() {
    TZylSyncLock lock(*this);
    PitchControl.Release();
    RecomputeAndApply();
}

void TVxSystemTAG::PitchUpRelease() {
    PitchRelease();
}
void TVxSystemTAG::PitchDownRelease() {
    PitchRelease();
}

void TVxSystemTAG::SetKeyLock(bool on) {
    TZylSyncLock lock(*this);
    if (!Song.SetKeyLock(on))
        DIAG_REPORT(kDiagSilent, "%s", "VXSYSTEM: key lock not available for this song");
    KeyLocked = on;
    PitchChanged = 1;
}

void TVxSystemTAG::GetPitchInfo(TVxPitchInfo& info) {
    TZylSyncLock lock(*this);
    info = PitchInfo;
    PitchChanged = 0;
}

// ---------------------------------------------------------- volume, levels

void TVxSystemTAG::SetVolume(int volume) {
    Volume = std::clamp(volume, 0, 100);
    ApplyVolumeAndBalance();
}

void TVxSystemTAG::SetBalance(int balance, int downmix) {
    TZylSyncLock lock(*this);
    Balance = std::clamp(balance, -100, 100);
    Meter.SetDownmix(downmix != 0);
    ApplyVolumeAndBalance();
}

void TVxSystemTAG::MuteOn() {
    TZylSyncLock lock(*this);
    Song.MuteOn();
}

void TVxSystemTAG::MuteOff() {
    TZylSyncLock lock(*this);
    Song.MuteOff();
}

void TVxSystemTAG::GetTimeInfo(TVxTimeInfo& info) {
    TZylSyncLock lock(*this);
    const int doubled = (Options.Flags & kVxOptionDoubledPitch) ? 2 : 1;
    Song.SetTimeFactor(Options.RealTime ? PitchInfo.Pitch * doubled : 0);
    Song.TimeOut(TimeInfo);
    Meter.GetLevels(TimeInfo.LevelLeft, TimeInfo.LevelRight);
    info = TimeInfo;
}

int TVxSystemTAG::EnumerateOutputDevices(TZylDeviceList& list) {
    return ::EnumerateOutputDevices(list);
}

void TVxSystemTAG::FreeOutputDeviceList(TZylDeviceList& list) {
    ::FreeOutputDeviceList(list);
}
