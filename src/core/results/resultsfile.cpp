// The shared results file, the run-end bookkeeping, and the change, deletion
// and restore of records.
//
// Lock protocol. Every PC of the school writes the same file through the
// shared data folder. A writer opens the file (one descriptor, created when
// missing, never through a link), takes an exclusive fcntl lock on the whole
// file with F_SETLK, settles a journal it finds (below), does its work,
// flushes it with fdatasync, unlocks and closes. On NFS and SMB mounts the
// lock goes to the server, so two PCs never write at once; a mount that does
// not forward locks (SMB "nobrl", NFS "nolock" or "local_lock") breaks all of
// this. The lock is never waited for inside the kernel: after a refused lock
// (EAGAIN, EACCES) or a busy file the attempt closes the file and is tried
// again after one second during which window events keep running, without
// limit. POSIX locks belong to the process and any close() of any descriptor
// of the file drops them, so the lock is held only between open and close of
// one attempt, with no event processing in between.
//
// An append, under the lock, reads the length and writes its 44 bytes right
// after the last whole record.
//
// A change, a deletion or a restore holds the same lock for its whole
// duration and works with a rollback journal "成績累積データ.dat-journal"
// (journal.h: a header with the operation, the record number, the file's
// length and a nonce, the whole file, and a SHA-256 over both):
//   1. It reads the whole file and checks that the record it was asked for is
//      still, byte for byte, the one the teacher opened (a restore finds the
//      deleted record's place from the maintenance log); otherwise it writes
//      nothing.
//   2. The journal is created with O_CREAT | O_EXCL | O_NOFOLLOW, its header
//      and the whole file written (the checksum, worked out on a second
//      thread meanwhile, last), flushed, and the folder flushed.
//   3. The file is rewritten in place and flushed.
//   4. One line goes to the maintenance log "成績変更記録.txt", flushed.
//   5. The journal is removed: the commit point. The folder is flushed, and
//      only then is the lock released (a journal that came back after a power
//      cut would undo appends made after the change).
// A failure before 5 writes the old content back and removes the journal
// (the record was not changed); when even that fails the journal stays for
// the next lock holder. A failure after 5 leaves the change done, perhaps not
// yet on disk.
//
// Whoever takes the lock next (an append on any PC, a rewrite) first looks at
// the journal's name. A file there is applied only when it is a regular file,
// its header and checksum are sound, its length is the header's, and the
// results file can be a half-done rewrite of it (no longer than its content,
// one record more for a restore, and every byte before the rewritten record
// equal): the content is written back, the file cut to its length and
// flushed, the event logged, the journal removed and the folder flushed. A
// journal cut short before the rewrite began (every byte of it still in the
// file) is removed. Anything else under that name, a folder or a link
// included, is renamed aside with a time stamp, told on stderr and logged;
// the results file stays as it is. The copy name "成績累積データtemp.dat"
// of older versions is never read, written or removed.
//
// Readers take no lock. They read one committed state (ReadCommittedResults):
// the journal's content while a sound journal is hot, else the file; a read
// during which the file's identity, length or times changed, or a journal
// came, went or grew, is made again.
//
// What a crash can leave. Of an append: a partial record (fewer than 44
// bytes) at the end, which readers ignore and the next append writes its
// record over. Of a rewrite: a torn journal beside the untouched file (removed
// by the next lock holder), or a hot journal (the next lock holder puts the
// old content back and logs that the operation was undone), or the new
// content. The kernel drops the lock of a dead process, so a crash never
// leaves the file locked. The flush before the unlock means that what another
// PC can see after the lock is released is also on the server's disk.

#include "core/results/resultsfile.h"

#include "core/common/dates.h"
#include "core/common/numbers.h"
#include "core/common/platform.h"
#include "core/common/textfile.h"
#include "core/results/criteria.h"
#include "core/results/statistics.h"
#include "core/common/runstate.h"
#include "core/common/sharedstate.h"
#include "core/results/changelog.h"
#include "core/results/journal.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <system_error>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>

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

