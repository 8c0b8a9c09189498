#include "analysis/VxTempoWorker.h"

#include "analysis/VxSongAnalysis.h"
#include "decoding/VxDecoderSet.h"

#include <chrono>
#include <iterator>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr int kLowestNice = 19;

} // namespace

TVxTempoWorker::TVxTempoWorker(std::string cacheFolder, const TVxBpmRange& range, bool lowPriority)
    : range_(range), lowPriority_(lowPriority), cache_(std::move(cacheFolder)) {
    thread_ = std::thread([this] { Run(); });
}

TVxTempoWorker::~TVxTempoWorker() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stop_ = true;
        cancel_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void TVxTempoWorker::OpenSong(const std::string& path) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        songPath_ = path;
        songPending_ = true;
        songTempo_ = {};
        if (running_ && current_.Path != path)
            StopRunningJobLocked();
    }
    ++generation_;
    wake_.notify_all();
}

void TVxTempoWorker::CloseSong() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (running_ && current_.Song)
            cancel_ = true;
        songPath_.clear();
        songPending_ = false;
        songTempo_ = {};
    }
    ++generation_;
}

void TVxTempoWorker::SetPlaylist(std::vector<std::string> paths) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        playlist_.assign(std::make_move_iterator(paths.begin()),
                         std::make_move_iterator(paths.end()));
    }
    wake_.notify_all();
}

void TVxTempoWorker::AddToPlaylist(std::vector<std::string> paths) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        playlist_.insert(playlist_.end(), std::make_move_iterator(paths.begin()),
                         std::make_move_iterator(paths.end()));
    }
    wake_.notify_all();
}

void TVxTempoWorker::SetBackgroundAllowed(bool allowed) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (allowed == backgroundAllowed_)
            return;
        backgroundAllowed_ = allowed;
        if (!allowed && running_ && !current_.Song)
            StopRunningJobLocked();
    }
    wake_.notify_all();
}

void TVxTempoWorker::SetUserBpm(double bpm) {
    if (!(bpm > 0))
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (songPath_.empty())
            return;
        userWrites_.push_back({songPath_, bpm});
        songTempo_.Known = true;
        songTempo_.Bpm = bpm;
        songTempo_.Tapped = true;
        found_.emplace_back(songPath_, songTempo_);
    }
    ++generation_;
    wake_.notify_all();
}

void TVxTempoWorker::SetUserKey(const std::string& path, int key) {
    if (path.empty() || (key != kVxNoKey && !VxIsKey(key)))
        return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        userWrites_.push_back({path, 0, key});
    }
    wake_.notify_all();
}

void TVxTempoWorker::StopRunningJobLocked() {
    // A playlist song is stopped, not dropped: it is analysed again later.
    if (!current_.Song)
        playlist_.push_front(current_.Path);
    cancel_ = true;
}

TVxSongTempo TVxTempoWorker::SongTempo() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return songTempo_;
}

TVxTempoWorker::TFound TVxTempoWorker::TakeFound() {
    TFound found;
    std::lock_guard<std::mutex> lock(mutex_);
    found.swap(found_);
    return found;
}

bool TVxTempoWorker::WaitIdle(unsigned timeoutMs) {
    std::unique_lock<std::mutex> lock(mutex_);
    return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] {
        return started_ && !running_ && !storing_ && !songPending_ && userWrites_.empty() &&
               (playlist_.empty() || !backgroundAllowed_);
    });
}

// The lowest nice level, not the idle class: on a busy machine an idle-
// class thread may wait many seconds for a time slice, and the program's
// exit waits for it to see its stop request.
void TVxTempoWorker::LowerPriority() {
    if (setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), kLowestNice) == 0)
        lowered_ = true;
}

void TVxTempoWorker::Run() {
    if (lowPriority_)
        LowerPriority();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        started_ = true;
    }
    TJob job;
    while (NextJob(job))
        RunJob(job);
}

// Takes the next job under the lock, first storing the user's taps; false
// when the worker must end.
bool TVxTempoWorker::NextJob(TJob& job) {
    std::unique_lock<std::mutex> lock(mutex_);
    running_ = false;
    for (;;) {
        if (stop_)
            return false;
        if (!userWrites_.empty()) {
            const TUserWrite write = std::move(userWrites_.front());
            userWrites_.pop_front();
            storing_ = true;
            lock.unlock();
            StoreUserWrite(write);
            lock.lock();
            storing_ = false;
            // Everything may have changed meanwhile, a stop request too.
            continue;
        }
        if (songPending_) {
            job = {songPath_, true};
            songPending_ = false;
            break;
        }
        if (backgroundAllowed_ && !playlist_.empty()) {
            job = {playlist_.front(), false};
            playlist_.pop_front();
            break;
        }
        idle_.notify_all();
        wake_.wait(lock);
    }
    cancel_ = false;
    running_ = true;
    current_ = job;
    return true;
}

void TVxTempoWorker::OpenCacheOnce() {
    if (!cacheTried_) {
        cacheTried_ = true;
        cache_.Open();
    }
}

