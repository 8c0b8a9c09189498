// The list view's window-thread cost per change at 1,000, 10,000 and 100,000
// entries, on the offscreen platform: a track change, a move, and the merge
// of a scan's batch of 100 additions, each with the repaint it causes and
// the hand-over of the list to the tempo worker, as the window does it; a
// page of scrolling; and the hand-over alone. The second argument is 0 for
// the tempo column alone, 1 for the tempo, key and loudness columns with the
// marks of the songs that mix with the deck's: the cost the facts add. Then
// what a new deck song (every mark anew) and the sorts by the facts cost.
// The figure is us_per_change, CPU time of the window thread.
#include "analysis/VxTempoWorker.h"
#include "frontend/VxPlaylistFacts.h"
#include "frontend/VxTempoFeed.h"
#include "frontend/config/GlobalConfig.h"
#include "playlist/view/ZylPlaylistView.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QScrollBar>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace {

namespace fs = std::filesystem;

void EnsureApplication() {
    static QApplication* application = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "playlist_panel_bench";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    (void)application;
}

// An m3u of count songs that need not exist (no check for existence).
std::string WriteList(const std::string& name, int first, int count) {
    const fs::path path = fs::temp_directory_path() / name;
    std::ofstream out(path);
    for (int i = first; i < first + count; ++i)
        out << "/music/Artist " << i % 97 << " - Title of song " << i << ".mp3\n";
    return path.string();
}

double ThreadCpuUs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

void WaitForScan(TZylPlaylistView& view) {
    while (view.Playlist().GetScanning())
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// Every song's facts, of every key and tempo around 124 BPM, as the worker
// reports them.
TVxTempoWorker::TFound FactsOf(const TZylPlaylist& list) {
    TVxTempoWorker::TFound found;
    for (int i = 0; i < list.GetCount(); ++i) {
        TVxSongTempo facts;
        facts.Known = true;
        facts.Bpm = 110 + i % 29;
        facts.Key = 1 + i % kVxKeyCount;
        facts.Loudness.Known = true;
        facts.Loudness.Lufs = -20 + (i % 130) / 10.0;
        found.emplace_back(list.GetSongInfo(i).FileName, facts);
    }
    return found;
}

// A shown panel-sized view holding count entries, whose changes reach a
// tempo worker that is kept from analysing (the songs do not exist). With
// all facts, every column shows and the first song is the deck's.
struct TFilledView {
    explicit TFilledView(int count, bool allFacts = false) {
        Worker.SetBackgroundAllowed(false);
        Config.ListLoudnessColumn.Value = allFacts ? 1 : 0;
        Config.ListKeyColumn.Value = allFacts ? 1 : 0;
        Panel.ApplySettings();
        View.resize(384, 240);
        View.show();
        TZylPlaylist& list = View.Playlist();
        list.SetExtensions({"mp3"});
        list.PlaylistExt = "m3u";
        list.OnListChange = [this](TZylPlaylist& changed) { Feed.ListChanged(changed, Worker); };
        list.LoadFromFile(WriteList("panel-bench.m3u", 0, count));
        WaitForScan(View);
        Panel.Take(FactsOf(list));
        if (allFacts)
            Panel.SetDeckSong(list.GetSongInfo(0).FileName);
        View.scrollTo(View.model()->index(count / 2, 0));
        QApplication::processEvents();
    }
    // The change, then the repaint of the rows it asked for, in CPU
    // time of the window thread (the machine may be busy with other work).
    template <typename Change> double TimedUs(Change change) {
        const double start = ThreadCpuUs();
        change();
        // Paints what the change marked for redrawing, as the event loop does.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        return ThreadCpuUs() - start;
    }
    struct TApplication {
        TApplication() { EnsureApplication(); }
    } Application; // before the view
    TVxTempoWorker Worker{std::string(), {}};
    TVxTempoFeed Feed;
    TZylPlaylistView View;
    TGlobalConfigTAG Config;
    TVxPlaylistFacts Panel{View, Config};
};

void Report(benchmark::State& state, double totalUs) {
    state.counters["us_per_change"] =
        benchmark::Counter(totalUs, benchmark::Counter::kAvgIterations);
}

void BM_TrackChange(benchmark::State& state) {
    TFilledView filled(static_cast<int>(state.range(0)), state.range(1) != 0);
    TZylPlaylist& list = filled.View.Playlist();
    double total = 0;
    int target = 0;
    for (auto _ : state) {
        target = (target + 7919) % list.GetCount();
        total += filled.TimedUs([&] { list.JumpTo(target); });
    }
    Report(state, total);
}

void BM_Move(benchmark::State& state) {
    TFilledView filled(static_cast<int>(state.range(0)), state.range(1) != 0);
    TZylPlaylist& list = filled.View.Playlist();
    const int count = list.GetCount();
    double total = 0;
    int from = 0;
    for (auto _ : state) {
        from = (from + 7919) % count;
        total += filled.TimedUs([&] { list.MoveItem(from, (from + count / 3) % count); });
    }
    Report(state, total);
}

// The scan runs on its own thread; what is timed is the window thread taking
// its finished batch: the merge, the view's update and the repaint.
void BM_ScanBatchOf100(benchmark::State& state) {
    TFilledView filled(static_cast<int>(state.range(0)), state.range(1) != 0);
    TZylPlaylist& list = filled.View.Playlist();
    double total = 0;
    int next = 1000000;
    for (auto _ : state) {
        list.AddFiles(WriteList("panel-batch.m3u", next, 100), list.GetCount() / 2);
        next += 100;
        // The list greys out when the scan starts: that repaint is the
        // start's, not the merge's.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        // Long enough for the scan thread to finish and hand the batch over.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        total += filled.TimedUs([&] { QApplication::processEvents(); });
        WaitForScan(filled.View);
    }
    Report(state, total);
}

// Scrolling by a page: the rows that come into view are read and drawn.
void BM_ScrollPage(benchmark::State& state) {
    TFilledView filled(static_cast<int>(state.range(0)));
    QScrollBar* bar = filled.View.verticalScrollBar();
    double total = 0;
    for (auto _ : state) {
        const int next = bar->value() + bar->pageStep();
        total += filled.TimedUs([&] { bar->setValue(next > bar->maximum() ? 0 : next); });
    }
    Report(state, total);
}

// The list changed (here: its order): what handing it to the tempo worker
// costs the window thread.
void BM_TempoHandOver(benchmark::State& state) {
    TFilledView filled(static_cast<int>(state.range(0)));
    TZylPlaylist& list = filled.View.Playlist();
    const int count = list.GetCount();
    double total = 0;
    int from = 0;
    for (auto _ : state) {
        from = (from + 7919) % count;
        list.MoveItem(from, (from + count / 3) % count);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest); // the move's own
        total += filled.TimedUs([&] { filled.Feed.ListChanged(list, filled.Worker); });
    }
    Report(state, total);
}

