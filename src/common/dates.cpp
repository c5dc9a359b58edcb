#include "common/dates.h"

#include <cmath>

namespace common {
namespace {
const QDate kEpoch(1899, 12, 30);
}

double DateValue(const QDate& date) { return static_cast<double>(kEpoch.daysTo(date)); }

double TimeValue(const QTime& time) { return time.msecsSinceStartOfDay() / 86400000.0; }

double DateTimeValue(const QDateTime& dt) { return DateValue(dt.date()) + TimeValue(dt.time()); }

QDate DateFromValue(double value) { return kEpoch.addDays(static_cast<qint64>(std::floor(value))); }

QTime TimeFromValue(double value) {
    const double fraction = value - std::floor(value);
    int ms = static_cast<int>(std::llround(fraction * 86400000.0));
    if (ms >= 86400000) ms = 86400000 - 1;
    // Stored times are whole seconds; round to the second so 10:05:29.9999 reads 10:05:30.
    const int seconds = (ms + 500) / 1000;
    return QTime(0, 0).addSecs(seconds >= 86400 ? 86399 : seconds);
}

double SecondsOfDay(const QTime& time) { return time.msecsSinceStartOfDay() / 1000.0; }

double SecondsSince(double start, double now) {
    double d = now - start;
    // A start rounded to the whole second (the sign-in time) may lie up to
    // half a second after "now"; only a larger gap means midnight has passed.
    if (d < -1.0) d += 86400.0;
    return d;
}

QString DateText(const QDate& date) { return date.toString(QStringLiteral("yyyy/MM/dd")); }
QString TimeText(const QTime& time) { return time.toString(QStringLiteral("H:mm:ss")); }

}  // namespace common
