// Key lock on the deck, ticked by hand on the hand-stepped Null device with
// fixtures made by sox: the key stays at ±8 %, the tempo follows the pitch
// without drift, transients survive and land where the tempo puts them,
// cues land on their sample, switching while playing neither clicks nor
// jumps, and at pitch 0 the samples pass untouched.
#include "EngineTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace enginetest;

namespace {

class KeyLockFixtures {
public:
    KeyLockFixtures() {
        char pattern[] = "/tmp/vx-keylock-XXXXXX";
        Dir = mkdtemp(pattern);
        // Odd lengths; a sine, a click every 0.4371 s, and a chord in noise.
        Make("sine.wav", "synth 31.737 sine 1000 gain -6");
        Make("clicks.wav", "synth 0.0007 square 1000 gain -3 pad 0.0503 0.3861 repeat 44");
        Make("chord.wav", "synth 9.371 sine 261.63 sine 329.63 synth 9.371 sine mix 392 synth "
                          "9.371 whitenoise mix gain -12");
    }
    ~KeyLockFixtures() { std::system(("rm -rf " + Dir).c_str()); }
    std::string Path(const char* name) const { return Dir + "/" + name; }

private:
    void Make(const char* name, const char* effects) {
        const std::string command =
            "sox -R -D -n -r 44100 -c 2 -b 16 " + Path(name) + " " + effects + " >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
    }
    std::string Dir;
};

const KeyLockFixtures& Fixtures() {
    static const KeyLockFixtures fixtures;
    return fixtures;
}

std::vector<double> LeftChannel(const std::vector<int16_t>& stereo) {
    std::vector<double> left(stereo.size() / 2);
    for (size_t i = 0; i < left.size(); ++i)
        left[i] = stereo[2 * i] / 32768.0;
    return left;
}

// The frequency of a steady tone from its rising zero crossings, each placed
// between its two samples.
double ToneFrequency(const std::vector<double>& x, size_t from, size_t to) {
    double first = -1.0;
    double last = -1.0;
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i) {
        if (x[i - 1] < 0.0 && x[i] >= 0.0) {
            const double at = (i - 1) + x[i - 1] / (x[i - 1] - x[i]);
            if (first < 0.0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * double(kRate) / (last - first) : 0.0;
}

// Output frames where a click begins: the level rises past threshold after
// at least gap frames below it.
std::vector<size_t> Onsets(const std::vector<double>& x, double threshold, size_t gap) {
    std::vector<size_t> onsets;
    size_t quiet = gap;
    for (size_t i = 0; i < x.size(); ++i) {
        if (std::fabs(x[i]) >= threshold) {
            if (quiet >= gap)
                onsets.push_back(i);
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return onsets;
}

class KeyLockDeck : public TDeck {
public:
    // Opens the file with key lock on at pitch, playing from startMs.
    void Start(const std::string& path, int pitch, bool keyLock, uint32_t startMs = 0) {
        System->SetKeyLock(keyLock);
        ASSERT_EQ(System->OpenSong(path.c_str(), false), 0);
        System->SetPitch(pitch);
        if (startMs)
            System->SetPosition(startMs);
        System->PlayPause();
        System->Tick();
    }
    // Steps until the song of seconds has ended at pitch, plus a little.
    void PlayToEnd(double seconds, int pitch) {
        Step(static_cast<int>((seconds / (1.0 + pitch / 100000.0) + 0.3) * 50));
    }
    uint32_t Latency() { return System->Song.Buffer.KeyLockLatencyFrames(); }
};

// +8 % as the deck plays it: 47627 Hz for a 44100 Hz song.
constexpr double kPlus8 = 47627.0 / kRate;

} // namespace

// The tone keeps its frequency to a tenth of a cent either way, and the
// song lasts its length over the speed: the queue's positions and the
// stretcher's output agree, so the end comes when the position says.
TEST(KeyLock, KeepsTheKeyAndTheTempoFollowsThePitch) {
    for (const int pitch : {8000, -8000}) {
        SCOPED_TRACE(pitch);
        KeyLockDeck deck;
        deck.Start(Fixtures().Path("sine.wav"), pitch, true);
        deck.PlayToEnd(31.737, pitch);
        const std::vector<double> x = LeftChannel(deck.Output);
        const double hz = ToneFrequency(x, kRate * 2, kRate * 25);
        EXPECT_NEAR(1200.0 * std::log2(hz / 1000.0), 0.0, 0.1) << hz << " Hz";
        // The last frame of the tone, where its level falls below half.
        size_t end = x.size();
        while (end > 0 && std::fabs(x[end - 1]) < 0.25)
            --end;
        // The speed the deck really plays at: its frequency to the hertz.
        const double speed = deck.System->PitchInfo.Frequency / double(kRate);
        const double expected = 31.737 * kRate / speed;
        // 1 ms per minute of song, and half a period of the tone: the last
        // loud sample lies somewhere in the tone's last half cycle.
        EXPECT_NEAR(double(end), expected, kRate * (0.0005 + 0.0005))
            << (end - expected) << " frames off";
    }
}

// Every click of the train is there at +8 %, its loudest frame within 2 ms
// of where the tempo puts the click, from the first to the last (no drift
// over the song).
TEST(KeyLock, ClicksArriveOnTime) {
    KeyLockDeck deck;
    deck.Start(Fixtures().Path("clicks.wav"), 8000, true);
    deck.PlayToEnd(19.72, 8000);
    const std::vector<double> x = LeftChannel(deck.Output);
    const auto window = static_cast<size_t>(kRate * 0.01);
    for (int k = 0; k < 45; ++k) {
        const double expected = (0.0503 + k * 0.4371) * kRate / kPlus8;
        const auto from = static_cast<size_t>(expected) - window;
        size_t loudest = from;
        for (size_t i = from; i < from + 2 * window && i < x.size(); ++i)
            if (std::fabs(x[i]) > std::fabs(x[loudest]))
                loudest = i;
        EXPECT_GE(std::fabs(x[loudest]), 0.25) << "click " << k << " missing";
        EXPECT_NEAR(double(loudest), expected, kRate * 0.002) << "click " << k;
    }
}

// A cue, a seek while playing and the search loop's jump back land on the
// requested sample: the first click after each arrives within 1 ms of where
// it does without key lock.
TEST(KeyLock, CueSeekAndLoopJumpLandOnTheRequestedSample) {
    auto firstClicks = [](bool keyLock) {
        KeyLockDeck deck;
        deck.Start(Fixtures().Path("clicks.wav"), 8000, keyLock, 1700);
        deck.Step(30);
        deck.System->SetPosition(4003); // a seek while playing
        deck.Step(30);
        deck.System->CuePress(); // back to the cue point the seek set
        deck.Step(5);
        deck.System->PlayPause();
        deck.Step(30);
        return Onsets(LeftChannel(deck.Output), 0.4, kRate / 10);
    };
    const std::vector<size_t> plain = firstClicks(false);
    const std::vector<size_t> locked = firstClicks(true);
    ASSERT_EQ(plain.size(), 4u);
    ASSERT_EQ(locked.size(), plain.size());
    for (size_t k = 0; k < plain.size(); ++k)
        EXPECT_NEAR(double(locked[k]), double(plain[k]), kRate * 0.001) << "click " << k;
}

// Switching key lock while playing: no step in the waveform beyond the
// music's own (a pure tone, whose own steps are small, so that a missing or
// doubled fade stands out), no gap, and the position runs on at the tempo.
TEST(KeyLock, SwitchingWhilePlayingNeitherClicksNorJumps) {
    KeyLockDeck deck;
    deck.Start(Fixtures().Path("sine.wav"), 8000, false, 1000);
    deck.Step(50);
    const size_t first = deck.Output.size() / 2;
    std::vector<size_t> switches;
    uint32_t last = deck.Time().PositionMs;
    for (int round = 0; round < 6; ++round) {
        switches.push_back(deck.Output.size() / 2);
        deck.System->SetKeyLock(round % 2 == 0);
        for (int t = 0; t < 13; ++t) {
            deck.Step();
            const uint32_t now = deck.Time().PositionMs;
            EXPECT_NEAR(double(now - last), 20 * kPlus8, 1.5) << "round " << round;
            last = now;
        }
    }
    // The largest step between samples near a switch, and elsewhere.
    const std::vector<double> x = LeftChannel(deck.Output);
    const size_t near = kRate / 50;
    double atSwitch = 0.0;
    double own = 0.0;
    size_t quiet = 0;
    size_t longestQuiet = 0;
    for (size_t i = first; i < x.size(); ++i) {
        const bool nearSwitch = std::any_of(switches.begin(), switches.end(), [&](size_t s) {
            return i + near >= s && i < s + near;
        });
        double& worst = nearSwitch ? atSwitch : own;
        worst = std::max(worst, std::fabs(x[i] - x[i - 1]));
        quiet = std::fabs(x[i]) < 0.01 ? quiet + 1 : 0;
        longestQuiet = std::max(longestQuiet, quiet);
    }
    // A crossfade between the two pitches adds at most the tone's span
    // (twice its amplitude of 0.5) spread over the ramp.
    EXPECT_LE(atSwitch, own + 1.0 / kRampFrames)
        << "at a switch " << atSwitch << ", elsewhere " << own;
    EXPECT_LT(longestQuiet, kRate / 100);
}

// At pitch 0 the stretcher stands aside: the samples play untouched, also
// after the pitch went away from 0 and came back.
TEST(KeyLock, PitchZeroStaysBitTransparent) {
    const std::string path = Fixtures().Path("chord.wav");
    std::vector<int16_t> source(size_t(9.371 * kRate) * 2 + 64);
    FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::fseek(file, 44, SEEK_SET);
    source.resize(std::fread(source.data(), 4, source.size() / 2, file) * 2);
    std::fclose(file);

    KeyLockDeck deck;
    deck.Start(path, 0, true);
    deck.Step(40);
    deck.System->SetPitch(3000);
    deck.Step(40);
    deck.System->SetPitch(0);
    deck.Step(5);
    const size_t from = deck.Output.size() / 2;
    deck.Step(40);
    // Before the move: frame for frame from the start.
    const size_t ramp = kRampFrames + 1;
    for (size_t i = ramp; i < 40 * kFramesPerTick; ++i)
        ASSERT_EQ(deck.Output[2 * i], source[2 * i]) << "frame " << i;
    // After the return: the source at some whole offset, frame for frame.
    const int16_t* out = deck.Output.data() + 2 * from;
    size_t offset = 0;
    while (offset + 64 < source.size() / 2 &&
           std::memcmp(out, source.data() + 2 * offset, 64 * 4) != 0)
        ++offset;
    ASSERT_LT(offset + 64, source.size() / 2) << "no untouched run after the return to 0";
    const size_t frames = deck.Output.size() / 2 - from;
    ASSERT_EQ(std::memcmp(out, source.data() + 2 * offset, frames * 4), 0);
}
