#include "tests/controls/ControlsTestSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

#include <gtest/gtest.h>
#include <zlib.h>

namespace zyltest {
namespace {

// The widget tests need one application object for the whole run.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "controls_tests";
        static char* argv[] = {name, nullptr};
        m_app = new QApplication(argc, argv);
    }
    void TearDown() override { delete m_app; }

private:
    QApplication* m_app = nullptr;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

void PutBigEndian(std::string& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(char((value >> shift) & 0xFF));
    }
}

void PutChunk(std::string& out, const char* type, const std::string& data) {
    PutBigEndian(out, std::uint32_t(data.size()));
    const std::string body = std::string(type, 4) + data;
    out += body;
    PutBigEndian(out, std::uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()),
                                          uInt(body.size()))));
}

std::string EncodePng(int width, int height, int colorType, int bytesPerPixel,
                      const std::string& extraChunks, const std::string& pixels) {
    std::string out = "\x89PNG\r\n\x1a\n";
    std::string header;
    PutBigEndian(header, std::uint32_t(width));
    PutBigEndian(header, std::uint32_t(height));
    header += char(8);         // bit depth
    header += char(colorType); // 3 palette, 6 RGBA
    header += std::string(3, '\0');
    PutChunk(out, "IHDR", header);
    out += extraChunks;
    std::string raw;
    for (int y = 0; y < height; ++y) {
        raw += '\0'; // filter: none
        raw += pixels.substr(std::size_t(y) * width * bytesPerPixel,
                             std::size_t(width) * bytesPerPixel);
    }
    uLongf packedSize = compressBound(uLong(raw.size()));
    std::string packed(packedSize, '\0');
    compress(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
             reinterpret_cast<const Bytef*>(raw.data()), uLong(raw.size()));
    packed.resize(packedSize);
    PutChunk(out, "IDAT", packed);
    PutChunk(out, "IEND", "");
    return out;
}

QMouseEvent MouseEvent(QEvent::Type type, QWidget& widget, QPoint pos, Qt::MouseButton button,
                       Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    return QMouseEvent(type, QPointF(pos), QPointF(widget.mapToGlobal(pos)), button, buttons,
                       modifiers);
}

} // namespace

TZylPngImage MakeSolid(int width, int height, TZylColor color) {
    return MakeImage(width, height, [&](int, int) { return color; });
}

TZylPngImage MakeCells(int cellWidth, int height, const std::vector<TZylColor>& colors) {
    return MakeImage(cellWidth * int(colors.size()), height,
                     [&](int x, int) { return colors[std::size_t(x / cellWidth)]; });
}

std::string EncodePalettePng(int width, int height, const std::vector<TZylColor>& palette,
                             const std::vector<std::uint8_t>& alpha,
                             const std::vector<std::uint8_t>& indices) {
    std::string plte;
    for (TZylColor c : palette) {
        plte += char(ZylRed(c));
        plte += char(ZylGreen(c));
        plte += char(ZylBlue(c));
    }
    std::string chunks;
    PutChunk(chunks, "PLTE", plte);
    if (!alpha.empty()) {
        PutChunk(chunks, "tRNS", std::string(alpha.begin(), alpha.end()));
    }
    return EncodePng(width, height, 3, 1, chunks, std::string(indices.begin(), indices.end()));
}

std::string EncodeRgbaPng(int width, int height, const std::vector<std::uint32_t>& pixels) {
    std::string bytes;
    for (std::uint32_t p : pixels) {
        for (int shift = 0; shift < 32; shift += 8) {
            bytes += char((p >> shift) & 0xFF);
        }
    }
    return EncodePng(width, height, 6, 4, "", bytes);
}

TZylColor PixelAt(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return ZylRGB(std::uint8_t(qRed(p)), std::uint8_t(qGreen(p)), std::uint8_t(qBlue(p)));
}

QImage Render(QWidget& widget, TZylColor background) {
    QImage image(widget.size(), QImage::Format_ARGB32);
    image.fill(QColor(ZylRed(background), ZylGreen(background), ZylBlue(background)));
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

void Press(QWidget& widget, QPoint pos, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    QMouseEvent event =
        MouseEvent(QEvent::MouseButtonPress, widget, pos, button, button, modifiers);
    QCoreApplication::sendEvent(&widget, &event);
}

void DoublePress(QWidget& widget, QPoint pos) {
    QMouseEvent event = MouseEvent(QEvent::MouseButtonDblClick, widget, pos, Qt::LeftButton,
                                   Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

void Release(QWidget& widget, QPoint pos, Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    QMouseEvent event =
        MouseEvent(QEvent::MouseButtonRelease, widget, pos, button, Qt::NoButton, modifiers);
    QCoreApplication::sendEvent(&widget, &event);
}

void Move(QWidget& widget, QPoint pos, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    QMouseEvent event =
        MouseEvent(QEvent::MouseMove, widget, pos, Qt::NoButton, buttons, modifiers);
    QCoreApplication::sendEvent(&widget, &event);
}

void Enter(QWidget& widget) {
    QEnterEvent event(QPointF(1, 1), QPointF(1, 1), QPointF(widget.mapToGlobal(QPoint(1, 1))));
    QCoreApplication::sendEvent(&widget, &event);
}

void Leave(QWidget& widget) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(&widget, &event);
}

} // namespace zyltest
