// A second process for the results-file tests: what another PC of the school
// does to the shared file at the same moment.
//
//   results_file_helper append FOLDER PUPIL COUNT   COUNT appends with the real
//       AppendResult, as pupil PUPIL at level 1, results 0 .. COUNT-1
//   results_file_helper read FOLDER STOPFILE         reads the file over and over
//       (raw and through LoadHistory) until STOPFILE exists; exit 1 at the first
//       torn or foreign record or when the file shrinks
//   results_file_helper hold FILE MILLISECONDS       holds the appenders' lock
//       for that long, saying "locked" once it has it
//   results_file_helper delete|change FOLDER RECORD KILLAT
//       deletes record RECORD, or changes it to result 4321 and pupil 4000;
//       with KILLAT > 0 the process kills itself with SIGKILL right before
//       the KILLAT-th system call of the operation (a pwrite there first
//       writes half its bytes and the kill follows it). Prints "calls N" and
//       exits 0 when the operation ran to its end, 4 when it failed, 5 when
//       the record was no longer the one read
//   results_file_helper restore FOLDER LINE KILLAT
//       puts back the record the deletion on line LINE of the maintenance log
//       removed; KILLAT and the exit codes as for delete (5: not restorable)
//   results_file_helper deletemany FOLDER PUPIL [KILLAT]
//       deletes, one by one in the order of their results, every record of
//       pupil PUPIL with an even result (a record another deleter took first
//       is looked for again); with KILLAT > 0 killed with SIGKILL right before
//       the KILLAT-th system call of the whole run, with KILLAT < 0 half-way
//       through its (-KILLAT)-th write into the results file
//   results_file_helper readcommitted FOLDER STOPFILE
//       reads the committed state over and over (the one reader, and the
//       history loader) until STOPFILE exists; exit 1 at the first state that
//       never existed: appenders' records (pupils 1..8) not a gapless prefix of
//       0, 1, 2, ..., the records of pupil 9 not all odd results 1..99 and the
//       even ones from some point on, a record twice, or a state older than
//       one already seen
//   results_file_helper delete-as-nobody FOLDER RECORD
//       the same deletion as another user (when run as root), who may read the
//       folder but not write in it
//   results_file_helper load FOLDER                  loads the history once and
//       prints the number of entries
//
// Its clock runs twenty times faster than real time, so the one-second wait
// of a refused lock lasts 50 ms here and 1600 contended appends end quickly.

#include "core/common/platform.h"
#include "core/results/resultsfile.h"
#include "core/results/statistics.h"
#include "core/common/runstate.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <thread>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

class FastClockPlatform final : public common::Platform {
public:
    QDateTime Now() override { return QDateTime::currentDateTime(); }
    float SecondsSinceMidnight() override {
        return static_cast<float>(QTime::currentTime().msecsSinceStartOfDay() / 1000.0);
    }
    quint32 TickCount() override { return static_cast<quint32>(QDateTime::currentMSecsSinceEpoch() * 20); }
    int PlayWav(const QString&, QString&) override { return 0; }
    common::MessageAnswer MessageBox(const QString& text, const QString& title,
                                     common::MessageButtons) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
        return common::MessageAnswer::Ok;
    }
    [[noreturn]] void EndProgram() override { std::exit(3); }
    bool StartProgram(const QString&, const QStringList&, QString&) override { return false; }
    QString ProgramFolder() override { return QCoreApplication::applicationDirPath(); }

protected:
    void RunPendingEvents() override {}
};

// What this process's screens would do with what the results code hands up:
// a notice printed as its message box would show it, a fatal outcome printed
// and the process ended.
void Caution(const QString& text) { std::fprintf(stderr, "注意: %s\n", qPrintable(text)); }

bool GoesOn(const common::Outcome& outcome) {
    if (!outcome.IsFatal()) return true;
    std::fprintf(stderr, "%s: %s\n", qPrintable(outcome.Title()), qPrintable(outcome.Message()));
    std::exit(3);
}

