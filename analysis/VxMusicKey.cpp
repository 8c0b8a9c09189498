#include "analysis/VxMusicKey.h"

namespace {

constexpr const char* kMajorTonics[] = {"C",  "Db", "D",  "Eb", "E",  "F",
                                        "F#", "G",  "Ab", "A",  "Bb", "B"};
constexpr const char* kMinorTonics[] = {"C",  "C#", "D",  "Eb", "E",  "F",
                                        "F#", "G",  "G#", "A",  "Bb", "B"};

// C major sits at 8 on the Camelot wheel; each fifth up is one step on.
constexpr int kCamelotOfC = 8;
constexpr int kFifth = 7;

} // namespace

bool VxIsKey(int key) {
    return key >= 1 && key <= kVxKeyCount;
}

bool VxIsMinor(int key) {
    return key > 12;
}

int VxKeyTonic(int key) {
    return (key - 1) % 12;
}

int VxKeyOf(int tonic, bool minor) {
    return ((tonic % 12) + 12) % 12 + 1 + (minor ? 12 : 0);
}

std::string VxKeyName(int key) {
    if (!VxIsKey(key))
        return {};
    const int tonic = VxKeyTonic(key);
    return VxIsMinor(key) ? std::string(kMinorTonics[tonic]) + " minor"
                          : std::string(kMajorTonics[tonic]) + " major";
}

int VxCamelotNumber(int key) {
    // A minor key shares its place with its relative major, three semitones up.
    const int major = VxKeyTonic(key) + (VxIsMinor(key) ? 3 : 0);
    const int place = (major * kFifth + kCamelotOfC) % 12;
    return place == 0 ? 12 : place;
}

int VxKeyNumber(int key, TVxKeyNotation notation) {
    if (!VxIsKey(key))
        return 0;
    const int camelot = VxCamelotNumber(key);
    // Open Key counts from C major (Camelot 8B) as 1d.
    return notation == TVxKeyNotation::Camelot ? camelot : (camelot - kCamelotOfC + 12) % 12 + 1;
}

std::string VxKeyCode(int key, TVxKeyNotation notation) {
    if (!VxIsKey(key))
        return {};
    const bool camelot = notation == TVxKeyNotation::Camelot;
    const char* mode = VxIsMinor(key) ? (camelot ? "A" : "m") : (camelot ? "B" : "d");
    return std::to_string(VxKeyNumber(key, notation)) + mode;
}

bool VxKeysCompatible(int a, int b) {
    if (!VxIsKey(a) || !VxIsKey(b))
        return false;
    const int steps = (VxCamelotNumber(a) - VxCamelotNumber(b) + 12) % 12;
    if (VxIsMinor(a) == VxIsMinor(b))
        return steps == 0 || steps == 1 || steps == 11;
    return steps == 0;
}
