#include "decoding/MediaModule.h"

#include <cstdio>
#include <dlfcn.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kModuleName = "libvexaline-media.so";

// The folder of the running program, from the kernel's link to it.
std::string ProgramFolder() {
    std::string path(4096, '\0');
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0)
        return {};
    path.resize(static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/'));
}

bool Exists(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

std::string LoadError(const std::string& reason) {
    return std::string("The media module ") + kModuleName +
           ", which plays FLAC, AIFF, ALAC, AAC, Ogg and Opus files and analyses songs, "
           "could not be loaded: " +
           reason;
}

} // namespace

TVxMediaLoad VxLoadMediaModule(const std::vector<std::string>& paths) {
    TVxMediaLoad load;
    std::string reason; // the first file's that failed, else the first path's
    bool reasonFromFile = false;
    for (const std::string& path : paths) {
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (handle != nullptr) {
            auto entries =
                reinterpret_cast<TVxMediaEntriesFunction>(dlsym(handle, kVxMediaEntriesSymbol));
            if (entries != nullptr) {
                load.Entries = entries();
                return load;
            }
        }
        const char* failure = dlerror();
        const std::string error = failure != nullptr ? failure : path + ": no entries";
        if (handle != nullptr)
            dlclose(handle);
        const bool fromFile = Exists(path);
        if (reason.empty() || (fromFile && !reasonFromFile)) {
            reason = error;
            reasonFromFile = fromFile;
        }
    }
    load.Error = LoadError(reason.empty() ? "no place to look for it" : reason);
    return load;
}

const TVxMediaLoad& VxMediaModule() {
    static std::once_flag once;
    static TVxMediaLoad load;
    std::call_once(once, [] {
        load = VxLoadMediaModule({ProgramFolder() + "/../lib/vexaline/modules/" + kModuleName,
                                  VX_MEDIA_MODULE_BUILD_PATH});
        // Once, where whoever installed the program looks first; each song
        // that needs the module reports it again to the log.
        if (load.Entries == nullptr)
            std::fprintf(stderr, "%s\n", load.Error.c_str());
    });
    return load;
}
