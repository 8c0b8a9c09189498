// Raw file access for the MPEG decoder and the MPEG frame index: a plain
// handle over the system's low-level calls and a buffered read-only stream
// that the frame scanner walks through. Positions are 64-bit so that files
// beyond 2 GiB are measured and walked correctly.
#pragma once

#include <cstdint>

// Runs before every read of a file handle, on the reading thread. Tests
// slow the reads down with it to see what a slow medium does to the player.
using TZylReadHook = void (*)();
void ZylFileSetReadHook(TZylReadHook hook);

// The abstract file: owners call Close before discarding an object (there is
// deliberately no virtual destructor in the contract).
class TZylFileTAG {
public:
    // Returns the handle, or -1.
    virtual int Open(const char* path, int accessMode) = 0;
    virtual void Close() = 0;
    // Bytes read, or -1.
    virtual int64_t Read(void* buffer, int64_t count) = 0;
    // Bytes written, or -1.
    virtual int64_t Write(const void* buffer, int64_t count) = 0;
    // Origin 0 start, 1 current, 2 end. New position, or -1.
    virtual int64_t Seek(int64_t offset, int origin) = 0;
    virtual int64_t Tell() = 0;
    virtual int64_t Length() = 0;
    // Nonzero at the end of the file.
    virtual int Eof() = 0;

protected:
    ~TZylFileTAG() = default;
};

// A low-level file handle; -1 while closed.
class TZylFileHndTAG : public TZylFileTAG {
public:
    int Handle = -1;

    TZylFileHndTAG() = default;
    TZylFileHndTAG(const TZylFileHndTAG&) = delete;
    TZylFileHndTAG& operator=(const TZylFileHndTAG&) = delete;
    ~TZylFileHndTAG() { Close(); }

    // Closes any open handle first; accessMode 0 opens read only.
    int Open(const char* path, int accessMode) override;
    void Close() override;
    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, int origin) override;
    int64_t Tell() override;
    int64_t Length() override;
    int Eof() override;
};

// A buffered, read-only stream over one file. Not a TZylFileTAG: it reads
// little-endian double words and seeks inside its buffer without a system
// call, which is all the frame scanner needs.
class TZylFileStreamTAG {
public:
    TZylFileStreamTAG() = default;
    TZylFileStreamTAG(const TZylFileStreamTAG&) = delete;
    TZylFileStreamTAG& operator=(const TZylFileStreamTAG&) = delete;
    ~TZylFileStreamTAG() { Close(); }

    // Buffer sizes in use: 1024 bytes for header probing, 49152 for walking
    // a whole file. Returns 1, or 0 when the file cannot be opened.
    int Open(const char* path, int bufferSize);
    void Close();

    // The next four file bytes as a little-endian value (the first byte is
    // the lowest). Returns 4, or -1 when no byte is left. Bytes past the end
    // of the file read as zero.
    int ReadDWord(uint32_t* value);
    // Origin 1 current, 2 back from the end, else absolute; the target is
    // clamped to 0..Size. Returns the new Position, or -1 when no byte can be
    // read there (in particular at the end of the file).
    int64_t Seek(int64_t offset, int origin);

    int64_t Position() const { return FPosition; }
    int64_t Size() const { return FSize; }
    bool IsOpen() const { return FOpen; }

private:
    // Reads one buffer's worth from the current Position; false when no byte
    // could be read.
    bool Refill();
    int64_t Buffered() const { return FBufferEnd - FPosition; }

    uint8_t* FBuffer = nullptr;
    int FBufferSize = 0;
    bool FOpen = false;
    TZylFileHndTAG FFile;
    int64_t FBufferStart = 0; // file offset of the buffer's first byte
    int64_t FPosition = 0;    // current read position in the file
    int64_t FBufferEnd = 0;   // file offset just past the buffered bytes
    int64_t FSize = 0;        // file size captured at open
};
