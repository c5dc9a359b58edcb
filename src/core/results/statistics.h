#pragma once
// The history loaded from the results file and the per-level, per-pupil
// statistics, always rebuilt from nothing.

#include "core/common/outcome.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace results {

inline constexpr int kLevelSlots = 36;   // levels 0..35
inline constexpr int kPupilSlots = 5001; // pupils 0..5000
inline constexpr int kMaxHistory = 20000;
inline constexpr std::int32_t kNoResult = 99999;

struct LogEntry {
    double RecordDate = 0;
    double RecordTime = 0;
    std::int16_t PupilNumber = 0;
    std::int16_t Level = 0;
    std::int32_t Result = 0;
    std::int32_t Points = 0;
};

// The last date a record can carry: 9999-12-31 in days since 1899-12-30.
inline constexpr double kLastRecordDate = 2958465;

// A record that names a level or pupil without a slot (level outside 0..35,
// pupil outside 0..5000).
inline bool HasSlot(const LogEntry& e) {
    return e.Level >= 0 && e.Level < kLevelSlots && e.PupilNumber >= 0 && e.PupilNumber < kPupilSlots;
}

// A record that no run can have written: a level or pupil without a slot, a
// negative time, a date that is no number or lies beyond any calendar. It is
// not read at all (it stays in the file for records maintenance to show). A
// negative date is no such record: it marks a deleted one.
inline bool ImpossibleRecord(const LogEntry& e) {
    return !HasSlot(e) || e.Result < 0 || !(e.RecordDate <= kLastRecordDate);
}

// A record with a negative date (deleted), pupil 0 (unnamed) or level 0 is
// not kept in the history, although its result still counts for the best
// time of its slot.
inline bool KeptInHistory(const LogEntry& e) {
    return !(e.RecordDate < 0) && e.PupilNumber != 0 && e.Level >= 1;
}

struct PupilLevelStats {
    std::int16_t TotalRuns = 0;
    std::int32_t TotalPoints = 0;
    std::int16_t PeriodRuns = 0;
    std::int32_t PeriodPoints = 0;
    std::int16_t TooMuchRuns = 0;
    std::int32_t TooMuchPointsEarned = 0;
    float TodayRuns = 0;
    std::int32_t TodayPoints = 0;
    std::int32_t BestTime = kNoResult;
};

// What a slot no record has touched since the last rebuild reads as.
inline const PupilLevelStats kEmptySlot{};

// A pupil's figures summed over levels 1..35, kept while counting so that a
// list of every pupil of the school does not walk the whole table.
struct PupilTotals {
    long long TodayRuns = 0;
    long long TodayPoints = 0;
    long long TotalRuns = 0;
    long long TotalPoints = 0;
};

struct Statistics {
    // A rebuild does not clear the 36 x 5001 slots, most of which no record
    // touches (clearing them cost more than reading the records): it starts a
    // new generation. A slot stamped with an older one reads as empty and is
    // emptied when it is first written in the new one.
    std::vector<PupilLevelStats> Table = std::vector<PupilLevelStats>(kLevelSlots * kPupilSlots);
    std::vector<std::uint32_t> Stamp = std::vector<std::uint32_t>(kLevelSlots * kPupilSlots);
    std::uint32_t Generation = 0;
    // NoResult for every level until a history has been loaded.
    std::array<std::int32_t, kLevelSlots> SchoolBestTime = [] {
        std::array<std::int32_t, kLevelSlots> a;
        a.fill(kNoResult);
        return a;
    }();
    std::vector<PupilTotals> Totals = std::vector<PupilTotals>(kPupilSlots);
    std::vector<LogEntry> History;  // the kept entries, oldest first
    int HistoryCount = 0;

    PupilLevelStats& At(int level, int pupil) { return Slot(static_cast<size_t>(level) * kPupilSlots + pupil); }
    const PupilLevelStats& At(int level, int pupil) const {
        const size_t i = static_cast<size_t>(level) * kPupilSlots + pupil;
        return Stamp[i] == Generation ? Table[i] : kEmptySlot;
    }
    // Slot i (level * kPupilSlots + pupil) for writing: emptied first when it
    // is of an older generation.
    PupilLevelStats& Slot(size_t i) {
        if (Stamp[i] != Generation) {
            Table[i] = PupilLevelStats{};
            Stamp[i] = Generation;
        }
        return Table[i];
    }
    // Every slot reads as empty from now on.
    void StartGeneration() {
        if (++Generation == 0) {  // after 2^32 rebuilds: clear once for real
            std::fill(Table.begin(), Table.end(), PupilLevelStats{});
            std::fill(Stamp.begin(), Stamp.end(), 0u);
        }
    }
    void Reset() { *this = Statistics{}; }
};

Statistics& stats();

// Loads the history and best times from the results file. While the file (or
// its journal) cannot be read for want of access, `tell` hears of it once and
// the read is made again every second; a data folder that stays away for four
// times five seconds, or any other failure, is fatal with the message the
// loading shows.
common::Outcome LoadHistory(const common::Tell& tell);
// Clears and rebuilds every figure, loading the history as LoadHistory does.
common::Outcome RecomputeStatistics(const common::Tell& tell);

}  // namespace results
