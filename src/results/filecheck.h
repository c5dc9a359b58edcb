#pragma once
// A look at the results file without changing it, for the administrator's
// tool: how many whole records it holds, a partial tail, the records the
// program passes over, and a journal left beside it by a deletion that did
// not finish.

#include "results/statistics.h"

#include <QString>

#include <optional>
#include <vector>

namespace results {

// Why a record is passed over or cannot be right.
enum class RecordFault {
    LevelOutsideSlots,  // level outside 0..35: not read at all
    PupilOutsideSlots,  // pupil outside 0..5000: not read at all
    NegativeResult,     // no run takes negative time: not read at all
    NegativeDate,       // kept out of the history
    ImpossibleDate,     // not a whole day number up to 9999-12-31, or a time of day outside one day
};

// A date value the program can have written: a whole day number, not
// negative, no later than 9999-12-31. A time of day: a fraction of one day.
bool IsPossibleDate(double value);
bool IsPossibleTimeOfDay(double value);

// The first fault of a record in the order of the enumeration, or nothing.
std::optional<RecordFault> FaultOf(const LogEntry& e);

struct FaultyRecord {
    long long RecordNumber = 0;  // from 1
    RecordFault Fault{};
    LogEntry Entry;
};

struct ResultsFileReport {
    QString Path;
    bool Exists = false;
    bool Readable = false;
    QString Error;  // why it cannot be read
    long long Size = 0;
    long long WholeRecords = 0;
    int TailBytes = 0;                // bytes of a partial record at the end
    std::vector<FaultyRecord> Faulty;  // in file order
    long long Unnamed = 0;            // pupil 0 or level 0: outside the history, kept in the file
    QString JournalPath;
    bool JournalPresent = false;
};

// Reads ProgramDataFolder (`folder`, ending with '/') + "成績累積データ.dat"
// as the program reads it, opening it for reading only: a missing file is
// reported, never created.
ResultsFileReport CheckResultsFile(const QString& folder);

}  // namespace results
