#include "decoding/MpegFrameDecoder.h"

#include "decoding/XaudioStatus.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mpg123.h>
#include <mutex>

namespace {

// A corrupt stretch longer than this is not resynchronised over; the frame
// scanner gives up on a gap of the same size.
constexpr long kResyncLimit = 0x18000;
// A format change is announced once before the frame's data; more in a row
// means the library is stuck.
constexpr int kMaxFormatAnnouncements = 4;

void InitLibraryOnce() {
    static std::once_flag once;
    std::call_once(once, [] { mpg123_init(); });
}

int ChannelFlag(uint32_t stereo) {
    return stereo ? MPG123_STEREO : MPG123_MONO;
}

} // namespace

int TMpegFrameDecoder::New() {
    Delete();
    InitLibraryOnce();
    int error = MPG123_OK;
    FHandle = mpg123_new(nullptr, &error);
    if (FHandle == nullptr)
        return XaudioStatusFromMpg123(error);
    const bool configured =
        mpg123_param(FHandle, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0) == MPG123_OK &&
        mpg123_param(FHandle, MPG123_ADD_FLAGS,
                     MPG123_QUIET | MPG123_IGNORE_INFOFRAME | MPG123_SEEKBUFFER, 0) == MPG123_OK &&
        mpg123_param(FHandle, MPG123_RESYNC_LIMIT, kResyncLimit, 0) == MPG123_OK &&
        mpg123_replace_reader_handle(FHandle, &ReadInput, &SeekInput, nullptr) == MPG123_OK &&
        SetOutputFormats() == MPG123_OK;
    if (configured)
        return kXaSuccess;
    const int status = XaudioStatusFromMpg123(mpg123_errcode(FHandle));
    mpg123_delete(FHandle);
    FHandle = nullptr;
    return status;
}

void TMpegFrameDecoder::Delete() {
    InputDelete();
    if (FHandle != nullptr)
        mpg123_delete(FHandle);
    FHandle = nullptr;
}

// Before the first frame of a file every rate and channel count is taken;
// after it, only the file's first format, so that a stream whose rate or
// channel count changes midway is converted instead of changing the engine's
// buffer format under it.
int TMpegFrameDecoder::SetOutputFormats() {
    int result = mpg123_format_none(FHandle);
    if (FFormatLocked)
        return result == MPG123_OK
                   ? mpg123_format(FHandle, FOutput.SampleRate, ChannelFlag(FOutput.Stereo),
                                   MPG123_ENC_SIGNED_16)
                   : result;
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count && result == MPG123_OK; ++i)
        result =
            mpg123_format(FHandle, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    return result;
}

int TMpegFrameDecoder::InputNew(const char* path) {
    if (FHandle == nullptr || path == nullptr)
        return kXaErrorInvalidParameters;
    InputDelete();
    FPath = path;
    return kXaSuccess;
}

int TMpegFrameDecoder::InputOpen() {
    if (FHandle == nullptr || FPath.empty())
        return kXaErrorInvalidParameters;
    if (FFile.Open(FPath.c_str(), O_RDONLY) < 0)
        return XaudioStatusFromErrno(errno);
    FInputOpen = true;
    const int status = SeekToOffset(0);
    if (status != kXaSuccess)
        InputDelete();
    return status;
}

void TMpegFrameDecoder::InputDelete() {
    if (FHandle != nullptr)
        mpg123_close(FHandle);
    FFile.Close();
    FInputOpen = false;
    if (FFormatLocked) {
        FFormatLocked = false;
        SetOutputFormats();
    }
    FOutput = TMpegOutputInfo{};
}

int TMpegFrameDecoder::SeekToOffset(int64_t offset) {
    if (!FInputOpen)
        return kXaErrorInvalidParameters;
    // Closing drops the library's buffered input and its decoder history, so
    // the frame at offset decodes as if the stream began there.
    mpg123_close(FHandle);
    if (FFile.Seek(offset, 0) != offset)
        return kXaErrorReadFailed;
    if (mpg123_open_handle(FHandle, this) != MPG123_OK)
        return XaudioStatusFromMpg123(mpg123_errcode(FHandle));
    return kXaSuccess;
}

