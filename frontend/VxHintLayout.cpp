#include "frontend/VxHintLayout.h"

#include <QStringList>
#include <QToolTip>

namespace {

// The blanks (and bullet) a folded line repeats as blanks, so that it lines
// up with the text of the line it continues.
QString ContinuationIndent(const QString& line) {
    qsizetype text = 0;
    while (text < line.size() && line[text] == QLatin1Char(' '))
        ++text;
    if (line.mid(text, 2) == QLatin1String("- "))
        text += 2;
    return QString(text, QLatin1Char(' '));
}

void FoldLine(const QString& line, const QFontMetrics& metrics, int maxWidth, QStringList& out) {
    if (metrics.horizontalAdvance(line) <= maxWidth) {
        out << line;
        return;
    }
    const QString indent = ContinuationIndent(line);
    const QStringList words = line.mid(indent.size()).split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QString current = line.left(indent.size());
    bool empty = true;
    for (const QString& word : words) {
        const QString longer = empty ? current + word : current + QLatin1Char(' ') + word;
        if (!empty && metrics.horizontalAdvance(longer) > maxWidth) {
            out << current;
            current = indent + word;
        } else {
            current = longer;
        }
        empty = false;
    }
    out << current;
}

} // namespace

QString VxLayoutHint(const QString& text, const QFontMetrics& metrics, int maxWidth) {
    QStringList lines;
    for (const QString& line : text.split(QLatin1Char('\n')))
        FoldLine(line, metrics, maxWidth, lines);
    return lines.join(QLatin1Char('\n'));
}

QString VxLayoutHint(const QString& text, int maxWidth) {
    return VxLayoutHint(text, QFontMetrics(QToolTip::font()), maxWidth);
}
