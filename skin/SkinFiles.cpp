#include "skin/SkinFiles.h"

namespace VxSkin {

std::string MsSerifCharSet() {
    std::string set;
    for (int c = 0x20; c <= 0x7E; ++c)
        set.push_back(static_cast<char>(c));
    for (int c = 0xA1; c <= 0xFF; ++c)
        set.push_back(static_cast<char>(c));
    return set;
}

} // namespace VxSkin
