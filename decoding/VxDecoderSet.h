// Every decoder this build has, in the engine's order, for code that reads
// songs on its own (tempo analysis, tools) instead of through the player
// system. One set belongs to one thread: decoders have no lock.
#pragma once

#include "decoding/VxPlayer.h"

#include <memory>
#include <vector>

class TVxDecoderSet {
public:
    // The MPEG decoder first: it is the fallback for files no decoder claims.
    TVxDecoderSet();
    ~TVxDecoderSet();
    TVxDecoderSet(const TVxDecoderSet&) = delete;
    TVxDecoderSet& operator=(const TVxDecoderSet&) = delete;

    // Opens path with the first decoder that accepts it (else the fallback)
    // and returns it, or nullptr when the file cannot be opened. A decoder
    // opened earlier is closed first.
    TVxPlayerTAG* Open(const char* path);
    void Close();

private:
    std::vector<std::unique_ptr<TVxPlayerTAG>> decoders_;
    TVxPlayerTAG* open_ = nullptr;
};
