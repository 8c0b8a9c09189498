// The ALSA sequencer client, where the machine has a sequencer: a sender's
// port appearing is announced, and a burst of a thousand messages arrives
// whole and in order. Without /dev/snd/seq the test is skipped and says so.
#include "control/midi/VxAlsaMidi.h"

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

namespace {

bool Readable(int fd, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    return poll(&p, 1, timeoutMs) == 1;
}

TEST(AlsaMidi, BurstArrivesWholeInOrder) {
    if (access(TVxAlsaMidi::kDevice, R_OK | W_OK) != 0)
        GTEST_SKIP() << "no ALSA sequencer on this machine (" << TVxAlsaMidi::kDevice
                     << " is missing or closed to this user)";
    TVxAlsaMidi midi;
    std::string error;
    ASSERT_TRUE(midi.Open("vx-alsa-under-test", error)) << error;
    const int device = midi.AddDevice("Burst Pad");
    ASSERT_EQ(device, 0);

    snd_seq_t* sender = nullptr;
    ASSERT_GE(snd_seq_open(&sender, "default", SND_SEQ_OPEN_OUTPUT, 0), 0);
    snd_seq_set_client_name(sender, "burst-pad");
    const int port = snd_seq_create_simple_port(
        sender, "out", SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ,
        SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    ASSERT_GE(port, 0);
    ASSERT_TRUE(Readable(midi.NotifyFd(), 2000));
    EXPECT_TRUE(midi.Drain([](int, const std::uint8_t*, std::size_t) {}));
    ASSERT_TRUE(midi.ConnectSource("burst-pad:out", device));

    constexpr int kCount = 1000;
    for (int i = 0; i < kCount; ++i) {
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        snd_seq_ev_set_source(&event, port);
        snd_seq_ev_set_subs(&event);
        snd_seq_ev_set_direct(&event);
        snd_seq_ev_set_controller(&event, i % 16, (i / 16) % 128, i % 128);
        ASSERT_GE(snd_seq_event_output(sender, &event), 0);
        if (i % 100 == 99)
            snd_seq_drain_output(sender);
    }
    snd_seq_drain_output(sender);
    std::vector<int> seen;
    for (int waits = 0; seen.size() < kCount && waits < 20; ++waits) {
        if (!Readable(midi.NotifyFd(), 500))
            continue;
        midi.Drain([&](int from, const std::uint8_t* data, std::size_t size) {
            ASSERT_EQ(from, device);
            ASSERT_EQ(size, 3u);
            EXPECT_EQ(data[2], ((data[0] & 0x0F) + 16 * data[1]) % 128);
            seen.push_back((data[0] & 0x0F) + 16 * data[1]);
        });
    }
    snd_seq_close(sender);
    ASSERT_EQ(seen.size(), std::size_t(kCount));
    for (int i = 0; i < kCount; ++i)
        ASSERT_EQ(seen[i], i) << "message " << i;
}

} // namespace
