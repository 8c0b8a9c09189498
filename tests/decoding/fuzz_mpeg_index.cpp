// The frame scanner and every index variant on arbitrary bytes, with or
// without leading ID3v2 tags.
#include "decoding/MPEGIndex.h"
#include "tests/decoding/FuzzMemoryFile.h"

namespace {

// Every offset, and where a seek starts decoding, lies inside the file.
void Query(TMPEGIndexTAG& index, int64_t fileSize) {
    const uint32_t count = index.GetFrameCount();
    for (uint32_t frame : {0u, 1u, count / 2, count, count + 1, 0xFFFFFFFFu}) {
        int64_t offset = 0, seek = 0;
        if (index.GetFrameOffset(frame, &offset) == 0 && (offset < 0 || offset > fileSize))
            __builtin_trap();
        if (index.GetSeekOffset(frame, &seek) == 0 && (seek < 0 || seek > fileSize))
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
        Query(*index, static_cast<int64_t>(size));
    }
    return 0;
}
