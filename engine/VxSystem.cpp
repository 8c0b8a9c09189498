#include "engine/VxSystem.h"

#include "diag/Diag.h"

#include <algorithm>

namespace {

bool IsPlayingState(uint8_t state) {
    return state == kVxPlaying || state == kVxCuePlaying;
}

} // namespace

TVxSystemTAG::TVxSystemTAG(void* window, const TVxSystemSetup& setup)
    : Clock(setup.Clock ? *setup.Clock : VxDefaultClock()), Song(Clock), PitchControl(Clock),
      Link(std::make_shared<TVxTickLink>(*this)) {
    PitchControl.Pitch = PitchControl.Bend = PitchControl.SlideStep = 0;
    Song.SetWindow(window);
    Song.KeyLockByHand = setup.ManualWorker;
    Song.RegisterDecoder(&VxMakeDecoder<TZylMP3TAG>);
    Song.RegisterDecoder(&VxMakeDecoder<TZylWAVTAG>);
    Song.RegisterDecoder(&VxMakeDecoder<TVxModuleFFmpegTAG>);
    Song.Buffer.AttachStage(&Meter);
    PitchLimits = PitchControl.Limits();
    SongInfo = Song.Info;
    static_cast<TVxSongTime&>(TimeInfo) = Song.Time;
    PitchControl.Frequency = PitchControl.ComputeFrequency();
    PitchInfo = PitchControl.Info();
    if (!setup.ManualWorker)
        StartWorker();
}

TVxSystemTAG::~TVxSystemTAG() {
    // An open on another thread gives up at its next frame; like a tick, it
    // enters the system only through the link. Once the link is closed,
    // nothing enters any more; an entry inside finishes its locked step,
    // never a read. The worker goes next: waited for (a bounded stop) unless
    // it is away in a read, which may never return and owns all it still
    // touches.
    AbortOpen();
    Link->Close();
    if (Worker) {
        bool reading = false;
        {
            TZylSyncLock lock(*this);
            reading = Song.Buffer.ReadOut();
        }
        Link->Wake.Signal();
        if (reading)
            Worker->Abandon();
        Worker.reset();
    }
    CloseSong();
}

void TVxSystemTAG::StartWorker() {
    Worker = std::make_unique<TZylThreadTAG>(&TVxSystemTAG::WorkerLoop,
                                             new std::shared_ptr<TVxTickLink>(Link), 1);
}

void TVxSystemTAG::ReplaceReadingWorker() {
    if (!Worker)
        return;
    Worker->Abandon();
    StartWorker();
}

void TVxSystemTAG::WorkerLoop(std::atomic<uint32_t>* stopRequested, void* userData) {
    const std::unique_ptr<std::shared_ptr<TVxTickLink>> link(
        static_cast<std::shared_ptr<TVxTickLink>*>(userData));
    // A command that starts work after the tick found none signals Wake;
    // the event keeps that signal for the wait below, so it is never lost.
    while (stopRequested->load() == 0 && RunTick(**link, stopRequested)) {
        if ((*link)->Idle.load())
            (*link)->Wake.Wait();
        else
            (*link)->Wake.WaitFor(TickMs);
    }
}

void TVxSystemTAG::WakeWorker() {
    if (Worker && (Song.RestartOutstanding() || (Link->Idle.load() && NeedsTicks())))
        Link->Wake.Signal();
}

bool TVxSystemTAG::NeedsTicks() {
    TZylSyncLock lock(*this);
    return Song.NeedsTicks() || PitchControl.Moving();
}

void TVxSystemTAG::Tick() {
    const std::shared_ptr<TVxTickLink> link = Link; // outlives this object
    RunTick(*link, nullptr);
}

bool TVxSystemTAG::RunTick(TVxTickLink& link, const std::atomic<uint32_t>* stop) {
    std::shared_ptr<TVxChunkRead> read;
    {
        const TVxTickLink::TEntry entry(link);
        if (!entry)
            return false;
        ++link.Ticks;
        read = entry.System().BeginTick();
    }
    while (read) {
        // Without the lock and outside the system: the read may block for
        // as long as its medium likes.
        read->Run();
        if (stop != nullptr && stop->load() != 0)
            return false;
        const TVxTickLink::TEntry entry(link);
        if (!entry || !entry.System().ContinueTick(read))
            return false;
    }
    return true;
}

std::shared_ptr<TVxChunkRead> TVxSystemTAG::BeginTick() {
    TZylSyncLock lock(*this);
    std::shared_ptr<TVxChunkRead> read = Song.BeginTick();
    if (!read)
        EndTickLocked();
    return read;
}

bool TVxSystemTAG::ContinueTick(std::shared_ptr<TVxChunkRead>& read) {
    TZylSyncLock lock(*this);
    if (!Song.Buffer.IsReadOut(*read))
        return false;
    read = Song.ContinueTick(*read);
    if (!read)
        EndTickLocked();
    return true;
}

void TVxSystemTAG::EndTickLocked() {
    Song.EndTick();
    PitchControl.Tick();
    if (PitchControl.Changed)
        RecomputeAndApply();
    Link->Idle = !NeedsTicks();
}

