// Hint texts laid out by the program, not by the toolkit: a hint keeps its
// own line breaks and is folded only at blanks between words, to a maximum
// width. The toolkit's tool-tip folds rich text at a quarter of the screen on
// its own and splits a bullet from its text; a plain text laid out here is
// shown as it is.
#pragma once

#include <QFontMetrics>
#include <QString>

// The widest hint outside the deck's help mode, in pixels; in help mode the
// screen's width is the limit.
inline constexpr int kVxHintMaxWidth = 300;

// text folded so that no line is wider than maxWidth as measured by metrics,
// except a single word wider than that. A folded line goes on under the text
// of its first line, past any indent and bullet ("- ").
QString VxLayoutHint(const QString& text, const QFontMetrics& metrics, int maxWidth);

// The same with the font hint windows use.
QString VxLayoutHint(const QString& text, int maxWidth);
