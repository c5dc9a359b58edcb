#pragma once
// Text helpers: trimming and the fixed-width fields of list lines. Lengths
// count characters (every character of this system lies in the BMP).

#include <QString>

#include <algorithm>
#include <cstdint>
#include <vector>

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
// The same, appended to `out`: a QString, or anything that takes characters
// and texts with += (a sum of widths) so that a line can be measured without
// being written.
template <class Out>
void AppendRightPadded(Out& out, QStringView text, qsizetype padCount, qsizetype n) {
    if (n <= 0) return;
    // Of blanks-then-text, the first `cut` characters fall off the left.
    const qsizetype cut = std::max<qsizetype>(0, padCount + text.size() - n);
    for (qsizetype i = cut; i < padCount; ++i) out += QChar(u' ');
    out += text.mid(std::max<qsizetype>(0, cut - padCount));
}

// Each character's advance in one font, measured once: measuring a long list
// of lines is then one table lookup per character. The measuring itself
// (which needs the font) is the subclass's.
class CharAdvances {
public:
    virtual ~CharAdvances() = default;
    int operator()(QChar c) {
        if (!table_.empty())
            if (const std::uint16_t known = table_[c.unicode()]) return known - 1;
        return Learn(c);
    }
    // Forgets every advance (the font changed).
    void Clear() { table_.clear(); }

protected:
    virtual int Measure(QChar c) const = 0;

private:
    int Learn(QChar c);

    std::vector<std::uint16_t> table_;  // by UTF-16 unit, advance + 1; 0: not measured
};

// The width of texts appended to it, in the advances given: takes the place
// of a QString where a line is written only to be measured.
struct WidthSum {
    CharAdvances& Advance;
    long long Width = 0;
    WidthSum& operator+=(QChar c) {
        Width += Advance(c);
        return *this;
    }
    WidthSum& operator+=(QStringView text) {
        for (const QChar c : text) Width += Advance(c);
        return *this;
    }
};
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
