#pragma once
// A look at the results file without changing it, for the administrator's
// tool: how many whole records it holds (as last committed), a partial tail,
// the records the program passes over, what bears the journal's name, the
// journals set aside, the journal events of the maintenance log, and a copy
// under the old name "成績累積データtemp.dat" (harmless: never read).

#include "core/results/changelog.h"
#include "core/results/statistics.h"

#include <QString>
#include <QStringList>

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

enum class JournalState {
    None,
    Hot,         // a rewrite has not committed: the records are its content; the next writer puts them back
    Torn,        // cut short before a rewrite began: the next writer removes it
    Foreign,     // not applied: the next writer sets it aside (a folder or a link as well)
    Unreadable,  // cannot be read: every writer waits and says so
};

inline const QString kOldCopyName = QStringLiteral("成績累積データtemp.dat");

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
    JournalState Journal = JournalState::None;
    QString JournalReason;         // why a journal will not be applied, or why it cannot be read
    QStringList SetAside;          // names of journals set aside, in name order
    bool OldCopyPresent = false;   // "成績累積データtemp.dat"
    std::vector<ChangeLogEntry> JournalEvents;  // put back, removed or set aside, in log order
    QString LogError;              // the maintenance log cannot be read
};

// Reads ProgramDataFolder (`folder`, ending with '/') + "成績累積データ.dat"
// as the program reads it (the state last committed), opening nothing for
// writing: a missing file is reported, never created.
ResultsFileReport CheckResultsFile(const QString& folder);

}  // namespace results
