// A stream with nothing to play goes quiet (no callbacks, no wake-ups), and
// a Play wakes it before it returns: the first frames rendered afterwards are
// the buffer's first, faded in as from a running stream, even when the Play
// meets the quiet decision half-way.
#include "DeviceTestSupport.h"

#include "engine/device/ZylMixer.h"

#include <atomic>
#include <chrono>
#include <random>
#include <thread>

namespace {

constexpr uint32_t kRate = 44100;
constexpr uint32_t kQuietFrames = kRate * TZylMixer::kQuietAfterMs / 1000;

// Waits (a little) for the output's quiet thread to act.
bool QuietWithin(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!ZylNullIsQuiet() && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return ZylNullIsQuiet();
}

class QuietTest : public HandSteppedTest {
protected:
    // Steps frames frames in blocks of at most 441.
    std::vector<float> StepMany(uint32_t frames) {
        std::vector<float> all;
        while (frames > 0) {
            const uint32_t block = std::min<uint32_t>(frames, 441);
            const std::vector<float> part = Step(block);
            all.insert(all.end(), part.begin(), part.end());
            frames -= block;
        }
        return all;
    }
};

double Peak(const std::vector<float>& samples) {
    double peak = 0;
    for (float sample : samples)
        peak = std::max(peak, static_cast<double>(std::abs(sample)));
    return peak;
}

} // namespace

TEST_F(QuietTest, GoesQuietWhenNothingPlaysAndPlayIsHeardFromItsFirstSample) {
    const Signal tone = Sine(997, kRate, 0.5f);
    // The reference: a buffer played on the stream as it first runs.
    TZylSoundBufferTAG first;
    CreateFilled(first, Audio, 2, kRate, 16, kRate, tone);
    first.Play();
    const std::vector<float> reference = StepMany(4410);
    ASSERT_GT(Peak(reference), 0.4);
    EXPECT_FALSE(ZylNullIsQuiet()) << "not while playing";

    // Stopped: the fade-out plays, then silence; after the quiet time, and
    // not before, the stream goes quiet.
    first.Stop();
    StepMany(kQuietFrames / 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(ZylNullIsQuiet()) << "still within the quiet time";
    StepMany(kQuietFrames);
    ASSERT_TRUE(QuietWithin(std::chrono::seconds(5))) << "quiet once nothing sounded for a while";
    EXPECT_EQ(Peak(StepMany(4410)), 0.0);

    // A new buffer, created and played while quiet: heard at once, sample
    // for sample as the first one on a running stream, fade-in included.
    TZylSoundBufferTAG second;
    CreateFilled(second, Audio, 2, kRate, 16, kRate, tone);
    EXPECT_TRUE(ZylNullIsQuiet());
    second.Play();
    EXPECT_FALSE(ZylNullIsQuiet()) << "Play wakes the stream before it returns";
    const std::vector<float> heard = StepMany(4410);
    ASSERT_EQ(heard.size(), reference.size());
    for (size_t i = 0; i < heard.size(); ++i)
        ASSERT_EQ(heard[i], reference[i]) << "sample " << i;

    // The same buffer again after quiet: play resumes where it paused.
    second.Stop();
    StepMany(kQuietFrames + 4410);
    ASSERT_TRUE(QuietWithin(std::chrono::seconds(5)));
    const uint32_t cursor = second.GetPlayCursor();
    second.Play();
    const std::vector<float> resumed = StepMany(441);
    EXPECT_GT(Peak(resumed), 0.3);
    EXPECT_EQ(second.GetPlayCursor(), cursor + 441 * 4) << "no frame lost or skipped";
}

// A Play that arrives just as the stream is judged quiet: whichever comes
// first, the stream runs afterwards and the buffer is heard.
TEST_F(QuietTest, PlayRacingTheQuietDecisionIsNeverLost) {
    TZylSoundBufferTAG buffer;
    CreateFilled(buffer, Audio, 2, kRate, 16, kRate, Sine(440, kRate, 0.5f));
    std::mt19937 random(29);
    int quietBeforePlay = 0;
    for (int round = 0; round < 60; ++round) {
        buffer.Stop();
        // Up to just short of the quiet time, then the last blocks while the
        // Play comes from another thread.
        const uint32_t lead = kQuietFrames - 64 * (random() % 6);
        for (uint32_t done = 0; done < lead; done += 64)
            Step(64);
        const int delayUs = static_cast<int>(random() % 400);
        std::atomic<bool> played{false};
        std::thread player([&] {
            std::this_thread::sleep_for(std::chrono::microseconds(delayUs));
            buffer.Play();
            played.store(true);
        });
        bool sawQuiet = false;
        while (!played.load()) {
            sawQuiet = sawQuiet || ZylNullIsQuiet();
            Step(64);
        }
        player.join();
        quietBeforePlay += sawQuiet ? 1 : 0;
        // Time for a quiet decision still on its way.
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_FALSE(ZylNullIsQuiet()) << "round " << round << ": the stream stayed quiet";
        ASSERT_GT(Peak(Step(441)), 0.3) << "round " << round << ": the play was lost";
    }
    // Not asserted: how often the quiet thread got in first.
    RecordProperty("QuietBeforePlay", quietBeforePlay);
}