int TMpegFrameDecoder::Decode(uint8_t* destination, uint32_t frameBytes) {
    if (!FInputOpen)
        return kXaErrorInvalidParameters;
    for (int announcements = 0; announcements <= kMaxFormatAnnouncements; ++announcements) {
        off_t frameNumber = 0;
        unsigned char* audio = nullptr;
        size_t bytes = 0;
        const int result = mpg123_decode_frame(FHandle, &frameNumber, &audio, &bytes);
        if (result == MPG123_NEW_FORMAT) {
            ReportFormatChange();
            continue;
        }
        if (result == MPG123_DONE || result == MPG123_NEED_MORE)
            return kXaEndOfInput;
        if (result != MPG123_OK) {
            const int error = mpg123_errcode(FHandle);
            // A last frame cut short by the end of the file ends the stream.
            if (error == MPG123_ERR_READER && FFile.Eof())
                return kXaEndOfInput;
            Report(kNotifySourceDecoder, error, mpg123_plain_strerror(error),
                   mpg123_strerror(FHandle));
            return XaudioStatusFromMpg123(error);
        }
        // The library announces a format only when it differs from the last
        // file's, so the first frame of every file takes it explicitly.
        if (!FFormatLocked) {
            const int status = LockOutputFormat();
            if (status != kXaSuccess)
                return status;
        }
        if (destination != nullptr) {
            const size_t kept = bytes < frameBytes ? bytes : frameBytes;
            if (kept > 0)
                std::memcpy(destination, audio, kept);
            std::memset(destination + kept, 0, frameBytes - kept);
        }
        return kXaSuccess;
    }
    return kXaErrorInternal;
}

// After the first frame the library converts to the file's first format; a
// change it could not convert is worth a line in the log.
void TMpegFrameDecoder::ReportFormatChange() {
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (!FFormatLocked || mpg123_getformat(FHandle, &rate, &channels, &encoding) != MPG123_OK)
        return;
    if (static_cast<uint32_t>(rate) != FOutput.SampleRate ||
        static_cast<uint32_t>(channels == 2) != FOutput.Stereo)
        Report(kNotifySourceDecoder, MPG123_OK, "output format changed", nullptr);
}

int TMpegFrameDecoder::LockOutputFormat() {
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if (mpg123_getformat(FHandle, &rate, &channels, &encoding) != MPG123_OK)
        return XaudioStatusFromMpg123(mpg123_errcode(FHandle));
    mpg123_frameinfo2 info{};
    mpg123_info2(FHandle, &info);
    FOutput.BytesPerSample = 2;
    FOutput.Stereo = channels == 2 ? 1 : 0;
    FOutput.SampleRate = static_cast<uint32_t>(rate);
    FOutput.Version = info.version == MPG123_1_0 ? 1 : info.version == MPG123_2_0 ? 2 : 3;
    FOutput.Layer = static_cast<uint32_t>(info.layer);
    FFormatLocked = true;
    return SetOutputFormats() == MPG123_OK ? kXaSuccess
                                           : XaudioStatusFromMpg123(mpg123_errcode(FHandle));
}

void TMpegFrameDecoder::Report(int source, int code, const char* message, const char* reason) {
    if (Notify.OnMessage != nullptr)
        Notify.OnMessage(Notify.Client, source, code, message, reason);
}

ssize_t TMpegFrameDecoder::ReadInput(void* self, void* buffer, size_t count) {
    auto* decoder = static_cast<TMpegFrameDecoder*>(self);
    return static_cast<ssize_t>(decoder->FFile.Read(buffer, static_cast<int64_t>(count)));
}

// The library never moves our file: every repositioning is a reopen at an
// exact byte offset, so the input presents itself as a plain stream.
off_t TMpegFrameDecoder::SeekInput(void*, off_t, int) {
    return -1;
}