// The message of a failed append: the title and the error's description.
common::Outcome FatalAppendError(int error) {
    return common::Outcome::Fatal(QStringLiteral("成績ランダムファイル記録") + common::ErrorDescription(error),
                                  common::runState().ProgramTitle);
}

CumulativeRecord CurrentRunRecord() {
    const common::RunState& rs = common::runState();
    return RecordOfRun(common::platform().Now(), rs.CurrentPupil, rs.CurrentLevel, rs.ResultTime, rs.SchoolCode);
}

}  // namespace

CumulativeRecord RecordOfRun(const QDateTime& when, std::int16_t pupil, std::int16_t level, std::int32_t result,
                             const QString& schoolCode) {
    const QTime t = when.time();
    CumulativeRecord r;
    r.RecordDate = common::DateValue(when.date());
    // Whole seconds of the time of day, as the clock of the record keeps it.
    r.RecordTime = common::TimeValue(QTime(t.hour(), t.minute(), t.second()));
    r.PupilNumber = pupil;
    r.Level = level;
    r.Result = result;
    r.SchoolCodeText = FiveByteText(schoolCode);
    r.ExtraText = QByteArray(kTextBytes, ' ');
    r.PointsText = QByteArray("0    ");
    r.ReservedText = QByteArray(kTextBytes, '\0');
    return r;
}

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
QString JournalPath(const QString& folder) { return JournalPathOf(ResultsFilePathIn(folder)); }
QString JournalPathOf(const QString& resultsPath) { return resultsPath + QStringLiteral("-journal"); }
bool IsJournalPath(const QString& path) { return path.contains(QStringLiteral(".dat-journal")); }
bool JournalLeft(const QString& folder) {
    struct stat info {};
    common::IoFailure ignored;
    return common::LookAt(JournalPath(folder), info, ignored) != ENOENT;
}

bool OpenResultsFile(common::IoFile& file, common::IoFailure& failure, const QString& path) {
    return file.OpenInDataFolder(path.isEmpty() ? ResultsFilePath() : path, O_RDWR | O_CREAT, failure);
}

bool IsBusyError(int error) {
    return error == EACCES || error == EAGAIN || error == EBUSY || error == ETXTBSY;
}

bool IsAccessFault(int error) { return error == EACCES || error == EPERM || error == EROFS; }

void LogFailure(const common::IoFailure& failure) { common::LogIoFailure(failure, "results file"); }

QString AccessFaultText(int error, bool writing) {
    const QString text =
        writing ? QStringLiteral("%1 に書き込めません。先生を呼びなさい。\n%2\n%3\n"
                                 "書き込めるようになるまで、1秒ごとにやり直します。")
                : QStringLiteral("%1 が読めません。先生を呼びなさい。\n%2\n%3\n"
                                 "読めるようになるまで、1秒ごとにやり直します。");
    return text.arg(kResultsFileName, ResultsFilePath(), common::ErrorDescription(error));
}

QString ReadErrorMessage(const QString& file, int error) {
    return common::CannotReadMessage(QFileInfo(file).fileName(), file, common::ErrorDescription(error));
}

QString DateValueText(double value) {
    const double day = std::floor(value);
    const bool hasTime = value != day;
    if (day == 0 || std::isnan(value)) return common::TimeText(common::TimeFromValue(value));
    const QString date = common::DateText(common::DateFromValue(value));
    return hasTime ? date + u' ' + common::TimeText(common::TimeFromValue(value)) : date;
}

RunEndFlags& runEndFlags() {
    static RunEndFlags& flags = common::MakeShared<RunEndFlags>();
    return flags;
}

namespace {

// The folder part of a path, with its '/'.
QString FolderOf(const QString& path) { return path.left(path.lastIndexOf(u'/') + 1); }

QString Hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex()); }

// A line of the maintenance log that records what happened to a journal. The
// results file is already right when it is written, so a log that cannot be
// written is told on stderr and stops nothing.
void LogJournalEvent(const QString& folder, const ChangeLogEntry& entry) {
    common::IoFailure failure;
    if (!AppendChangeLog(folder, entry, failure)) LogFailure(failure);
}

