// The frame scanner and every index variant on arbitrary bytes.
#include "decoding/MPEGIndex.h"
#include "tests/decoding/FuzzMemoryFile.h"

namespace {

void Query(TMPEGIndexTAG& index) {
    const uint32_t count = index.GetFrameCount();
    for (uint32_t frame : {0u, 1u, count / 2, count, count + 1, 0xFFFFFFFFu}) {
        int64_t offset = 0;
        if (index.GetFrameOffset(frame, &offset) == 0 && offset < 0)
            __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TFuzzMemoryFile file(data, size);
    if (!file.Ok())
        return 0;
    TMPEGQuickInfo quick;
    ReadQuickInfo(file.Path(), &quick);
    TMPEGCompatibleIndexTAG compatible;
    TMPEGCompatibleIndex2TAG compatible2;
    TMPEGExactIndexTAG exact;
    for (TMPEGIndexTAG* index :
         {static_cast<TMPEGIndexTAG*>(&compatible), static_cast<TMPEGIndexTAG*>(&compatible2),
          static_cast<TMPEGIndexTAG*>(&exact)}) {
        index->Build(file.Path());
        Query(*index);
    }
    return 0;
}
