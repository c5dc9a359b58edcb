#pragma once
// Rounding and number reading as the system does them.

#include <QString>

namespace common {

// Nearest integer, a half going to the even neighbour (57.5 -> 58, 56.5 -> 56).
// Numbers read from files can be anything: a value beyond the range of the
// result gives its nearest end, and NaN gives 0.
long long RoundHalfEven(double x);
// The same, kept inside int.
int RoundToInt(double x);
// The largest integer not above x (bounded the same way).
long long Int(double x);
// The leading numeric part of text (optional blanks, sign, digits, point,
// digits, exponent); 0 when there is none. "12abc" -> 12, "abc" -> 0.
double LeadingNumber(const QString& text);
// True when the whole text (blanks aside) is a number.
bool IsNumber(const QString& text);

}  // namespace common
