#pragma once
// The per-level pass criteria of "タイム回数データ.txt" and the scoring rule.

#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>

namespace results {

// A field that holds either a number or nothing, kept as read so that a save
// writes it back unchanged. Empty compares equal to 0.
struct GeneralValue {
    QString Text;
    bool IsEmpty() const { return Text.isEmpty(); }
    double Value() const;  // leading numeric part; 0 when empty
};

struct CriteriaRow {
    std::int32_t TargetTime = 0;
    std::int32_t MinimumTime = 0;
    std::int32_t ClearPoints = 0;
    std::int16_t ClearCount = 0;
    float PointMultiplier = 0;
    GeneralValue TooMuchCount;
    GeneralValue TooMuchPoints;
    GeneralValue JudgementDays;
    GeneralValue TooMuchDays;
    GeneralValue Spare10;
    GeneralValue Spare11;
    GeneralValue Spare12;
};

// Slots 0..35 by level number; slot 0 receives the header line.
struct CriteriaTable {
    std::array<CriteriaRow, 36> Rows{};
    // How many slots (header included) the last LoadCriteria filled, so a
    // save writes back the levels the file had.
    int SlotsRead = 0;
    // How many items it read into the slots.
    int ItemsRead = 0;
    const CriteriaRow& operator[](int level) const { return Rows.at(level); }
    CriteriaRow& operator[](int level) { return Rows.at(level); }
    void Reset() { *this = CriteriaTable{}; }
};

CriteriaTable& criteria();

// Reads the criteria file (ProgramDataFolder + "タイム回数データ.txt" when
// path is empty). False with a message naming the file when it cannot be read.
bool LoadCriteria(QString& errorMessage, const QString& path = QString());

// The nine column titles of the criteria file and three empty fields: the
// header line the editor writes.
QStringList CriteriaHeaderTexts();
// "タイム回数データ.txt", and its full path (path itself when not empty).
QString CriteriaFileName();
QString CriteriaPath(const QString& path = QString());
// The items of a criteria file's text in order, blank lines at its end
// dropped (they would read as one more empty item).
QStringList CriteriaFileItems(const QString& text);

// The item rules of LoadCriteria applied to decoded text and a table of the
// caller's: 12 items per slot from slot 0, slots the text does not reach
// left as they were.
void ReadCriteriaItems(const QString& text, CriteriaTable& table);

// What keeps a table from serving levels 1 .. levelCount: items missing
// for a level, or a target or minimum time of 0 or less (no scoring curve,
// a time limit of nothing). One text per fault; none when it serves.
QStringList CriteriaFaults(const CriteriaTable& table, int levelCount);

// The criteria file as the criteria editor writes it: the header line, then
// slots 1 .. levelCount, 12 bare fields each.
QString CriteriaFileText(const CriteriaTable& table, int levelCount);
// Writes CriteriaFileText to path (ProgramDataFolder + "タイム回数データ.txt"
// when empty) as WriteCriteriaFile does. False with a message naming the file
// when it cannot be written.
bool SaveCriteria(const CriteriaTable& table, int levelCount, QString& errorMessage,
                  const QString& path = QString());

// Scoring of a result t (seconds) at a level.
int BasePoints(long long t, int level);
int RunPoints(long long t, int level);
// The same rule as the statistics apply it to stored results: on the curve,
// a result of 1000 s or more counts by its first three digits (1234 -> 123).
int StoredBasePoints(long long t, int level);
int StoredRunPoints(long long t, int level);
// The rule itself, for loops that look the level's row up once (inline: the
// statistics apply it to every stored result on each rebuild).

// Int() of a score that may come from wild criteria (a huge multiplier, a
// negative stored result): never undefined, always inside int.
inline int IntOfScore(double x) {
    constexpr double lo = std::numeric_limits<int>::min();
    constexpr double hi = std::numeric_limits<int>::max();
    if (!(x > lo)) return std::isnan(x) ? 0 : std::numeric_limits<int>::min();
    if (x >= hi) return std::numeric_limits<int>::max();
    // Truncation, then one down for a negative fraction: floor without a
    // library call on every stored result.
    const int i = static_cast<int>(x);
    return i > x ? i - 1 : i;
}

// Base points of result t against target time k, x being the value that goes
// into the curve (t, or its first three digits for stored results).
inline int CurvePoints(long long t, long long x, std::int32_t k) {
    int points = 0;
    if (t <= k) {
        // A target time of 0 (or below) has no curve: (K - x) / K would divide
        // by zero, and every positive result scores 0 there anyway.
        if (k > 0) {
            const double r = static_cast<double>(k - x) / static_cast<double>(k);
            // r * r * r rather than pow(): the same value at every score
            // boundary (a whole score on the curve needs r = 0 or 1).
            points = IntOfScore(r * r * r * 50.0 + 5.0);
        }
    } else if (t < 2LL * k) {
        points = 4;
    } else if (t < 10LL * k) {
        points = 1;
    }
    if (t > 99997) points = 0;
    return points;
}

// Run points of those base points: the single-precision multiplier widened
// to double before the product.
inline int MultipliedPoints(int basePoints, float multiplier) {
    return IntOfScore(static_cast<double>(multiplier) * static_cast<double>(basePoints));
}

// x of the stored-results rule: the number formed by the first three
// characters of t in decimal, a minus sign being one of them (-1234 -> -12).
// Digit arithmetic rather than text.
inline long long FirstThreeCharacters(long long t) {
    if (t >= 0) {
        while (t >= 1000) t /= 10;
        return t;
    }
    unsigned long long m = 0ULL - static_cast<unsigned long long>(t);
    while (m >= 100) m /= 10;
    return -static_cast<long long>(m);
}

// The last `days` calendar days counting today (`today`; date values): a
// record lies within them when its date is later than `after`.
struct Period {
    double after = 0;
    bool Contains(double date) const { return date > after; }
};
inline Period PeriodOf(double today, const GeneralValue& days) { return {today - days.Value()}; }

// The time limit of a run: five times the level's minimum time, kept inside
// 32 bits (a limit beyond a day is as good as none).
inline std::int32_t TimeLimitFor(std::int32_t minimumTime) {
    const long long limit = 5LL * minimumTime;
    return static_cast<std::int32_t>(std::clamp<long long>(limit, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

// Whether a record dated `date` lies within the last `days` calendar days
// counting today (`today`; both date values).
inline bool InsidePeriod(double date, double today, const GeneralValue& days) {
    return PeriodOf(today, days).Contains(date);
}

// Tests on the statistics as last recomputed.
bool LevelCleared(int pupil, int level);
bool TooMuchReached(int pupil, int level);

}  // namespace results
