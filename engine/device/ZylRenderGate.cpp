#include "engine/device/ZylRenderGate.h"

#include "engine/device/ZylMixer.h"

#include <cstring>
#include <thread>

// Each side stores its own flag before it reads the other's (both
// sequentially consistent): a pass that found the gate open is seen passing
// by Close, and one that starts later finds it closed.
void TZylRenderGate::Render(TZylMixer* mixer, void* out, uint32_t frames) {
    Passing.store(true);
    if (!Closed.load())
        mixer->Render(out, frames);
    else
        std::memset(out, ZylSilenceByte(mixer->StreamType()),
                    size_t{frames} * mixer->Format().nChannels *
                        ZylSampleBytes(mixer->StreamType()));
    Passing.store(false);
}

void TZylRenderGate::Close() {
    Closed.store(true);
    while (Passing.load())
        std::this_thread::yield();
}
