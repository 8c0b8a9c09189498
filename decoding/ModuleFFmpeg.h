// The FFmpeg decoder as the program sees it: a decoder that claims the
// FFmpeg formats by their extension and hands everything else to the real
// decoder in the media module (see MediaModule.h), loaded on the first
// prepare, open or file information of such a file, on the thread that asks.
// Without the module those calls fail with the loader's reason.
#pragma once

#include "decoding/VxPlayer.h"

#include <memory>

class TVxModuleFFmpegTAG : public TVxPlayerTAG {
public:
    int Accepts(const char* path) override;
    int Prepare(const char* path, uint32_t mode, const std::atomic<bool>* cancel) override;
    int Open(const char* path, uint32_t mode) override;
    int GetInfo(const char* path, char* name, uint32_t* lengthMs) override;
    void Close() override;
    int Seek(uint32_t ms, uint32_t* skipBytes) override;
    int Read(void* buffer, uint32_t frames, uint32_t* framesRead) override;
    const char* GetTitle() override;

private:
    // The module's decoder, made once; false (reported) without the module.
    bool Reach();
    // Takes over the public fields of the module's decoder.
    void Mirror();

    std::unique_ptr<TVxPlayerTAG> Decoder;
};
