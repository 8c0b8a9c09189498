// Every song extension some decoder claims, without dot, lower case: the
// list the playlist filters folder scans and m3u files by, and the open
// dialog offers.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> VxSongExtensions();
