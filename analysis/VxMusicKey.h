// A song's musical key as a number, and the names DJs read it by. Key 0 is
// unknown; 1 to 12 are C major to B major by semitone, 13 to 24 C minor to
// B minor. Pure functions.
#pragma once

#include <string>

enum class TVxKeyNotation { Camelot, OpenKey };

constexpr int kVxNoKey = 0;
constexpr int kVxKeyCount = 24;

bool VxIsKey(int key);
bool VxIsMinor(int key);
// The key's tonic as a pitch class, 0 (C) to 11 (B).
int VxKeyTonic(int key);
// "A minor", "F# major"; empty for no key.
std::string VxKeyName(int key);
// The key's wheel position, 1 to 12, in the Camelot notation.
int VxCamelotNumber(int key);
// The key's number in a notation, 1 to 12: its Camelot wheel position, or
// its Open Key number; 0 for no key.
int VxKeyNumber(int key, TVxKeyNotation notation);
// "8A" (Camelot) or "1m" (Open Key); empty for no key.
std::string VxKeyCode(int key, TVxKeyNotation notation);
// Mixes well: the same key, or one step around the wheel, or its relative
// (the same number in the other mode).
bool VxKeysCompatible(int a, int b);
// The key with this tonic and mode.
int VxKeyOf(int tonic, bool minor);
