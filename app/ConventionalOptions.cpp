#include "app/ConventionalOptions.h"

#include <cstring>

namespace {

// The deck's switches; "-" begins a switch, a number follows where named.
constexpr const char* kSwitches =
    "Switches (case does not matter):\n"
    "  -sc N      play through sound output N (0 is the default output)\n"
    "  -log       log this run to vxs.log (logging is stored off at exit)\n"
    "  -x N       open the window N pixels from the screen's left edge\n"
    "  -y N       open the window N pixels from the screen's top edge\n"
    "  -key N     F1..F12 (N = 1..12) brings this copy to the front (X11)\n"
    "  --help     print this help and exit\n"
    "  --version  print the name and version and exit\n";

constexpr const char* kFileTypes =
    "Files: MPEG audio (.mp3 .mp2 .mpg), WAV (.wav), FLAC (.flac),\n"
    "AIFF (.aif .aiff .aifc), MPEG-4 and ALAC (.m4a .mp4 .alac),\n"
    "Ogg Vorbis and Opus (.ogg .oga .opus); playlists (.m3u .m3u8).\n"
    "Folders are searched with all their subfolders.\n";

constexpr const char* kEnvironment =
    "Environment:\n"
    "  VEXALINE_AUDIO      null: play to no device; null:capture=PATH also writes what\n"
    "                      is played to the WAV file PATH; jack: play straight to\n"
    "                      the JACK server; portaudio:HOSTAPI: only that PortAudio\n"
    "                      host API's outputs (portaudio:jack)\n"
    "  VEXALINE_RESAMPLER  pitch converter: sinc-medium (default), sinc-best,\n"
    "                      sinc-fastest, linear, zoh\n"
    "  XDG_CONFIG_HOME     settings in $XDG_CONFIG_HOME/Zyl/Vexaline/Velm.reg\n"
    "  XDG_STATE_HOME      the log when the program's folder is not writable\n"
    "  XDG_CACHE_HOME      the tempo cache in $XDG_CACHE_HOME/Vexaline/tempo.db\n"
    "  XDG_RUNTIME_DIR     the lock file that marks a running copy\n";

constexpr const char* kLicence =
    "Copyright (C) 2026 Vexaline developers\n"
    "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n";

void PrintHelp(std::FILE* out) {
    std::fputs("Usage: vexaline [SWITCH]... [FILE | FOLDER | PLAYLIST]...\n"
               "A single-deck audio player for disc jockeys. The files, folders and playlists\n"
               "named fill the playlist and the first song is loaded on the deck.\n\n",
               out);
    std::fputs(kSwitches, out);
    std::fputs("\n", out);
    std::fputs(kFileTypes, out);
    std::fputs("\n", out);
    std::fputs(kEnvironment, out);
    std::fputs("\nThe keys and files are described in the manual page vexaline(1).\n", out);
}

} // namespace

bool VxAnswerConventionalOption(int argc, const char* const* argv, std::FILE* out) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            PrintHelp(out);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fprintf(out, "Vexaline %s\n%s", VX_VERSION, kLicence);
            return true;
        }
    }
    return false;
}
