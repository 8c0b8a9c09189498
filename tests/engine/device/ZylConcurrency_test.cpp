// Buffers created, re-configured and released while another thread renders:
// the render must never see a freed voice or a half-written control state;
// a lost stream that still calls back must not render beside its stand-in.
// Run under ThreadSanitizer and AddressSanitizer to make this test bite.
#include "DeviceTestSupport.h"

#include "engine/device/ZylMixer.h"
#include "engine/device/ZylRenderGate.h"
#include "engine/device/ZylVoice.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <thread>
#include <vector>

TEST(Concurrency, BuffersComeAndGoWhileTheMixerRenders) {
    ZylNullSetHandStepped(true);
    TZylAudioTAG audio;
    ASSERT_EQ(audio.Open(TZylAudioParams{}), 0);

    std::atomic<bool> done{false};
    std::atomic<uint64_t> steps{0};
    std::thread renderer([&] {
        while (!done.load()) {
            ZylNullStep(128, nullptr);
            steps.fetch_add(1);
        }
    });

    TZylSoundBufferTAG buffers[3];
    for (int round = 0; round < 150; ++round) {
        TZylSoundBufferTAG& buffer = buffers[round % 3];
        const uint16_t channels = round % 2 == 0 ? 2 : 1;
        const uint16_t bits = round % 4 < 2 ? 16 : 8;
        // Create on a live buffer releases the old voice first.
        CreateFilled(buffer, audio, channels, 22050 + 1000 * (round % 7), bits, 2048,
                     Sine(440, 22050, 0.3f));
        buffer.SetFrequency(20000 + 300 * round);
        buffer.SetVolume(round % 101);
        buffer.SetPan(round % 201 - 100);
        buffer.Play();
        const uint64_t seen = steps.load();
        while (steps.load() < seen + 2)
            std::this_thread::yield();
        buffer.SetPlayCursor(static_cast<uint32_t>(round * 16));
        void* data = nullptr;
        if (buffer.Lock(0, 256, &data) == 0)
            buffer.Unlock();
        if (round % 5 == 0)
            buffer.Stop();
        if (round % 3 == 2)
            buffers[(round + 1) % 3].Release();
    }
    for (TZylSoundBufferTAG& buffer : buffers)
        buffer.Release();
    // Closing the device while the renderer keeps stepping.
    audio.Close();
    done.store(true);
    renderer.join();
    ZylNullSetHandStepped(false);
}

// A stream found lost may still call back late (a stalled server) while its
// stand-in takes the mixer over and sets it to another layout: once the lost
// stream is abandoned, its late passes write silence and no longer reach the
// mixer, and the stand-in's passes are never refused as overlapping.
TEST(Concurrency, AnAbandonedStreamsLateCallbacksNeverReachTheMixer) {
    TZylMixer mixer;
    TWaveFormatEx format{};
    format.nChannels = 2;
    format.nSamplesPerSec = 44100;
    format.wBitsPerSample = 16;
    mixer.SetFormat(format);
    mixer.SetStream(TZylSampleType::F32, 44100);
    // A looping voice of a tone, noise and clicks, of an odd length: every
    // pass of the mix sounds.
    constexpr uint32_t kFrames = 44101;
    const TZylPcmFormat pcm{44100, 2, 16, 4, TZylSampleType::S16};
    ZylResult result = DS_OK;
    std::unique_ptr<TZylVoice> voice = TZylVoice::Create(pcm, kFrames * 4, 0, &result);
    ASSERT_NE(voice, nullptr);
    const Signal tone = Sine(997, 44100, 0.4f);
    const Signal noise = Noise(0.2f, 20261210);
    auto* samples = reinterpret_cast<int16_t*>(voice->Memory());
    for (uint32_t frame = 0; frame < kFrames; ++frame)
        for (int channel = 0; channel < 2; ++channel) {
            const float click = frame % 4410 == 7 ? 0.3f : 0.0f;
            samples[frame * 2 + channel] = static_cast<int16_t>(
                std::lround(32767 * (tone(frame, channel) + noise(frame, channel) + click)));
        }
    voice->PublishWrites();
    voice->Play(true);
    ASSERT_TRUE(mixer.Add(voice.get()));

    TZylRenderGate gate;
    std::atomic<bool> done{false};
    std::atomic<uint64_t> passes{0};
    std::vector<float> late(256 * 2);
    std::thread lateCallback([&] {
        while (!done.load()) {
            gate.Render(&mixer, late.data(), 256, 2);
            passes.fetch_add(1);
        }
    });
    while (passes.load() < 50)
        std::this_thread::yield();
    gate.Close();
    mixer.SetStream(TZylSampleType::S16, 44100);
    std::vector<int16_t> own(441 * 2);
    int refused = 0;
    for (int i = 0; i < 200; ++i) {
        mixer.Render(own.data(), 441);
        refused += std::all_of(own.begin(), own.end(), [](int16_t v) { return v == 0; }) ? 1 : 0;
    }
    const uint64_t seen = passes.load();
    while (passes.load() < seen + 2)
        std::this_thread::yield();
    done.store(true);
    lateCallback.join();
    mixer.Remove(voice.get());
    EXPECT_EQ(std::count(late.begin(), late.end(), 0.0f), static_cast<long>(late.size()))
        << "a late pass after the loss plays silence";
    EXPECT_EQ(refused, 0) << "the stand-in's passes sound";
}
