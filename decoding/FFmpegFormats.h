// The song formats that FFmpeg decodes for the player: known by their file
// extension alone, so that a file can be claimed without loading FFmpeg.
#pragma once

// The song extensions FFmpeg decodes, without dot, lower case.
extern const char* const kFFmpegExtensions[10];

// True when path ends in one of them, in any case.
bool IsFFmpegSongFile(const char* path);
