// Pitch moves keep the phase: where the play position stands in the song,
// measured from the output alone, follows the frequencies the buffer was set
// to without a jump, through departures from the buffer's own rate and
// returns to it at positions between two source frames.
#include "DeviceTestSupport.h"

#include <cmath>
#include <numbers>
#include <random>

namespace {

constexpr double kRate = 44100;

// A song known at every real-valued position (in frames): two tones, a
// seeded spread of quiet ones standing for noise, and short tone bursts at
// odd intervals for transients, all below top Hz. A converter's output
// should equal the song at its positions: a sinc converter's up to 12 kHz,
// a linear one's only well below that.
class TKnownSong {
public:
    explicit TKnownSong(double top) : BurstHz(0.2 * top), BurstWidth(9 * 12000 / top) {
        Parts.push_back({997.3 * top / 12000, 0.22, 0.3});
        Parts.push_back({0.4166 * top, 0.18, 1.1});
        std::mt19937 random(23);
        std::uniform_real_distribution<double> hz(150, top), phase(0, 2 * std::numbers::pi);
        for (int i = 0; i < 24; ++i)
            Parts.push_back({hz(random), 0.012, phase(random)});
    }

    // The value at position t and its slope there.
    double Value(double t, double* slope) const {
        double value = 0;
        *slope = 0;
        for (const TPart& part : Parts) {
            const double w = 2 * std::numbers::pi * part.Hz / kRate;
            value += part.Amplitude * std::sin(w * t + part.Phase);
            *slope += part.Amplitude * w * std::cos(w * t + part.Phase);
        }
        // The nearest burst: a tone under a short bell.
        const double centre =
            std::round((t - kBurstOffset) / kBurstEvery) * kBurstEvery + kBurstOffset;
        const double x = (t - centre) / BurstWidth;
        const double w = 2 * std::numbers::pi * BurstHz / kRate;
        const double bell = 0.3 * std::exp(-0.5 * x * x);
        value += bell * std::sin(w * (t - centre));
        *slope +=
            bell * (w * std::cos(w * (t - centre)) - x / BurstWidth * std::sin(w * (t - centre)));
        return value;
    }

    Signal AsSignal() const {
        return [this](uint32_t frame, int) {
            double slope;
            return static_cast<float>(Value(frame, &slope));
        };
    }

private:
    struct TPart {
        double Hz, Amplitude, Phase;
    };
    static constexpr double kBurstEvery = 1733.7;
    static constexpr double kBurstOffset = 311.2;
    double BurstHz;
    double BurstWidth; // frames
    std::vector<TPart> Parts;
};

struct TSegment {
    uint32_t Hz;
    uint32_t Frames;
};

// The song position at which output frame n plays, had every frequency
// been kept exactly from the first frame on.
double ContinuedPosition(const std::vector<TSegment>& plan, double n) {
    double position = 0;
    for (const TSegment& segment : plan) {
        const double frames = std::min<double>(n, segment.Frames);
        position += frames * segment.Hz / kRate;
        n -= frames;
        if (n <= 0)
            break;
    }
    return position;
}

// How far the output around frame n (a short window) lies from the song
// at the continued positions, in frames: the offset that fits it best.
double PositionOffset(const TKnownSong& song, const std::vector<float>& out,
                      const std::vector<TSegment>& plan, uint32_t n, uint32_t window) {
    double offset = 0;
    for (int iteration = 0; iteration < 4; ++iteration) {
        double across = 0, along = 0;
        for (uint32_t k = 0; k < window; ++k) {
            double slope;
            const double value = song.Value(ContinuedPosition(plan, n + k) + offset, &slope);
            across += (out[n + k] - value) * slope;
            along += slope * slope;
        }
        offset += across / along;
    }
    return offset;
}

} // namespace

using PitchPhaseTest = HandSteppedTest;

TEST_F(PitchPhaseTest, DeparturesAndReturnsKeepThePhase) {
    struct TCase {
        const char* Converter;
        double TopHz;
    };
    for (const TCase c :
         {TCase{"sinc-medium", 12000}, TCase{"sinc-fastest", 12000}, TCase{"linear", 700}}) {
        SCOPED_TRACE(c.Converter);
        ScopedEnv env("VEXALINE_RESAMPLER", c.Converter);
        Audio.Close();
        ASSERT_EQ(Audio.Open(TZylAudioParams{}), 0);
        const TKnownSong song(c.TopHz);
        TZylSoundBufferTAG buffer;
        CreateFilled(buffer, Audio, 2, 44100, 16, 3 * 44100 + 123, song.AsSignal());
        // Fractional ratios held for odd lengths: every return lands between
        // two source frames.
        const std::vector<TSegment> plan = {{44100, 4096}, {47686, 1506}, {44100, 3001},
                                            {41239, 2311}, {44100, 2999}, {45017, 999},
                                            {44100, 3000}};
        buffer.Play();
        std::vector<float> left;
        for (const TSegment& segment : plan) {
            buffer.SetFrequency(segment.Hz);
            const std::vector<float> part = Channel(Step(segment.Frames), 0);
            left.insert(left.end(), part.begin(), part.end());
        }
        // The offset from the continued positions may change only as a pitch
        // within 0.1 % of the set one would move it, never in a jump. Windows
        // that straddle a frequency change are left out.
        constexpr uint32_t kWindow = 24;
        constexpr double kDrift = 0.001;
        constexpr double kTolerance = 0.01;
        std::vector<uint32_t> changes;
        uint32_t at = 0;
        for (const TSegment& segment : plan)
            changes.push_back(at += segment.Frames);
        uint32_t lastFrame = 0;
        double lastOffset = 0;
        double worst = 0;
        for (uint32_t n = 512; n + kWindow < left.size(); n += 8) {
            const bool straddles = std::any_of(changes.begin(), changes.end(), [&](uint32_t c) {
                return c > n && c < n + kWindow;
            });
            if (straddles)
                continue;
            const double offset = PositionOffset(song, left, plan, n, kWindow);
            if (lastFrame != 0) {
                const double excess =
                    std::fabs(offset - lastOffset) - (n - lastFrame) * kDrift - kTolerance;
                worst = std::max(worst, excess);
                EXPECT_LE(excess, 0.0) << "the phase jumps by " << offset - lastOffset
                                       << " frames near output frame " << n;
            }
            lastFrame = n;
            lastOffset = offset;
        }
        RecordProperty(std::string("worst_") + c.Converter, std::to_string(worst));
        buffer.Release();
    }
}