// Another deck song: every shown row's mark anew.
void BM_DeckSongChange(benchmark::State& state) {
    TFilledView filled(static_cast<int>(state.range(0)), true);
    TZylPlaylist& list = filled.View.Playlist();
    double total = 0;
    int deck = 0;
    for (auto _ : state) {
        deck = (deck + 7919) % list.GetCount();
        total += filled.TimedUs([&] { filled.Panel.SetDeckSong(list.GetSongInfo(deck).FileName); });
    }
    Report(state, total);
}

// A sort by a fact, from the order the songs were added, with its repaint.
void BM_SortBy(benchmark::State& state) {
    TFilledView filled(static_cast<int>(state.range(0)), true);
    TZylPlaylist& list = filled.View.Playlist();
    const auto sort = static_cast<TVxFactSort>(state.range(1));
    double total = 0;
    for (auto _ : state) {
        list.SortBy(TZylPlaylist::psUnsorted);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
        total += filled.TimedUs([&] { filled.Panel.SortBy(sort); });
    }
    Report(state, total);
}

BENCHMARK(BM_DeckSongChange)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SortBy)
    ->ArgsProduct({{10000, 100000},
                   {static_cast<int>(TVxFactSort::Bpm), static_cast<int>(TVxFactSort::Key),
                    static_cast<int>(TVxFactSort::Compatible)}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TempoHandOver)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScrollPage)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TrackChange)
    ->ArgsProduct({{1000, 10000, 100000}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Move)->ArgsProduct({{1000, 10000, 100000}, {0, 1}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScanBatchOf100)
    ->ArgsProduct({{1000, 10000, 100000}, {0, 1}})
    ->Iterations(20)
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
