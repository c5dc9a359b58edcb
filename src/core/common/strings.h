#pragma once
// Text helpers: trimming and the fixed-width fields of list lines. Lengths
// count characters (every character of this system lies in the BMP).

#include <QString>

namespace common {

inline constexpr QChar kIdeographicSpace = QChar(0x3000);

// Removes leading and trailing ASCII spaces and ideographic spaces.
QString TrimSpaces(const QString& s);
// Removes leading and trailing ASCII spaces only.
QString TrimAscii(const QString& s);

// Left(s, n) and Right(s, n): the first / last n characters (all of s when shorter).
QString Left(const QString& s, qsizetype n);
QString Right(const QString& s, qsizetype n);

// Right(pad + text, n) with pad made of `padCount` ASCII spaces: the layouts
// of the list lines name their pad widths, and a value longer than n keeps its
// last n characters.
QString RightPadded(const QString& text, qsizetype padCount, qsizetype n);
// The same, appended to line (no text in between is made).
void AppendRightPadded(QString& line, QStringView text, qsizetype padCount, qsizetype n);
// A number right-aligned in n characters, cut to its last n characters.
QString RightNumber(long long value, qsizetype n);
// A name padded with ideographic spaces and cut to its first n characters.
QString NameField(const QString& name, qsizetype n);

// Decimal text of a number as the list lines write it: no leading blanks or zeros.
QString Dec(long long value);
// The same digits written into a buffer of the caller's, for lines that
// append many numbers without making a text for each.
using DecimalBuffer = char16_t[24];
QStringView DecimalDigits(long long value, DecimalBuffer& buffer);
// Shortest decimal form of a single-precision value with at most 7
// significant digits (1.5, 2, 0.7).
QString SingleText(float value);
// A double written in the shortest form that reads back the same (0.5, 12).
QString DoubleText(double value);

}  // namespace common
