#include "core/common/dates.h"

#include <cmath>

namespace common {
namespace {
// 1899-12-30, day 0 of the stored dates; made at compile time, so any static
// that reads dates while the program starts finds it already set.
constexpr QDate kEpoch = QDate::fromJulianDay(2415019);

// Two or four decimal digits, zero-padded, appended to text.
void AppendDigits(QString& text, int value, int digits) {
    char buffer[4];
    for (int i = digits - 1; i >= 0; --i, value /= 10) buffer[i] = char('0' + value % 10);
    for (int i = 0; i < digits; ++i) text += QLatin1Char(buffer[i]);
}
}  // namespace

double DateValue(const QDate& date) { return static_cast<double>(kEpoch.daysTo(date)); }

double TimeValue(const QTime& time) { return time.msecsSinceStartOfDay() / 86400000.0; }

double DateTimeValue(const QDateTime& dt) { return DateValue(dt.date()) + TimeValue(dt.time()); }

QDate DateFromValue(double value) {
    // A stored value of any size: days beyond what QDate holds give an invalid date.
    constexpr double kMaxDays = 1e12;
    if (!(std::fabs(value) < kMaxDays)) return QDate();
    return kEpoch.addDays(static_cast<qint64>(std::floor(value)));
}

int SecondOfDayFromValue(double value) {
    if (!std::isfinite(value)) return 0;
    const double fraction = value - std::floor(value);
    int ms = static_cast<int>(std::llround(fraction * 86400000.0));
    if (ms >= 86400000) ms = 86400000 - 1;
    // Stored times are whole seconds; round to the second so 10:05:29.9999 reads 10:05:30.
    const int seconds = (ms + 500) / 1000;
    return seconds >= 86400 ? 86399 : seconds;
}

QTime TimeFromValue(double value) { return QTime(0, 0).addSecs(SecondOfDayFromValue(value)); }

double SecondsOfDay(const QTime& time) { return time.msecsSinceStartOfDay() / 1000.0; }

// Written digit by digit: the records list writes two of these for each of
// up to hundreds of thousands of records, and a format string is parsed
// anew on every call. Years outside 1..9999 take the general route.
QString DateText(const QDate& date) {
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return date.toString(QStringLiteral("yyyy/MM/dd"));
    int year = 0, month = 0, day = 0;
    date.getDate(&year, &month, &day);
    QString text;
    text.reserve(10);
    AppendDigits(text, year, 4);
    text += u'/';
    AppendDigits(text, month, 2);
    text += u'/';
    AppendDigits(text, day, 2);
    return text;
}

QString TimeText(const QTime& time) {
    if (!time.isValid()) return QString();
    QString text;
    text.reserve(8);
    AppendDigits(text, time.hour(), time.hour() < 10 ? 1 : 2);
    text += u':';
    AppendDigits(text, time.minute(), 2);
    text += u':';
    AppendDigits(text, time.second(), 2);
    return text;
}

}  // namespace common
