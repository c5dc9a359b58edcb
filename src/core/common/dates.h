#pragma once
// Date values as the results file stores them: days since 1899-12-30 as a
// double, the time of day as the fraction of a day.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

namespace common {

double DateValue(const QDate& date);
double TimeValue(const QTime& time);
double DateTimeValue(const QDateTime& dt);
QDate DateFromValue(double value);
QTime TimeFromValue(double value);
// The second of the day (0 … 86399) TimeFromValue gives the time of.
int SecondOfDayFromValue(double value);

// Seconds since midnight of a time of day.
double SecondsOfDay(const QTime& time);

// "yyyy/MM/dd" and "H:mm:ss", as a Japanese-locale system writes date and time values.
QString DateText(const QDate& date);
QString TimeText(const QTime& time);

}  // namespace common
