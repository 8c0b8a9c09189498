#include "controls/ZylImageList.h"

#include <QFile>
#include <QPainter>
#include <QString>

#include <algorithm>

TZylImageList::TZylImageList(QObject* owner) : QObject(owner) {}

TZylImageList::~TZylImageList() = default;

void TZylImageList::BeginLoading() {
    ++m_loading;
}

void TZylImageList::EndLoading() {
    if (m_loading > 0) {
        --m_loading;
    }
}

void TZylImageList::SetBitmap(const TZylPngImage& image) {
    m_bitmap.Assign(image);
    UpdateBitmap();
    DoImageChange();
}

bool TZylImageList::LoadBitmapFromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return false;
    }
    const QByteArray bytes = file.readAll();
    TZylPngImage image;
    if (!image.LoadFromMemory(bytes.constData(), std::size_t(bytes.size()))) {
        return false;
    }
    SetBitmap(image);
    return true;
}

void TZylImageList::SetCount(unsigned count) {
    if (m_variableSize || count == m_count) {
        return;
    }
    m_count = count;
    if (!GetEmpty()) {
        CalcConstantSizeRects();
    }
    DoImageChange();
}

void TZylImageList::SetVariableSize(bool variableSize) {
    if (variableSize == m_variableSize) {
        return;
    }
    m_variableSize = variableSize;
    UpdateBitmap();
    if (!GetEmpty()) {
        DoImageChange();
    }
}

void TZylImageList::SetBoundColor(TZylColor color) {
    if (color == m_boundColor) {
        return;
    }
    m_boundColor = color;
    if (GetEmpty()) {
        m_count = 0;
    } else if (m_variableSize) {
        CalcBoundColorRects();
        DoImageChange();
    }
}

void TZylImageList::DoImageChange() {
    if (m_listener && !IsLoading()) {
        m_listener(this);
    }
}

void TZylImageList::UpdateBitmap() {
    if (GetEmpty()) {
        m_count = 0;
        m_rects.clear();
    } else if (m_variableSize) {
        CalcBoundColorRects();
    } else {
        // Without a count of its own a strip is cut into square cells.
        m_count = std::max(1u, unsigned(m_bitmap.GetWidth() / m_bitmap.GetHeight()));
        CalcConstantSizeRects();
    }
}

void TZylImageList::CalcConstantSizeRects() {
    m_rects.clear();
    if (m_count == 0) {
        return;
    }
    // Columns left over at the right edge belong to no cell.
    const int cellWidth = int(unsigned(m_bitmap.GetWidth()) / m_count);
    m_rects.reserve(m_count);
    for (unsigned i = 0; i < m_count; ++i) {
        m_rects.emplace_back(int(i) * cellWidth, 0, cellWidth, m_bitmap.GetHeight());
    }
}

void TZylImageList::CalcBoundColorRects() {
    m_rects.clear();
    const int width = m_bitmap.GetWidth();
    const int height = m_bitmap.GetHeight();
    // A bound pixel in a cell's first column marks where the cell ends.
    auto bottomOf = [&](int column) {
        for (int y = 0; y < height; ++y) {
            if (m_bitmap.GetPixel(column, y) == m_boundColor) {
                return y;
            }
        }
        return height;
    };
    auto append = [&](int left, int right) {
        m_rects.emplace_back(left, 0, right - left, left < width ? bottomOf(left) : height);
    };
    int left = 0;
    for (int x = 0; x < width; ++x) {
        if (m_bitmap.GetPixel(x, 0) == m_boundColor) {
            append(left, x);
            left = x + 1;
        }
    }
    if (width > 0 && m_bitmap.GetPixel(width - 1, 0) != m_boundColor) {
        append(left, width);
    }
    m_count = unsigned(m_rects.size());
}

unsigned TZylImageList::ClampIndex(unsigned index) const {
    const unsigned cells = std::min<unsigned>(m_count, unsigned(m_rects.size()));
    return std::min(index, cells - 1);
}

const QImage& TZylImageList::DrawImage() const {
    if (m_drawImageRevision != m_bitmap.GetRevision()) {
        const auto* pixels = reinterpret_cast<const uchar*>(m_bitmap.GetDrawPixels());
        m_drawImage = QImage(pixels, m_bitmap.GetWidth(), m_bitmap.GetHeight(),
                             m_bitmap.GetWidth() * 4, QImage::Format_ARGB32_Premultiplied);
        m_drawImageRevision = m_bitmap.GetRevision();
    }
    return m_drawImage;
}

