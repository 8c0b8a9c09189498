#include "frontend/config/LogLocation.h"

#include "frontend/config/XdgFolder.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr const char* kLogName = "vxs.log";

bool MayWrite(const std::string& path, int mode) {
    return ::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

// A log that exists must itself be writable; a missing one must be creatable.
bool MayWriteBeside(const std::string& folder) {
    if (folder.empty())
        return false;
    if (MayWrite(folder + kLogName, W_OK))
        return true;
    return errno == ENOENT && MayWrite(folder, W_OK | X_OK);
}

// Every missing folder of the path, owner-only as the base directory rules
// ask. A failure shows later as log lines that cannot be written.
void MakeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1))
        ::mkdir(folder.substr(0, slash).c_str(), 0700);
    ::mkdir(folder.c_str(), 0700);
}

} // namespace

std::string VxLogFilePath(const std::string& programFolder) {
    if (MayWriteBeside(programFolder))
        return programFolder + kLogName;
    const std::string state = VxXdgFolder("XDG_STATE_HOME", ".local/state");
    if (state.empty())
        return programFolder + kLogName;
    const std::string folder = state + "/Vexaline";
    MakeFolders(folder);
    return folder + "/" + kLogName;
}
