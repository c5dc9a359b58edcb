// The shared results file and the run-end bookkeeping.
//
// Lock protocol. Every PC of the school appends to the same file through the
// shared data folder. An append opens the file (one descriptor, created when
// missing), takes an exclusive fcntl lock on the whole file with F_SETLK, and
// only then reads the length, writes its 44 bytes right after the last whole
// record in one pwrite, flushes them with fdatasync, unlocks and closes. On NFS
// and SMB mounts the lock goes to the server, so two PCs never compute the
// same position. The lock is never waited for inside the kernel: after a
// refused lock (EAGAIN, EACCES) or a busy file the attempt closes the file
// and the whole append is tried again after one second during which window
// events keep running, without limit. POSIX locks belong to the process and
// any close() of any descriptor of the file drops them, so the lock is held
// only between open and close of one attempt, with no event processing in
// between: nothing else in this process can open the file meanwhile. Readers
// take no lock and read only whole records.
//
// What a crash can leave. A crash or power cut before pwrite leaves the file as
// it was. One during pwrite can leave a partial record (fewer than 44 bytes) at
// the end: readers ignore it and the next append writes its record over it. The
// kernel drops the lock of a dead process, so a crash never leaves the file
// locked. The flush before the unlock means that a record another PC can see
// after the lock is released is also on the server's disk.

#include "results/resultsfile.h"

#include "common/dates.h"
#include "common/numbers.h"
#include "common/platform.h"
#include "common/textfile.h"
#include "results/criteria.h"
#include "results/statistics.h"
#include "common/runstate.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace results {
namespace {

const QString kResultsFileName = QStringLiteral("成績累積データ.dat");
constexpr int kTextBytes = 5;

// A text field of exactly five bytes: cut, or padded with `pad`.
void PutText(char* at, const QByteArray& text, char pad) {
    const int n = static_cast<int>(std::min<qsizetype>(text.size(), kTextBytes));
    std::memcpy(at, text.constData(), n);
    std::memset(at + n, pad, kTextBytes - n);
}

bool IsShiftJisLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

void FatalAppendError(int error) {
    // The message of a failed append: the title and the error's description.
    common::platform().MessageBox(QStringLiteral("成績ランダムファイル記録") + ErrorDescription(error),
                                  common::runState().ProgramTitle, common::MessageButtons::Ok);
    common::platform().EndProgram();
}

CumulativeRecord CurrentRunRecord() {
    const common::RunState& rs = common::runState();
    const QDateTime now = common::platform().Now();
    const QTime t = now.time();
    CumulativeRecord r;
    r.RecordDate = common::DateValue(now.date());
    // Whole seconds of the time of day, as the clock of the record keeps it.
    r.RecordTime = common::TimeValue(QTime(t.hour(), t.minute(), t.second()));
    r.PupilNumber = rs.CurrentPupil;
    r.Level = rs.CurrentLevel;
    r.Result = rs.ResultTime;
    r.SchoolCodeText = FiveByteText(rs.SchoolCode);
    r.ExtraText = QByteArray(kTextBytes, ' ');
    r.PointsText = QByteArray("0    ");
    r.ReservedText = QByteArray(kTextBytes, '\0');
    return r;
}

}  // namespace

QByteArray EncodeRecord(const CumulativeRecord& r) {
    QByteArray out(kRecordSize, '\0');
    char* p = out.data();
    qToLittleEndian<double>(r.RecordDate, p + 0);
    qToLittleEndian<double>(r.RecordTime, p + 8);
    qToLittleEndian<std::int16_t>(r.PupilNumber, p + 16);
    qToLittleEndian<std::int16_t>(r.Level, p + 18);
    qToLittleEndian<std::int32_t>(r.Result, p + 20);
    PutText(p + 24, r.SchoolCodeText, ' ');
    PutText(p + 29, r.ExtraText, ' ');
    PutText(p + 34, r.PointsText, ' ');
    PutText(p + 39, r.ReservedText, '\0');
    return out;
}

