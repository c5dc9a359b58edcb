#pragma once
// The shared results file "成績累積データ.dat": 44-byte records, appended by
// every PC of the school under a whole-file lock, changed and deleted by
// records maintenance under the same lock through a rollback journal.

#include "results/resultsio.h"
#include "results/statistics.h"

#include <QByteArray>
#include <QString>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
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

// Field by field, little-endian, at fixed offsets.
QByteArray EncodeRecord(const CumulativeRecord& r);
CumulativeRecord DecodeRecord(const char* bytes);  // kRecordSize bytes
// The numeric value of a five-byte points text (any text; 0 when it holds
// no number).
double PointsTextValue(const char* text);

// One record as the history holds it (Points = the numeric value of
// PointsText, rounded), decoded field by field without building texts: the
// history loader reads up to 20000 records on every rebuild.
inline LogEntry DecodeEntry(const char* p) {
    LogEntry e;
    e.RecordDate = qFromLittleEndian<double>(p + 0);
    e.RecordTime = qFromLittleEndian<double>(p + 8);
    e.PupilNumber = qFromLittleEndian<std::int16_t>(p + 16);
    e.Level = qFromLittleEndian<std::int16_t>(p + 18);
    e.Result = qFromLittleEndian<std::int32_t>(p + 20);
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
// The journal of a change or deletion: a whole copy of the results file made
// before anything in it changes. Found beside the results file it means a
// rewrite died half-way; the next lock holder restores the file from it.
inline const QString kJournalFileName = QStringLiteral("成績累積データtemp.dat");

// Full path of the results file.
QString ResultsFilePath();
// The results file and its journal in a data folder ("" or ending in '/').
QString ResultsFilePathIn(const QString& folder);
QString JournalPath(const QString& folder);
// Whether a change or deletion died half-way in that folder and left its
// journal (the file may then hold a mix until the next lock holder restores it).
bool JournalLeft(const QString& folder);

// The one way to open the results file: ProgramDataFolder + "成績累積データ.dat"
// (or path) for reading and writing, created when it does not exist. While
// a lock is held on it, the process opens no second descriptor of the file:
// closing any descriptor of a file drops the process's locks on it.
bool OpenResultsFile(IoFile& file, IoFailure& failure, const QString& path = QString());
// The same for a reader: a results file the teacher made read-only is opened
// for reading only, since reading needs no write access.
bool OpenResultsFileToRead(IoFile& file, IoFailure& failure, const QString& path = QString());

// Waits on the platform's tick count while window events keep running, so the
// screen stays responsive while another PC holds the file.
void WaitWithEvents(int milliseconds);
// Whether an error number means "another PC holds the file or it is busy":
// the failed step is tried again after a one-second wait.
bool IsBusyError(int error);
// Whether an error number of opening the file means that this PC may not
// read or write it (permission denied, read-only file system): a fault a
// teacher must mend, not a busy file. The step is still tried again every
// second, so that nothing is lost once it is mended.
bool IsAccessFault(int error);
// Tells, in a "注意" message naming the file and the error, that the results
// file cannot be written (or, for loading, read) and is tried again every
// second. Callers tell it once per wait.
void ReportAccessFault(int error, bool writing);
// The text of an error number, as the results messages show it.
QString ErrorDescription(int error);
// The message of a results file that could not be read: its name, its full
// path and the error.
QString ReadErrorMessage(const QString& file, int error);
// A date value as the platform writes it: the date, the time of day (day 0),
// or both.
QString DateValueText(double value);

struct RunEndFlags {
    int AlreadyCleared = 0;
    int NewPersonalBest = 0;
    int NewSchoolBest = 0;
};
RunEndFlags& runEndFlags();

// Appends the record of the run that just ended (from RunState).
bool AppendResult();

// --- records maintenance ---

enum class RewriteOutcome {
    Done,
    RecordsChanged,  // the record at that number is no longer the one opened: nothing written
    Failed,          // a system call failed (logged on stderr); the file is whole, old content
};
struct RewriteResult {
    RewriteOutcome Outcome = RewriteOutcome::Done;
    IoFailure Failure;
};

// The 44 bytes of record `number` (from 1) as they are in the file now;
// empty when the file has no such whole record. No lock: a reader.
QByteArray ReadRecordBytes(const QString& folder, qint64 number, IoFailure& failure);
// The whole file as it is now, restored first when a journal is left. No
// lock beyond that of the restore. A missing file reads as empty.
bool ReadResultsBytes(const QString& folder, QByteArray& bytes, IoFailure& failure);
// The opened record with a new result and pupil number, every other byte kept.
QByteArray ChangedRecordBytes(const QByteArray& opened, std::int32_t result, std::int16_t pupil);
// Writes `updated` as record `number` when that record is still `opened`,
// byte for byte. Waits while another PC holds the lock.
RewriteResult ChangeRecord(const QString& folder, qint64 number, const QByteArray& opened,
                           const QByteArray& updated);
// Removes record `number` when it is still `opened`, byte for byte; the
// records after it move up by one. Waits while another PC holds the lock.
RewriteResult DeleteRecord(const QString& folder, qint64 number, const QByteArray& opened);
// Takes the lock and restores the results file from a journal left beside it.
// Does nothing (and takes no lock) when there is none.
IoFailure RecoverResultsFile(const QString& folder);
// The run-end bookkeeping around the append.
bool RecordRunResult(int level);

}  // namespace results
