// The deck's tempo: the worker that finds each song's tempo, key and
// loudness in the background, the value display that shows the tempo at the
// current pitch, the list's columns, and the tap key that sets it by hand.
#include "frontend/MainForm.h"

#include "analysis/VxTapTempo.h"
#include "analysis/VxTempoWorker.h"
#include "frontend/VxLevelAndCue.h"
#include "frontend/VxPlaylistFacts.h"
#include "frontend/config/GlobalConfig.h"
#include "frontend/config/XdgFolder.h"
#include "playlist/Zylplaylist.h"

#include <algorithm>

namespace {

constexpr int kLowestBpm = 40;
constexpr int kHighestBpm = 300;

// The stored range, made usable: inside 40..300 BPM and at least one BPM wide.
TVxBpmRange BpmRangeOf(const TGlobalConfigTAG& config) {
    const int low = std::clamp(config.BpmMin.Value, kLowestBpm, kHighestBpm - 1);
    const int high = std::clamp(config.BpmMax.Value, low + 1, kHighestBpm);
    return {static_cast<double>(low), static_cast<double>(high)};
}

// $XDG_CACHE_HOME/Vexaline, or .cache/Vexaline in the user's home as the
// settings find it; empty (no cache) without a home, never a shared folder
// such as /tmp that another user could prepare.
std::string TempoCacheFolder() {
    const std::string cache = VxXdgFolder("XDG_CACHE_HOME", ".cache");
    return cache.empty() ? cache : cache + "/Vexaline";
}

} // namespace

void TMainForm::StartTempo() {
    tap_ = std::make_unique<TVxTapTempo>();
    tempo_ = std::make_unique<TVxTempoWorker>(TempoCacheFolder(), BpmRangeOf(config_),
                                              platform_.TempoAtLowPriority);
    // A tempo found while the display timer stands still starts it again.
    tempo_->SetNewsHook([this] { TimerUpdate.Poke(); });
    levelCue_ = std::make_unique<TVxLevelAndCue>(TempoCacheFolder());
    // The settings were applied before it existed.
    ApplyLevelAndCue();
    // The list paints what the worker reported, never the cache; keys the
    // user gives songs there go to the cache through the worker.
    playlistFacts_->OnUserKey = [this](const std::string& path, int key) {
        tempo_->SetUserKey(path, key);
    };
    tempo_->SetBackgroundAllowed(BackgroundAnalysisAllowed());
    PlayListListChange();
}

void TMainForm::TempoSongChanged(const std::string& path) {
    if (tempo_ == nullptr)
        return;
    // Taps heard on the song before belong to its tempo, not this one's.
    tap_->Reset();
    playlistFacts_->SetDeckSong(path);
    if (path.empty())
        tempo_->CloseSong();
    else
        tempo_->OpenSong(path);
    levelCue_->WorkerFollows(!path.empty());
    RefreshTempo();
}

// Playlist songs are analysed while the deck is idle or only playing, and
// not while its song is still to come: the first analysis loads the media
// module, and while the dynamic loader maps its libraries no other thread
// can be started, the sound server's client threads of an open among them.
bool TMainForm::BackgroundAnalysisAllowed() {
    const std::uint8_t state = system_->State;
    const bool songComing =
        deviceListing_.Pending() || system_->IsOpening() || Playlist().GetScanning();
    return !songComing && state != kVxSearching && state != kVxCuePlaying;
}

// Every timer tick: the background analysis follows the deck, and a new
// tempo of the deck's song reaches the display.
void TMainForm::RefreshTempo() {
    if (tempo_ == nullptr)
        return;
    tempo_->SetBackgroundAllowed(BackgroundAnalysisAllowed());
    playlistFacts_->Take(tempo_->TakeFound());
    const std::uint64_t generation = tempo_->Generation();
    if (generation == tempoGeneration_)
        return;
    tempoGeneration_ = generation;
    songTempo_ = tempo_->SongTempo();
    if (songTempo_.Known)
        levelCue_->SongAnalysed(songTempo_.Loudness, *system_);
    RefreshPitchDisplays(false);
    // A new song's loading messages stay until its analysis is there.
    if (songTempo_.Known)
        ShowValueCaption(false);
}

// The taps follow the music as it plays, at the current pitch.
void TMainForm::TapTempo() {
    if (tempo_ == nullptr || system_->SongLoaded == 0)
        return;
    TVxPitchInfo pitch;
    system_->GetPitchInfo(pitch);
    const double songBpm = tap_->Tap(NowMs(), pitch.Pitch);
    if (songBpm <= 0)
        return;
    tempo_->SetUserBpm(songBpm);
    RefreshTempo();
}