void TZylImageList::Draw(unsigned index, QPainter& canvas, int x, int y) const {
    if (m_count == 0 || m_rects.empty()) {
        return;
    }
    const QRect& cell = m_rects[ClampIndex(index)];
    canvas.drawImage(QRect(x, y, cell.width(), cell.height()), DrawImage(), cell);
}

void TZylImageList::StretchDraw(unsigned index, QPainter& canvas, const QRect& dest) const {
    if (m_count == 0 || m_rects.empty()) {
        return;
    }
    canvas.drawImage(dest, DrawImage(), m_rects[ClampIndex(index)]);
}

namespace {

// Builds a region from horizontal bands of runs, merging equal neighbouring
// bands, in the sorted, non-abutting form that QRegion::setRects expects.
class RegionBuilder {
public:
    void AddBand(int top, int bottom, std::vector<std::pair<int, int>> runs) {
        if (top >= bottom || runs.empty()) {
            return;
        }
        if (!m_bands.empty() && m_bands.back().bottom == top && m_bands.back().runs == runs) {
            m_bands.back().bottom = bottom;
            return;
        }
        m_bands.push_back({top, bottom, std::move(runs)});
    }
    QRegion Build() const {
        std::vector<QRect> rects;
        for (const auto& band : m_bands) {
            for (const auto& [x0, x1] : band.runs) {
                rects.emplace_back(x0, band.top, x1 - x0, band.bottom - band.top);
            }
        }
        QRegion region;
        if (!rects.empty()) {
            region.setRects(rects.data(), int(rects.size()));
        }
        return region;
    }

private:
    struct Band {
        int top;
        int bottom;
        std::vector<std::pair<int, int>> runs;
    };
    std::vector<Band> m_bands;
};

} // namespace

QRegion TZylImageList::GetRegion(unsigned index, TZylColor transparent, std::int32_t from,
                                 std::int32_t to) const {
    if (index >= m_count || index >= m_rects.size()) {
        return {};
    }
    const QRect& cell = m_rects[index];
    const int L = cell.x(), T = cell.y(), R = cell.x() + cell.width(), B = cell.y() + cell.height();
    const int w = R - L;
    std::int64_t first = from < 0 ? T : std::int64_t(from) + T;
    std::int64_t last = to < 0 ? B : std::int64_t(to) + T;
    last = std::min<std::int64_t>(last, B);
    first = std::min(first, last);
    const std::vector<std::pair<int, int>> wholeRow = {{0, w}};
    RegionBuilder builder;
    if (first > T && w > 0) {
        builder.AddBand(0, int(first - T), wholeRow);
    }
    for (int y = int(first); y < last; ++y) {
        std::vector<std::pair<int, int>> runs;
        int x = L;
        while (x < R) {
            while (x < R && m_bitmap.GetPixel(x, y) == transparent) {
                ++x;
            }
            const int x0 = x;
            while (x < R && m_bitmap.GetPixel(x, y) != transparent) {
                ++x;
            }
            if (x > x0) {
                runs.emplace_back(x0 - L, x - L);
            }
        }
        builder.AddBand(y - T, y + 1 - T, std::move(runs));
    }
    if (last < B && w > 0) {
        builder.AddBand(int(last - T), B - T, wholeRow);
    }
    return builder.Build();
}

int TZylImageList::MeasureWidth(const std::vector<int>& indices, int spacing) const {
    if (GetEmpty() || indices.empty() || m_count == 0 || m_rects.empty()) {
        return 0;
    }
    // An index past Count is measured as the cell Draw shows for it: the last.
    int width = 0;
    for (int index : indices) {
        width += GetDrawnWidth(index) + spacing;
    }
    return width - spacing;
}

int TZylImageList::GetDrawnWidth(int index) const {
    if (m_count == 0 || m_rects.empty()) {
        return 0;
    }
    return m_rects[ClampIndex(unsigned(std::max(index, 0)))].width();
}

int TZylImageList::GetImageWidth(unsigned index) const {
    return GetCellRect(index).width();
}

int TZylImageList::GetImageHeight(unsigned index) const {
    return GetCellRect(index).height();
}

QRect TZylImageList::GetCellRect(unsigned index) const {
    return index < m_count && index < m_rects.size() ? m_rects[index] : QRect();
}

void TZylImageList::SetImageTransparentColor(TZylColor color) {
    m_bitmap.SetTransparentColor(color);
}

void TZylImageList::RemoveImageTransparency() {
    m_bitmap.RemoveTransparency();
}
