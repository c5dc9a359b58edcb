// Records maintenance in the core: the list lines, the checks of a change, and
// the change and deletion of records under the appenders' lock with the
// rollback journal, with faults planted through the I/O seam and processes
// killed half-way.

#include "results/recordlist.h"
#include "results/resultsfile.h"
#include "results/resultsio.h"

#include "common/dates.h"
#include "fakeplatform.h"
#include "resultsfixture.h"
#include "common/collation.h"
#include "common/runstate.h"
#include "filebytes.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

using results::kRecordSize;

void WriteAll(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(testing_support::WriteFileBytes(path, bytes)) << path.toStdString();
}

QByteArray Record(int pupil, int level, int result, const char* school = "01234",
                  QDate date = QDate(2003, 5, 12), QTime time = QTime(10, 5, 30)) {
    return testing_support::RunRecord({pupil, level, result, date, time, school});
}

// Records 1..n of pupil 9 at level 1, results 101, 102, ...
QByteArray PupilNineRecords(int n) {
    QByteArray bytes;
    for (int k = 1; k <= n; ++k) bytes += Record(9, 1, 100 + k);
    return bytes;
}

QByteArray Without(const QByteArray& bytes, qint64 number) {
    return bytes.left((number - 1) * kRecordSize) + bytes.mid(number * kRecordSize);
}

QByteArray RecordAt(const QByteArray& bytes, qint64 number) {
    return bytes.mid((number - 1) * kRecordSize, kRecordSize);
}

// Rows of the tables are named by their `name`, in failures and in test names.
template <typename Case>
    requires requires(const Case& c) { c.name; }
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}
constexpr auto kByName = [](const auto& info) { return std::string(info.param.name); };

class Records : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path() + u'/';
        common::RunState& rs = common::runState();
        rs.Reset();
        rs.ProgramTitle = QStringLiteral("ローマ字");
        rs.ProgramDataFolder = folder;
        rs.SchoolCode = QStringLiteral("01234");
        rs.CurrentPupil = 7;
        rs.CurrentLevel = 2;
        rs.ResultTime = 55;
    }
    void TearDown() override {
        results::SetIoHook({});
        common::runState().Reset();
    }
    QString File() const { return results::ResultsFilePathIn(folder); }
    QString Journal() const { return results::JournalPath(folder); }

    QTemporaryDir dir;
    QString folder;
    testing_support::FakePlatform fake;
};

// --- the list lines ---

struct LineCase {
    const char* name;
    int pupil;
    QString rosterName;  // empty: not in the roster
    QString grade;
    const char* school;
    QTime time;
    int result;
    QString line;
};

