// Where a file the program keeps for itself (the log "vxs.log", the last
// playlist) lies: beside the program when this process may write there, as
// it always has; otherwise, as in a copy installed where its user cannot
// write, in the user's state folder ($XDG_STATE_HOME/Vexaline, default
// ~/.local/state/Vexaline), so that such a file is never lost without a word.
// The file is read from the same place it is written to.
#pragma once

#include <string>

// programFolder ends with '/'; name is a plain file name. Whether the folder
// (or the file already in it) may be written is asked of the system for this
// process's effective user, so that a user who may write there, root
// included, keeps the file beside the program. When the state folder is
// chosen it is created (mode 0700).
std::string VxProgramDataPath(const std::string& programFolder, const std::string& name);
