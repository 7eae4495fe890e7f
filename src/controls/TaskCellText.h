#pragma once

// What the task list makes of its cell texts: the cut with an ellipsis after the last whole
// word, whether a text needs more than one line at a column's width, the status icon that a
// row's status code and flags choose, and the number that starts a percentage text.

#include <QFont>
#include <QFontMetrics>
#include <QString>

// The text as it fits on one line of `width` pixels: whole, or cut after its last whole
// word that leaves room for "...". A first word that does not fit is cut within itself.
QString ElideAtWord(const QFontMetrics& metrics, const QString& text, int width);

// True when the text, wrapped at word boundaries (and inside words too long for a line),
// takes more than one line of `width` pixels.
bool NeedsMoreThanOneLine(const QFont& font, const QString& text, int width);

// The state image of a status: code "R" (4 when flag16 is "1", else 0), "W" 2, "S" 1, "C" 5,
// "P" 6, "E" 3, "J" 4, "D" 3; any other code shows 3 when flag14 is set and no icon (-1)
// otherwise.
int StatusIconIndex(const QString& status, const QString& flag14, const QString& flag16);

// The integer that the text starts with after blanks ("42%" gives 42); 0 when there is
// none. Values beyond the 32-bit range are held at its ends.
int LeadingInteger(const QString& text);

// value * numerator / denominator rounded to the nearest integer (halves away from zero);
// -1 when the denominator is 0 or the result does not fit, as the Windows call does.
int ScaleRounded(int value, int numerator, int denominator);
