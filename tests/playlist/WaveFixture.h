// Writes small RIFF WAVE files for the playlist tests and benchmark.
#pragma once

#include <cstdint>
#include <string>

// 16-bit stereo PCM silence at 44.1 kHz, milliseconds long. With
// truncateHeader the file ends inside its format chunk.
void WriteWaveFile(const std::string& path, uint32_t milliseconds, bool truncateHeader = false);
