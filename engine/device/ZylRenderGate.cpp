#include "engine/device/ZylRenderGate.h"

#include "engine/device/ZylMixer.h"

#include <algorithm>
#include <thread>

// Each side stores its own flag before it reads the other's (both
// sequentially consistent): a pass that found the gate open is seen passing
// by Close, and one that starts later finds it closed.
void TZylRenderGate::Render(TZylMixer* mixer, float* out, uint32_t frames, uint32_t channels) {
    Passing.store(true);
    if (!Closed.load())
        mixer->Render(out, frames);
    else
        std::fill_n(out, size_t{frames} * channels, 0.0f);
    Passing.store(false);
}

void TZylRenderGate::Close() {
    Closed.store(true);
    while (Passing.load())
        std::this_thread::yield();
}
