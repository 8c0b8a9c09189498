#include "decoding/ZylFile.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<TZylReadHook> gReadHook{nullptr};

} // namespace

void ZylFileSetReadHook(TZylReadHook hook) {
    gReadHook = hook;
}

int TZylFileHndTAG::Open(const char* path, int accessMode) {
    Close();
    do {
        Handle = ::open(path, accessMode | O_CLOEXEC);
    } while (Handle < 0 && errno == EINTR);
    if (Handle < 0)
        Handle = -1;
    return Handle;
}

void TZylFileHndTAG::Close() {
    if (Handle > 0)
        ::close(Handle);
    Handle = -1;
}

int64_t TZylFileHndTAG::Read(void* buffer, int64_t count) {
    if (Handle < 0 || count < 0)
        return -1;
    if (TZylReadHook hook = gReadHook.load())
        hook();
    int64_t total = 0;
    auto* dest = static_cast<uint8_t*>(buffer);
    while (total < count) {
        const ssize_t got = ::read(Handle, dest + total, static_cast<size_t>(count - total));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return total > 0 ? total : -1;
        if (got == 0)
            break;
        total += got;
    }
    return total;
}

int64_t TZylFileHndTAG::Write(const void* buffer, int64_t count) {
    if (Handle < 0 || count < 0)
        return -1;
    ssize_t written;
    do {
        written = ::write(Handle, buffer, static_cast<size_t>(count));
    } while (written < 0 && errno == EINTR);
    return written;
}

int64_t TZylFileHndTAG::Seek(int64_t offset, int origin) {
    if (Handle < 0)
        return -1;
    const int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
    return ::lseek(Handle, offset, whence);
}

int64_t TZylFileHndTAG::Tell() {
    return Seek(0, 1);
}

int64_t TZylFileHndTAG::Length() {
    struct stat info;
    if (Handle < 0 || ::fstat(Handle, &info) != 0)
        return -1;
    return info.st_size;
}

int TZylFileHndTAG::Eof() {
    const int64_t position = Tell();
    return position >= 0 && position >= Length() ? 1 : 0;
}

int TZylFileStreamTAG::Open(const char* path, int bufferSize) {
    Close();
    if (bufferSize < 4 || FFile.Open(path, O_RDONLY) < 0)
        return 0;
    FBuffer = new (std::nothrow) uint8_t[static_cast<size_t>(bufferSize)];
    if (FBuffer == nullptr) {
        FFile.Close();
        return 0;
    }
    FBufferSize = bufferSize;
    FSize = FFile.Length();
    if (FSize < 0)
        FSize = 0;
    FBufferStart = FPosition = FBufferEnd = 0;
    FOpen = true;
    return 1;
}

void TZylFileStreamTAG::Close() {
    if (!FOpen)
        return;
    FFile.Close();
    delete[] FBuffer;
    FBuffer = nullptr;
    FOpen = false;
}

bool TZylFileStreamTAG::Refill() {
    FBufferStart = FBufferEnd = FPosition;
    if (FPosition >= FSize || FFile.Seek(FPosition, 0) != FPosition)
        return false;
    const int64_t got = FFile.Read(FBuffer, FBufferSize);
    if (got <= 0)
        return false;
    FBufferEnd = FBufferStart + got;
    return true;
}

int TZylFileStreamTAG::ReadDWord(uint32_t* value) {
    *value = 0;
    if (!FOpen)
        return -1;
    if (Buffered() < 4 && !Refill())
        return -1;
    const int64_t available = Buffered() < 4 ? Buffered() : 4;
    const uint8_t* bytes = FBuffer + (FPosition - FBufferStart);
    uint32_t result = 0;
    for (int64_t i = 0; i < available; ++i)
        result |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    *value = result;
    FPosition += 4;
    return 4;
}

int64_t TZylFileStreamTAG::Seek(int64_t offset, int origin) {
    if (!FOpen)
        return -1;
    int64_t target = origin == 1 ? FPosition + offset : origin == 2 ? FSize - offset : offset;
    if (target < 0)
        target = 0;
    if (target > FSize)
        target = FSize;
    FPosition = target;
    if (target >= FBufferStart && target < FBufferEnd)
        return FPosition;
    return Refill() ? FPosition : -1;
}