class LineLayout : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineLayout, CharacterForCharacter) {
    const LineCase& c = GetParam();
    std::vector<results::PupilChoice> roster{{c.pupil, c.rosterName, c.grade}};
    if (c.rosterName.isEmpty()) roster.clear();
    const results::PupilTables tables = results::BuildPupilTables(roster);
    const QByteArray record = Record(c.pupil, 3, c.result, c.school, QDate(2003, 5, 12), c.time);
    EXPECT_EQ(results::RecordListLine(1, 4, record.constData(), tables, QByteArray("01234"),
                                      QStringLiteral("本校"))
                  .toStdString(),
              c.line.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Records, LineLayout,
    ::testing::Values(
        LineCase{"OwnClassroom", 12, QStringLiteral("山田太郎"), QStringLiteral("小３"), "01234", QTime(10, 5, 30),
                 61, QStringLiteral("   1 2003/05/12　 10:05:30ﾚﾍﾞﾙ3　   61秒 　  12 山田太郎　　 小３++本校")},
        LineCase{"OtherSchoolBeforeTen", 12, QStringLiteral("山田太郎"), QStringLiteral("小３"), "99999",
                 QTime(9, 5, 3), 61,
                 QStringLiteral("   1 2003/05/12　  9:05:03ﾚﾍﾞﾙ3　   61秒 　  12 山田太郎　　 小３++他塾")},
        LineCase{"NameShorterThanSix", 4000, QStringLiteral("林"), QStringLiteral("中１"), "01234",
                 QTime(10, 5, 30), 5,
                 QStringLiteral("   1 2003/05/12　 10:05:30ﾚﾍﾞﾙ3　    5秒 　4000 林　　　　　 中１++本校")},
        LineCase{"NameLongerThanSix", 7, QStringLiteral("長谷川ひなたさん"), QStringLiteral("高１"), "01234",
                 QTime(10, 5, 30), 99999,
                 QStringLiteral("   1 2003/05/12　 10:05:30ﾚﾍﾞﾙ3　99999秒 　   7 長谷川ひなた 高１++本校")},
        LineCase{"PupilWithoutGradeLabel", 7, QStringLiteral("佐藤"), QString(), "01234", QTime(10, 5, 30), 61,
                 QStringLiteral("   1 2003/05/12　 10:05:30ﾚﾍﾞﾙ3　   61秒 　   7 佐藤　　　　 ++本校")},
        // Five ideographic spaces only: Left(name & five spaces, 6) of no name.
        LineCase{"PupilNotInTheRoster", 7, QString(), QString(), "01234", QTime(10, 5, 30), 61,
                 QStringLiteral("   1 2003/05/12　 10:05:30ﾚﾍﾞﾙ3　   61秒 　   7 　　　　　 ++本校")}),
    kByName);

struct CountCase {
    const char* name;
    qint64 bytes;
    QString text;
};
class CountLabel : public ::testing::TestWithParam<CountCase> {};

TEST_P(CountLabel, PlainNumberOrFraction) {
    EXPECT_EQ(results::RecordCountText(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Records, CountLabel,
                         ::testing::Values(CountCase{"Empty", 0, QStringLiteral("総レコード数:0")},
                                           CountCase{"WholeRecords", 5280, QStringLiteral("総レコード数:120")},
                                           CountCase{"PartialTail", 5281,
                                                     QStringLiteral("総レコード数:120.022727272727")}),
                         kByName);

TEST(RecordList, LevelZeroStaysUnlistedAndEveryLineKeepsItsRecordNumber) {
    const QByteArray bytes = Record(1, 1, 10) + Record(2, 0, 20) + Record(3, 2, 30) + Record(4, 0, 40) +
                             Record(5, 3, 50) + QByteArray(20, 'x');
    const results::RecordList list = results::BuildRecordList(bytes, {}, QStringLiteral("01234"), QString());
    ASSERT_EQ(list.Lines.size(), 3u);
    EXPECT_EQ(list.Lines[0].Number, 1);
    EXPECT_EQ(list.Lines[1].Number, 3);
    EXPECT_EQ(list.Lines[2].Number, 5);
    EXPECT_TRUE(list.Lines[2].Text.startsWith(QStringLiteral("   5 ")));
    EXPECT_EQ(list.CountText, QStringLiteral("総レコード数:5.45454545454545"));
}

TEST(RecordList, BeyondFourDigitsTheNumberFieldWidensAndTextOrderStaysFileOrder) {
    QByteArray bytes;
    for (int k = 0; k < 10000; ++k) bytes += Record(k % 50, 1 + k % 15, k % 700);
    const results::RecordList list = results::BuildRecordList(bytes, {}, QStringLiteral("01234"), QString());
    ASSERT_EQ(list.Lines.size(), 10000u);
    EXPECT_TRUE(list.Lines[0].Text.startsWith(QStringLiteral("    1 2003/05/12")));
    EXPECT_TRUE(list.Lines[9999].Text.startsWith(QStringLiteral("10000 2003/05/12")));
    QStringList texts;
    for (const auto& line : list.Lines) texts << line.Text;
    QStringList sorted = texts;
    common::SortAscending(sorted);
    EXPECT_EQ(sorted, texts);

    // Up to 9999 records the field is the described four characters.
    const auto small = results::BuildRecordList(bytes.left(9999 * kRecordSize), {}, QString(), QString());
    EXPECT_TRUE(small.Lines[9998].Text.startsWith(QStringLiteral("9999 2003/05/12")));
}

TEST(PupilChoices, ItemsInRosterOrderAndTablesByNumber) {
    const auto t = results::BuildPupilTables(
        {{12, QStringLiteral("山田"), QStringLiteral("小３")}, {3, QStringLiteral("林"), QString()},
         {6000, QStringLiteral("範囲外"), QString()}});
    EXPECT_EQ(t.Choices, QStringList({QStringLiteral("12 /  山田"), QStringLiteral("3 /  林")}));
    EXPECT_EQ(t.Name[12], QStringLiteral("山田"));
    EXPECT_EQ(t.GradeLabel[12], QStringLiteral("小３"));
    EXPECT_TRUE(t.GradeLabel[3].isEmpty());
}

// --- the checks of a change ---

struct InputCase {
    const char* name;
    QString result;
    QString pupil;
    bool ok;
    int writtenResult;
    int writtenPupil;
};
class ChangeInput : public ::testing::TestWithParam<InputCase> {};

TEST_P(ChangeInput, RoundedHalvesToEvenAndWrittenOnlyInRange) {
    const InputCase& c = GetParam();
    const results::ChangeInput in = results::CheckChange(c.result, c.pupil);
    EXPECT_EQ(in.Problem.isEmpty(), c.ok) << in.Problem.toStdString();
    if (c.ok) {
        EXPECT_EQ(in.Result, c.writtenResult);
        EXPECT_EQ(in.Pupil, c.writtenPupil);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Records, ChangeInput,
    ::testing::Values(
        InputCase{"Plain", QStringLiteral("61"), QStringLiteral("12 /  山田"), true, 61, 12},
        InputCase{"TimeOutValue", QStringLiteral("99999"), QStringLiteral("0 /  "), true, 99999, 0},
        InputCase{"LargestPupil", QStringLiteral(" 0 "), QStringLiteral("5000"), true, 0, 5000},
        InputCase{"PupilHalfRoundsToEven", QStringLiteral("7"), QStringLiteral("12.5 / x"), true, 7, 12},
        InputCase{"ResultHalfRoundsUpToEven", QStringLiteral("61.5"), QStringLiteral("12 /  山田"), true, 62, 12},
        InputCase{"ResultHalfRoundsDownToEven", QStringLiteral("62.5"), QStringLiteral("12 /  山田"), true, 62, 12},
        InputCase{"ResultFractionToNearest", QStringLiteral("61.7"), QStringLiteral("12 /  山田"), true, 62, 12},
        InputCase{"ResultRoundedToZero", QStringLiteral("-0.5"), QStringLiteral("12 /  山田"), true, 0, 12},
        InputCase{"ResultRoundedToTheLargest", QStringLiteral("99999.4"), QStringLiteral("12"), true, 99999, 12},
        InputCase{"ResultNegative", QStringLiteral("-1"), QStringLiteral("12 /  山田"), false, 0, 0},
        InputCase{"ResultRoundedBelowZero", QStringLiteral("-0.6"), QStringLiteral("12 /  山田"), false, 0, 0},
        InputCase{"ResultTooLarge", QStringLiteral("100000"), QStringLiteral("12 /  山田"), false, 0, 0},
        InputCase{"ResultRoundedAboveTheLargest", QStringLiteral("99999.5"), QStringLiteral("12"), false, 0, 0},
        InputCase{"ResultNotANumber", QStringLiteral("6l"), QStringLiteral("12 /  山田"), false, 0, 0},
        InputCase{"ResultEmpty", QString(), QStringLiteral("12 /  山田"), false, 0, 0},
        InputCase{"PupilTooLarge", QStringLiteral("61"), QStringLiteral("5001 /  x"), false, 0, 0},
        InputCase{"PupilNegative", QStringLiteral("61"), QStringLiteral("-3 /  x"), false, 0, 0},
        InputCase{"PupilHuge", QStringLiteral("61"), QStringLiteral("1e300"), false, 0, 0},
        InputCase{"PupilNotANumber", QStringLiteral("61"), QStringLiteral("山田 / 12"), false, 0, 0}),
    kByName);

// --- change and deletion ---

struct DeleteCase {
    const char* name;
    qint64 number;
};
class Deletion : public Records, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(Deletion, KeepsEveryOtherRecordByteForByteInOrder) {
    const QByteArray before = PupilNineRecords(5);
    WriteAll(File(), before + QByteArray(30, 'x'));  // a partial tail of a crashed append
    const auto r = results::DeleteRecord(folder, GetParam().number, RecordAt(before, GetParam().number));
    EXPECT_EQ(r.Outcome, results::RewriteOutcome::Done);
    EXPECT_EQ(testing_support::FileBytes(File()), Without(before, GetParam().number));
    EXPECT_FALSE(results::JournalLeft(folder));
    EXPECT_FALSE(QFile::exists(Journal() + QStringLiteral(".part")));
}

INSTANTIATE_TEST_SUITE_P(Records, Deletion,
                         ::testing::Values(DeleteCase{"First", 1}, DeleteCase{"Middle", 3}, DeleteCase{"Last", 5}),
                         kByName);

TEST_F(Records, WithLevelZeroRecordsTheListedNumberIsWhatChangesAndDeletes) {
    const QByteArray before = Record(1, 1, 10) + Record(2, 0, 20) + Record(3, 2, 30) + Record(4, 0, 40) +
                              Record(5, 3, 50);
    WriteAll(File(), before);
    QByteArray bytes;
    results::IoFailure failure;
    ASSERT_TRUE(results::ReadResultsBytes(folder, bytes, failure));
    const auto list = results::BuildRecordList(bytes, {}, QStringLiteral("01234"), QString());
    ASSERT_EQ(list.Lines.size(), 3u);

    // The third line is record 5 (by position it would be record 3).
    const qint64 last = list.Lines[2].Number;
    const QByteArray opened = results::ReadRecordBytes(folder, last, failure);
    ASSERT_EQ(opened, RecordAt(before, 5));
    const QByteArray changed = results::ChangedRecordBytes(opened, 4321, 4000);
    ASSERT_EQ(results::ChangeRecord(folder, last, opened, changed).Outcome, results::RewriteOutcome::Done);
    QByteArray expected = before.left(4 * kRecordSize) + changed;
    EXPECT_EQ(testing_support::FileBytes(File()), expected);
    const auto r = results::DecodeRecord(changed.constData());
    EXPECT_EQ(r.Result, 4321);
    EXPECT_EQ(r.PupilNumber, 4000);
    EXPECT_EQ(changed.left(16), opened.left(16));  // date and time as read
    EXPECT_EQ(changed.mid(18, 2), opened.mid(18, 2));  // level
    EXPECT_EQ(changed.mid(24), opened.mid(24));  // the texts

    // The second line is record 3.
    const qint64 second = list.Lines[1].Number;
    ASSERT_EQ(results::DeleteRecord(folder, second, RecordAt(before, 3)).Outcome, results::RewriteOutcome::Done);
    EXPECT_EQ(testing_support::FileBytes(File()), Without(expected, 3));
}

TEST_F(Records, ARecordNoLongerTheOneOpenedIsNeitherChangedNorDeleted) {
    const QByteArray before = PupilNineRecords(4);
    WriteAll(File(), before);
    const QByteArray opened = RecordAt(before, 3);
    // Another PC deleted record 1 meanwhile: record 3 is now what was record 4.
    ASSERT_EQ(results::DeleteRecord(folder, 1, RecordAt(before, 1)).Outcome, results::RewriteOutcome::Done);
    const QByteArray now = testing_support::FileBytes(File());

    EXPECT_EQ(results::ChangeRecord(folder, 3, opened, results::ChangedRecordBytes(opened, 1, 1)).Outcome,
              results::RewriteOutcome::RecordsChanged);
    EXPECT_EQ(results::DeleteRecord(folder, 3, opened).Outcome, results::RewriteOutcome::RecordsChanged);
    EXPECT_EQ(results::DeleteRecord(folder, 4, opened).Outcome, results::RewriteOutcome::RecordsChanged);
    EXPECT_EQ(testing_support::FileBytes(File()), now);
    EXPECT_FALSE(results::JournalLeft(folder));
}

TEST_F(Records, AJournalLeftBehindIsPutBackBeforeTheNextAppendAndBeforeListing) {
    const QByteArray old = PupilNineRecords(4);
    // A deletion of record 1 died half-way: records moved up, not yet cut.
    const QByteArray mix = old.mid(kRecordSize) + RecordAt(old, 4);
    WriteAll(File(), mix);
    WriteAll(Journal(), old);
    ASSERT_TRUE(results::JournalLeft(folder));

    ASSERT_TRUE(results::AppendResult());
    const QByteArray after = testing_support::FileBytes(File());
    ASSERT_EQ(after.size(), 5 * kRecordSize);
    EXPECT_EQ(after.left(4 * kRecordSize), old);
    EXPECT_EQ(results::DecodeRecord(after.constData() + 4 * kRecordSize).PupilNumber, 7);
    EXPECT_FALSE(results::JournalLeft(folder));

    // Listing finds it too, and restores before it reads.
    WriteAll(File(), mix);
    WriteAll(Journal(), old);
    QByteArray bytes;
    results::IoFailure failure;
    ASSERT_TRUE(results::ReadResultsBytes(folder, bytes, failure));
    EXPECT_EQ(bytes, old);
    EXPECT_FALSE(results::JournalLeft(folder));
    EXPECT_EQ(fake.endCount, 0);
}

// --- faults planted through the I/O seam ---

// A hook that fails the nth call of one kind (every one from the nth on when
// `every`) with `error`, or lets a pwrite write only `shortTo` bytes.
struct Fault {
    results::IoCall call = results::IoCall::Pwrite;
    int nth = 1;
    int error = EIO;
    bool every = false;
    long long shortTo = -1;  // >= 0: a short pwrite instead of an error
};

struct Seen {
    int ofKind = 0;
    int looped = 0;
};

results::IoHook FaultHook(const Fault& f, Seen& seen) {
    return [f, &seen](results::IoCall call, long long, const QByteArray&, std::size_t& bytes) {
        if (call != f.call) return 0;
        ++seen.ofKind;
        if (seen.ofKind > 100) return ++seen.looped, ENOSPC;  // a loop without end: stop it
        if (seen.ofKind == f.nth || (f.every && seen.ofKind > f.nth)) {
            if (f.shortTo < 0) return f.error;
            bytes = std::min<std::size_t>(bytes, static_cast<std::size_t>(f.shortTo));
        }
        return 0;
    };
}

struct AppendFaultCase {
    const char* name;
    Fault fault;
    bool appended;
    const char* logged;  // the line on stderr, or nullptr
};
class AppendFault : public Records, public ::testing::WithParamInterface<AppendFaultCase> {};

TEST_P(AppendFault, IsReportedAndLeavesNoHalfRecord) {
    const AppendFaultCase& c = GetParam();
    const QByteArray before = PupilNineRecords(2);
    WriteAll(File(), before);
    Seen seen;
    results::SetIoHook(FaultHook(c.fault, seen));
    testing::internal::CaptureStderr();
    const bool ok = results::AppendResult();
    const std::string err = testing::internal::GetCapturedStderr();
    results::SetIoHook({});

    EXPECT_EQ(seen.looped, 0) << "the append went on writing without progress";
    EXPECT_EQ(ok, c.appended);
    const QByteArray after = testing_support::FileBytes(File());
    EXPECT_EQ(after.left(before.size()), before);
    if (c.appended) {
        ASSERT_EQ(after.size(), before.size() + kRecordSize);
        EXPECT_EQ(results::DecodeRecord(after.constData() + before.size()).Result, 55);
        EXPECT_TRUE(fake.messages.isEmpty());
        EXPECT_EQ(err, "");
    } else {
        EXPECT_LE(after.size(), before.size() + kRecordSize);
        ASSERT_EQ(fake.messages.size(), 1);
        EXPECT_TRUE(fake.messages[0].text.startsWith(QStringLiteral("成績ランダムファイル記録")));
        EXPECT_EQ(fake.endCount, 1);
        const std::string line = std::string("results file: ") + c.logged + " failed, errno ";
        EXPECT_EQ(err.rfind(line, 0), 0u) << err;
        EXPECT_NE(err.find(QFile::encodeName(folder).toStdString()), std::string::npos) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Records, AppendFault,
    ::testing::Values(
        // The flush is what makes the record safe before other PCs see it.
        AppendFaultCase{"FlushFails", {results::IoCall::Fdatasync, 1, EIO}, false, "fdatasync"},
        AppendFaultCase{"WriteFails", {results::IoCall::Pwrite, 1, ENOSPC}, false, "pwrite"},
        AppendFaultCase{"WritesMakeNoProgress", {results::IoCall::Pwrite, 1, 0, true, 0}, false, "pwrite"},
        AppendFaultCase{"ShortWriteGoesOnWithTheRest", {results::IoCall::Pwrite, 1, 0, false, 10}, true, nullptr},
        AppendFaultCase{"EveryWriteShort", {results::IoCall::Pwrite, 1, 0, true, 7}, true, nullptr},
        AppendFaultCase{"LengthUnknown", {results::IoCall::Fstat, 1, EIO}, false, "fstat"},
        // Whether a journal lies beside the file cannot be told.
        AppendFaultCase{"JournalLookFails", {results::IoCall::Open, 2, EIO}, false, "open"}),
    kByName);

enum class Op { Delete, Change };

struct RewriteCase {
    const char* name;
    Op op;
    qint64 number;
};
class Rewrite : public Records, public ::testing::WithParamInterface<RewriteCase> {
protected:
    QByteArray Expected(const QByteArray& before) const {
        const RewriteCase& c = GetParam();
        if (c.op == Op::Delete) return Without(before, c.number);
        QByteArray after = before;
        after.replace((c.number - 1) * kRecordSize, kRecordSize, Changed(before));
        return after;
    }
    QByteArray Changed(const QByteArray& before) const {
        return results::ChangedRecordBytes(RecordAt(before, GetParam().number), 4321, 4000);
    }
    using Trace = std::vector<std::pair<results::IoCall, QByteArray>>;
    // The file set to `before`, then the operation without faults, with
    // every call it made and the path of each.
    Trace TracedRun(const QByteArray& before) {
        WriteAll(File(), before);
        Trace calls;
        results::SetIoHook([&](results::IoCall call, long long, const QByteArray& path, std::size_t&) {
            calls.emplace_back(call, path);
            return 0;
        });
        EXPECT_EQ(Run(before).Outcome, results::RewriteOutcome::Done);
        results::SetIoHook({});
        return calls;
    }
    results::RewriteResult Run(const QByteArray& before) {
        const RewriteCase& c = GetParam();
        const QByteArray opened = RecordAt(before, c.number);
        return c.op == Op::Delete ? results::DeleteRecord(folder, c.number, opened)
                                  : results::ChangeRecord(folder, c.number, opened, Changed(before));
    }
};

// Every system call of the operation made to fail in turn: the failure is
// reported with its line on stderr, and once the next lock holder has run the
// file is the old content or (a failure after the commit) the new, whole.
TEST_P(Rewrite, AFailureAtEveryCallLeavesTheFileWhole) {
    const QByteArray before = PupilNineRecords(6);
    const QByteArray after = Expected(before);
    // A run without faults: its calls, and where the journal goes away.
    const Trace calls = TracedRun(before);
    ASSERT_EQ(testing_support::FileBytes(File()), after);
    const QByteArray journal = QFile::encodeName(Journal());
    size_t committed = 0;  // the call that removes the journal: from its success on, the new content
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i].first == results::IoCall::Unlink && calls[i].second == journal) committed = i + 1;
    ASSERT_GT(committed, 0u);

    for (size_t n = 1; n <= calls.size(); ++n) {
        SCOPED_TRACE(testing::Message() << "call " << n << " " << results::IoCallName(calls[n - 1].first));
        WriteAll(File(), before);
        results::SetIoHook([n](results::IoCall, long long k, const QByteArray&, std::size_t&) {
            return k == static_cast<long long>(n) ? EIO : 0;
        });
        testing::internal::CaptureStderr();
        const results::RewriteResult r = Run(before);
        const std::string err = testing::internal::GetCapturedStderr();
        results::SetIoHook({});
        ASSERT_TRUE(results::RecoverResultsFile(folder).Error == 0);
        const QByteArray now = testing_support::FileBytes(File());
        if (r.Outcome == results::RewriteOutcome::Done) {
            // Only the unlock may fail unnoticed: the close drops the lock.
            EXPECT_EQ(calls[n - 1].first, results::IoCall::Fcntl);
            EXPECT_EQ(now, after);
            continue;
        }
        ASSERT_EQ(r.Outcome, results::RewriteOutcome::Failed);
        EXPECT_EQ(r.Failure.Error, EIO);
        EXPECT_EQ(now, n <= committed ? before : after);
        EXPECT_FALSE(results::JournalLeft(folder));
        const std::string line = std::string("results file: ") + results::IoCallName(calls[n - 1].first) +
                                 " failed, errno 5 (";
        EXPECT_EQ(err.rfind(line, 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
}

// The order that makes the journal work: a journal on disk before the file
// changes, the file on disk before the journal goes, and the journal's removal
// on disk before the lock is given up.
TEST_P(Rewrite, FlushesComeBeforeWhatReliesOnThem) {
    const Trace calls = TracedRun(PupilNineRecords(6));
    using C = results::IoCall;
    const QByteArray file = QFile::encodeName(File());
    const QByteArray journal = QFile::encodeName(Journal());
    const QByteArray scratch = journal + ".part";
    const QByteArray dirName = QFile::encodeName(folder);
    auto first = [&](C call, const QByteArray& path, size_t from = 0) {
        for (size_t i = from; i < calls.size(); ++i)
            if (calls[i].first == call && calls[i].second == path) return i;
        return calls.size();
    };
    auto last = [&](C call, const QByteArray& path) {  // 0 when there is none
        size_t at = 0;
        for (size_t i = 0; i < calls.size(); ++i)
            if (calls[i].first == call && calls[i].second == path) at = i;
        return at;
    };
    const size_t end = calls.size();
    const size_t rename = first(C::Rename, journal);
    const size_t firstFileWrite = std::min(first(C::Pwrite, file), first(C::Ftruncate, file));
    const size_t unlink = first(C::Unlink, journal);
    ASSERT_LT(rename, end);
    ASSERT_LT(firstFileWrite, end);
    ASSERT_LT(unlink, end);
    // The journal's bytes are flushed before it takes its name, and the name
    // is flushed before the file changes.
    const size_t scratchSync = first(C::Fdatasync, scratch, last(C::Pwrite, scratch));
    EXPECT_LT(scratchSync, rename);
    const size_t nameSync = first(C::Fsync, dirName, rename);
    EXPECT_LT(nameSync, firstFileWrite);
    // The file is flushed after its last change and before the journal goes.
    const size_t lastChange = std::max(last(C::Pwrite, file), last(C::Ftruncate, file));
    ASSERT_GE(lastChange, firstFileWrite);
    const size_t fileSync = first(C::Fdatasync, file, lastChange);
    EXPECT_LT(fileSync, unlink);
    // The removal is flushed before the lock is given up.
    const size_t removalSync = first(C::Fsync, dirName, unlink);
    EXPECT_LT(removalSync, last(C::Fcntl, file));
}

INSTANTIATE_TEST_SUITE_P(Records, Rewrite,
                         ::testing::Values(RewriteCase{"DeleteFirst", Op::Delete, 1},
                                           RewriteCase{"DeleteLast", Op::Delete, 6},
                                           RewriteCase{"ChangeMiddle", Op::Change, 4}),
                         kByName);

TEST_F(Records, TheAppendFlushesItsRecordBeforeItUnlocks) {
    std::vector<results::IoCall> calls;
    results::SetIoHook([&](results::IoCall call, long long, const QByteArray&, std::size_t&) {
        calls.push_back(call);
        return 0;
    });
    ASSERT_TRUE(results::AppendResult());
    results::SetIoHook({});
    const auto write = std::find(calls.begin(), calls.end(), results::IoCall::Pwrite);
    const auto sync = std::find(write, calls.end(), results::IoCall::Fdatasync);
    const auto unlock = std::find(sync, calls.end(), results::IoCall::Fcntl);
    EXPECT_NE(write, calls.end());
    EXPECT_NE(sync, calls.end());
    EXPECT_NE(unlock, calls.end());
}

// --- other processes ---

const QString kHelper = QStringLiteral(RESULTS_FILE_HELPER);

struct KillCase {
    const char* name;
    const char* op;
    qint64 number;
};
class KilledHalfWay : public Records, public ::testing::WithParamInterface<KillCase> {};

// The operation in another process, killed with SIGKILL before each of its
// system calls in turn (a write half done when the kill follows it), then one
// append from a third process: the file is old or new, whole, with the
// appended record after it, and no journal is left.
TEST_P(KilledHalfWay, LeavesOldOrNewWholeAndTheNextAppendFollows) {
    const KillCase& c = GetParam();
    const QByteArray before = PupilNineRecords(5);
    QByteArray after;
    if (QByteArray(c.op) == "delete") {
        after = Without(before, c.number);
    } else {
        after = before;
        after.replace((c.number - 1) * kRecordSize, kRecordSize,
                      results::ChangedRecordBytes(RecordAt(before, c.number), 4321, 4000));
    }
    int kills = 0;
    for (int at = 1;; ++at) {
        SCOPED_TRACE(testing::Message() << "killed before call " << at);
        WriteAll(File(), before);
        QProcess p;
        p.start(kHelper, {QString::fromLatin1(c.op), dir.path(), QString::number(c.number), QString::number(at)});
        ASSERT_TRUE(p.waitForFinished(60000));
        const bool killed = p.exitStatus() == QProcess::CrashExit;
        if (!killed) {
            ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
            EXPECT_EQ(testing_support::FileBytes(File()), after);
            break;
        }
        ++kills;
        const QByteArray left = testing_support::FileBytes(File());
        const bool journalLeft = results::JournalLeft(folder);

        QProcess append;
        append.start(kHelper, {QStringLiteral("append"), dir.path(), QStringLiteral("7"), QStringLiteral("1")});
        ASSERT_TRUE(append.waitForFinished(60000));
        ASSERT_EQ(append.exitCode(), 0) << append.readAllStandardError().toStdString();
        const QByteArray now = testing_support::FileBytes(File());
        ASSERT_FALSE(results::JournalLeft(folder));
        ASSERT_GE(now.size(), kRecordSize);
        const QByteArray body = now.left(now.size() - kRecordSize);
        EXPECT_TRUE(body == before || body == after)
            << "left " << left.size() << " bytes, journal " << journalLeft << ", now " << now.size();
        const auto appended = results::DecodeRecord(now.constData() + now.size() - kRecordSize);
        EXPECT_EQ(appended.PupilNumber, 7);
        EXPECT_EQ(appended.Result, 0);
        ASSERT_LT(at, 200) << "the operation never ended";
    }
    EXPECT_GT(kills, 10);
}

INSTANTIATE_TEST_SUITE_P(Records, KilledHalfWay,
                         ::testing::Values(KillCase{"DeleteFirst", "delete", 1},
                                           KillCase{"DeleteLast", "delete", 5},
                                           KillCase{"ChangeMiddle", "change", 3}),
                         kByName);

TEST_F(Records, EightProcessesAppendWhileAnotherDeletesFiftyRecordsOneByOne) {
    // Pupil 9's records with results 0..99; the even ones are deleted.
    QByteArray start;
    for (int k = 0; k < 100; ++k) start += Record(9, 1, k);
    WriteAll(File(), start);

    constexpr int kWriters = 8;
    constexpr int kEach = 100;
    QProcess deleter;
    deleter.start(kHelper, {QStringLiteral("deletemany"), dir.path(), QStringLiteral("9")});
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int w = 1; w <= kWriters; ++w) {
        auto p = std::make_unique<QProcess>();
        p->start(kHelper, {QStringLiteral("append"), dir.path(), QString::number(w), QString::number(kEach)});
        writers.push_back(std::move(p));
    }
    for (auto& p : writers) {
        ASSERT_TRUE(p->waitForFinished(240000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    ASSERT_TRUE(deleter.waitForFinished(240000));
    ASSERT_EQ(deleter.exitCode(), 0) << deleter.readAllStandardError().toStdString();

    const QByteArray bytes = testing_support::FileBytes(File());
    ASSERT_EQ(bytes.size() % kRecordSize, 0);
    QMap<int, int> seen;  // pupil * 1000 + result -> times
    for (qint64 k = 0; k < bytes.size() / kRecordSize; ++k) {
        const auto r = results::DecodeRecord(bytes.constData() + k * kRecordSize);
        ++seen[r.PupilNumber * 1000 + r.Result];
    }
    for (int w = 1; w <= kWriters; ++w)
        for (int i = 0; i < kEach; ++i) EXPECT_EQ(seen.value(w * 1000 + i), 1) << "pupil " << w << " result " << i;
    for (int k = 0; k < 100; ++k) EXPECT_EQ(seen.value(9000 + k), k % 2 == 0 ? 0 : 1) << "result " << k;
    EXPECT_EQ(bytes.size() / kRecordSize, kWriters * kEach + 50);
    EXPECT_FALSE(results::JournalLeft(folder));
}

TEST_F(Records, ADeletionInAReadOnlyFolderSaysWhyAndChangesNothing) {
    const QByteArray before = PupilNineRecords(3);
    WriteAll(File(), before);
    // Readable by all, writable by its owner only: another user (the helper
    // drops to one when run as root) cannot make the journal here.
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), ::geteuid() == 0 ? 0755 : 0555), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(File()).constData(), 0666), 0);
    QProcess p;
    p.start(kHelper, {QStringLiteral("delete-as-nobody"), dir.path(), QStringLiteral("2")});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    EXPECT_EQ(p.exitCode(), 4) << err.toStdString();
    EXPECT_TRUE(err.startsWith(QStringLiteral("results file: open failed, errno 13 (")) &&
                err.contains(results::JournalPath(folder)))
        << err.toStdString();
    EXPECT_EQ(testing_support::FileBytes(File()), before);
    EXPECT_FALSE(results::JournalLeft(folder));
}

}  // namespace
