// The JACK MIDI client on a JACK server of the test's own (dummy driver, a
// unique name): a burst of a thousand messages arrives whole and in order,
// the descriptor stays quiet while nothing is sent, and a sender's port
// coming and going is announced.
#include "control/midi/VxJackMidi.h"
#include "tests/control/JackMidiSender.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>

extern char** environ;

namespace {

// A jackd of the test's own, ended by its process id.
class TJackServer {
public:
    TJackServer() {
        // One name per build: a server that died without unregistering is
        // reclaimed by the next run instead of filling the machine's slots.
        name_ = "vx-midi-test-" + std::to_string(std::hash<std::string>{}(VX_TEST_BINARY_DIR));
        setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
        setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
        std::vector<std::string> args = {"jackd", "--no-realtime", "-n", name_, "-d", "dummy",
                                         "-r",    "44100",         "-p", "128"};
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        if (posix_spawnp(&pid_, "jackd", &actions, nullptr, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~TJackServer() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool Started() const { return pid_ > 0; }

private:
    std::string name_;
    pid_t pid_ = -1;
};

bool Readable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) == 1;
}

// Opens the client once the server answers.
bool OpenWhenReady(TVxJackMidi& midi) {
    std::string error;
    for (int i = 0; i < 100; ++i) {
        if (midi.Open("vx-midi-under-test", error))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

TEST(JackMidi, BurstArrivesWholeInOrderAndIdleWakesNobody) {
    TJackServer server;
    if (!server.Started())
        GTEST_SKIP() << "jackd cannot be started here";
    TVxJackMidi midi;
    ASSERT_TRUE(OpenWhenReady(midi)) << "no JACK server answered";
    const int device = midi.AddDevice("Burst Pad");
    ASSERT_EQ(device, 0);

    TJackMidiSender sender;
    ASSERT_TRUE(sender.Open("burst-pad"));
    // The sender's port appearing was announced.
    // The wait is only an upper bound: a loaded machine starves the server.
    ASSERT_TRUE(Readable(midi.NotifyFd(), 20000));
    EXPECT_TRUE(midi.Drain([](int, const std::uint8_t*, std::size_t) {}));
    bool listed = false;
    for (const auto& names : midi.OtherPorts(true))
        listed = listed || names.front() == sender.PortName();
    ASSERT_TRUE(listed);
    ASSERT_TRUE(midi.ConnectSource(sender.PortName(), device));
    ASSERT_TRUE(sender.WaitConnected(std::chrono::seconds(5)));
    midi.Drain([](int, const std::uint8_t*, std::size_t) {});

    // Nothing sent: nothing to read for a while.
    EXPECT_FALSE(Readable(midi.NotifyFd(), 300));

    constexpr int kCount = 1000;
    for (int i = 0; i < kCount; ++i)
        sender.Send({static_cast<std::uint8_t>(0xB0 | (i % 16)),
                     static_cast<std::uint8_t>((i / 16) % 128),
                     static_cast<std::uint8_t>(i % 128)});
    std::vector<int> seen;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (seen.size() < kCount && std::chrono::steady_clock::now() < end) {
        if (!Readable(midi.NotifyFd(), 500))
            continue;
        midi.Drain([&](int port, const std::uint8_t* data, std::size_t size) {
            ASSERT_EQ(port, device);
            ASSERT_EQ(size, 3u);
            const int index = (data[0] & 0x0F) + 16 * data[1];
            EXPECT_EQ(data[2], index % 128);
            seen.push_back(index);
        });
    }
    ASSERT_EQ(seen.size(), std::size_t(kCount));
    for (int i = 0; i < kCount; ++i)
        ASSERT_EQ(seen[i], i) << "message " << i;
    EXPECT_EQ(midi.Dropped(), 0u);
}

} // namespace
