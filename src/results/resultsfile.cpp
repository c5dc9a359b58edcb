// The shared results file, the run-end bookkeeping, and the change and
// deletion of records by records maintenance.
//
// Lock protocol. Every PC of the school writes the same file through the
// shared data folder. A writer opens the file (one descriptor, created when
// missing), takes an exclusive fcntl lock on the whole file with F_SETLK, does
// its work, flushes it with fdatasync, unlocks and closes. On NFS and SMB
// mounts the lock goes to the server, so two PCs never write at once. The
// lock is never waited for inside the kernel: after a refused lock (EAGAIN,
// EACCES) or a busy file the attempt closes the file and is tried again after
// one second during which window events keep running, without limit. POSIX
// locks belong to the process and any close() of any descriptor of the file
// drops them, so the lock is held only between open and close of one attempt,
// with no event processing in between: nothing else in this process can open
// the file meanwhile. Readers take no lock and read only whole records.
//
// An append, under the lock, reads the length and writes its 44 bytes right
// after the last whole record.
//
// A change or a deletion holds the same lock for its whole duration and works
// like a rollback journal:
//   1. It reads the whole file and checks that the record it was asked for is
//      still, byte for byte, the one the teacher opened; otherwise it writes
//      nothing (another PC deleted or changed records meanwhile).
//   2. The journal "成績累積データtemp.dat" is written as a copy of the whole
//      file under a scratch name, flushed, renamed to its own name and the
//      folder flushed: a journal under its own name is always whole.
//   3. The results file is rewritten in place: one record, or, for a
//      deletion, the records after the deleted one moved up by one and the
//      file cut to its new length. Then it is flushed.
//   4. The journal is removed and the folder flushed, and only then is the
//      lock released: a journal that came back after a power cut would undo
//      appends made after the deletion.
// Whoever takes the lock next (an append on any PC, a change, a deletion)
// first looks for the journal. Finding one means a rewrite died between 2 and
// 4: it writes the journal back over the file, cuts the file to the journal's
// length, flushes, removes the journal and flushes the folder, and only then
// does its own work. So a record appended before, during (it waits for the
// lock) or after a deletion is never lost.
//
// What a crash can leave. Of an append: a crash or power cut before pwrite
// leaves the file as it was; one during pwrite can leave a partial record
// (fewer than 44 bytes) at the end, which readers ignore and the next append
// writes its record over. Of a change or deletion: before the rename of step 2
// the file as it was (and perhaps a scratch copy, written over next time);
// from then until step 4 ends a journal, and the next lock holder puts the old
// content back whole; after step 4 the new content. A reader that reads while
// a rewrite runs, or before the next lock holder has restored the file, may
// see a mix of old and new records; records maintenance restores a left
// journal before it lists. The kernel drops the lock of a dead process, so a
// crash never leaves the file locked. The flush before the unlock means that
// what another PC can see after the lock is released is also on the server's
// disk.

#include "results/resultsfile.h"

#include "common/dates.h"
#include "common/numbers.h"
#include "common/platform.h"
#include "common/textfile.h"
#include "results/criteria.h"
#include "results/statistics.h"
#include "common/runstate.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include <fcntl.h>

