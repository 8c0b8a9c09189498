// A bitmap font: an image list whose cell i is the glyph of CharSet's
// character i. Text is matched byte by byte in Windows-1252.
#pragma once

#include "controls/ZylImageList.h"

#include <QString>

#include <array>
#include <vector>

class TZylFont : public TZylImageList {
public:
    explicit TZylFont(QObject* owner = nullptr);

    const QString& GetCharSet() const { return m_charSet; }
    void SetCharSet(const QString& charSet);

    // One cell index per character of `text`: the first position of the
    // character in CharSet, 0 for a character CharSet lacks or the code page
    // cannot hold.
    void TextToIndex(const QString& text, std::vector<int>& indices) const;

private:
    QString m_charSet;
    std::array<int, 256> m_cellOfByte{}; // first CharSet position of each byte
};
