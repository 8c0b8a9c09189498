// One chunk of a song, decoded by the worker without the engine lock. The
// stream buffer hands the read out under the lock with what to read; the
// worker runs it unlocked, since the decoder's seek and read may wait for as
// long as a slow or hung medium makes them; the buffer takes the result under
// the lock again only if nothing moved or closed the song meanwhile (see
// TVxBufferTAG::FinishService).
//
// A read holds a share of its decoder: a song closed while its read is out
// leaves the decoder to the read, and the reading thread frees it when the
// read returns. Nothing else touches a read while it is out.
#pragma once

#include "decoding/VxPlayer.h"

#include <cstdint>
#include <memory>
#include <vector>

struct TVxChunkRead {
    // Set under the lock when the read is handed out.
    std::shared_ptr<TVxPlayerTAG> Decoder;
    uint64_t Generation = 0; // the buffer's generation at hand-out
    uint32_t Frames = 0;     // decoder read units of one chunk
    bool Restart = false;    // seek to RestartMs before reading
    uint32_t RestartMs = 0;
    // The decoder failed before: the chunk is silence, and the decoder is
    // not asked (and does not report its failure) again until a restart.
    bool DecoderFailed = false;

    // Written by Run. Data holds one chunk, allocated once per song.
    std::vector<uint8_t> Data;
    uint32_t SkipBytes = 0;
    uint32_t FramesRead = 0;
    bool SeekFailed = false;
    bool ReadFailed = false;

    // Worker thread, without the engine lock.
    void Run();
};
