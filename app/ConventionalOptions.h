// The two options every Linux program answers, kept apart from the deck's
// own switches: --help prints the usage, --version the name, the version
// and the licence.
// Both end the program before the toolkit or a window exists, so they work
// without a display.
#pragma once

#include <cstdio>

// When an argument after the program's name is exactly "--help" or
// "--version" (the first such argument decides), prints its answer to out
// and returns true; otherwise prints nothing and returns false, and the
// arguments go to the deck's command line unchanged.
bool VxAnswerConventionalOption(int argc, const char* const* argv, std::FILE* out);