int Append(const QString& folder, int pupil, int count) {
    common::RunState& rs = common::runState();
    rs.ProgramDataFolder = folder + u'/';
    rs.SchoolCode = QStringLiteral("01234");
    rs.CurrentPupil = static_cast<std::int16_t>(pupil);
    rs.CurrentLevel = 1;
    for (int i = 0; i < count; ++i) {
        rs.ResultTime = i;
        if (!GoesOn(results::AppendResult(Caution))) return 2;
    }
    return 0;
}

// A record as the appenders of the test write it, or a reason why not.
const char* Foreign(const results::CumulativeRecord& r) {
    if (r.PupilNumber < 1 || r.PupilNumber > 8) return "pupil";
    if (r.Level != 1) return "level";
    if (r.Result < 0 || r.Result >= 200) return "result";
    if (r.RecordDate < 40000 || r.RecordDate != std::floor(r.RecordDate)) return "date";
    if (r.RecordTime < 0 || r.RecordTime >= 1) return "time";
    if (r.SchoolCodeText != "01234" || r.ExtraText != "     " || r.PointsText != "0    " ||
        r.ReservedText != QByteArray(5, '\0'))
        return "texts";
    return nullptr;
}

int Read(const QString& folder, const QString& stopFile) {
    common::runState().ProgramDataFolder = folder + u'/';
    const QString path = results::ResultsFilePath();
    long long seen = 0;
    int passes = 0;
    for (;;) {
        const bool last = QFileInfo::exists(stopFile);  // one more pass after the stop
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = f.readAll();
            const long long records = bytes.size() / results::kRecordSize;
            if (records < seen) {
                std::fprintf(stderr, "file shrank from %lld to %lld records\n", seen, records);
                return 1;
            }
            for (long long k = 0; k < records; ++k) {
                const auto r = results::DecodeRecord(bytes.constData() + k * results::kRecordSize);
                if (const char* why = Foreign(r)) {
                    std::fprintf(stderr, "record %lld: bad %s\n", k + 1, why);
                    return 1;
                }
            }
            seen = records;
        }
        if (!GoesOn(results::LoadHistory(Caution))) return 2;
        if (results::stats().HistoryCount < seen || results::stats().HistoryCount > 1600) {
            std::fprintf(stderr, "history of %d entries after %lld records\n",
                         results::stats().HistoryCount, seen);
            return 1;
        }
        ++passes;
        if (last) break;
    }
    std::printf("%d passes\n", passes);
    return 0;
}

int Load(const QString& folder) {
    common::runState().ProgramDataFolder = folder + u'/';
    if (!GoesOn(results::LoadHistory(Caution))) return 2;
    std::printf("%d entries\n", results::stats().HistoryCount);
    return 0;
}

int Hold(const QString& file, int milliseconds) {
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDWR | O_CREAT, 0666);
    if (fd < 0) return 2;
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, F_SETLKW, &lock) != 0) return 2;
    std::printf("locked\n");
    std::fflush(stdout);
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    ::close(fd);
    return 0;
}

// Kills the process with SIGKILL right before system call `killAt` (a pwrite
// there first writes half its bytes and the kill follows it).
// With killAt < 0, right before the (-killAt)-th write into the results file
// itself: in the middle of a rewrite, where the file holds a mix.
void KillAt(long long killAt) {
    static bool killNext = false;
    static long long fileWrites = 0;
    common::SetIoHook([killAt](common::IoCall call, long long n, const QByteArray& path, std::size_t& bytes) {
        const bool intoTheFile = call == common::IoCall::Pwrite && path.endsWith(".dat");
        if (intoTheFile) ++fileWrites;
        if (killNext || n == killAt || (killAt < 0 && intoTheFile && fileWrites == -killAt)) {
            if (call == common::IoCall::Pwrite && !killNext && bytes > 1) {
                bytes /= 2;  // torn: half of it reaches the file
                killNext = true;
                return 0;
            }
            std::raise(SIGKILL);
        }
        return 0;
    });
}

