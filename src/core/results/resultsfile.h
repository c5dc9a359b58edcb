#pragma once
// The shared results file "成績累積データ.dat": 44-byte records, appended by
// every PC of the school under a whole-file lock, changed and deleted by
// records maintenance (and put back by romaji-admin restore) under the same
// lock through a rollback journal, read by everything else as last committed.
// The protocol is described at the top of resultsfile.cpp.

#include "core/common/outcome.h"
#include "core/common/fileio.h"
#include "core/results/statistics.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>

namespace results {

inline constexpr int kRecordSize = 44;

struct CumulativeRecord {
    double RecordDate = 0;
    double RecordTime = 0;
    std::int16_t PupilNumber = 0;
    std::int16_t Level = 0;
    std::int32_t Result = 0;
    QByteArray SchoolCodeText;  // 5 bytes, Shift-JIS, blank-padded
    QByteArray ExtraText;       // 5 bytes
    QByteArray PointsText;      // 5 bytes
    QByteArray ReservedText;    // 5 raw bytes
};

// The record of a run as the run end appends it: the date and the time of
// day (whole seconds) of `when`, the pupil, the level and the result, the
// classroom code in five bytes, five blanks, "0" and four blanks for the
// points, five zero bytes.
CumulativeRecord RecordOfRun(const QDateTime& when, std::int16_t pupil, std::int16_t level, std::int32_t result,
                             const QString& schoolCode);

// Field by field, little-endian, at fixed offsets.
QByteArray EncodeRecord(const CumulativeRecord& r);
CumulativeRecord DecodeRecord(const char* bytes);  // kRecordSize bytes
// The numeric value of a five-byte points text (any text; 0 when it holds
// no number).
double PointsTextValue(const char* text);

// The numbers of one record: date, time, pupil, level and result (Points
// left 0), decoded field by field without building texts.
inline LogEntry DecodeRunFields(const char* p) {
    LogEntry e;
    e.RecordDate = qFromLittleEndian<double>(p + 0);
    e.RecordTime = qFromLittleEndian<double>(p + 8);
    e.PupilNumber = qFromLittleEndian<std::int16_t>(p + 16);
    e.Level = qFromLittleEndian<std::int16_t>(p + 18);
    e.Result = qFromLittleEndian<std::int32_t>(p + 20);
    return e;
}

// One record as the history holds it (Points = the numeric value of
// PointsText, rounded): the history loader reads up to 20000 records on
// every rebuild.
inline LogEntry DecodeEntry(const char* p) {
    LogEntry e = DecodeRunFields(p);
    // What the program itself writes: "0" and four blanks.
    static constexpr char kZeroPoints[5] = {'0', ' ', ' ', ' ', ' '};
    if (std::memcmp(p + 34, kZeroPoints, sizeof kZeroPoints) == 0) {
        e.Points = 0;
    } else {
        const double points = std::nearbyint(PointsTextValue(p + 34));
        constexpr double lo = std::numeric_limits<std::int32_t>::min();
        constexpr double hi = std::numeric_limits<std::int32_t>::max();
        e.Points = std::isnan(points) ? 0 : static_cast<std::int32_t>(std::clamp(points, lo, hi));
    }
    return e;
}
// A text cut or blank-padded to 5 bytes of Shift-JIS.
QByteArray FiveByteText(const QString& text);

inline const QString kResultsFileName = QStringLiteral("成績累積データ.dat");
// The rollback journal of a change, deletion or restore (journal.h): found
// beside the results file and sound, it means a rewrite has not committed
// (or died half-way); the next lock holder puts the file back from it.
inline const QString kJournalFileName = QStringLiteral("成績累積データ.dat-journal");

// Full path of the results file.
QString ResultsFilePath();
// The results file and its journal in a data folder ("" or ending in '/').
QString ResultsFilePathIn(const QString& folder);
QString JournalPath(const QString& folder);
QString JournalPathOf(const QString& resultsPath);
// Whether a path is a journal's (or one set aside).
bool IsJournalPath(const QString& path);
// Whether anything bears the journal's name in that folder.
bool JournalLeft(const QString& folder);

// The one way to open the results file for writing: ProgramDataFolder +
// "成績累積データ.dat" (or path) for reading and writing, created when it does
// not exist, never through a link, a regular file only. While
// a lock is held on it, the process opens no second descriptor of the file:
// closing any descriptor of a file drops the process's locks on it.
bool OpenResultsFile(common::IoFile& file, common::IoFailure& failure, const QString& path = QString());

// Whether an error number means "another PC holds the file or it is busy":
// the failed step is tried again after a one-second wait.
bool IsBusyError(int error);
// Whether an error number of opening the file means that this PC may not
// read or write it (permission denied, read-only file system): a fault a
// teacher must mend, not a busy file. The step is still tried again every
// second, so that nothing is lost once it is mended.
bool IsAccessFault(int error);
// What the user is told (once per wait) when the results file cannot be
// written (or, for loading, read) and is tried again every second: the file,
// its path and the error.
QString AccessFaultText(int error, bool writing);
// The same for a journal that cannot be read or removed (the failure names
// the journal's path and the call).
QString JournalFaultText(const common::IoFailure& failure);
// The message of a results file that could not be read: its name, its full
// path and the error.
QString ReadErrorMessage(const QString& file, int error);
// A date value as the platform writes it: the date, the time of day (day 0),
// or both.
QString DateValueText(double value);

// One line on standard error for a failure of the results file, its journal
// or its log that a user is told about ("results file: pwrite failed, ...").
void LogFailure(const common::IoFailure& failure);

// The run-end flags of the last recorded run, which the evaluation screen reads.
struct RunEndFlags {
    int AlreadyCleared = 0;
    int NewPersonalBest = 0;
    int NewSchoolBest = 0;
};
// Where they are kept; the evaluation screen clears the two best flags after use.
RunEndFlags& runEndFlags();

// Appends the record of the run that just ended (from RunState), waiting
// while another PC holds the file; `tell` hears, once per wait, of a file or
// journal this PC cannot write or read. Fatal: any other failure, with the
// message "成績ランダムファイル記録" and the error's description.
common::Outcome AppendResult(const common::Tell& tell);

// --- records maintenance ---

// --- readers ---

// Which records a reader wants.
struct RecordRange {
    qint64 First = 0;     // index of the first record, from 0
    qint64 Count = -1;    // records; -1: through the end, a partial record there included
    bool Newest = false;  // the newest Count whole records instead (First unused)

