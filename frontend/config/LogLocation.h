// Where the log file "vxs.log" of a run lies: beside the program when this
// process may write there, as it always has; otherwise, as in a copy
// installed where its user cannot write, in the user's state folder
// ($XDG_STATE_HOME/Vexaline, default ~/.local/state/Vexaline), so that
// "Log events to file" never writes nothing without a word.
#pragma once

#include <string>

// programFolder ends with '/'. Whether the folder (or a log already in it)
// may be written is asked of the system for this process's effective user,
// so that a user who may write there, root included, keeps the log beside
// the program. When the state folder is chosen it is created (mode 0700).
std::string VxLogFilePath(const std::string& programFolder);
