// The user's base folders as the XDG base directory rules name them.
#pragma once

#include <string>

// The folder named by the environment variable when it holds an absolute
// path (a relative one is ignored, as the rules say), else the user's home
// followed by "/" and homeRelative; "" when no home can be found either.
std::string VxXdgFolder(const char* variable, const char* homeRelative);
