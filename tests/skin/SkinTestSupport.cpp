#include "SkinTestSupport.h"

#include <QGuiApplication>
#include <gtest/gtest.h>
#include <memory>

namespace SkinTest {

namespace {

// The fonts and the embedded pictures need a QGuiApplication for the whole
// run; it is torn down after the last test so leak checks see a clean exit.
class TApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override { Application = std::make_unique<QGuiApplication>(Argc, Argv); }
    void TearDown() override { Application.reset(); }

private:
    int Argc = 1;
    char Name[11] = "skin_tests";
    char* Argv[2] = {Name, nullptr};
    std::unique_ptr<QGuiApplication> Application;
};

[[maybe_unused]] ::testing::Environment* const Environment =
    ::testing::AddGlobalTestEnvironment(new TApplicationEnvironment);

} // namespace

QRgb FromColorRef(std::uint32_t bgr) {
    return qRgb(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

QImage LoadEmbedded(const VxSkin::TSkinStrip& strip) {
    return QImage(QString::fromLatin1(strip.Resource)).convertToFormat(QImage::Format_ARGB32);
}

static bool IsBound(const QImage& image, int x, int y) {
    return image.pixel(x, y) == qRgb(0, 0, 255);
}

static int CellBottom(const QImage& strip, int left) {
    if (left >= strip.width())
        return strip.height();
    for (int y = 0; y < strip.height(); ++y)
        if (IsBound(strip, left, y))
            return y;
    return strip.height();
}

std::vector<QRect> CutByBoundColour(const QImage& strip) {
    std::vector<QRect> cells;
    int left = 0;
    for (int x = 0; x < strip.width(); ++x) {
        if (!IsBound(strip, x, 0))
            continue;
        cells.push_back(QRect(left, 0, x - left, CellBottom(strip, left)));
        left = x + 1;
    }
    if (!IsBound(strip, strip.width() - 1, 0))
        cells.push_back(QRect(left, 0, strip.width() - left, CellBottom(strip, left)));
    return cells;
}

int TextWidth(const std::vector<QRect>& cells, const std::string& charSet,
              const std::string& text) {
    int width = 0;
    for (char c : text) {
        const std::size_t index = charSet.find(c);
        width += cells.at(index == std::string::npos ? 0 : index).width();
    }
    return width;
}

} // namespace SkinTest