    static RecordRange All() { return {}; }
    static RecordRange NewestRecords(qint64 count) { return {0, count, true}; }
    static RecordRange One(qint64 index) { return {index, 1, false}; }
};

// One read of the results file as last committed.
struct CommittedRead {
    QByteArray Buffer;      // the storage: keep it between reads and it is reused
    QByteArrayView Bytes;   // the records asked for, inside Buffer
    qint64 FileBytes = 0;   // length of the committed file, a partial record at its end included
    qint64 FirstRecord = 1; // number (from 1) of the first record in Bytes
    bool FromJournal = false;
};

// The one reader of the results file (path, or ResultsFilePath() when empty):
// every view, the statistics, records maintenance and romaji-admin read
// through here. No lock. The state it gives existed: the content of a sound
// journal while one is hot (the file may be half rewritten), else the file;
// a read that overlapped a rewrite or an append is made again, at once and
// then every second while window events run, and so is a read a share refuses
// while another PC holds the file. A file not made yet is made empty, as the
// program's first look at it always has (with `create` false, for the
// administrator's tool, it reads as empty and nothing is changed); a failure
// (a folder that is away, a file or journal that cannot be read, a file that
// cannot be made) is logged on stderr and returned.
bool ReadCommittedResults(const QString& path, const RecordRange& range, CommittedRead& read, common::IoFailure& failure,
                          bool create = true);
// The same for the whole file, handed to `take` a piece at a time as it is
// read (whole records, but for a partial record at the very end) rather than
// kept: for a reader that only counts, so that each piece is counted while
// it is still in the processor's cache. `first` is true for the first piece
// of each attempt: a read made again starts again from the first record, and
// `take` forgets what it took before. A file of no records gives one empty
// piece. The state taken existed, as for ReadCommittedResults; `read` lends
// its storage (one piece).
using RecordPieces = std::function<void(QByteArrayView records, bool first)>;
inline constexpr qint64 kPieceRecords = 4096;
bool ReadCommittedPieces(const QString& path, CommittedRead& read, const RecordPieces& take,
                         common::IoFailure& failure);
// The 44 bytes of record `number` (from 1) as last committed; empty when
// there is no such whole record.
QByteArray ReadRecordBytes(const QString& folder, qint64 number, common::IoFailure& failure);

// --- records maintenance ---

enum class RewriteOutcome {
    Done,
    RecordsChanged,  // the record at that number is no longer the one opened: nothing written
    NotRestorable,   // a restore the maintenance log does not allow (Reason says why)
    Failed,          // a failure before the commit (logged on stderr): the record was not changed
    DoneNotFlushed,  // a failure after the commit: changed, perhaps not yet on disk
};
struct RewriteResult {
    RewriteOutcome Outcome = RewriteOutcome::Done;
    common::IoFailure Failure;
    qint64 Number = 0;  // the record rewritten (a restore: where it was put back)
    QString Reason;
};

// The opened record with a new result and pupil number, every other byte kept.
QByteArray ChangedRecordBytes(const QByteArray& opened, std::int32_t result, std::int16_t pupil);
// Writes `updated` as record `number` when that record is still `opened`,
// byte for byte. Waits while another PC holds the lock.
RewriteResult ChangeRecord(const QString& folder, qint64 number, const QByteArray& opened,
                           const QByteArray& updated);
// Removes record `number` when it is still `opened`, byte for byte; the
// records after it move up by one. Waits while another PC holds the lock.
RewriteResult DeleteRecord(const QString& folder, qint64 number, const QByteArray& opened);
// Puts the record that line `logLine` (from 1) of the maintenance log deleted
// back at its place, through the same journal, and logs it.
RewriteResult RestoreRecord(const QString& folder, qint64 logLine);
// Takes the lock and settles whatever bears the journal's name (puts the
// file back from a hot journal, removes a torn one, sets anything else
// aside). Does nothing (and takes no lock) when there is nothing.
common::IoFailure RecoverResultsFile(const QString& folder);
// What the run-end bookkeeping gives the practice screen to hand on to the
// evaluation: the run's flags (also kept in runEndFlags()), or the message
// after which the program ends.
struct [[nodiscard]] RecordedRun {
    common::Outcome Outcome;
    RunEndFlags Flags;
    explicit operator bool() const { return static_cast<bool>(Outcome); }
};
// The run-end bookkeeping around the append, for the current pupil and the
// run's level, with the statistics as they were before the run.
RecordedRun RecordRunResult(int level, const common::Tell& tell);

}  // namespace results
