#pragma once
// The shared results file "成績累積データ.dat": 44-byte records, appended by
// every PC of the school under a whole-file lock.

#include "results/statistics.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

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
// One record as the history holds it (Points = the numeric value of
// PointsText, rounded), decoded without building texts: the history loader
// reads up to 20000 records on every rebuild.
LogEntry DecodeEntry(const char* bytes);  // kRecordSize bytes
// A text cut or blank-padded to 5 bytes of Shift-JIS.
QByteArray FiveByteText(const QString& text);

// Full path of the results file.
QString ResultsFilePath();

// The one way to open the results file: ProgramDataFolder + "成績累積データ.dat"
// (or path) for reading and writing, created when it does not exist. A
// descriptor the caller closes, or -1 with errno set. While an append holds
// its lock, the appending process opens no second descriptor of the file.
int OpenResultsFile(const QString& path = QString());

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