// A journal that is not applied goes under a name with the time: nothing of
// it is lost, and it is never taken for a journal again.
bool SetJournalAside(const QString& folder, const QString& journal, const QString& reason, common::IoFailure& failure) {
    const QString stamp = common::platform().Now().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = journal + u'.' + stamp;
    struct stat info {};
    common::IoFailure ignored;
    for (int n = 2; common::LookAt(aside, info, ignored) == 0; ++n) aside = journal + u'.' + stamp + u'-' + QString::number(n);
    if (!common::RenameFile(journal, aside, failure) || !common::SyncFolder(folder, failure)) return false;
    std::fprintf(stderr, "results file: journal not applied (%s), set aside as %s\n", reason.toUtf8().constData(),
                 QFile::encodeName(aside).constData());
    std::fflush(stderr);
    ChangeLogEntry e = NewLogEntry(LogOp::JournalSetAside);
    e.Detail = reason;
    e.SetAsideAs = QFileInfo(aside).fileName();
    LogJournalEvent(folder, e);
    return true;
}

// Before any work under the lock: whatever lies under the journal's name is
// settled. A hot journal puts the file back (written, cut, flushed, logged,
// and only then removed, so a crash in here leaves it for the next lock
// holder); a torn one, whose every byte is still in the file, is removed;
// anything else is set aside and the file left as it is.
bool SettleJournal(common::IoFile& file, const QString& path, common::IoFailure& failure) {
    const QString folder = FolderOf(path);
    const QString journalPath = JournalPathOf(path);
    struct stat info {};
    const int look = common::LookAt(journalPath, info, failure);
    if (look == ENOENT) return true;
    if (look != 0) return false;
    if (!S_ISREG(info.st_mode))
        return SetJournalAside(folder, journalPath, QStringLiteral("ファイルではありません"), failure);
    QByteArray bytes;
    JournalCheck check;
    if (!common::ReadWholeFile(journalPath, bytes, failure) || !CheckJournal(bytes, &file, check, failure)) return false;
    switch (check.Verdict) {
    case JournalVerdict::Hot: {
        const QByteArrayView content = QByteArrayView(bytes).sliced(kJournalHeaderSize);
        if (!file.Write(0, content.data(), content.size(), failure) || !file.Truncate(content.size(), failure) ||
            !file.Sync(failure))
            return false;
        ChangeLogEntry e = NewLogEntry(LogOp::JournalApplied);
        e.Number = check.Header.RecordNumber;
        e.Detail = JournalOpName(check.Header.Op);
        e.Nonce = Hex(check.Header.Nonce);
        LogJournalEvent(folder, e);
        return common::RemoveFile(journalPath, failure) && common::SyncFolder(folder, failure);
    }
    case JournalVerdict::Torn: {
        if (!common::RemoveFile(journalPath, failure) || !common::SyncFolder(folder, failure)) return false;
        std::fprintf(stderr, "results file: journal removed (%s): %s\n", check.Reason.toUtf8().constData(),
                     QFile::encodeName(journalPath).constData());
        std::fflush(stderr);
        ChangeLogEntry e = NewLogEntry(LogOp::JournalRemoved);
        e.Detail = check.Reason;
        LogJournalEvent(folder, e);
        return true;
    }
    case JournalVerdict::Foreign: return SetJournalAside(folder, journalPath, check.Reason, failure);
    }
    return true;
}

// One attempt at a write of the results file under the lock, from opening
// the file to closing it: open, lock, settle a journal, `work`, unlock,
// close. The failure of the first step that failed, else none. The file (and
// with it the lock) is closed whenever this returns, so the wait before
// another attempt runs window events without this process holding the lock:
// an event handler that opens and closes the file meanwhile cannot drop it.
template <typename Work>
common::IoFailure UnderLock(const QString& path, Work&& work) {
    common::IoFailure failure;
    common::IoFile file;
    if (!OpenResultsFile(file, failure, path) || !file.TryLock(failure) || !SettleJournal(file, path, failure) ||
        !work(file, failure))
        return failure;
    file.Unlock();
    file.Close(failure);
    return failure;
}