enum class Op { Delete, Change, Restore };

// Record `number` changed or deleted as records maintenance does it, or the
// deletion of log line `number` undone as romaji-admin restore does it.
int Rewrite(const QString& folder, Op op, qint64 number, long long killAt) {
    const QString dataFolder = folder + u'/';
    common::IoFailure failure;
    const QByteArray opened = op == Op::Restore ? QByteArray() : results::ReadRecordBytes(dataFolder, number, failure);
    if (op != Op::Restore && opened.isEmpty()) return 6;
    KillAt(killAt);
    const auto r = op == Op::Delete   ? results::DeleteRecord(dataFolder, number, opened)
                   : op == Op::Change ? results::ChangeRecord(dataFolder, number, opened,
                                                              results::ChangedRecordBytes(opened, 4321, 4000))
                                      : results::RestoreRecord(dataFolder, number);
    const long long calls = common::IoCallCount();
    common::SetIoHook({});
    std::printf("calls %lld\n", calls);
    if (r.Outcome == results::RewriteOutcome::Failed) return 4;
    if (r.Outcome == results::RewriteOutcome::RecordsChanged || r.Outcome == results::RewriteOutcome::NotRestorable)
        return 5;
    return 0;
}

int DeleteMany(const QString& folder, int pupil, long long killAt) {
    const QString dataFolder = folder + u'/';
    KillAt(killAt);
    for (int result = 0;;) {
        results::CommittedRead read;
        common::IoFailure failure;
        if (!results::ReadCommittedResults(results::ResultsFilePathIn(dataFolder), results::RecordRange::All(), read,
                                           failure))
            return 4;
        const QByteArray bytes = read.Bytes.toByteArray();
        qint64 number = 0;
        for (qint64 k = 0; k < bytes.size() / results::kRecordSize && number == 0; ++k) {
            const auto r = results::DecodeEntry(bytes.constData() + k * results::kRecordSize);
            if (r.PupilNumber == pupil && r.Result >= result && r.Result % 2 == 0) number = k + 1;
        }
        if (number == 0) break;  // all done
        const QByteArray opened = bytes.mid((number - 1) * results::kRecordSize, results::kRecordSize);
        const auto r = results::DeleteRecord(dataFolder, number, opened);
        if (r.Outcome == results::RewriteOutcome::RecordsChanged) continue;  // another deleter came first
        if (r.Outcome != results::RewriteOutcome::Done) {
            std::fprintf(stderr, "deletion of record %lld: outcome %d\n", number, static_cast<int>(r.Outcome));
            return 4;
        }
        result = results::DecodeEntry(opened.constData()).Result + 2;
    }
    return 0;
}

// The newest state a reader has seen: how many records of each appender,
// how many of pupil 9's even results are deleted.
struct SeenState {
    std::array<int, 9> Appended{};
    int Deleted = 0;
};

// Why a list of (pupil, result) in file order is no state that existed, or
// nullptr; `seen` moves on to it.
const char* NeverExisted(const std::vector<std::pair<int, int>>& records, SeenState& seen) {
    SeenState now;
    int nextOdd = 1;
    int lastNine = -1;
    int firstEven = -1;
    for (const auto& [pupil, result] : records) {
        if (pupil >= 1 && pupil <= 8) {
            if (result != now.Appended[pupil]) return "an appender's records with a gap or twice";
            ++now.Appended[pupil];
        } else if (pupil == 9) {
            if (result <= lastNine) return "pupil 9 out of order or twice";
            lastNine = result;
            if (result % 2 == 1) {
                if (result != nextOdd) return "an odd record of pupil 9 missing";
                nextOdd += 2;
            } else if (firstEven < 0) {
                firstEven = result;
            }
        } else {
            return "a foreign record";
        }
    }
    if (nextOdd != 101) return "an odd record of pupil 9 missing at the end";
    // The even results left are firstEven, firstEven + 2, ..., 98: the ones
    // before were deleted in order.
    now.Deleted = firstEven < 0 ? 50 : firstEven / 2;
    int evens = 0;
    for (const auto& [pupil, result] : records) evens += pupil == 9 && result % 2 == 0;
    if (evens != 50 - now.Deleted) return "pupil 9's even records not the ones not yet deleted";
    for (int w = 1; w <= 8; ++w)
        if (now.Appended[w] < seen.Appended[w]) return "fewer appended records than read before";
    if (now.Deleted < seen.Deleted) return "a deleted record back again";
    seen = now;
    return nullptr;
}