void TVxTempoWorker::StoreUserWrite(const TUserWrite& write) {
    OpenCacheOnce();
    const auto key = VxFileKeyOf(write.Path);
    if (!key)
        return;
    if (write.Bpm > 0) {
        cache_.StoreUser(*key, write.Bpm);
        return;
    }
    cache_.StoreUserKey(*key, write.Key);
    // The song is reported again with the key it now shows: the user's, or
    // the detected one when the user's was taken back.
    // Without a cache there is nowhere to keep it.
    const std::optional<TVxCachedTempo> cached = cache_.Lookup(*key);
    if (!cached)
        return;
    const TVxSongTempo tempo = SongTempoOf(*cached);
    std::lock_guard<std::mutex> lock(mutex_);
    found_.emplace_back(write.Path, tempo);
    if (write.Path == songPath_ && !songPending_) {
        songTempo_.Key = tempo.Key;
        ++generation_;
    }
    if (newsHook_)
        newsHook_();
}

void TVxTempoWorker::SetNewsHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    newsHook_ = std::move(hook);
}

void TVxTempoWorker::RunJob(const TJob& job) {
    OpenCacheOnce();
    Publish(job, TempoFor(job.Path));
}

namespace {

// The parts of a song's analysis that its cache row lacks, or holds from
// another version of their analysis.
unsigned MissingParts(const std::optional<TVxCachedTempo>& cached) {
    if (!cached)
        return kVxAllParts;
    unsigned parts = 0;
    if (cached->Version != kVxTempoAnalysisVersion)
        parts |= kVxTempoPart;
    if (cached->KeyVersion != kVxKeyAnalysisVersion)
        parts |= kVxKeyPart;
    if (cached->LoudnessVersion != kVxLoudnessAnalysisVersion)
        parts |= kVxLoudnessPart;
    return parts;
}

// Takes a finished analysis into the row and the cache.
void TakeResult(const TVxAnalysisResult& result, const TVxFileKey& key, TVxTempoCache& cache,
                TVxCachedTempo& row) {
    const bool store = result.Status == TVxAnalysisStatus::Done;
    if ((result.Parts & kVxTempoPart) != 0) {
        row.Version = kVxTempoAnalysisVersion;
        row.Detected = result.Tempo;
        if (store)
            cache.StoreDetected(key, result.Tempo, kVxTempoAnalysisVersion);
    }
    if ((result.Parts & kVxKeyPart) != 0) {
        row.KeyVersion = kVxKeyAnalysisVersion;
        row.Key = result.Key;
        if (store)
            cache.StoreKey(key, result.Key, kVxKeyAnalysisVersion);
    }
    if ((result.Parts & kVxLoudnessPart) != 0) {
        row.LoudnessVersion = kVxLoudnessAnalysisVersion;
        row.Loudness = result.Loudness;
        if (store)
            cache.StoreLoudness(key, result.Loudness, kVxLoudnessAnalysisVersion);
    }
}

} // namespace

// The cached analysis of path, its missing parts analysed in one pass and
// stored in the cache; unknown when the analysis was stopped.
TVxSongTempo TVxTempoWorker::TempoFor(const std::string& path) {
    TVxSongTempo tempo;
    const auto key = VxFileKeyOf(path);
    if (!key) {
        tempo.Known = true;
        return tempo;
    }
    std::optional<TVxCachedTempo> cached = cache_.Lookup(*key);
    if (const unsigned missing = MissingParts(cached); missing != 0) {
        TVxDecoderSet decoders;
        TVxAnalysisResult result = VxAnalyzeSong(decoders, path.c_str(), range_, cancel_, missing);
        if (result.Status == TVxAnalysisStatus::Cancelled)
            return tempo;
        // An unreadable song is known to have nothing to find.
        result.Parts = missing;
        if (!cached)
            cached.emplace();
        TakeResult(result, *key, cache_, *cached);
    }
    return SongTempoOf(*cached);
}

// What the window shows of a cached song.
TVxSongTempo TVxTempoWorker::SongTempoOf(const TVxCachedTempo& cached) const {
    TVxSongTempo tempo;
    tempo.Known = true;
    tempo.Tapped = cached.UserBpm > 0;
    tempo.Bpm = cached.BpmIn(range_);
    tempo.FirstBeatMs = cached.Detected.FirstBeatMs;
    tempo.Key = cached.MusicKey();
    tempo.Loudness = cached.Loudness;
    return tempo;
}

void TVxTempoWorker::Publish(const TJob& job, const TVxSongTempo& tempo) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const bool deckSong = job.Path == songPath_;
        // Stopped, or the user tapped the deck's song while it ran.
        if (!tempo.Known || (deckSong && songTempo_.Tapped))
            return;
        found_.emplace_back(job.Path, tempo);
        // Only the deck's own job sets its tempo, unless the song changed,
        // was closed or opened again meanwhile.
        const bool songNews = job.Song && deckSong && !songPending_;
        if (songNews) {
            songTempo_ = tempo;
            ++generation_;
        }
        if (newsHook_)
            newsHook_();
    }
}
