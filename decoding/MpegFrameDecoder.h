// The MPEG decoding library as the decoder wrapper sees it: one libmpg123
// handle fed from our own reads of one file, opened at an exact byte offset,
// decoding one frame per call into 16-bit signed native-endian PCM at the
// stream's own rate and channel count. Gapless trimming is off and the
// Xing/LAME frame is decoded as a plain frame, so frame numbers match the
// frame index. Every result is a status code of XaudioStatus.h.
//
// Not thread-safe: the owner serialises every call (the player system's lock).
#pragma once

#include "decoding/ZylFile.h"

#include <cstdint>
#include <string>
#include <sys/types.h>

struct mpg123_handle_struct;

// The output-buffer description, valid after the first decoded frame.
struct TMpegOutputInfo {
    uint32_t BytesPerSample = 0;
    uint32_t Stereo = 0; // 1 for two channels
    uint32_t SampleRate = 0;
    uint32_t Version = 0; // 1 MPEG-1, 2 MPEG-2, 3 MPEG-2.5
    uint32_t Layer = 0;
};

// Where the library's error and debug notifications go. Called on the
// thread that is inside a decoder call.
struct TMpegNotify {
    void* Client = nullptr;
    void (*OnMessage)(void* client, int source, int code, const char* message,
                      const char* reason) = nullptr;
};

constexpr int kNotifySourceDecoder = 2;

class TMpegFrameDecoder {
public:
    TMpegFrameDecoder() = default;
    TMpegFrameDecoder(const TMpegFrameDecoder&) = delete;
    TMpegFrameDecoder& operator=(const TMpegFrameDecoder&) = delete;
    ~TMpegFrameDecoder() { Delete(); }

    // Creates the library handle with our flags and formats.
    int New();
    void Delete();

    // Names the file of the input; InputOpen opens it at its start.
    int InputNew(const char* path);
    int InputOpen();
    void InputDelete();
    // Restarts decoding at the frame that begins at this byte offset. The
    // library keeps no history across it: pre-roll is the caller's job.
    int SeekToOffset(int64_t offset);

    // Decodes the next frame. With a destination, exactly frameBytes are
    // written: the frame's PCM, cut or padded with silence to that size.
    // Without one the frame is decoded and dropped.
    int Decode(uint8_t* destination, uint32_t frameBytes);

    const TMpegOutputInfo& Output() const { return FOutput; }

    TMpegNotify Notify;

private:
    static ssize_t ReadInput(void* self, void* buffer, size_t count);
    static off_t SeekInput(void* self, off_t offset, int whence);
    int LockOutputFormat();
    void ReportFormatChange();
    void Report(int source, int code, const char* message, const char* reason);
    int SetOutputFormats();

    mpg123_handle_struct* FHandle = nullptr;
    TZylFileHndTAG FFile;
    std::string FPath;
    bool FInputOpen = false;
    bool FFormatLocked = false;
    TMpegOutputInfo FOutput;
};
