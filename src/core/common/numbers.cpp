#include "core/common/numbers.h"

#include <cmath>
#include <limits>

namespace common {
namespace {
// A whole-valued double as T: out of range gives the nearest end, NaN 0.
template <typename T>
T Bounded(double whole) {
    if (std::isnan(whole)) return 0;
    // The upper end as a double is 2^63 (or 2^31), one past the largest value.
    constexpr double hi = -static_cast<double>(std::numeric_limits<T>::min());
    if (whole >= hi) return std::numeric_limits<T>::max();
    if (whole < -hi) return std::numeric_limits<T>::min();
    return static_cast<T>(whole);
}
}  // namespace

long long RoundHalfEven(double x) { return Bounded<long long>(std::nearbyint(x)); }

int RoundToInt(double x) { return Bounded<int>(std::nearbyint(x)); }

long long Int(double x) { return Bounded<long long>(std::floor(x)); }

namespace {
// Length of the numeric prefix of s starting at i (after blanks), or 0.
qsizetype NumericPrefix(const QString& s, qsizetype i) {
    const qsizetype n = s.size();
    const qsizetype start = i;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) ++i;
    qsizetype digits = 0;
    while (i < n && s[i] >= u'0' && s[i] <= u'9') { ++i; ++digits; }
    if (i < n && s[i] == u'.') {
        ++i;
        while (i < n && s[i] >= u'0' && s[i] <= u'9') { ++i; ++digits; }
    }
    if (digits == 0) return 0;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (s[j] == u'+' || s[j] == u'-')) ++j;
        qsizetype expDigits = 0;
        while (j < n && s[j] >= u'0' && s[j] <= u'9') { ++j; ++expDigits; }
        if (expDigits > 0) i = j;
    }
    return i - start;
}
}  // namespace

double LeadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && (text[i] == u' ' || text[i] == u'\t')) ++i;
    const qsizetype len = NumericPrefix(text, i);
    if (len == 0) return 0;
    return text.mid(i, len).toDouble();
}

bool IsNumber(const QString& text) {
    const QString t = text.trimmed();
    return !t.isEmpty() && NumericPrefix(t, 0) == t.size();
}

}  // namespace common
