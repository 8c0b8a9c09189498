// A decoded strip image, independent of the window toolkit.
//
// Pixels are kept as 0xAABBGGRR (colour value in the low three bytes, the
// PNG's own alpha in the high byte). Drawing code asks for a premultiplied
// ARGB copy in which pixels of the transparent colour are cleared as well;
// that copy is rebuilt only after the pixels or the transparency change.
// Used on the window's thread only.
#pragma once

#include "controls/ZylColor.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TZylPngImage {
public:
    // Largest accepted image side and pixel count; bigger files are refused
    // before any pixel memory is allocated.
    static constexpr std::uint32_t kMaxSide = 16384;
    static constexpr std::uint64_t kMaxPixels = 16u * 1024u * 1024u;

    // Decodes a PNG. On failure the image becomes empty and `error` (when
    // given) receives a short reason; nothing is thrown.
    bool LoadFromMemory(const void* data, std::size_t size, std::string* error = nullptr);
    bool LoadFromFile(const std::string& path, std::string* error = nullptr);

    // Makes an opaque image of the given size filled with one colour.
    void SetSize(int width, int height, TZylColor fill = clBlack);
    // Sets one pixel's colour and alpha; outside the image nothing happens.
    void SetPixel(int x, int y, TZylColor color, std::uint8_t alpha = 255);

    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    bool GetEmpty() const { return m_width == 0 || m_height == 0; }
    // The colour at (x, y) without alpha; clNone outside the image.
    TZylColor GetPixel(int x, int y) const;
    std::uint8_t GetAlpha(int x, int y) const;

    // Pixels of this colour are left out when drawing.
    void SetTransparentColor(TZylColor color);
    TZylColor GetTransparentColor() const { return m_transparentColor; }
    // Drops the transparent colour and the image's own alpha: every pixel
    // draws opaque until a transparent colour is set again.
    void RemoveTransparency();
    bool GetHasAlpha() const { return m_useAlpha && m_hasAlpha; }

    void Assign(const TZylPngImage& source);

    // Premultiplied 0xAARRGGBB pixels, row by row, width per row, honouring
    // the image's alpha and its transparent colour. Valid until the next
    // change of the image.
    const std::uint32_t* GetDrawPixels() const;
    // Increases with every change of pixels or transparency.
    std::uint64_t GetRevision() const { return m_revision; }

private:
    void Changed();

    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_pixels; // 0xAABBGGRR
    bool m_hasAlpha = false;             // some pixel is not fully opaque
    bool m_useAlpha = true;
    TZylColor m_transparentColor = clNone;
    std::uint64_t m_revision = 0;
    mutable std::vector<std::uint32_t> m_drawPixels;
    mutable bool m_drawPixelsValid = false;
};
