// The real deck window on the offscreen platform: a player system ticked by
// hand on a hand-stepped Null device, a clock the test advances, settings in
// a folder of the test's own, and message boxes answered by the test.
#pragma once

#include "analysis/VxTempoWorker.h"
#include "controls/ZylButton.h"
#include "controls/ZylKnob.h"
#include "controls/ZylLabel.h"
#include "controls/ZylSlider.h"
#include "diag/Diag.h"
#include "engine/VxClock.h"
#include "engine/device/ZylNull.h"
#include "frontend/MainForm.h"
#include "frontend/config/GlobalConfig.h"
#include "playlist/view/ZylPlaylistView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QTest>
#include <QToolTip>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace formtest {

namespace fs = std::filesystem;

class TManualClock final : public TVxClock {
public:
    std::uint64_t NowMs() override { return Now; }
    void SleepMs(unsigned ms) override { Now += ms; }
    std::uint64_t Now = 5000000;
};

inline fs::path WorkDir() {
    return fs::path(VX_TEST_BINARY_DIR) / "frontend-work";
}

// Once per process: the toolkit, the hand-stepped sound, a private settings
// folder. The application lives until the process ends: destroying it among
// the static objects at exit would outlive the toolkit's own.
inline void EnsureApplication() {
    static QApplication* application = [] {
        fs::create_directories(WorkDir() / "config");
        // A runtime folder must be private to its user.
        fs::permissions(WorkDir(), fs::perms::owner_all, fs::perm_options::replace);
        ::setenv("XDG_CONFIG_HOME", (WorkDir() / "config").c_str(), 1);
        ::setenv("XDG_RUNTIME_DIR", WorkDir().c_str(), 1);
        ::setenv("XDG_CACHE_HOME", (WorkDir() / "cache").c_str(), 1);
        ::setenv("VEXALINE_AUDIO", "null", 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        ZylNullSetHandStepped(true);
        static int argc = 1;
        static char name[] = "frontend_tests";
        static char* argv[] = {name, nullptr};
        return new QApplication(argc, argv);
    }();
    (void)application;
}

// The header of a PCM WAV file whose data follows it.
inline void WriteWavHeader(std::ofstream& out, std::uint16_t channels, std::uint32_t rate,
                           std::uint16_t bits, std::uint32_t dataBytes) {
    auto u32 = [&](std::uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](std::uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const auto blockAlign = static_cast<std::uint16_t>(channels * bits / 8);
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(channels);
    u32(rate);
    u32(rate * blockAlign);
    u16(blockAlign);
    u16(bits);
    out.write("data", 4);
    u32(dataBytes);
}

// A 16-bit stereo 44.1 kHz WAV file with a tone, lengthMs long.
inline std::string MakeWav(const std::string& name, unsigned lengthMs) {
    const fs::path path = WorkDir() / "songs" / name;
    fs::create_directories(path.parent_path());
    const std::uint32_t frames = 44100u * lengthMs / 1000u;
    std::ofstream out(path, std::ios::binary);
    WriteWavHeader(out, 2, 44100, 16, frames * 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto sample = static_cast<std::int16_t>(8000 * std::sin(i * 2 * M_PI * 440 / 44100));
        for (int channel = 0; channel < 2; ++channel)
            out.write(reinterpret_cast<const char*>(&sample), 2);
    }
    return path.string();
}

inline fs::path SettingsFile() {
    return WorkDir() / "config" / "Zyl" / "Vexaline" / "Velm.reg";
}

inline std::string MakeGarbage(const std::string& name) {
    const fs::path path = WorkDir() / "songs" / name;
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "this is no audio at all, just text in a file that claims to be one";
    return path.string();
}

// Whether every line of a hint is at most maxWidth wide in the hint font, or
// a single word; a line is never a bullet alone.
inline bool FitsHintWidth(const QString& hint, int maxWidth) {
    const QFontMetrics metrics(QToolTip::font());
    for (const QString& line : hint.split(QLatin1Char('\n'))) {
        const QString words = line.trimmed();
        if (words == QLatin1String("-"))
            return false;
        if (metrics.horizontalAdvance(line) > maxWidth && words.contains(QLatin1Char(' ')))
            return false;
    }
    return true;
}

struct TRecordedBox {
    std::string Caption;
    std::string Text;
};

inline std::vector<TRecordedBox>& RecordedBoxes() {
    static std::vector<TRecordedBox> boxes;
    return boxes;
}

inline int& BoxAnswer() {
    static int answer = kDiagIdOk;
    return answer;
}

inline int RecordBox(unsigned, const char* caption, const char* text) {
    RecordedBoxes().push_back({caption, text});
    return BoxAnswer();
}

class TDeck {
public:
    // prepare sees the settings record and the platform before the window
    // is created.
    using TPrepare = std::function<void(TGlobalConfigTAG&, TVxFormPlatform&)>;

    explicit TDeck(const QStringList& arguments = {}, const TPrepare& prepare = {})
        : TDeck(Utf8Names(arguments), false, prepare) {}

    // Arguments as the system's bytes, as main passes them; a deck without
    // sound output finds no device at all.
    explicit TDeck(std::vector<std::string> arguments, bool withoutSoundOutput = false,
                   const TPrepare& prepare = {}) {
        EnsureApplication();
        DiagSetMessageBoxHandler(RecordBox);
        RecordedBoxes().clear();
        BoxAnswer() = kDiagIdOk;
        std::error_code ignored;
        fs::remove_all(WorkDir() / "config" / "Zyl", ignored);
        TVxFormPlatform platform;
        platform.Clock = &Clock;
        platform.ManualWorker = true;
        platform.TempoAtLowPriority = false;
        platform.CtrlDown = [this] { return CtrlDown; };
        platform.RunOpenDialog = [this](QFileDialog& dialog) {
            return OpenDialog ? OpenDialog(dialog) : QStringList();
        };
        if (withoutSoundOutput)
            platform.EnumerateDevices = [](TZylDeviceList&) {};
        if (prepare)
            prepare(Config, platform);
        Form = std::make_unique<TMainForm>(Config, std::move(arguments), platform);
        // The sound outputs are taken as the window would once they are
        // listed: the songs named at start then open.
        Form->FormCreate();
        Created = Form->WaitForDevices();
        // The deck is driven by hand: the timer's ticks come from Run.
        Form->TimerUpdate.Stop();
        WaitForScan();
    }

    // Starts the deck from a settings file holding text.
    static TPrepare StoredSettings(std::string text) {
        return [text = std::move(text)](TGlobalConfigTAG&, TVxFormPlatform&) {
            fs::create_directories(SettingsFile().parent_path());
            std::ofstream(SettingsFile()) << text;
        };
    }

    static std::vector<std::string> Utf8Names(const QStringList& names) {
        std::vector<std::string> bytes;
        for (const QString& name : names)
            bytes.push_back(name.toStdString());
        return bytes;
    }

    TVxSystemTAG& System() { return Form->System(); }
    TZylPlaylist& List() { return Form->Playlist(); }

    // The worker's 20 ms tick, the device playing what it was given, and the
    // window's update timer every other tick (37 ms against 20).
    void Run(unsigned ms) {
        for (unsigned t = 0; t < ms; t += TVxSystemTAG::TickMs) {
            System().Tick();
            ZylNullStep(44100 * TVxSystemTAG::TickMs / 1000, nullptr);
            Clock.Now += TVxSystemTAG::TickMs;
            if ((t / TVxSystemTAG::TickMs) % 2 == 1)
                Timer();
        }
    }

    // Runs until the condition holds; false when it never did.
    bool RunUntil(const std::function<bool()>& condition, unsigned limitMs = 20000) {
        for (unsigned t = 0; t < limitMs; t += 40) {
            if (condition())
                return true;
            Run(40);
        }
        return condition();
    }

    void Timer() {
        Form->TimerUpdateTimer();
        // The deck is driven by hand: the window's own timer stays off.
        Form->TimerUpdate.Stop();
    }

    void WaitForScan() {
        QElapsedTimer waited;
        waited.start();
        do
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        while (List().GetScanning() && waited.elapsed() < 10000);
        QCoreApplication::processEvents();
        Form->TimerUpdate.Stop();
    }

    void Add(const QStringList& files) {
        List().AddFiles(Utf8Names(files), TZylPlaylist::kReplace);
        WaitForScan();
    }

    // Real mouse presses on the deck's controls.
    static void Press(QWidget* control) { QTest::mousePress(control, Qt::LeftButton); }
    static void Release(QWidget* control) { QTest::mouseRelease(control, Qt::LeftButton); }
    static void Click(QWidget* control) {
        Press(control);
        Release(control);
    }

    std::string Message2() const { return Form->LabelMessage2->GetCaption().toStdString(); }
    std::uint8_t State() { return System().State; }
    std::uint32_t PositionMs() {
        TVxTimeInfo time;
        System().GetTimeInfo(time);
        return time.PositionMs;
    }

    TManualClock Clock;
    TGlobalConfigTAG Config;
    bool CtrlDown = false;
    std::function<QStringList(QFileDialog&)> OpenDialog;
    std::unique_ptr<TMainForm> Form;
    bool Created = false;
};

} // namespace formtest
