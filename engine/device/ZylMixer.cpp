#include "engine/device/ZylMixer.h"

#include "engine/device/ZylSampleFormat.h"
#include "engine/device/ZylVoice.h"

#include <algorithm>
#include <cstring>
#include <thread>

// Room for two channels, the most a device format has.
TZylMixer::TZylMixer() : Mix(new float[kPassFrames * 2]) {}

void TZylMixer::SetFormat(const TWaveFormatEx& format) {
    DeviceFormat = format;
    TZylSampleType type = TZylSampleType::S16;
    ZylSampleTypeOf(format.wFormatTag, format.wBitsPerSample, &type);
    SetStream(type, format.nSamplesPerSec);
}

void TZylMixer::SetStream(TZylSampleType type, uint32_t rate) {
    Type = type;
    Rate = rate;
    QuietFrames.store(static_cast<uint64_t>(rate) * kQuietAfterMs / 1000);
    SilentFrames.store(0);
    Limiter.Reset(rate);
    FrameBytes = ZylSampleBytes(type) * DeviceFormat.nChannels;
}

bool TZylMixer::Add(TZylVoice* voice) {
    for (std::atomic<TZylVoice*>& slot : Slots) {
        TZylVoice* empty = nullptr;
        if (slot.compare_exchange_strong(empty, voice))
            return true;
    }
    return false;
}

void TZylMixer::Remove(TZylVoice* voice) {
    for (std::atomic<TZylVoice*>& slot : Slots) {
        TZylVoice* present = voice;
        if (slot.compare_exchange_strong(present, nullptr))
            break;
    }
    // A pass that began before the slot emptied may still be using the
    // voice; any pass that begins later cannot see it.
    const uint64_t epoch = Epoch.load();
    if (epoch % 2 == 0)
        return;
    while (Epoch.load() == epoch)
        std::this_thread::yield();
}

void TZylMixer::Render(void* out, uint32_t frames) {
    auto* bytes = static_cast<uint8_t*>(out);
    if (Rendering.exchange(true, std::memory_order_acquire)) {
        std::memset(bytes, ZylSilenceByte(Type), static_cast<size_t>(frames) * FrameBytes);
        return;
    }
    while (frames > 0) {
        const uint32_t pass = std::min(frames, kPassFrames);
        RenderPass(bytes, pass);
        bytes += static_cast<size_t>(pass) * FrameBytes;
        frames -= pass;
    }
    Rendering.store(false, std::memory_order_release);
}

void TZylMixer::RenderPass(uint8_t* out, uint32_t frames) {
    const uint32_t samples = frames * DeviceFormat.nChannels;
    std::fill_n(Mix.get(), samples, 0.0f);
    Epoch.fetch_add(1);
    bool sounding = false;
    const bool heard = Heard.load(std::memory_order_relaxed);
    for (std::atomic<TZylVoice*>& slot : Slots) {
        TZylVoice* voice = slot.load();
        if (voice != nullptr &&
            voice->MixInto(Mix.get(), frames, DeviceFormat.nChannels, Rate, heard))
            sounding = true;
    }
    Epoch.fetch_add(1);
    if (sounding) {
        SilentFrames.store(0);
    } else {
        const uint64_t quiet = QuietFrames.load(std::memory_order_relaxed);
        const uint64_t before = SilentFrames.fetch_add(frames);
        if (before < quiet && before + frames >= quiet && QuietSignal != nullptr)
            sem_post(QuietSignal);
    }
    Limiter.Apply(Mix.get(), frames, DeviceFormat.nChannels);
    ZylFloatToPcm(Mix.get(), samples, Type, out);
}
