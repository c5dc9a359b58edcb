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
    const CriteriaRow& operator[](int level) const { return Rows.at(level); }
    CriteriaRow& operator[](int level) { return Rows.at(level); }
    void Reset() { *this = CriteriaTable{}; }
};

CriteriaTable& criteria();

// Reads the criteria file (ProgramDataFolder + "タイム回数データ.txt" when
// path is empty). False with a message naming the file when it cannot be read.
bool LoadCriteria(QString& errorMessage, const QString& path = QString());

// Scoring of a result t (seconds) at a level.
int BasePoints(long long t, int level);
int RunPoints(long long t, int level);

// Whether a record dated `date` lies within the last `days` calendar days
// counting today (`today`; both date values).
bool InsidePeriod(double date, double today, const GeneralValue& days);

// Tests on the statistics as last recomputed.
bool LevelCleared(int pupil, int level);
bool TooMuchReached(int pupil, int level);

}  // namespace results