void TVxSystemTAG::RecomputeAndApply() {
    TZylSyncLock lock(*this);
    PitchControl.Frequency = PitchControl.ComputeFrequency();
    PitchInfo = PitchControl.Info();
    PitchControl.Changed = false;
    Song.SetFrequency(static_cast<uint32_t>(std::max(0, PitchControl.Frequency)));
    PitchChanged = 1;
    NoteChange();
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

int TVxSystemTAG::OpenSong(std::shared_ptr<TVxTickLink> link, const char* path, bool autoPlay,
                           const TVxSongStart& start) {
    if (path == nullptr) {
        DIAG_REPORT(kDiagReported, "%s", "Can't open");
        return kDiagReported;
    }
    TVxOpenRegister::TFlag open;
    TVxDecoderMakers makers;
    uint32_t mode = 0;
    {
        const TVxTickLink::TEntry entry(*link);
        if (!entry)
            return kDiagSilent;
        TVxSystemTAG& system = entry.System();
        open = system.Opens.Begin();
        if (open == nullptr) {
            DIAG_REPORT(kDiagReported, "%s", "Can't open: another song is being opened");
            return kDiagReported;
        }
        mode = system.BeginOpenLocked(makers);
    }
    // Every file read of the open, outside the system.
    TVxPreparedSong prepared = TVxSongTAG::Prepare(makers, path, mode, open.get());
    bool mustWait = false;
    {
        const TVxTickLink::TEntry entry(*link);
        if (!entry)
            return kDiagSilent; // the deck ended meanwhile
        TVxSystemTAG& system = entry.System();
        int status = 0;
        {
            TZylSyncLock lock(system);
            status = system.FinishOpenLocked(path, std::move(prepared), start, open);
            mustWait = status == 0 && system.Worker && system.Song.RestartOutstanding();
        }
        system.Opens.End(open);
        if (status != 0 || !autoPlay)
            return status;
    }
    // The restart was reset and requested under the lock before the test
    // above; the event latches its completion, so a restart finished between
    // the test and this wait is not missed. A system ticked by hand has no
    // worker to wait for: the buffer then plays as soon as its owner's next
    // tick performs the restart.
    if (mustWait && !WaitForRestart(*link))
        return 0;
    const TVxTickLink::TEntry entry(*link);
    if (entry)
        entry.System().PlayPause();
    return 0;
}

bool TVxSystemTAG::WaitForRestart(TVxTickLink& link) {
    for (;;) {
        const TVxTickLink::TEntry entry(link);
        if (!entry)
            return false;
        if (entry.System().Song.Buffer.Event.WaitFor(TickMs))
            return true;
    }
}

uint32_t TVxSystemTAG::BeginOpenLocked(TVxDecoderMakers& makers) {
    TZylSyncLock lock(*this);
    CloseSongLocked();
    makers = Song.DecoderMakers();
    return Options.OpenMode == 1 || Options.OpenMode == 2 ? Options.OpenMode : 0;
}

int TVxSystemTAG::FinishOpenLocked(const char* path, TVxPreparedSong prepared,
                                   const TVxSongStart& start, const TVxOpenRegister::TFlag& open) {
    if (!Opens.IsCurrent(open))
        return kDiagSilent; // given up, and another open took the deck since
    const int status = Song.Open(path, std::move(prepared));
    const bool aborted = open->load();
    if (status == 0 && aborted)
        Song.Close(); // the user gave up on this song before it was ready
    if (status != 0 || aborted) {
        if (aborted)
            Song.MarkAborted(path);
        SongInfo = Song.Info;
        SongInfoChanged = 1;
        NoteChange();
        DIAG_REPORT(kDiagSilent, "%s", "");
        return kDiagSilent;
    }
    SongLoaded = 1;
    State = kVxPaused;
    StateChanged = 1;
    NoteChange();
    Song.OfferStart(start, true);
    SongInfo = Song.Info;
    static_cast<TVxSongTime&>(TimeInfo) = Song.Time;
    SongInfoChanged = 1;
    NoteChange();
    TVxPitchSettings settings = PitchControl.Settings;
    settings.SampleRate = static_cast<int>(SongInfo.SampleRate);
    PitchControl.ApplySettings(settings);
    RecomputeAndApply();
    ApplyVolumeAndBalance();
    WakeWorker();
    return 0;
}

void TVxSystemTAG::OfferSongStart(const TVxSongStart& start) {
    TZylSyncLock lock(*this);
    if (SongLoaded)
        Song.OfferStart(start, State == kVxPaused);
    WakeWorker();
}

double TVxSystemTAG::SongLevelDb() {
    TZylSyncLock lock(*this);
    return Song.LevelDb();
}

void TVxSystemTAG::CloseSongLocked() {
    if (!SongLoaded)
        return;
    const bool readOut = Song.Buffer.ReadOut();
    Song.Close();
    SongLoaded = 0;
    State = kVxNoSong;
    StateChanged = 1;
    NoteChange();
    if (readOut)
        ReplaceReadingWorker();
}

void TVxSystemTAG::CloseSong() {
    TZylSyncLock lock(*this);
    CloseSongLocked();
}

int TVxSystemTAG::GetSongFileInfo(const char* path, char* name, uint32_t* lengthMs) {
    if (path == nullptr || name == nullptr || lengthMs == nullptr)
        return 0;
    // No lock: the read may hang, and the song's decoder makers never change.
    return Song.FileInfo(path, name, lengthMs);
}

void TVxSystemTAG::GetSongInfo(TVxSongInfo& info) {
    TZylSyncLock lock(*this);
    info = SongInfo;
    SongInfoChanged = 0;
}

void TVxSystemTAG::SetChangeHook(std::function<void()> hook) {
    TZylSyncLock lock(*this);
    ChangeHook = std::move(hook);
}

void TVxSystemTAG::NoteChange() {
    if (ChangeHook)
        ChangeHook();
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
        NoteChange();
    }
    WakeWorker();
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
    WakeWorker();
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
    WakeWorker();
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
    WakeWorker();
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
    NoteChange();
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