double PointsTextValue(const char* text) {
    // Plain whole numbers are read without building a string.
    int i = 0;
    while (i < kTextBytes && text[i] == ' ') ++i;
    const bool negative = i < kTextBytes && text[i] == '-';
    if (negative || (i < kTextBytes && text[i] == '+')) ++i;
    long value = 0;
    int digits = 0;
    while (i < kTextBytes && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        ++i;
        ++digits;
    }
    if (i == kTextBytes || text[i] == ' ' || text[i] == '\0') {
        if (digits == 0) return 0;
        return static_cast<double>(negative ? -value : value);
    }
    return common::LeadingNumber(QString::fromLatin1(text, kTextBytes));
}

CumulativeRecord DecodeRecord(const char* p) {
    const LogEntry f = DecodeEntry(p);
    CumulativeRecord r;
    r.RecordDate = f.RecordDate;
    r.RecordTime = f.RecordTime;
    r.PupilNumber = f.PupilNumber;
    r.Level = f.Level;
    r.Result = f.Result;
    r.SchoolCodeText = QByteArray(p + 24, kTextBytes);
    r.ExtraText = QByteArray(p + 29, kTextBytes);
    r.PointsText = QByteArray(p + 34, kTextBytes);
    r.ReservedText = QByteArray(p + 39, kTextBytes);
    return r;
}

QByteArray FiveByteText(const QString& text) {
    const QByteArray bytes = common::ToShiftJis(text);
    // Cut at a character boundary: half a double-byte character would read
    // back as a different character.
    qsizetype keep = 0;
    while (keep < bytes.size()) {
        const qsizetype width = IsShiftJisLeadByte(static_cast<unsigned char>(bytes[keep])) ? 2 : 1;
        if (keep + width > kTextBytes) break;
        keep += width;
    }
    QByteArray out = bytes.left(keep);
    out.append(QByteArray(kTextBytes - keep, ' '));
    return out;
}

QString ResultsFilePath() { return common::runState().ProgramDataFolder + kResultsFileName; }

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
}

int FileDescriptor::Close() {
    if (fd_ < 0) return 0;
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0 ? 0 : errno;
}

int OpenResultsFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path.isEmpty() ? ResultsFilePath() : path);
    int fd;
    do {
        fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

int OpenResultsFileToRead(const QString& path) {
    int fd = OpenResultsFile(path);
    if (fd >= 0 || (errno != EACCES && errno != EPERM && errno != EROFS)) return fd;
    const QByteArray name = QFile::encodeName(path.isEmpty() ? ResultsFilePath() : path);
    do {
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

void WaitWithEvents(int milliseconds) {
    common::Platform& p = common::platform();
    const quint32 start = p.TickCount();
    for (;;) {
        common::DoEvents();
        const quint32 elapsed = p.TickCount() - start;
        if (elapsed >= static_cast<quint32>(milliseconds)) return;
        const quint32 nap = std::min<quint32>(10, static_cast<quint32>(milliseconds) - elapsed);
        std::this_thread::sleep_for(std::chrono::milliseconds(nap));
    }
}

bool IsBusyError(int error) {
    return error == EACCES || error == EAGAIN || error == EBUSY || error == ETXTBSY;
}

QString ErrorDescription(int error) {
    switch (error) {
    case ENOENT: return QStringLiteral("ファイルが見つかりません。");
    case ENOTDIR: return QStringLiteral("パスが見つかりません。");
    case EACCES:
    case EPERM: return QStringLiteral("アクセスが拒否されました。");
    case EAGAIN: return QStringLiteral("ファイルはほかのコンピュータがロックしています。");
    case EBUSY:
    case ETXTBSY: return QStringLiteral("ファイルは使用中です。");
    case EROFS: return QStringLiteral("書き込みが禁止されています。");
    case ENOSPC: return QStringLiteral("ディスクの空き容量が不足しています。");
    case EDQUOT: return QStringLiteral("ディスクの使用量の上限を超えました。");
    case EIO: return QStringLiteral("デバイス I/O エラーです。");
    case ENOLCK: return QStringLiteral("ファイルをロックできません。");
    case EISDIR: return QStringLiteral("ファイル名がフォルダを指しています。");
    default: return QString::fromLocal8Bit(std::strerror(error));
    }
}

QString DateValueText(double value) {
    const double day = std::floor(value);
    const bool hasTime = value != day;
    if (day == 0 || std::isnan(value)) return common::TimeText(common::TimeFromValue(value));
    const QString date = common::DateText(common::DateFromValue(value));
    return hasTime ? date + u' ' + common::TimeText(common::TimeFromValue(value)) : date;
}

RunEndFlags& runEndFlags() {
    static RunEndFlags flags;
    return flags;
}

namespace {

// One attempt at the append, from opening the file to closing it; false with
// the error number when a step failed. The file (and with it the lock) is
// closed whenever this returns, so the wait before another attempt runs
// window events without this process holding the lock: an event handler that
// opens and closes the file meanwhile cannot drop it.
bool TryAppend(int& error) {
    int fd;
    while ((fd = OpenResultsFile()) < 0)
        if (errno != EINTR) return error = errno, false;
    FileDescriptor file(fd);

    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0;  // the whole file, however long it grows
    while (::fcntl(fd, F_SETLK, &lock) != 0)
        if (errno != EINTR) return error = errno, false;

    const QByteArray record = EncodeRecord(CurrentRunRecord());
    for (int shortWrites = 0;;) {
        struct stat st {};
        if (::fstat(fd, &st) != 0) {
            if (errno == EINTR) continue;
            return error = errno, false;
        }
        // Just after the last whole record: a partial tail is written over.
        const off_t at = st.st_size / kRecordSize * kRecordSize;
        const ssize_t written = ::pwrite(fd, record.constData(), kRecordSize, at);
        if (written == kRecordSize) break;
        if (written < 0) {
            if (errno == EINTR) continue;
            return error = errno, false;
        }
        // A short write leaves a partial tail; the record is written again at
        // the same place, where a full disk then reports itself.
        if (++shortWrites == 3) return error = EIO, false;
    }

    while (::fdatasync(fd) != 0)
        if (errno != EINTR) return error = errno, false;

    struct flock unlock {};
    unlock.l_type = F_UNLCK;
    unlock.l_whence = SEEK_SET;
    ::fcntl(fd, F_SETLK, &unlock);  // close() drops it as well
    const int closeError = file.Close();
    if (closeError != 0 && closeError != EINTR) return error = closeError, false;
    return true;
}

}  // namespace

bool AppendResult() {
    for (;;) {
        int error = 0;
        if (TryAppend(error)) return true;
        if (!IsBusyError(error)) {
            FatalAppendError(error);
            return false;
        }
        // Another PC holds the file: wait one second and try again, without limit.
        WaitWithEvents(1000);
    }
}

bool RecordRunResult(int level) {
    const common::RunState& rs = common::runState();
    RunEndFlags& flags = runEndFlags();
    Statistics& st = stats();
    const int pupil = rs.CurrentPupil;
    const std::int32_t result = rs.ResultTime;
    // Each flag is decided afresh for this run, so a flag the evaluation screen
    // did not get to clear cannot carry over to the next run.
    flags.AlreadyCleared = 0;
    flags.NewPersonalBest = 0;
    flags.NewSchoolBest = 0;
    const bool known = level >= 0 && level < kLevelSlots && pupil >= 0 && pupil < kPupilSlots;

    if (known) {
        const PupilLevelStats& s = st.At(level, pupil);
        const CriteriaRow& c = criteria()[level];
        flags.AlreadyCleared = (s.TotalRuns >= c.ClearCount && s.TotalPoints >= c.ClearPoints) ? 1 : 0;
        if (result < s.BestTime) {
            flags.NewPersonalBest = 1;
            st.At(level, pupil).BestTime = result;
        }
    }
    if (!AppendResult()) return false;
    if (known && result < st.SchoolBestTime[level]) {
        st.SchoolBestTime[level] = result;
        flags.NewSchoolBest = 1;
    }
    return true;
}

}  // namespace results
