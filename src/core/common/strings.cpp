#include "core/common/strings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace common {
namespace {
bool IsSpace(QChar c) { return c == u' ' || c == kIdeographicSpace; }
}

QString TrimSpaces(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && IsSpace(s[b])) ++b;
    while (e > b && IsSpace(s[e - 1])) --e;
    return s.mid(b, e - b);
}

QString TrimAscii(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == u' ') ++b;
    while (e > b && s[e - 1] == u' ') --e;
    return s.mid(b, e - b);
}

QString Left(const QString& s, qsizetype n) { return n <= 0 ? QString() : s.left(n); }
QString Right(const QString& s, qsizetype n) { return n <= 0 ? QString() : s.right(n); }

int CharAdvances::Learn(QChar c) {
    if (table_.empty()) table_.assign(0x10000, 0);
    const int advance = std::clamp(Measure(c), 0, 0xFFFE);
    table_[c.unicode()] = std::uint16_t(advance + 1);
    return advance;
}

QStringView DecimalDigits(long long value, DecimalBuffer& buffer) {
    // Written from the right; the magnitude as unsigned so that the most
    // negative value has one too.
    qsizetype at = qsizetype(std::size(buffer));
    unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    do {
        buffer[--at] = char16_t(u'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0) buffer[--at] = u'-';
    return QStringView(buffer + at, qsizetype(std::size(buffer)) - at);
}

QString RightPadded(const QString& text, qsizetype padCount, qsizetype n) {
    QString padded;
    AppendRightPadded(padded, text, padCount, n);
    return padded;
}

QString RightNumber(long long value, qsizetype n) {
    return RightPadded(QString::number(value), n, n);
}

QString NameField(const QString& name, qsizetype n) {
    return Left(name + QString(n, kIdeographicSpace), n);
}

QString Dec(long long value) { return QString::number(value); }

QString SingleText(float value) {
    // The shortest form, at most 7 significant digits, that reads back as the
    // same single-precision value; plain digits rather than an exponent
    // wherever 7 digits allow it (10, not 1e+01).
    char buf[32];
    for (int digits = 1; digits <= 7; ++digits) {
        std::snprintf(buf, sizeof buf, "%.*g", digits, static_cast<double>(value));
        if (std::strchr(buf, 'e') && digits < 7) continue;
        if (std::strtof(buf, nullptr) == value) break;
    }
    return QString::fromLatin1(buf);
}

QString DoubleText(double value) { return QString::number(value, 'g', 15); }

}  // namespace common