// UnderLock again and again while another PC holds the file (`busy` tells),
// one second apart, without limit; the first other failure ends it.
template <typename Busy, typename Work>
common::IoFailure UnderLockWaiting(const QString& path, Busy&& busy, Work&& work) {
    for (;;) {
        const common::IoFailure failure = UnderLock(path, work);
        if (!failure || !busy(failure)) return failure;
        common::WaitWithEvents(1000);
    }
}

// An append treats every "permission denied" or "busy" as another PC holding
// the file, as it always has.
bool AppendBusy(const common::IoFailure& f) { return IsBusyError(f.Error); }

// Records maintenance waits only for a lock another process holds, or a file
// a share reports busy: a folder the teacher may not write in is no reason
// to wait for ever.
bool RewriteBusy(const common::IoFailure& f) {
    if (f.Call == common::IoCall::Fcntl && (f.Error == EACCES || f.Error == EAGAIN)) return true;
    return f.Error == EAGAIN || f.Error == EBUSY || f.Error == ETXTBSY;
}


}  // namespace

QString JournalFaultText(const common::IoFailure& f) {
    const bool removing = f.Call == common::IoCall::Unlink || f.Call == common::IoCall::Rename;
    const QString text = removing ? QStringLiteral("%1 を消せません。先生を呼びなさい。\n%2\n%3\n"
                                                   "消せるようになるまで、1秒ごとにやり直します。")
                                  : QStringLiteral("%1 が読めません。先生を呼びなさい。\n%2\n%3\n"
                                                   "読めるようになるまで、1秒ごとにやり直します。");
    return text.arg(kJournalFileName, f.Path,
                    QString::fromLatin1(common::IoCallName(f.Call)) + QStringLiteral(": ") + common::ErrorDescription(f.Error));
}

common::Outcome AppendResult(const common::Tell& tell) {
    const QByteArray record = EncodeRecord(CurrentRunRecord());
    const QString path = ResultsFilePath();
    bool toldAccess = false;
    bool toldJournal = false;
    const auto busy = [&](const common::IoFailure& f) {
        if (IsJournalPath(f.Path)) {
            // A journal this PC cannot read or remove: the run is kept and
            // the step tried every second until somebody mends it.
            if (!toldJournal) {
                LogFailure(f);
                if (tell) tell(JournalFaultText(f));
            }
            toldJournal = true;
            return true;
        }
        if (f.Call == common::IoCall::Open && IsAccessFault(f.Error)) {
            // On Linux a lock never makes open() fail: this PC may not write
            // the file at all. Somebody must know; the run is kept until then.
            if (!toldAccess && tell) tell(AccessFaultText(f.Error, true));
            toldAccess = true;
            return true;
        }
        return AppendBusy(f);
    };
    const common::IoFailure failure = UnderLockWaiting(path, busy, [&](common::IoFile& file, common::IoFailure& f) {
        qint64 size = 0;
        // Just after the last whole record: a partial tail is written over.
        return file.Size(size, f) && file.Write(size / kRecordSize * kRecordSize, record.constData(),
                                                 kRecordSize, f) &&
               file.Sync(f);
    });
    if (!failure) return {};
    LogFailure(failure);
    return FatalAppendError(failure.Error);
}

