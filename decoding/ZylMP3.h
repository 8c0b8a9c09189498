// The decoder for MPEG audio files (".mp3", ".mp2", ".mpg"): the decoder
// contract over the decoding wrapper. Its read unit is one MPEG frame of
// decoded PCM. Registered first, it is also the fallback for files no
// decoder claims.
//
// Not thread-safe: the player system never makes two calls at once on one
// object (see TVxPlayerTAG).
// GetInfo touches only its own file streams, never the decoding library.
#pragma once

#include "decoding/VxPlayer.h"
#include "decoding/XDecoder.h"

#include <memory>
#include <string>

// Open mode bits: which frame index to build.
constexpr uint32_t kMP3ModeCompatible2 = 1;
constexpr uint32_t kMP3ModeExactIndex = 2;

class TZylMP3TAG : public TVxPlayerTAG {
public:
    TZylMP3TAG();
    ~TZylMP3TAG() override;

    int Accepts(const char* path) override;
    // Builds the frame index.
    int Prepare(const char* path, uint32_t mode, const std::atomic<bool>* cancel) override;
    int Open(const char* path, uint32_t mode) override;
    int GetInfo(const char* path, char* name, uint32_t* lengthMs) override;
    void Close() override;
    int Seek(uint32_t ms, uint32_t* skipBytes) override;
    int Read(void* buffer, uint32_t frames, uint32_t* framesRead) override;
    const char* GetTitle() override;

    // Whether the decoding library started (every Open fails otherwise).
    bool Ready() const { return FReady; }

private:
    static constexpr unsigned kTitleSize = 200;

    TXDecoderTAG FDecoder;
    // What Prepare built for Open: the index of FPreparedPath, or its
    // failure (FPrepared empty).
    std::unique_ptr<TMPEGIndexTAG> FPrepared;
    std::string FPreparedPath;
    uint32_t FPreparedMode = 0;
    bool FPreparedValid = false;
    bool FReady = false;
    char FTitle[kTitleSize] = "";
};
