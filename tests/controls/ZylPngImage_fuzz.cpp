// Feeds arbitrary bytes to the strip decoder: it must fail cleanly or give
// an image whose every pixel can be read and drawn.
#include "controls/ZylPngImage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TZylPngImage image;
    if (image.LoadFromMemory(data, size)) {
        const std::uint32_t* pixels = image.GetDrawPixels();
        std::uint32_t sum = 0;
        for (int y = 0; y < image.GetHeight(); ++y) {
            for (int x = 0; x < image.GetWidth(); ++x) {
                sum += image.GetPixel(x, y) + pixels[y * image.GetWidth() + x];
            }
        }
        image.SetTransparentColor(sum & 0xFFFFFF);
        image.GetDrawPixels();
    }
    return 0;
}