namespace {

// Reads the whole file under the lock.
bool ReadLocked(common::IoFile& file, QByteArray& bytes, common::IoFailure& failure) {
    qint64 size = 0;
    if (!file.Size(size, failure)) return false;
    bytes.resize(size);
    qint64 got = 0;
    if (!file.Read(0, bytes.data(), size, got, failure)) return false;
    bytes.resize(got);
    return true;
}

// The journal of a rewrite: created where nothing of its name may be (the
// lock holder has just settled the name), header and content written and
// flushed, and its name flushed, before the file changes. The checksum is
// worked out on a second thread while the content is written, and goes into
// the header last. `created` tells whether a file of ours now bears the name.
bool WriteJournal(const QString& path, const JournalHeader& header, const QByteArray& content, bool& created,
                  common::IoFailure& failure) {
    const QByteArray head = JournalHeaderBytes(header, content, false);
    QByteArray sum;
    std::optional<std::thread> hashing;
    try {
        hashing.emplace([&] { sum = JournalChecksum(head, content); });
    } catch (const std::system_error&) {
        sum = JournalChecksum(head, content);  // no second thread to be had: one after the other
    }
    common::IoFile journal;
    // O_EXCL never follows a link and never opens what is there: a file made
    // here is a new regular file.
    created = journal.Open(JournalPathOf(path), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, failure);
    const bool written = created && journal.Write(0, head.constData(), head.size(), failure) &&
                         journal.Write(head.size(), content.constData(), content.size(), failure);
    if (hashing) hashing->join();
    return written && journal.Write(kJournalChecksumAt, sum.constData(), sum.size(), failure) &&
           journal.Sync(failure) && journal.Close(failure) && common::SyncFolder(FolderOf(path), failure);
}

// What a rewrite writes over the file: one record changed, one removed (the
// records after it move up), or one put back (the records from its place on
// move down). Whole records only: a partial tail left by a crashed append
// goes with the rewrite of a deletion or a restore.
bool RewriteInPlace(common::IoFile& file, JournalOp op, const QByteArray& bytes, qint64 number, const QByteArray& record,
                    common::IoFailure& f) {
    const qint64 at = (number - 1) * kRecordSize;
    const qint64 end = bytes.size() / kRecordSize * kRecordSize;
    switch (op) {
    case JournalOp::Change: return file.Write(at, record.constData(), kRecordSize, f);
    case JournalOp::Delete:
        return file.Write(at, bytes.constData() + at + kRecordSize, end - at - kRecordSize, f) &&
               file.Truncate(end - kRecordSize, f);
    case JournalOp::Restore:
        return file.Write(at, record.constData(), kRecordSize, f) &&
               file.Write(at + kRecordSize, bytes.constData() + at, end - at, f) && file.Truncate(end + kRecordSize, f);
    }
    return false;
}

// A rewrite that failed before its commit: the old content written back from
// memory and the journal removed, so readers and the next lock holder find
// the file as it was. When that fails too, the journal stays and the next
// lock holder puts the file back from it.
void RollBack(common::IoFile& file, const QString& path, const QByteArray& bytes, JournalOp op, bool logged,
              const ChangeLogEntry& entry) {
    common::IoFailure ignored;
    if (!file.Write(0, bytes.constData(), bytes.size(), ignored) || !file.Truncate(bytes.size(), ignored) ||
        !file.Sync(ignored))
        return;
    if (logged) {
        // The log holds the operation already: the journal's nonce marks it undone.
        ChangeLogEntry undone = NewLogEntry(LogOp::JournalApplied);
        undone.Number = entry.Number;
        undone.Detail = JournalOpName(op);
        undone.Nonce = entry.Nonce;
        LogJournalEvent(FolderOf(path), undone);
    }
    if (common::RemoveFile(JournalPathOf(path), ignored)) common::SyncFolder(FolderOf(path), ignored);
}

struct RewriteRequest {
    JournalOp Op = JournalOp::Change;
    qint64 Number = 0;      // change, deletion: the record opened
    QByteArray Opened;      // change, deletion: its bytes as the teacher saw them
    QByteArray Updated;     // change: the new bytes
    qint64 Undoes = 0;      // restore: the log line of the deletion
};

LogOp LogOpOf(JournalOp op) {
    switch (op) {
    case JournalOp::Change: return LogOp::Change;
    case JournalOp::Delete: return LogOp::Delete;
    case JournalOp::Restore: return LogOp::Restore;
    }
    return LogOp::Unknown;
}

// A change, deletion or restore: the protocol at the top. The commit point is
// the removal of the journal: a failure before it leaves the old content
// (RewriteOutcome::Failed), one after it the new (DoneNotFlushed).
RewriteResult RewriteRecord(const QString& folder, const RewriteRequest& request) {
    RewriteResult result;
    const QString path = ResultsFilePathIn(folder);
    bool committed = false;
    const auto busy = [&committed](const common::IoFailure& f) { return !committed && RewriteBusy(f); };
    result.Failure = UnderLockWaiting(path, busy, [&](common::IoFile& file, common::IoFailure& f) {
        QByteArray bytes;
        if (!ReadLocked(file, bytes, f)) return false;
        const qint64 records = bytes.size() / kRecordSize;
        ChangeLogEntry entry = NewLogEntry(LogOpOf(request.Op));
        QByteArray record = request.Updated;
        qint64 number = request.Number;
        if (request.Op == JournalOp::Restore) {
            std::vector<ChangeLogEntry> log;
            if (!ReadChangeLog(folder, log, f)) return false;
            number = RestorePosition(log, request.Undoes, result.Reason);
            if (number == 0) {
                result.Outcome = RewriteOutcome::NotRestorable;
                return true;
            }
            number = std::clamp<qint64>(number, 1, records + 1);
            record = log[static_cast<size_t>(request.Undoes - 1)].Old;
            entry.New = record;
            entry.Undoes = request.Undoes;
        } else {
            const qint64 at = (number - 1) * kRecordSize;
            if (number < 1 || number > records || request.Opened.size() != kRecordSize ||
                std::memcmp(bytes.constData() + at, request.Opened.constData(), kRecordSize) != 0) {
                result.Outcome = RewriteOutcome::RecordsChanged;
                return true;
            }
            entry.Old = request.Opened;
            if (request.Op == JournalOp::Change) entry.New = record;
        }
        result.Number = number;
        entry.Number = number;
        JournalHeader header;
        header.Op = request.Op;
        header.RecordNumber = number;
        header.Nonce = NewJournalNonce();
        entry.Nonce = Hex(header.Nonce);

        bool journalMade = false;
        if (!WriteJournal(path, header, bytes, journalMade, f)) {
            // The file is untouched: only the journal, as far as it got, goes.
            common::IoFailure ignored;
            if (journalMade) common::RemoveFile(JournalPathOf(path), ignored);
            return false;
        }
        if (!RewriteInPlace(file, request.Op, bytes, number, record, f) || !file.Sync(f)) {
            RollBack(file, path, bytes, request.Op, false, entry);
            return false;
        }
        if (!AppendChangeLog(folder, entry, f)) {
            // The line may be in the log in part or whole: it is marked undone.
            RollBack(file, path, bytes, request.Op, true, entry);
            return false;
        }
        if (!common::RemoveFile(JournalPathOf(path), f)) {
            RollBack(file, path, bytes, request.Op, true, entry);
            return false;
        }
        committed = true;
        result.Outcome = RewriteOutcome::Done;
        return common::SyncFolder(folder, f);
    });
    if (result.Failure) {
        result.Outcome = committed ? RewriteOutcome::DoneNotFlushed : RewriteOutcome::Failed;
        LogFailure(result.Failure);
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
    if (updated.size() != kRecordSize) {
        RewriteResult refused;
        refused.Outcome = RewriteOutcome::Failed;
        refused.Failure = {common::IoCall::Pwrite, EINVAL, ResultsFilePathIn(folder)};
        return refused;
    }
    return RewriteRecord(folder, {JournalOp::Change, number, opened, updated, 0});
}

RewriteResult DeleteRecord(const QString& folder, qint64 number, const QByteArray& opened) {
    return RewriteRecord(folder, {JournalOp::Delete, number, opened, {}, 0});
}

RewriteResult RestoreRecord(const QString& folder, qint64 logLine) {
    return RewriteRecord(folder, {JournalOp::Restore, 0, {}, {}, logLine});
}

common::IoFailure RecoverResultsFile(const QString& folder) {
    if (!JournalLeft(folder)) return {};
    const common::IoFailure failure =
        UnderLockWaiting(ResultsFilePathIn(folder), RewriteBusy, [](common::IoFile&, common::IoFailure&) { return true; });
    if (failure) LogFailure(failure);
    return failure;
}

// --- readers ---

namespace {

// What a reader compares before and after a read: whether a rewrite ran
// meanwhile. A file's identity, length and times; a journal's coming, going
// or growing.
struct Stamp {
    int Look = ENOENT;  // 0: there; else the errno of lstat
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    qint64 Modified = 0;
    qint64 Changed = 0;
    bool operator==(const Stamp&) const = default;
};

Stamp StampOf(const QString& path) {
    Stamp s;
    struct stat info {};
    common::IoFailure ignored;
    s.Look = common::LookAt(path, info, ignored);
    if (s.Look != 0) return s;
    s.Device = info.st_dev;
    s.Inode = info.st_ino;
    s.Size = info.st_size;
    s.Modified = info.st_mtim.tv_sec * 1000000000LL + info.st_mtim.tv_nsec;
    s.Changed = info.st_ctim.tv_sec * 1000000000LL + info.st_ctim.tv_nsec;
    return s;
}

// Where the bytes of `range` lie in a committed file of `length` bytes: the
// first record's index, its offset and the number of bytes.
void Place(const RecordRange& range, qint64 length, qint64& first, qint64& from, qint64& count) {
    const qint64 records = length / kRecordSize;
    if (range.Newest) {
        first = std::max<qint64>(0, records - std::max<qint64>(0, range.Count));
        count = (records - first) * kRecordSize;
    } else {
        first = std::clamp<qint64>(range.First, 0, records);
        count = range.Count < 0 ? length - first * kRecordSize
                                : (std::min(records, first + range.Count) - first) * kRecordSize;
    }
    from = first * kRecordSize;
}

enum class Attempt { Done, Overlapped, Failed };

// One read: the journal's content when a sound journal lies beside the file
// (the state last committed), else the file's bytes; then the stamps again.
Attempt ReadOnce(const QString& path, const RecordRange& range, bool create, CommittedRead& read,
                 common::IoFailure& failure, const RecordPieces* pieces = nullptr) {
    const QString journalPath = JournalPathOf(path);
    const Stamp fileBefore = StampOf(path);
    const Stamp journalBefore = StampOf(journalPath);
    read.FromJournal = false;

    common::IoFile file;
    bool haveFile = file.OpenInDataFolder(path, O_RDONLY, failure);
    if (!haveFile && failure.Error == ENOENT && create) {
        // The program makes the file on its first look, as the first append
        // would; a folder it may not write in says so now, not at the end of
        // a pupil's run.
        failure = {};
        haveFile = OpenResultsFile(file, failure, path);
    }
    if (!haveFile) {
        struct stat info {};
        common::IoFailure ignored;
        // A file not made yet holds no records; a folder that is away is an error.
        if (create || failure.Error != ENOENT ||
            common::LookAt(FolderOf(path).isEmpty() ? QStringLiteral(".") : FolderOf(path), info, ignored) != 0)
            return Attempt::Failed;
        failure = {};
    }
    if (journalBefore.Look == 0) {
        common::IoFailure journalFailure;
        JournalCheck check;
        if (!common::ReadWholeFile(journalPath, read.Buffer, journalFailure)) {
            if (journalFailure.Error == ENOENT) return Attempt::Overlapped;  // committed meanwhile
            // Not a file (set aside by the next writer, the file as it is) ...
            if (journalFailure.Error != EISDIR && journalFailure.Error != ENODEV && journalFailure.Error != ELOOP) {
                failure = journalFailure;
                return Attempt::Failed;
            }
        } else {
            if (!CheckJournal(read.Buffer, haveFile ? &file : nullptr, check, failure)) return Attempt::Failed;
            if (check.Verdict == JournalVerdict::Hot) {
                qint64 first = 0, from = 0, count = 0;
                read.FileBytes = check.Header.FileLength;
                Place(range, read.FileBytes, first, from, count);
                read.FirstRecord = first + 1;
                read.Bytes = QByteArrayView(read.Buffer).sliced(kJournalHeaderSize + from, count);
                read.FromJournal = true;
                if (pieces) (*pieces)(read.Bytes, true);
            }
        }
    }
    if (!read.FromJournal) {
        qint64 length = 0;
        if (haveFile && !file.Size(length, failure)) return Attempt::Failed;
        qint64 first = 0, from = 0, count = 0;
        Place(range, length, first, from, count);
        read.FileBytes = length;
        read.FirstRecord = first + 1;
        // Handed on a piece at a time, each piece is taken while it is still
        // in the processor's cache; kept whole, it is read in one call.
        const qint64 piece = pieces ? std::min<qint64>(count, kPieceRecords * kRecordSize) : count;
        read.Buffer.resize(piece);
        qint64 done = 0;
        do {
            const qint64 n = std::min(piece, count - done);
            qint64 got = 0;
            if (n > 0 && !file.Read(from + done, read.Buffer.data(), n, got, failure)) return Attempt::Failed;
            if (got < n) return Attempt::Overlapped;  // cut short meanwhile
            read.Bytes = QByteArrayView(read.Buffer).first(n);
            if (pieces) (*pieces)(read.Bytes, done == 0);
            done += n;
        } while (done < count);
        if (pieces) read.Bytes = {};
    }
    if (StampOf(path) != fileBefore || StampOf(journalPath) != journalBefore) return Attempt::Overlapped;
    return Attempt::Done;
}

// A read that another PC makes a share refuse (it holds the range), or a file
// reported busy.
bool ReadBusy(const common::IoFailure& f) {
    if (f.Call == common::IoCall::Pread && IsBusyError(f.Error)) return true;
    return f.Error == EAGAIN || f.Error == EBUSY || f.Error == ETXTBSY;
}

}  // namespace

namespace {

bool ReadCommitted(const QString& path, const RecordRange& range, CommittedRead& read, common::IoFailure& failure,
                   bool create, const RecordPieces* pieces) {
    const QString file = path.isEmpty() ? ResultsFilePath() : path;
    for (int tries = 0;; ++tries) {
        common::IoFailure f;
        const Attempt attempt = ReadOnce(file, range, create, read, f, pieces);
        if (attempt == Attempt::Done) {
            failure = {};
            return true;
        }
        if (attempt == Attempt::Failed && !ReadBusy(f)) {
            LogFailure(f);
            failure = f;
            read.Bytes = {};
            read.FileBytes = 0;
            return false;
        }
        // Overlapped a rewrite or an append, or busy: again, at once the
        // first time, then once a second while window events run.
        if (tries > 0 || attempt == Attempt::Failed) common::WaitWithEvents(1000);
    }
}

}  // namespace

bool ReadCommittedResults(const QString& path, const RecordRange& range, CommittedRead& read, common::IoFailure& failure,
                          bool create) {
    return ReadCommitted(path, range, read, failure, create, nullptr);
}

bool ReadCommittedPieces(const QString& path, CommittedRead& read, const RecordPieces& take,
                         common::IoFailure& failure) {
    return ReadCommitted(path, RecordRange::All(), read, failure, true, &take);
}

QByteArray ReadRecordBytes(const QString& folder, qint64 number, common::IoFailure& failure) {
    CommittedRead read;
    if (number < 1 || !ReadCommittedResults(ResultsFilePathIn(folder), RecordRange::One(number - 1), read, failure) ||
        read.Bytes.size() != kRecordSize)
        return {};
    return read.Bytes.toByteArray();
}

RecordedRun RecordRunResult(int level, const common::Tell& tell) {
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
    RecordedRun recorded;
    recorded.Outcome = AppendResult(tell);
    if (recorded.Outcome && known && result < st.SchoolBestTime[level]) {
        st.SchoolBestTime[level] = result;
        flags.NewSchoolBest = 1;
    }
    recorded.Flags = flags;
    return recorded;
}

}  // namespace results