int ReadCommitted(const QString& folder, const QString& stopFile) {
    common::runState().ProgramDataFolder = folder + u'/';
    SeenState seen;
    int passes = 0;
    int fromJournal = 0;
    results::CommittedRead read;
    for (;;) {
        const bool last = QFileInfo::exists(stopFile);  // one more pass after the stop
        common::IoFailure failure;
        if (!results::ReadCommittedResults(QString(), results::RecordRange::All(), read, failure)) return 2;
        fromJournal += read.FromJournal ? 1 : 0;
        std::vector<std::pair<int, int>> records;
        for (qsizetype k = 0; k < read.Bytes.size() / results::kRecordSize; ++k) {
            const auto e = results::DecodeEntry(read.Bytes.data() + k * results::kRecordSize);
            records.emplace_back(e.PupilNumber, e.Result);
        }
        if (const char* why = NeverExisted(records, seen)) {
            std::fprintf(stderr, "read %d of %zu records: %s\n", passes + 1, records.size(), why);
            return 1;
        }
        if (!GoesOn(results::LoadHistory(Caution))) return 2;
        records.clear();
        for (const results::LogEntry& e : results::stats().History) records.emplace_back(e.PupilNumber, e.Result);
        if (const char* why = NeverExisted(records, seen)) {
            std::fprintf(stderr, "history %d of %zu entries: %s\n", passes + 1, records.size(), why);
            return 1;
        }
        ++passes;
        if (last) break;
    }
    std::printf("%d passes, %d read from a journal\n", passes, fromJournal);
    return 0;
}

int DeleteAsNobody(const QString& folder, qint64 number) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 7;
    return Rewrite(folder, Op::Delete, number, 0);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    FastClockPlatform platform;
    common::SetPlatform(&platform);
    const QStringList a = app.arguments();
    if (a.size() == 5 && a[1] == u"append") return Append(a[2], a[3].toInt(), a[4].toInt());
    if (a.size() == 4 && a[1] == u"read") return Read(a[2], a[3]);
    if (a.size() == 4 && a[1] == u"hold") return Hold(a[2], a[3].toInt());
    if (a.size() == 5 && (a[1] == u"delete" || a[1] == u"change" || a[1] == u"restore"))
        return Rewrite(a[2], a[1] == u"delete" ? Op::Delete : a[1] == u"change" ? Op::Change : Op::Restore,
                       a[3].toLongLong(), a[4].toLongLong());
    if ((a.size() == 4 || a.size() == 5) && a[1] == u"deletemany")
        return DeleteMany(a[2], a[3].toInt(), a.size() == 5 ? a[4].toLongLong() : 0);
    if (a.size() == 4 && a[1] == u"readcommitted") return ReadCommitted(a[2], a[3]);
    if (a.size() == 4 && a[1] == u"delete-as-nobody") return DeleteAsNobody(a[2], a[3].toLongLong());
    if (a.size() == 3 && a[1] == u"load") return Load(a[2]);
    std::fprintf(stderr,
                 "usage: results_file_helper append|read|hold|delete|change|restore|deletemany|readcommitted|"
                 "delete-as-nobody|load ...\n");
    return 2;
}
