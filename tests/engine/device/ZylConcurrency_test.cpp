// Buffers created, re-configured and released while another thread renders:
// the render must never see a freed voice or a half-written control state.
// Run under ThreadSanitizer and AddressSanitizer to make this test bite.
#include "DeviceTestSupport.h"

#include <atomic>
#include <thread>

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
