// Reads arbitrary bytes as a controller mapping file. What reads as a
// mapping must write back to a file that reads as the same mapping.
#include "control/midi/VxMidiMapping.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TVxMidiMapping mapping;
    std::string error;
    if (!VxParseMidiMapping(text, "fuzz.json", mapping, error)) {
        if (error.rfind("fuzz.json:", 0) != 0)
            std::abort(); // every fault names its file and line
        return 0;
    }
    const std::string written = VxWriteMidiMapping(mapping);
    TVxMidiMapping back;
    if (!VxParseMidiMapping(written, "fuzz.json", back, error) ||
        back.Bindings.size() != mapping.Bindings.size() || back.Device != mapping.Device ||
        VxWriteMidiMapping(back) != written)
        std::abort();
    return 0;
}
