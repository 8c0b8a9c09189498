// MIREX's weighting of a key estimate against the truth: 1 for the key,
// 0.5 for a fifth either way, 0.3 for the relative, 0.2 for the parallel key.
#pragma once

#include "analysis/VxMusicKey.h"

namespace tempotest {

inline double MirexScore(int found, int truth) {
    if (found == truth)
        return 1;
    if (!VxIsKey(found))
        return 0;
    const bool sameMode = VxIsMinor(found) == VxIsMinor(truth);
    const int up = (VxKeyTonic(found) - VxKeyTonic(truth) + 12) % 12;
    if (sameMode && (up == 7 || up == 5))
        return 0.5;
    if (!sameMode && up == (VxIsMinor(truth) ? 3 : 9))
        return 0.3;
    return !sameMode && up == 0 ? 0.2 : 0;
}

} // namespace tempotest
