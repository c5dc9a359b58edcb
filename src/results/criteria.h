#pragma once
// The per-level pass criteria of "タイム回数データ.txt" and the scoring rule.

#include <QString>

#include <array>
#include <cstdint>

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
    const CriteriaRow& operator[](int level) const { return Rows.at(level); }
    CriteriaRow& operator[](int level) { return Rows.at(level); }
    void Reset() { *this = CriteriaTable{}; }
};

CriteriaTable& criteria();

// Reads the criteria file (ProgramDataFolder + "タイム回数データ.txt" when
// path is empty). False with a message naming the file when it cannot be read.
bool LoadCriteria(QString& errorMessage, const QString& path = QString());

// The item rules of LoadCriteria applied to decoded text and a table of the
// caller's: 12 items per slot from slot 0, slots the text does not reach
// left as they were.
void ReadCriteriaItems(const QString& text, CriteriaTable& table);

// The criteria file as the criteria editor writes it: the header line, then
// slots 1 .. levelCount, 12 bare fields each.
QString CriteriaFileText(const CriteriaTable& table, int levelCount);
// Writes CriteriaFileText to path (ProgramDataFolder + "タイム回数データ.txt"
// when empty). False with a message naming the file when it cannot be written.
bool SaveCriteria(const CriteriaTable& table, int levelCount, QString& errorMessage,
                  const QString& path = QString());

// Scoring of a result t (seconds) at a level.
int BasePoints(long long t, int level);
int RunPoints(long long t, int level);
// The same rule as the statistics apply it to stored results: on the curve,
// a result of 1000 s or more counts by its first three digits (1234 -> 123).
int StoredBasePoints(long long t, int level);
int StoredRunPoints(long long t, int level);
// The rule itself, for loops that look the level's row up once: base points
// of result t against target time k, x being the value that goes into the
// curve (t, or its first three digits for stored results); run points of
// those base points with the level's multiplier.
int CurvePoints(long long t, long long x, std::int32_t k);
int MultipliedPoints(int basePoints, float multiplier);
// x of the stored-results rule: the number formed by the first three
// characters of t in decimal.
long long FirstThreeCharacters(long long t);

// Whether a record dated `date` lies within the last `days` calendar days
// counting today (`today`; both date values).
bool InsidePeriod(double date, double today, const GeneralValue& days);

// Tests on the statistics as last recomputed.
bool LevelCleared(int pupil, int level);
bool TooMuchReached(int pupil, int level);

}  // namespace results
