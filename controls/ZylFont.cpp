#include "controls/ZylFont.h"

#include "controls/ZylCodePage.h"

TZylFont::TZylFont(QObject* owner) : TZylImageList(owner) {}

void TZylFont::SetCharSet(const QString& charSet) {
    m_charSet = charSet;
    m_cellOfByte.fill(-1);
    const QList<uint> codePoints = charSet.toUcs4();
    for (qsizetype i = 0; i < codePoints.size(); ++i) {
        const int byte = ZylUnicodeToCp1252(char32_t(codePoints[i]));
        if (byte >= 0 && m_cellOfByte[byte] < 0) {
            m_cellOfByte[byte] = int(i);
        }
    }
    for (int& cell : m_cellOfByte) {
        cell = cell < 0 ? 0 : cell; // cell 0 stands for every missing character
    }
    DoImageChange();
}

void TZylFont::TextToIndex(const QString& text, std::vector<int>& indices) const {
    indices.clear();
    indices.reserve(std::size_t(text.size()));
    for (uint codePoint : text.toUcs4()) {
        const int byte = ZylUnicodeToCp1252(char32_t(codePoint));
        indices.push_back(byte < 0 ? 0 : m_cellOfByte[byte]);
    }
}
