#pragma once
// The shared results file "成績累積データ.dat": 44-byte records, appended by
// every PC of the school under a whole-file lock.

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

// Full path of the results file.
QString ResultsFilePath();

// The one way to open the results file: ProgramDataFolder + "成績累積データ.dat"
// (or path) for reading and writing, created when it does not exist. A
// descriptor the caller closes, or -1 with errno set. While an append holds
// its lock, the appending process opens no second descriptor of the file.
int OpenResultsFile(const QString& path = QString());
// The same for a reader: a results file the teacher made read-only is opened
// for reading only, since reading needs no write access.
int OpenResultsFileToRead(const QString& path = QString());

// Closes a descriptor of the results file when the operation ends, whatever
// path it takes.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor();
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    // Closes now; the error number of a failed close, else 0.
    int Close();

private:
    int fd_;
};

// Waits on the platform's tick count while window events keep running, so the
// screen stays responsive while another PC holds the file.
void WaitWithEvents(int milliseconds);
// Whether an error number means "another PC holds the file or it is busy":
// the failed step is tried again after a one-second wait.
bool IsBusyError(int error);
// The text of an error number, as the results messages show it.
QString ErrorDescription(int error);
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
// The run-end bookkeeping around the append.
bool RecordRunResult(int level);

}  // namespace results
