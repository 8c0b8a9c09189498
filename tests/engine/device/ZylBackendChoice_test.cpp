// Which back end the environment picks, what latency each asks for, and what
// a user reads when the chosen sound server is not there.
#include "DeviceTestSupport.h"
#include "diag/Diag.h"
#include "engine/device/ZylAudioConfig.h"
#include "engine/device/ZylDS.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

TEST(AudioChoice, EveryNameOfTheEnvironmentPicksItsBackEnd) {
    struct TCase {
        const char* Value;
        TZylBackendKind Kind;
        const char* HostApi;
        const char* Capture;
    };
    const TCase cases[] = {
        {nullptr, TZylBackendKind::Auto, "", ""},
        {"", TZylBackendKind::Auto, "", ""},
        {"pipewire", TZylBackendKind::PipeWire, "", ""},
        {"pulse", TZylBackendKind::Pulse, "", ""},
        {"portaudio", TZylBackendKind::PortAudio, "", ""},
        {"portaudio:JACK Audio", TZylBackendKind::PortAudio, "JACK Audio", ""},
        {"jack", TZylBackendKind::Jack, "", ""},
        {"null", TZylBackendKind::Null, "", ""},
        {"null:capture=/tmp/a b.wav", TZylBackendKind::Null, "", "/tmp/a b.wav"},
        // Near misses are nobody's name: the player picks by itself.
        {"PipeWire", TZylBackendKind::Auto, "", ""},
        {"pulseaudio", TZylBackendKind::Auto, "", ""},
        {"jack:", TZylBackendKind::Auto, "", ""},
    };
    for (const TCase& c : cases) {
        const TZylAudioChoice choice = ZylParseAudioChoice(c.Value);
        const std::string name = c.Value != nullptr ? c.Value : "(unset)";
        EXPECT_EQ(choice.Kind, c.Kind) << name;
        EXPECT_EQ(choice.HostApi, c.HostApi) << name;
        EXPECT_EQ(choice.CapturePath, c.Capture) << name;
    }
}

TEST(AudioChoice, LatencyIsTheSettingOrAtLeastTenMillisecondsAndTheServersOwn) {
    struct TCase {
        int Setting;
        double ServerMs;
        double Expected;
    };
    const TCase cases[] = {
        {0, 0.0, 10.0},  {0, 5.33, 10.0}, {0, 21.33, 21.33}, {0, 100.0, 100.0},
        {5, 21.33, 5.0}, {10, 0.0, 10.0}, {20, 5.0, 20.0},   {40, 100.0, 40.0},
    };
    for (const TCase& c : cases)
        EXPECT_DOUBLE_EQ(ZylChooseLatencyMs(c.Setting, c.ServerMs), c.Expected)
            << c.Setting << " ms asked, " << c.ServerMs << " ms preferred";
    for (int stored : {0, 5, 10, 20, 40, 7, -5, 1000}) {
        ZylSetLatencySetting(stored);
        const bool offered =
            stored == 0 || stored == 5 || stored == 10 || stored == 20 || stored == 40;
        EXPECT_EQ(ZylLatencySetting(), offered ? stored : 0) << stored;
    }
    ZylSetLatencySetting(0);
}

// Each server named but absent: the open fails with the server's own name
// and the real reason, in words, never a platform result code.
TEST(AudioChoice, AnAbsentServerIsNamedWithItsReason) {
    char folder[] = "/tmp/vx-no-server-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string jackName = "vx-no-server-" + std::to_string(getpid());
    ScopedEnv runtime("XDG_RUNTIME_DIR", folder);
    ScopedEnv pulse("PULSE_SERVER", nullptr);
    ScopedEnv remote("PIPEWIRE_REMOTE", nullptr);
    ScopedEnv jack("JACK_DEFAULT_SERVER", jackName.c_str());
    const std::pair<const char*, const char*> cases[] = {
        {"pipewire", "The PipeWire server is not running."},
        {"pulse", "The PulseAudio server is not running."},
        {"jack", "The JACK server is not running."},
    };
    for (const auto& [backend, reason] : cases) {
        ScopedEnv env("VEXALINE_AUDIO", backend);
        TZylAudioTAG audio;
        EXPECT_EQ(audio.Open(TZylAudioParams()), -1) << backend;
        const std::string message = DiagLastMessage();
        EXPECT_EQ(message.find(reason), 0u) << message;
        EXPECT_EQ(message.find("DSERR"), std::string::npos) << message;
    }
    rmdir(folder);
}

} // namespace
