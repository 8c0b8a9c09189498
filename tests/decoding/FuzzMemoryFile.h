// Hands a fuzz input to code that opens files by path: the bytes live in an
// anonymous memory file reached through /proc, so no disk is touched.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

class TFuzzMemoryFile {
public:
    TFuzzMemoryFile(const uint8_t* data, size_t size) {
        FFd = memfd_create("fuzz-input", 0);
        if (FFd < 0)
            return;
        size_t written = 0;
        while (written < size) {
            const ssize_t n = write(FFd, data + written, size - written);
            if (n <= 0)
                break;
            written += static_cast<size_t>(n);
        }
        FPath = "/proc/self/fd/" + std::to_string(FFd);
    }
    ~TFuzzMemoryFile() {
        if (FFd >= 0)
            close(FFd);
    }
    TFuzzMemoryFile(const TFuzzMemoryFile&) = delete;
    TFuzzMemoryFile& operator=(const TFuzzMemoryFile&) = delete;

    bool Ok() const { return FFd >= 0; }
    const char* Path() const { return FPath.c_str(); }

private:
    int FFd = -1;
    std::string FPath;
};