namespace results {
namespace {

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
    common::platform().EndProgramAfterError();
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

QString ResultsFilePath() { return ResultsFilePathIn(common::runState().ProgramDataFolder); }

QString ResultsFilePathIn(const QString& folder) { return folder + kResultsFileName; }
QString JournalPath(const QString& folder) { return folder + kJournalFileName; }
bool JournalLeft(const QString& folder) { return QFile::exists(JournalPath(folder)); }

bool OpenResultsFile(IoFile& file, IoFailure& failure, const QString& path) {
    return file.Open(path.isEmpty() ? ResultsFilePath() : path, O_RDWR | O_CREAT, failure);
}

bool OpenResultsFileToRead(IoFile& file, IoFailure& failure, const QString& path) {
    if (OpenResultsFile(file, failure, path)) return true;
    if (!IsAccessFault(failure.Error)) return false;
    failure = {};
    return file.Open(path.isEmpty() ? ResultsFilePath() : path, O_RDONLY, failure);
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

bool IsAccessFault(int error) { return error == EACCES || error == EPERM || error == EROFS; }

void ReportAccessFault(int error, bool writing) {
    const QString text =
        writing ? QStringLiteral("%1 に書き込めません。先生を呼びなさい。\n%2\n%3\n"
                                 "書き込めるようになるまで、1秒ごとにやり直します。")
                : QStringLiteral("%1 が読めません。先生を呼びなさい。\n%2\n%3\n"
                                 "読めるようになるまで、1秒ごとにやり直します。");
    common::platform().MessageBox(text.arg(kResultsFileName, ResultsFilePath(), ErrorDescription(error)),
                                  QStringLiteral("注意"), common::MessageButtons::Ok);
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

QString ReadErrorMessage(const QString& file, int error) {
    return common::CannotReadMessage(QFileInfo(file).fileName(), file, ErrorDescription(error));
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

// The folder part of a path, with its '/'.
QString FolderOf(const QString& path) { return path.left(path.lastIndexOf(u'/') + 1); }

// The journal under a scratch name while it is being written.
QString ScratchPath(const QString& folder) { return JournalPath(folder) + QStringLiteral(".part"); }

// Puts the file back as the journal beside it holds it, when there is one.
// The caller holds the lock on `file`. Whole or not at all: the journal is
// removed only once the file is back and flushed, so a crash in here leaves
// the journal for the next lock holder.
bool RestoreFromJournal(IoFile& file, const QString& folder, IoFailure& failure) {
    IoFile journal;
    IoFailure opening;
    if (!journal.Open(JournalPath(folder), O_RDONLY, opening)) {
        if (opening.Error == ENOENT) return true;  // no rewrite died half-way
        failure = opening;
        return false;
    }
    qint64 size = 0;
    if (!journal.Size(size, failure)) return false;
    QByteArray bytes(size, Qt::Uninitialized);
    qint64 got = 0;
    if (!journal.Read(0, bytes.data(), size, got, failure)) return false;
    if (got != size) {  // the journal cannot shrink under the lock
        failure = {IoCall::Pread, EIO, journal.Path()};
        return false;
    }
    if (!file.Write(0, bytes.constData(), size, failure) || !file.Truncate(size, failure) ||
        !file.Sync(failure) || !journal.Close(failure))
        return false;
    return RemoveFile(JournalPath(folder), failure) && SyncFolder(folder, failure);
}

// One attempt at a write of the results file under the lock, from opening
// the file to closing it: open, lock, restore from a left journal, `work`,
// unlock, close. The failure of the first step that failed, else none. The
// file (and with it the lock) is closed whenever this returns, so the wait
// before another attempt runs window events without this process holding the
// lock: an event handler that opens and closes the file meanwhile cannot drop it.
template <typename Work>
IoFailure UnderLock(const QString& path, Work&& work) {
    IoFailure failure;
    IoFile file;
    if (!OpenResultsFile(file, failure, path) || !file.TryLock(failure) ||
        !RestoreFromJournal(file, FolderOf(path), failure) || !work(file, failure))
        return failure;
    file.Unlock();
    file.Close(failure);
    return failure;
}

// UnderLock again and again while another PC holds the file (`busy` tells),
// one second apart, without limit; the first other failure ends it.
template <typename Busy, typename Work>
IoFailure UnderLockWaiting(const QString& path, Busy&& busy, Work&& work) {
    for (;;) {
        const IoFailure failure = UnderLock(path, work);
        if (!failure || !busy(failure)) return failure;
        WaitWithEvents(1000);
    }
}

// An append treats every "permission denied" or "busy" as another PC holding
// the file, as it always has.
bool AppendBusy(const IoFailure& f) { return IsBusyError(f.Error); }

// Records maintenance waits only for a lock another process holds, or a file
// a share reports busy: a folder the teacher may not write in is no reason
// to wait for ever.
bool RewriteBusy(const IoFailure& f) {
    if (f.Call == IoCall::Fcntl && (f.Error == EACCES || f.Error == EAGAIN)) return true;
    return f.Error == EAGAIN || f.Error == EBUSY || f.Error == ETXTBSY;
}

}  // namespace

bool AppendResult() {
    const QByteArray record = EncodeRecord(CurrentRunRecord());
    bool told = false;
    const auto busy = [&told](const IoFailure& f) {
        if (f.Call == IoCall::Open && IsAccessFault(f.Error)) {
            // On Linux a lock never makes open() fail: this PC may not write
            // the file at all. Somebody must know; the run is kept until then.
            if (!told) ReportAccessFault(f.Error, true);
            told = true;
            return true;
        }
        return AppendBusy(f);
    };
    const IoFailure failure = UnderLockWaiting(ResultsFilePath(), busy, [&](IoFile& file, IoFailure& f) {
        qint64 size = 0;
        // Just after the last whole record: a partial tail is written over.
        return file.Size(size, f) && file.Write(size / kRecordSize * kRecordSize, record.constData(),
                                                 kRecordSize, f) &&
               file.Sync(f);
    });
    if (!failure) return true;
    LogIoFailure(failure);
    FatalAppendError(failure.Error);
    return false;
}

namespace {

// Reads the whole file under the lock.
bool ReadLocked(IoFile& file, QByteArray& bytes, IoFailure& failure) {
    qint64 size = 0;
    if (!file.Size(size, failure)) return false;
    bytes.resize(size);
    qint64 got = 0;
    if (!file.Read(0, bytes.data(), size, got, failure)) return false;
    bytes.resize(got);
    return true;
}

// Step 2 of a rewrite: the journal, whole under its own name.
bool WriteJournal(const QString& folder, const QByteArray& bytes, IoFailure& failure) {
    IoFile scratch;
    return scratch.Open(ScratchPath(folder), O_WRONLY | O_CREAT | O_TRUNC, failure) &&
           scratch.Write(0, bytes.constData(), bytes.size(), failure) && scratch.Sync(failure) &&
           scratch.Close(failure) && RenameFile(ScratchPath(folder), JournalPath(folder), failure) &&
           SyncFolder(folder, failure);
}

// A change or deletion of record `number`: steps 1 to 4 of the protocol at
// the top, `rewrite` being step 3.
template <typename Rewrite>
RewriteResult RewriteRecord(const QString& folder, qint64 number, const QByteArray& opened,
                            Rewrite&& rewrite) {
    RewriteResult result;
    result.Failure = UnderLockWaiting(ResultsFilePathIn(folder), RewriteBusy, [&](IoFile& file, IoFailure& f) {
        QByteArray bytes;
        if (!ReadLocked(file, bytes, f)) return false;
        const qint64 records = bytes.size() / kRecordSize;
        const qint64 at = (number - 1) * kRecordSize;
        if (number < 1 || number > records || opened.size() != kRecordSize ||
            std::memcmp(bytes.constData() + at, opened.constData(), kRecordSize) != 0) {
            result.Outcome = RewriteOutcome::RecordsChanged;
            return true;
        }
        if (!WriteJournal(folder, bytes, f)) return false;
        if (!rewrite(file, bytes, at, f) || !file.Sync(f) || !RemoveFile(JournalPath(folder), f) ||
            !SyncFolder(folder, f)) {
            // Put the old content back at once rather than leave a mix to the
            // readers until the next lock holder; when that fails as well the
            // journal stays for the next one.
            IoFailure ignored;
            RestoreFromJournal(file, folder, ignored);
            return false;
        }
        result.Outcome = RewriteOutcome::Done;
        return true;
    });
    if (result.Failure) {
        result.Outcome = RewriteOutcome::Failed;
        LogIoFailure(result.Failure);
    }
    return result;
}

}  // namespace

QByteArray ChangedRecordBytes(const QByteArray& opened, std::int32_t result, std::int16_t pupil) {
    QByteArray bytes = opened;
    if (bytes.size() != kRecordSize) return bytes;
    qToLittleEndian<std::int16_t>(pupil, bytes.data() + 16);
    qToLittleEndian<std::int32_t>(result, bytes.data() + 20);
    return bytes;
}

RewriteResult ChangeRecord(const QString& folder, qint64 number, const QByteArray& opened,
                           const QByteArray& updated) {
    if (updated.size() != kRecordSize) return {RewriteOutcome::Failed, {IoCall::Pwrite, EINVAL, ResultsFilePathIn(folder)}};
    return RewriteRecord(folder, number, opened,
                         [&](IoFile& file, const QByteArray&, qint64 at, IoFailure& f) {
                             return file.Write(at, updated.constData(), kRecordSize, f);
                         });
}

RewriteResult DeleteRecord(const QString& folder, qint64 number, const QByteArray& opened) {
    return RewriteRecord(folder, number, opened,
                         [&](IoFile& file, const QByteArray& bytes, qint64 at, IoFailure& f) {
                             // Whole records only: a partial tail left by a
                             // crashed append goes with the rewrite.
                             const qint64 end = bytes.size() / kRecordSize * kRecordSize;
                             const qint64 moved = end - at - kRecordSize;
                             return file.Write(at, bytes.constData() + at + kRecordSize, moved, f) &&
                                    file.Truncate(end - kRecordSize, f);
                         });
}

IoFailure RecoverResultsFile(const QString& folder) {
    if (!JournalLeft(folder)) return {};
    const IoFailure failure =
        UnderLockWaiting(ResultsFilePathIn(folder), RewriteBusy, [](IoFile&, IoFailure&) { return true; });
    if (failure) LogIoFailure(failure);
    return failure;
}

namespace {

// `n` bytes at `offset` of the file as it is now (all from there to the end
// when n is -1), restored first when a journal is left. A reader: no lock
// beyond that of the restore.
bool ReadPart(const QString& folder, qint64 offset, qint64 n, QByteArray& bytes, IoFailure& failure) {
    bytes.clear();
    if ((failure = RecoverResultsFile(folder))) return false;
    for (;;) {
        IoFile file;
        IoFailure f;
        qint64 size = 0;
        if (!file.Open(ResultsFilePathIn(folder), O_RDONLY, f)) {
            if (f.Error == ENOENT) return true;  // no result recorded yet
        } else if (n >= 0 || file.Size(size, f)) {
            bytes.resize(n >= 0 ? n : std::max<qint64>(0, size - offset));
            qint64 got = 0;
            if (file.Read(offset, bytes.data(), bytes.size(), got, f)) {
                bytes.resize(got);
                return true;
            }
        }
        if (f.Call == IoCall::Open || !RewriteBusy(f)) {
            LogIoFailure(f);
            failure = f;
            bytes.clear();
            return false;
        }
        // On a share whose server enforces locks, a read of the range an
        // appender holds is refused until the append is done.
        WaitWithEvents(1000);
    }
}

}  // namespace

bool ReadResultsBytes(const QString& folder, QByteArray& bytes, IoFailure& failure) {
    return ReadPart(folder, 0, -1, bytes, failure);
}

QByteArray ReadRecordBytes(const QString& folder, qint64 number, IoFailure& failure) {
    QByteArray bytes;
    if (number < 1 || !ReadPart(folder, (number - 1) * kRecordSize, kRecordSize, bytes, failure) ||
        bytes.size() != kRecordSize)
        return {};
    return bytes;
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
