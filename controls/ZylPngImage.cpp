#include "controls/ZylPngImage.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

struct MemoryReader {
    const unsigned char* data;
    std::size_t size;
    std::size_t offset;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (length > reader->size - reader->offset) {
        png_error(png, "truncated PNG data");
    }
    std::memcpy(out, reader->data + reader->offset, length);
    reader->offset += length;
}

struct ErrorSink {
    char text[128] = "";
};

[[noreturn]] void OnPngError(png_structp png, png_const_charp message) {
    auto* sink = static_cast<ErrorSink*>(png_get_error_ptr(png));
    std::snprintf(sink->text, sizeof sink->text, "%s", message ? message : "PNG error");
    png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Decodes into 8-bit RGBA rows. Every C++ object touched after setjmp is
// created before it, so a longjmp from libpng skips no destructor.
bool DecodePng(const unsigned char* data, std::size_t size, int& width, int& height,
               std::vector<std::uint32_t>& pixels, std::vector<png_bytep>& rows, ErrorSink& sink) {
    if (size < 8 || png_sig_cmp(data, 0, 8) != 0) {
        std::snprintf(sink.text, sizeof sink.text, "not a PNG file");
        return false;
    }
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, &sink, OnPngError, OnPngWarning);
    if (!png) {
        std::snprintf(sink.text, sizeof sink.text, "out of memory");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    MemoryReader reader{data, size, 0};
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, ReadFromMemory);
    png_set_user_limits(png, TZylPngImage::kMaxSide, TZylPngImage::kMaxSide);
    png_set_chunk_malloc_max(png, 8u * 1024u * 1024u);
    png_read_info(png, info);

    png_uint_32 w = 0, h = 0;
    int bitDepth = 0, colorType = 0;
    png_get_IHDR(png, info, &w, &h, &bitDepth, &colorType, nullptr, nullptr, nullptr);
    if (std::uint64_t(w) * h > TZylPngImage::kMaxPixels) {
        png_error(png, "image too large");
    }
    if (colorType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(png);
    }
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) {
        png_set_expand_gray_1_2_4_to_8(png);
    }
    if (png_get_valid(png, info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(png); // palette and colour-key transparency become alpha
    }
    if (bitDepth == 16) {
        png_set_strip_16(png);
    }
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != std::size_t(w) * 4) {
        png_error(png, "unexpected row layout");
    }

    pixels.assign(std::size_t(w) * h, 0);
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y) {
        rows[y] = reinterpret_cast<png_bytep>(pixels.data() + std::size_t(y) * w);
    }
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    width = int(w);
    height = int(h);
    return true;
}

// Bytes R, G, B, A in memory to 0xAABBGGRR whatever the host's byte order.
std::uint32_t FromRgbaBytes(std::uint32_t stored) {
    unsigned char b[4];
    std::memcpy(b, &stored, 4);
    return std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16) |
           (std::uint32_t(b[3]) << 24);
}

} // namespace

bool TZylPngImage::LoadFromMemory(const void* data, std::size_t size, std::string* error) {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::vector<png_bytep> rows;
    ErrorSink sink;
    const bool ok = data && DecodePng(static_cast<const unsigned char*>(data), size, width, height,
                                      pixels, rows, sink);
    m_transparentColor = clNone;
    m_useAlpha = true;
    m_hasAlpha = false;
    if (!ok) {
        if (error) {
            *error = sink.text[0] ? sink.text : "not a PNG file";
        }
        m_width = m_height = 0;
        m_pixels.clear();
        Changed();
        return false;
    }
    for (auto& p : pixels) {
        p = FromRgbaBytes(p);
        m_hasAlpha = m_hasAlpha || (p >> 24) != 0xFF;
    }
    m_width = width;
    m_height = height;
    m_pixels = std::move(pixels);
    Changed();
    return true;
}

bool TZylPngImage::LoadFromFile(const std::string& path, std::string* error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        LoadFromMemory(nullptr, 0);
        if (error) {
            *error = "cannot open " + path;
        }
        return false;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    return LoadFromMemory(bytes.data(), bytes.size(), error);
}

void TZylPngImage::SetSize(int width, int height, TZylColor fill) {
    if (width <= 0 || height <= 0 || std::uint64_t(width) * std::uint64_t(height) > kMaxPixels) {
        width = height = 0;
    }
    m_width = width;
    m_height = height;
    m_pixels.assign(std::size_t(width) * std::size_t(height), (fill & 0xFFFFFF) | 0xFF000000u);
    m_hasAlpha = false;
    Changed();
}

void TZylPngImage::SetPixel(int x, int y, TZylColor color, std::uint8_t alpha) {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) {
        return;
    }
    m_pixels[std::size_t(y) * m_width + x] = (color & 0xFFFFFF) | (std::uint32_t(alpha) << 24);
    m_hasAlpha = m_hasAlpha || alpha != 0xFF;
    Changed();
}

TZylColor TZylPngImage::GetPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) {
        return clNone;
    }
    return m_pixels[std::size_t(y) * m_width + x] & 0xFFFFFF;
}

std::uint8_t TZylPngImage::GetAlpha(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) {
        return 0;
    }
    return std::uint8_t(m_pixels[std::size_t(y) * m_width + x] >> 24);
}

void TZylPngImage::SetTransparentColor(TZylColor color) {
    if (color != m_transparentColor) {
        m_transparentColor = color;
        Changed();
    }
}

void TZylPngImage::RemoveTransparency() {
    if (m_transparentColor != clNone || m_useAlpha) {
        m_transparentColor = clNone;
        m_useAlpha = false;
        Changed();
    }
}

void TZylPngImage::Assign(const TZylPngImage& source) {
    if (&source == this) {
        return;
    }
    m_width = source.m_width;
    m_height = source.m_height;
    m_pixels = source.m_pixels;
    m_hasAlpha = source.m_hasAlpha;
    m_useAlpha = source.m_useAlpha;
    m_transparentColor = source.m_transparentColor;
    Changed();
}

const std::uint32_t* TZylPngImage::GetDrawPixels() const {
    if (!m_drawPixelsValid) {
        m_drawPixels.resize(m_pixels.size());
        for (std::size_t i = 0; i < m_pixels.size(); ++i) {
            const std::uint32_t p = m_pixels[i];
            std::uint32_t a = m_useAlpha ? p >> 24 : 0xFF;
            if ((p & 0xFFFFFF) == m_transparentColor) {
                a = 0;
            }
            const std::uint32_t r = (ZylRed(p) * a + 127) / 255;
            const std::uint32_t g = (ZylGreen(p) * a + 127) / 255;
            const std::uint32_t b = (ZylBlue(p) * a + 127) / 255;
            m_drawPixels[i] = (a << 24) | (r << 16) | (g << 8) | b;
        }
        m_drawPixelsValid = true;
    }
    return m_drawPixels.data();
}

void TZylPngImage::Changed() {
    ++m_revision;
    m_drawPixelsValid = false;
}
