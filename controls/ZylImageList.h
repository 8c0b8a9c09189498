// An image strip cut into numbered cells, the only thing skinned controls draw.
//
// A list is a component owned by the window; it outlives the controls that
// draw from it. One change listener (the control attached last) hears when
// the cells change. Everything runs on the window's thread.
#pragma once

#include "controls/ZylColor.h"
#include "controls/ZylPngImage.h"

#include <QImage>
#include <QObject>
#include <QRect>
#include <QRegion>

#include <cstdint>
#include <functional>
#include <vector>

class QPainter;
class QString;

class TZylImageList : public QObject {
public:
    using TChangeListener = std::function<void(TZylImageList* sender)>;

    explicit TZylImageList(QObject* owner = nullptr);
    ~TZylImageList() override;

    // The stored description's reading bracket: while open, the listener is
    // not called, so the intermediate cuttings stay unseen.
    void BeginLoading();
    void EndLoading();
    bool IsLoading() const { return m_loading > 0; }

    // Properties, in the order the description stores them.
    const TZylPngImage& GetBitmap() const { return m_bitmap; }
    void SetBitmap(const TZylPngImage& image);
    // Decodes a PNG file (Qt resource paths such as ":/skin/x.png" work) and
    // assigns it; false, with the image left unchanged, when it cannot.
    bool LoadBitmapFromFile(const QString& path);
    unsigned GetCount() const { return m_count; }
    void SetCount(unsigned count);
    bool GetVariableSize() const { return m_variableSize; }
    void SetVariableSize(bool variableSize);
    TZylColor GetBoundColor() const { return m_boundColor; }
    void SetBoundColor(TZylColor color);

    // Drawing: nothing without cells; an index at or past Count draws the last cell.
    void Draw(unsigned index, QPainter& canvas, int x, int y) const;
    void StretchDraw(unsigned index, QPainter& canvas, const QRect& dest) const;

    // The cell's pixels that are not `transparent`, relative to the cell's
    // corner; rows outside the band from..to (negative: the cell's edge) count
    // as wholly opaque.
    QRegion GetRegion(unsigned index, TZylColor transparent, std::int32_t from,
                      std::int32_t to) const;

    // Width of a row of cells with `spacing` between them (not after the last).
    int MeasureWidth(const std::vector<int>& indices, int spacing) const;
    int GetImageWidth(unsigned index) const;
    int GetImageHeight(unsigned index) const;
    // Width of the cell Draw shows for an index (the last cell past Count).
    int GetDrawnWidth(int index) const;
    // The cell's rectangle in image pixels; empty for an index past Count.
    QRect GetCellRect(unsigned index) const;
    bool GetEmpty() const { return m_bitmap.GetEmpty(); }

    // Transparency of the shared image, set by controls (affects every
    // control that draws from this list).
    void SetImageTransparentColor(TZylColor color);
    void RemoveImageTransparency();

    void SetChangeListener(TChangeListener listener) { m_listener = std::move(listener); }
    void ClearChangeListener() { m_listener = nullptr; }
    void DoImageChange();

protected:
    void UpdateBitmap();
    void CalcBoundColorRects();
    void CalcConstantSizeRects();

private:
    const QImage& DrawImage() const;
    unsigned ClampIndex(unsigned index) const;

    TZylPngImage m_bitmap;
    unsigned m_count = 0;
    bool m_variableSize = false;
    TZylColor m_boundColor = clNone;
    std::vector<QRect> m_rects; // QRect from left/top/right/bottom, right and bottom exclusive
    TChangeListener m_listener;
    int m_loading = 0;
    mutable QImage m_drawImage; // wraps the bitmap's draw pixels, no copy
    mutable std::uint64_t m_drawImageRevision = ~std::uint64_t(0);
};
