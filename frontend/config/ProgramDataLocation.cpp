#include "frontend/config/ProgramDataLocation.h"

#include "frontend/config/XdgFolder.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool MayWrite(const std::string& path, int mode) {
    return ::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

// A file that exists must itself be writable; a missing one must be creatable.
bool MayWriteBeside(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return false;
    if (MayWrite(folder + name, W_OK))
        return true;
    return errno == ENOENT && MayWrite(folder, W_OK | X_OK);
}

// Every missing folder of the path, owner-only as the base directory rules
// ask. A failure shows later as a file that cannot be written.
void MakeFolders(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1))
        ::mkdir(folder.substr(0, slash).c_str(), 0700);
    ::mkdir(folder.c_str(), 0700);
}

} // namespace

std::string VxProgramDataPath(const std::string& programFolder, const std::string& name) {
    if (MayWriteBeside(programFolder, name))
        return programFolder + name;
    const std::string state = VxXdgFolder("XDG_STATE_HOME", ".local/state");
    if (state.empty())
        return programFolder + name;
    const std::string folder = state + "/Vexaline";
    MakeFolders(folder);
    return folder + "/" + name;
}
