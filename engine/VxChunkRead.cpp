#include "engine/VxChunkRead.h"

void TVxChunkRead::Run() {
    SkipBytes = 0;
    FramesRead = 0;
    SeekFailed = ReadFailed = false;
    bool failed = DecoderFailed;
    if (Restart)
        failed = SeekFailed = Decoder->Seek(RestartMs, &SkipBytes) != 0;
    // A read that fails part-way still counts the frames it decoded.
    if (!failed)
        ReadFailed = Decoder->Read(Data.data(), Frames, &FramesRead) != 0;
}
