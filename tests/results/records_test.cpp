// Records maintenance in the core: the list lines, the checks of a change, and
// the change and deletion of records under the appenders' lock with the
// rollback journal, with faults planted through the I/O seam and processes
// killed half-way.

#include "core/results/changelog.h"
#include "core/results/frequency.h"
#include "core/results/journal.h"
#include "core/results/recordlist.h"
#include "core/results/resultsfile.h"
#include "core/common/fileio.h"
#include "core/results/statistics.h"
#include "core/views/runlistings.h"

#include "core/common/dates.h"
#include "fakeplatform.h"
#include "schoolbuilder.h"
#include "core/common/collation.h"
#include "core/common/runstate.h"
#include "core/common/textfile.h"
#include "filebytes.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <numeric>
#include <random>
#include <thread>

#include <sys/stat.h>

namespace {

using results::kRecordSize;

void WriteAll(const QString& path, const QByteArray& bytes) {
    ASSERT_TRUE(testing_support::WriteFileBytes(path, bytes)) << path.toStdString();
}

QByteArray Record(int pupil, int level, int result, const char* school = "01234",
                  QDate date = QDate(2003, 5, 12), QTime time = QTime(10, 5, 30)) {
    return school::RecordBytes(school::Run{pupil, level, result, date, time, school});
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
        common::SetIoHook({});
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
    const results::RecordLines list = results::BuildRecordList(bytes, {}, QStringLiteral("01234"), QString());
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list.Number(0), 1);
    EXPECT_EQ(list.Number(1), 3);
    EXPECT_EQ(list.Number(2), 5);
    EXPECT_TRUE(list.Line(2).startsWith(QStringLiteral("   5 ")));
    EXPECT_EQ(list.CountText(), QStringLiteral("総レコード数:5.45454545454545"));
}

TEST(RecordList, BeyondFourDigitsTheNumberFieldWidensAndTextOrderStaysFileOrder) {
    QByteArray bytes;
    for (int k = 0; k < 10000; ++k) bytes += Record(k % 50, 1 + k % 15, k % 700);
    const results::RecordLines list = results::BuildRecordList(bytes, {}, QStringLiteral("01234"), QString());
    ASSERT_EQ(list.size(), 10000);
    EXPECT_TRUE(list.Line(0).startsWith(QStringLiteral("    1 2003/05/12")));
    EXPECT_TRUE(list.Line(9999).startsWith(QStringLiteral("10000 2003/05/12")));
    QStringList texts;
    for (qsizetype i = 0; i < list.size(); ++i) texts << list.Line(i);
    QStringList sorted = texts;
    common::SortAscending(sorted);
    EXPECT_EQ(sorted, texts);

    // Up to 9999 records the field is the described four characters.
    const auto small = results::BuildRecordList(QByteArrayView(bytes).first(9999 * kRecordSize), {}, QString(), QString());
    EXPECT_TRUE(small.Line(9998).startsWith(QStringLiteral("9999 2003/05/12")));
}

// A width for each character unlike any font's, so that which line is the
// widest depends on every character of every field.
class OddAdvances final : public common::CharAdvances {
public:
    explicit OddAdvances(int factor) : factor_(factor) {}

protected:
    int Measure(QChar c) const override { return int(c.unicode() * factor_ % 17) + 1; }

private:
    int factor_;
};

TEST(RecordList, TheWidestLineIsTheWidestOfTheLinesAsWritten) {
    const auto tables = std::make_shared<const results::PupilTables>(results::BuildPupilTables(
        {{1, QStringLiteral("林"), QString()}, {2, QStringLiteral("長谷川由紀子さん"), QStringLiteral("高３")},
         {3, QStringLiteral("ｱｲｳｴｵ"), QStringLiteral("小１")}, {40, QStringLiteral("森"), QStringLiteral("中２")}}));
    QByteArray bytes;
    const int pupils[] = {1, 2, 3, 40, 77, -3};
    for (int k = 0; k < 60; ++k)
        bytes += Record(pupils[k % 6], 1 + k % 15, k * 97 % 100000, k % 4 ? "01234" : "55555",
                        QDate(2003, 5, 12).addDays(k / 7 + (k % 11 == 0 ? 400 : 0)), QTime(k % 24, k % 60, k % 7));
    // A time with a day part is written with its date, and a NaN as a time.
    const double withDay = 38000.5, notANumber = std::nan("");
    std::memcpy(bytes.data() + 5 * kRecordSize + 8, &withDay, 8);
    std::memcpy(bytes.data() + 6 * kRecordSize + 8, &notANumber, 8);
    const results::RecordLines list =
        results::BuildRecordList(bytes, tables, QStringLiteral("01234"), QStringLiteral("本校"));
    for (const int factor : {1, 3, 5, 7, 11, 13}) {
        OddAdvances advance(factor);
        qsizetype widest = -1;
        long long best = -1;
        for (qsizetype i = 0; i < list.size(); ++i) {
            common::WidthSum width{advance};
            width += list.Line(i);
            if (width.Width > best) best = width.Width, widest = i;
        }
        EXPECT_EQ(list.Widest(advance), widest) << "factor " << factor;
    }
    OddAdvances any(1);
    EXPECT_EQ(results::BuildRecordList({}, tables, QString(), QString()).Widest(any), -1);
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
    results::CommittedRead read;
    common::IoFailure failure;
    ASSERT_TRUE(results::ReadCommittedResults(File(), results::RecordRange::All(), read, failure));
    const auto list = results::BuildRecordList(read.Bytes, {}, QStringLiteral("01234"), QString());
    ASSERT_EQ(list.size(), 3);

    // The third line is record 5 (by position it would be record 3).
    const qint64 last = list.Number(2);
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
    const qint64 second = list.Number(1);
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

// The maintenance log holds what puts every record back byte for byte: the
// exact 44 bytes before and after, with who and where.
TEST_F(Records, TheLogHoldsTheExactBytesOfEveryChangeAndDeletion) {
    const QByteArray five = PupilNineRecords(5);
    WriteAll(File(), five);
    common::runState().CurrentPupilName = QStringLiteral("先生　　");
    const QByteArray changed = results::ChangedRecordBytes(RecordAt(five, 2), 77, 12);
    ASSERT_EQ(results::ChangeRecord(folder, 2, RecordAt(five, 2), changed).Outcome, results::RewriteOutcome::Done);
    ASSERT_EQ(results::DeleteRecord(folder, 4, RecordAt(five, 4)).Outcome, results::RewriteOutcome::Done);

    std::vector<results::ChangeLogEntry> log;
    common::IoFailure failure;
    ASSERT_TRUE(results::ReadChangeLog(folder, log, failure));
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].Op, results::LogOp::Change);
    EXPECT_EQ(log[0].Number, 2);
    EXPECT_EQ(log[0].Old, RecordAt(five, 2));
    EXPECT_EQ(log[0].New, changed);
    EXPECT_EQ(log[0].Name, QStringLiteral("先生"));
    EXPECT_EQ(log[1].Op, results::LogOp::Delete);
    EXPECT_EQ(log[1].Number, 4);
    EXPECT_EQ(log[1].Old, RecordAt(five, 4));
    EXPECT_TRUE(log[1].New.isEmpty());
    EXPECT_EQ(log[0].Nonce.size(), 2 * results::kJournalNonceSize);
    EXPECT_NE(log[0].Nonce, log[1].Nonce);
    const QByteArray bytes = testing_support::FileBytes(results::ChangeLogPath(folder));
    EXPECT_EQ(bytes.count("\r\n"), 2);
    EXPECT_TRUE(common::FromShiftJis(bytes).contains(QStringLiteral("\"先生\",\"消去\",4,")));
}

// --- what bears the journal's name ---

// A journal as a rewrite writes it: header and the whole file before it.
QByteArray JournalOf(const QByteArray& content, results::JournalOp op, qint64 number) {
    results::JournalHeader h;
    h.Op = op;
    h.RecordNumber = number;
    h.Nonce = results::NewJournalNonce();
    return results::JournalHeaderBytes(h, content) + content;
}

// Record 1 of eight deleted half-way: the records moved up, the file not yet cut.
QByteArray HalfDeleted(const QByteArray& old) { return old.mid(kRecordSize) + old.right(kRecordSize); }

// The journal events of the maintenance log, in order.
std::vector<results::LogOp> JournalEvents(const QString& folder) {
    std::vector<results::ChangeLogEntry> log;
    common::IoFailure failure;
    EXPECT_TRUE(results::ReadChangeLog(folder, log, failure));
    std::vector<results::LogOp> ops;
    for (const auto& e : log) ops.push_back(e.Op);
    return ops;
}

// A hook that fails the first `times` calls of one kind on the journal with `error`.
common::IoHook FailOnJournal(common::IoCall which, int times, int error) {
    auto left = std::make_shared<int>(times);
    return [=](common::IoCall call, long long, const QByteArray& path, std::size_t&) {
        if (call != which || !path.endsWith(".dat-journal") || *left <= 0) return 0;
        --*left;
        return error;
    };
}

struct JournalCase {
    const char* name;
    // Lays out the folder; returns the content the file must keep (the
    // append then comes after it).
    std::function<QByteArray(const QString& folder)> setUp;
    std::vector<results::LogOp> logged;  // journal events in the maintenance log
    int setAside = 0;                    // things set aside under a stamped name
    bool caution = false;                // one "注意" naming the journal
    std::function<common::IoHook()> hook{};
};
class JournalCases : public Records, public ::testing::WithParamInterface<JournalCase> {};

const QByteArray kEight = PupilNineRecords(8);

// The next lock holder (a pupil's append) finds it: the file is the content
// kept plus the new record, nothing bears the journal's name afterwards, and
// what happened is in the maintenance log.
TEST_P(JournalCases, TheNextAppendKeepsEveryCommittedRecord) {
    const JournalCase& c = GetParam();
    const QByteArray kept = c.setUp(folder);
    if (c.hook) common::SetIoHook(c.hook());
    testing::internal::CaptureStderr();
    ASSERT_TRUE(results::AppendResult(fake.Caution()));
    const std::string err = testing::internal::GetCapturedStderr();
    common::SetIoHook({});

    const QByteArray now = testing_support::FileBytes(File());
    ASSERT_EQ(now.size(), kept.size() + kRecordSize) << err;
    EXPECT_EQ(now.left(kept.size()), kept) << err;
    EXPECT_EQ(results::DecodeRecord(now.constData() + kept.size()).PupilNumber, 7);
    EXPECT_FALSE(results::JournalLeft(folder));
    EXPECT_EQ(QDir(folder).entryList({results::kJournalFileName + QStringLiteral(".*")},
                                     QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                  .size(),
              c.setAside);
    std::vector<results::LogOp> events = JournalEvents(folder);
    // A journal that could not be removed at once is put back on every try.
    events.erase(std::unique(events.begin(), events.end()), events.end());
    EXPECT_EQ(events, c.logged);
    ASSERT_EQ(fake.messages.size(), c.caution ? 1 : 0);
    if (c.caution) {
        EXPECT_EQ(fake.messages[0].title, QStringLiteral("注意"));
        EXPECT_TRUE(fake.messages[0].text.contains(results::JournalPath(folder))) << fake.messages[0].text.toStdString();
    }
    if (c.setAside > 0) {
        EXPECT_NE(err.find("set aside as"), std::string::npos) << err;
    }
    EXPECT_EQ(fake.endCount, 0);
}

using results::LogOp;

INSTANTIATE_TEST_SUITE_P(
    Records, JournalCases,
    ::testing::Values(
        // The copy name of older versions is never read: 5 stale records
        // beside 8 are not put back over them.
        JournalCase{"StaleCopyUnderTheOldName",
                    [](const QString& f) {
                        WriteAll(results::ResultsFilePathIn(f), kEight);
                        WriteAll(f + QStringLiteral("成績累積データtemp.dat"), kEight.left(5 * kRecordSize));
                        return kEight;
                    },
                    {}},
        JournalCase{"StaleJournalOfAnotherFile",
                    [](const QString& f) {
                        QByteArray other;
                        for (int k = 0; k < 5; ++k) other += Record(3, 2, 40 + k);
                        WriteAll(results::ResultsFilePathIn(f), kEight);
                        WriteAll(results::JournalPath(f), JournalOf(other, results::JournalOp::Delete, 2));
                        return kEight;
                    },
                    {LogOp::JournalSetAside}, 1},
        JournalCase{"Empty",
                    [](const QString& f) {
                        WriteAll(results::ResultsFilePathIn(f), kEight);
                        WriteAll(results::JournalPath(f), QByteArray());
                        return kEight;
                    },
                    {LogOp::JournalRemoved}},
        JournalCase{"BadChecksum",
                    [](const QString& f) {
                        QByteArray journal = JournalOf(kEight, results::JournalOp::Delete, 1);
                        journal[results::kJournalHeaderSize + 3 * kRecordSize + 20] ^= 1;  // record 4's result
                        WriteAll(results::ResultsFilePathIn(f), HalfDeleted(kEight));
                        WriteAll(results::JournalPath(f), journal);
                        return HalfDeleted(kEight);
                    },
                    {LogOp::JournalSetAside}, 1},
        JournalCase{"LengthNotTheHeaders",
                    [](const QString& f) {
                        WriteAll(results::ResultsFilePathIn(f), HalfDeleted(kEight));
                        WriteAll(results::JournalPath(f),
                                 JournalOf(kEight, results::JournalOp::Delete, 1) + Record(1, 1, 1));
                        return HalfDeleted(kEight);
                    },
                    {LogOp::JournalSetAside}, 1},
        JournalCase{"AFolder",
                    [](const QString& f) {
                        WriteAll(results::ResultsFilePathIn(f), kEight);
                        EXPECT_TRUE(QDir().mkpath(results::JournalPath(f)));
                        WriteAll(results::JournalPath(f) + QStringLiteral("/inside.txt"), "x");
                        return kEight;
                    },
                    {LogOp::JournalSetAside}, 1},
        JournalCase{"ASymbolicLink",
                    [](const QString& f) {
                        WriteAll(results::ResultsFilePathIn(f), HalfDeleted(kEight));
                        WriteAll(f + QStringLiteral("victim.dat"), JournalOf(kEight, results::JournalOp::Delete, 1));
                        EXPECT_TRUE(QFile::link(f + QStringLiteral("victim.dat"), results::JournalPath(f)));
                        return HalfDeleted(kEight);
                    },
                    {LogOp::JournalSetAside}, 1},
        JournalCase{"HotAfterAKilledDeletion",
                    [](const QString& f) {
                        WriteAll(results::ResultsFilePathIn(f), HalfDeleted(kEight));
                        WriteAll(results::JournalPath(f), JournalOf(kEight, results::JournalOp::Delete, 1));
                        return kEight;
                    },
                    {LogOp::JournalApplied}},
        // A teacher put a backup back by hand beside a hot journal: the
        // backup's records stay.
        JournalCase{"ResultsFileReplacedByHand",
                    [](const QString& f) {
                        QByteArray backup;
                        for (int k = 0; k < 6; ++k) backup += Record(5, 4, 70 + k);
                        WriteAll(results::ResultsFilePathIn(f), backup);
                        WriteAll(results::JournalPath(f), JournalOf(kEight, results::JournalOp::Delete, 3));
                        return backup;
                    },
                    {LogOp::JournalSetAside}, 1},
        // A file longer than the journal's content: appends made without
        // the lock, never a half-done rewrite of it.
        JournalCase{"ResultsFileLongerThanTheJournal",
                    [](const QString& f) {
                        WriteAll(results::ResultsFilePathIn(f), kEight + Record(2, 2, 2));
                        WriteAll(results::JournalPath(f), JournalOf(kEight, results::JournalOp::Change, 8));
                        return kEight + Record(2, 2, 2);
                    },
                    {LogOp::JournalSetAside}, 1},
        JournalCase{"UnreadableUntilMended",
                    [](const QString& f) {
                        WriteAll(results::ResultsFilePathIn(f), HalfDeleted(kEight));
                        WriteAll(results::JournalPath(f), JournalOf(kEight, results::JournalOp::Delete, 1));
                        return kEight;
                    },
                    {LogOp::JournalApplied}, 0, true,
                    [] { return FailOnJournal(common::IoCall::Open, 3, EACCES); }},
        JournalCase{"UnremovableUntilMended",
                    [](const QString& f) {
                        WriteAll(results::ResultsFilePathIn(f), HalfDeleted(kEight));
                        WriteAll(results::JournalPath(f), JournalOf(kEight, results::JournalOp::Delete, 1));
                        return kEight;
                    },
                    {LogOp::JournalApplied}, 0, true,
                    [] { return FailOnJournal(common::IoCall::Unlink, 3, EACCES); }}),
    kByName);

// A journal cut at every length short of whole (a kill or a full disk while
// it was written, before the file was touched) holds nothing the file lacks:
// readers read the file, and the next lock holder removes it.
TEST_F(Records, AJournalCutAtAnyLengthIsRemovedAndTheFileKept) {
    const QByteArray journal = JournalOf(kEight, results::JournalOp::Delete, 2);
    for (qsizetype length = 0; length < journal.size(); ++length) {
        SCOPED_TRACE(testing::Message() << "journal of " << length << " bytes");
        WriteAll(File(), kEight);
        WriteAll(Journal(), journal.left(length));
        results::CommittedRead read;
        common::IoFailure failure;
        ASSERT_TRUE(results::ReadCommittedResults(File(), results::RecordRange::All(), read, failure));
        EXPECT_EQ(read.Bytes, kEight);
        EXPECT_FALSE(read.FromJournal);
        testing::internal::CaptureStderr();
        ASSERT_FALSE(results::RecoverResultsFile(folder));
        testing::internal::GetCapturedStderr();
        EXPECT_EQ(testing_support::FileBytes(File()), kEight);
        EXPECT_FALSE(results::JournalLeft(folder));
    }
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList({results::kChangeLogFileName, results::kResultsFileName}));
}

// Every reader reads the journal's content while it is hot, and the file
// itself once it is not; none changes a file.
TEST_F(Records, EveryReaderSeesTheCommittedState) {
    const QByteArray mix = HalfDeleted(kEight);
    WriteAll(File(), mix);
    WriteAll(Journal(), JournalOf(kEight, results::JournalOp::Delete, 1));
    results::CommittedRead read;
    common::IoFailure failure;
    ASSERT_TRUE(results::ReadCommittedResults(File(), results::RecordRange::All(), read, failure));
    EXPECT_TRUE(read.FromJournal);
    EXPECT_EQ(read.Bytes, kEight);
    ASSERT_TRUE(results::ReadCommittedResults(File(), results::RecordRange::NewestRecords(3), read, failure));
    EXPECT_EQ(read.Bytes, kEight.right(3 * kRecordSize));
    EXPECT_EQ(read.FirstRecord, 6);
    EXPECT_EQ(results::ReadRecordBytes(folder, 1, failure), RecordAt(kEight, 1));

    ASSERT_TRUE(results::LoadHistory(fake.Caution()));
    ASSERT_EQ(results::stats().HistoryCount, 8);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(results::stats().History[size_t(k)].Result, 101 + k);
    results::FrequencyCounts counts;
    QString error;
    ASSERT_TRUE(results::CountFrequencies(counts, error));
    EXPECT_EQ(counts.Runs[1], 8);
    const views::RecordScan scan = views::ReadLastRecords(20000);
    ASSERT_EQ(scan.Records.size(), 8u);
    EXPECT_EQ(scan.Records[0].Result, 101);
    EXPECT_EQ(scan.RecordCount, 8);

    EXPECT_EQ(testing_support::FileBytes(File()), mix);
    EXPECT_TRUE(results::JournalLeft(folder));
}

// A rewrite that starts while a reader reads (here: the journal made and the
// file half rewritten while its bytes are read) makes the read count for
// nothing: it is made again, and gives the state last committed.
TEST_F(Records, AReadThatOverlapsARewriteIsMadeAgain) {
    WriteAll(File(), kEight);
    bool rewritten = false;
    common::SetIoHook([&](common::IoCall call, long long, const QByteArray& path, std::size_t&) {
        if (call == common::IoCall::Pread && !rewritten && path.endsWith(".dat")) {
            rewritten = true;
            WriteAll(Journal(), JournalOf(kEight, results::JournalOp::Delete, 1));
            WriteAll(File(), HalfDeleted(kEight));
        }
        return 0;
    });
    results::CommittedRead read;
    common::IoFailure failure;
    ASSERT_TRUE(results::ReadCommittedResults(File(), results::RecordRange::All(), read, failure));
    common::SetIoHook({});
    ASSERT_TRUE(rewritten);
    EXPECT_TRUE(read.FromJournal);
    EXPECT_EQ(read.Bytes, kEight);
}

// The distribution is counted a piece at a time as the file is read: a read
// that an append overlaps after the first pieces were counted is counted
// again from the first record, nothing twice.
TEST_F(Records, ACountInPiecesThatAnAppendOverlapsIsMadeAgainFromTheFirstRecord) {
    QByteArray bytes;
    const qint64 records = 3 * results::kPieceRecords + 5;
    for (qint64 k = 0; k < records; ++k) bytes += Record(int(k % 40), 1 + int(k % 15), int(k % 600));
    WriteAll(File(), bytes);
    int reads = 0;
    common::SetIoHook([&](common::IoCall call, long long, const QByteArray& path, std::size_t&) {
        if (call == common::IoCall::Pread && path.endsWith(".dat") && ++reads == 3)
            school::AppendRuns(File(), {{7, 4, 123, QDate(2003, 5, 13)}});
        return 0;
    });
    results::FrequencyCounts counts;
    QString error;
    ASSERT_TRUE(results::CountFrequencies(counts, error, File())) << error.toStdString();
    common::SetIoHook({});
    ASSERT_GE(reads, 3 + 4);  // three pieces, then every piece again
    results::FrequencyCounts again;
    ASSERT_TRUE(results::CountFrequencies(again, error, File()));
    EXPECT_EQ(std::accumulate(counts.Runs.begin(), counts.Runs.end(), 0LL), records + 1);
    EXPECT_EQ(counts.All, again.All);
    EXPECT_EQ(counts.Best, again.Best);
}

// The history loader cannot do without the committed records: a journal it
// cannot read is told once and read again every second until it can be.
TEST_F(Records, TheHistoryWaitsForAJournalItCannotReadAndSaysSoOnce) {
    WriteAll(File(), HalfDeleted(kEight));
    WriteAll(Journal(), JournalOf(kEight, results::JournalOp::Delete, 1));
    common::SetIoHook(FailOnJournal(common::IoCall::Open, 3, EIO));
    testing::internal::CaptureStderr();
    ASSERT_TRUE(results::LoadHistory(fake.Caution()));
    testing::internal::GetCapturedStderr();
    common::SetIoHook({});
    EXPECT_EQ(results::stats().HistoryCount, 8);
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_TRUE(fake.messages[0].text.contains(Journal())) << fake.messages[0].text.toStdString();
    EXPECT_EQ(fake.endCount, 0);
}

// Every pupil account may write in the data folder: a link put there under
// the name of the results file or of the log never leads the program to
// write into the link's target.
TEST_F(Records, NoFileOfTheDataFolderIsWrittenThroughALink) {
    const QString victim = dir.filePath(QStringLiteral("victim.txt"));
    WriteAll(victim, "keep me");

    ASSERT_TRUE(QFile::link(victim, File()));
    testing::internal::CaptureStderr();
    EXPECT_FALSE(fake.Handled(results::AppendResult(fake.Caution())));
    const std::string appendErr = testing::internal::GetCapturedStderr();
    EXPECT_EQ(fake.endCount, 1);
    EXPECT_NE(appendErr.find("open failed, errno 40"), std::string::npos) << appendErr;
    EXPECT_EQ(testing_support::FileBytes(victim), "keep me");

    QFile::remove(File());
    WriteAll(File(), kEight);
    ASSERT_TRUE(QFile::link(victim, results::ChangeLogPath(folder)));
    testing::internal::CaptureStderr();
    const auto r = results::DeleteRecord(folder, 2, RecordAt(kEight, 2));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(r.Outcome, results::RewriteOutcome::Failed);
    EXPECT_EQ(r.Failure.Error, ELOOP);
    EXPECT_EQ(testing_support::FileBytes(File()), kEight);
    EXPECT_EQ(testing_support::FileBytes(victim), "keep me");
    EXPECT_FALSE(results::JournalLeft(folder));
}

// --- faults planted through the I/O seam ---

// A hook that fails the nth call of one kind (every one from the nth on when
// `every`) with `error`, or lets a pwrite write only `shortTo` bytes.
struct Fault {
    common::IoCall call = common::IoCall::Pwrite;
    int nth = 1;
    int error = EIO;
    bool every = false;
    long long shortTo = -1;  // >= 0: a short pwrite instead of an error
};

struct Seen {
    int ofKind = 0;
    int looped = 0;
};

common::IoHook FaultHook(const Fault& f, Seen& seen) {
    return [f, &seen](common::IoCall call, long long, const QByteArray&, std::size_t& bytes) {
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
    bool journalCaution = false;  // appended after one "注意" naming the journal
};
class AppendFault : public Records, public ::testing::WithParamInterface<AppendFaultCase> {};

TEST_P(AppendFault, IsReportedAndLeavesNoHalfRecord) {
    const AppendFaultCase& c = GetParam();
    const QByteArray before = PupilNineRecords(2);
    WriteAll(File(), before);
    Seen seen;
    common::SetIoHook(FaultHook(c.fault, seen));
    testing::internal::CaptureStderr();
    const bool ok = fake.Handled(results::AppendResult(fake.Caution()));
    const std::string err = testing::internal::GetCapturedStderr();
    common::SetIoHook({});

    EXPECT_EQ(seen.looped, 0) << "the append went on writing without progress";
    EXPECT_EQ(ok, c.appended);
    const QByteArray after = testing_support::FileBytes(File());
    EXPECT_EQ(after.left(before.size()), before);
    if (c.appended) {
        ASSERT_EQ(after.size(), before.size() + kRecordSize);
        EXPECT_EQ(results::DecodeRecord(after.constData() + before.size()).Result, 55);
        if (c.journalCaution) {
            ASSERT_EQ(fake.messages.size(), 1);
            EXPECT_TRUE(fake.messages[0].text.contains(results::JournalPath(folder)));
            EXPECT_EQ(err.rfind(std::string("results file: ") + c.logged + " failed", 0), 0u) << err;
        } else {
            EXPECT_TRUE(fake.messages.isEmpty());
            EXPECT_EQ(err, "");
        }
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
        AppendFaultCase{"FlushFails", {common::IoCall::Fdatasync, 1, EIO}, false, "fdatasync"},
        AppendFaultCase{"WriteFails", {common::IoCall::Pwrite, 1, ENOSPC}, false, "pwrite"},
        AppendFaultCase{"WritesMakeNoProgress", {common::IoCall::Pwrite, 1, 0, true, 0}, false, "pwrite"},
        AppendFaultCase{"ShortWriteGoesOnWithTheRest", {common::IoCall::Pwrite, 1, 0, false, 10}, true, nullptr},
        AppendFaultCase{"EveryWriteShort", {common::IoCall::Pwrite, 1, 0, true, 7}, true, nullptr},
        AppendFaultCase{"LengthUnknown", {common::IoCall::Fstat, 1, EIO}, false, "fstat"},
        // Whether a journal lies beside the file cannot be told: the run is
        // kept, the teacher told once, and the look made again a second later.
        AppendFaultCase{"JournalLookFails", {common::IoCall::Lstat, 1, EIO}, true, "lstat", true}),
    kByName);

enum class Op { Delete, Change, Restore };

struct RewriteCase {
    const char* name;
    Op op;
    qint64 number;  // the record changed or deleted, or (restore) deleted first and put back
    int error;      // what every call in turn is made to fail with
};
class Rewrite : public Records, public ::testing::WithParamInterface<RewriteCase> {
protected:
    void SetUp() override {
        Records::SetUp();
        const RewriteCase& c = GetParam();
        const QByteArray six = PupilNineRecords(6);
        const QByteArray opened = RecordAt(six, c.number);
        switch (c.op) {
        case Op::Delete:
            before_ = six;
            after_ = Without(six, c.number);
            break;
        case Op::Change:
            before_ = six;
            after_ = six;
            after_.replace((c.number - 1) * kRecordSize, kRecordSize, Changed());
            break;
        case Op::Restore:
            // Log line 1 deleted the record; the restore puts it back.
            WriteAll(File(), six);
            ASSERT_EQ(results::DeleteRecord(folder, c.number, opened).Outcome, results::RewriteOutcome::Done);
            before_ = testing_support::FileBytes(File());
            logBefore_ = testing_support::FileBytes(Log());
            after_ = six;
            break;
        }
    }
    QString Log() const { return results::ChangeLogPath(folder); }
    QByteArray Changed() const {
        return results::ChangedRecordBytes(RecordAt(PupilNineRecords(6), GetParam().number), 4321, 4000);
    }
    // The file and the log as they were before the operation.
    void Reset() {
        WriteAll(File(), before_);
        if (logBefore_.isEmpty()) QFile::remove(Log());
        else WriteAll(Log(), logBefore_);
    }
    using Trace = std::vector<std::pair<common::IoCall, QByteArray>>;
    // The operation without faults, with every call it made and the path of each.
    Trace TracedRun() {
        Reset();
        Trace calls;
        common::SetIoHook([&](common::IoCall call, long long, const QByteArray& path, std::size_t&) {
            calls.emplace_back(call, path);
            return 0;
        });
        EXPECT_EQ(Run().Outcome, results::RewriteOutcome::Done);
        common::SetIoHook({});
        return calls;
    }
    results::RewriteResult Run() {
        const RewriteCase& c = GetParam();
        const QByteArray opened = RecordAt(before_, c.number);
        switch (c.op) {
        case Op::Delete: return results::DeleteRecord(folder, c.number, opened);
        case Op::Change: return results::ChangeRecord(folder, c.number, opened, Changed());
        case Op::Restore: return results::RestoreRecord(folder, 1);
        }
        return {};
    }
    // Whether the log says the operation happened: its line is there and no
    // journal put back after it undid it.
    bool Logged() const {
        std::vector<results::ChangeLogEntry> log;
        common::IoFailure failure;
        EXPECT_TRUE(results::ReadChangeLog(folder, log, failure));
        const size_t before = GetParam().op == Op::Restore ? 1 : 0;
        for (size_t i = before; i < log.size(); ++i)
            if (log[i].Op != results::LogOp::JournalApplied) return !results::RolledBack(log, i);
        return false;
    }
    // What the folder holds besides the file and the log.
    QStringList Strays() const {
        QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        names.removeAll(results::kResultsFileName);
        names.removeAll(results::kChangeLogFileName);
        return names;
    }

    QByteArray before_, after_, logBefore_;
};

// Every system call of the operation made to fail in turn (ENOSPC), or to be
// interrupted (EINTR, which is made again): a failure before the commit
// leaves the old content and says so, one after it the new, each with one
// line on stderr; nothing but the file and the log is left in the folder, and
// the log says the operation happened exactly when it did.
TEST_P(Rewrite, AFaultAtEveryCallLeavesTheFileWholeAndNothingElseBehind) {
    const RewriteCase& c = GetParam();
    const Trace calls = TracedRun();
    ASSERT_EQ(testing_support::FileBytes(File()), after_);
    const QByteArray journal = QFile::encodeName(Journal());
    size_t committed = 0;  // the call that removes the journal: from its success on, the new content
    for (size_t i = 0; i < calls.size(); ++i)
        if (calls[i].first == common::IoCall::Unlink && calls[i].second == journal) committed = i + 1;
    ASSERT_GT(committed, 0u);

    for (size_t n = 1; n <= calls.size(); ++n) {
        SCOPED_TRACE(testing::Message() << "call " << n << " " << common::IoCallName(calls[n - 1].first));
        Reset();
        common::SetIoHook([n, &c](common::IoCall, long long k, const QByteArray&, std::size_t&) {
            return k == static_cast<long long>(n) ? c.error : 0;
        });
        testing::internal::CaptureStderr();
        const results::RewriteResult r = Run();
        const std::string err = testing::internal::GetCapturedStderr();
        common::SetIoHook({});
        EXPECT_EQ(Strays(), QStringList());
        ASSERT_FALSE(results::RecoverResultsFile(folder));
        const QByteArray now = testing_support::FileBytes(File());
        // Interrupted calls are made again; an unlock that fails is made by
        // the close, and the close of a file only read loses nothing.
        const common::IoCall call = calls[n - 1].first;
        const bool harmless = r.Outcome == results::RewriteOutcome::Done &&
                              (call == common::IoCall::Fcntl ||
                               (call == common::IoCall::Close && calls[n - 1].second == QFile::encodeName(Log())));
        if (c.error == EINTR || harmless) {
            EXPECT_EQ(r.Outcome, results::RewriteOutcome::Done);
            EXPECT_EQ(now, after_);
            EXPECT_TRUE(Logged());
            EXPECT_EQ(err, "");
            continue;
        }
        EXPECT_EQ(r.Outcome, n <= committed ? results::RewriteOutcome::Failed : results::RewriteOutcome::DoneNotFlushed);
        EXPECT_EQ(r.Failure.Error, c.error);
        EXPECT_EQ(now, n <= committed ? before_ : after_);
        EXPECT_EQ(Logged(), n > committed);
        const std::string line = std::string("results file: ") + common::IoCallName(calls[n - 1].first) +
                                 " failed, errno " + std::to_string(c.error) + " (";
        EXPECT_EQ(err.rfind(line, 0), 0u) << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    }
}

using RewriteOrder = Rewrite;

// The order that makes the journal work: the journal on disk (bytes and
// name) before the file changes, the file and the log line on disk before
// the journal goes, and the journal's removal on disk before the lock is
// given up.
TEST_P(RewriteOrder, FlushesComeBeforeWhatReliesOnThem) {
    const Trace calls = TracedRun();
    using C = common::IoCall;
    const QByteArray file = QFile::encodeName(File());
    const QByteArray journal = QFile::encodeName(Journal());
    const QByteArray log = QFile::encodeName(Log());
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
    const size_t create = first(C::Open, journal);
    const size_t firstFileWrite = std::min(first(C::Pwrite, file), first(C::Ftruncate, file));
    const size_t unlink = first(C::Unlink, journal);
    ASSERT_LT(create, end);
    ASSERT_LT(firstFileWrite, end);
    ASSERT_LT(unlink, end);
    const size_t journalSync = first(C::Fdatasync, journal, last(C::Pwrite, journal));
    const size_t nameSync = first(C::Fsync, dirName, journalSync);
    EXPECT_LT(journalSync, firstFileWrite);
    EXPECT_LT(nameSync, firstFileWrite);
    const size_t lastChange = std::max(last(C::Pwrite, file), last(C::Ftruncate, file));
    ASSERT_GE(lastChange, firstFileWrite);
    EXPECT_LT(first(C::Fdatasync, file, lastChange), unlink);
    const size_t logWrite = last(C::Pwrite, log);
    EXPECT_GT(logWrite, lastChange);
    EXPECT_LT(first(C::Fdatasync, log, logWrite), unlink);
    EXPECT_LT(first(C::Fsync, dirName, unlink), last(C::Fcntl, file));
}

INSTANTIATE_TEST_SUITE_P(Records, Rewrite,
                         ::testing::Values(RewriteCase{"DeleteFirstNoSpace", Op::Delete, 1, ENOSPC},
                                           RewriteCase{"DeleteLastNoSpace", Op::Delete, 6, ENOSPC},
                                           RewriteCase{"ChangeMiddleNoSpace", Op::Change, 4, ENOSPC},
                                           RewriteCase{"RestoreMiddleNoSpace", Op::Restore, 3, ENOSPC},
                                           RewriteCase{"DeleteFirstInterrupted", Op::Delete, 1, EINTR},
                                           RewriteCase{"ChangeMiddleInterrupted", Op::Change, 4, EINTR},
                                           RewriteCase{"RestoreMiddleInterrupted", Op::Restore, 3, EINTR}),
                         kByName);
INSTANTIATE_TEST_SUITE_P(Records, RewriteOrder,
                         ::testing::Values(RewriteCase{"DeleteFirst", Op::Delete, 1, 0},
                                           RewriteCase{"ChangeMiddle", Op::Change, 4, 0},
                                           RewriteCase{"RestoreMiddle", Op::Restore, 3, 0}),
                         kByName);

TEST_F(Records, TheAppendFlushesItsRecordBeforeItUnlocks) {
    std::vector<common::IoCall> calls;
    common::SetIoHook([&](common::IoCall call, long long, const QByteArray&, std::size_t&) {
        calls.push_back(call);
        return 0;
    });
    ASSERT_TRUE(results::AppendResult(fake.Caution()));
    common::SetIoHook({});
    const auto write = std::find(calls.begin(), calls.end(), common::IoCall::Pwrite);
    const auto sync = std::find(write, calls.end(), common::IoCall::Fdatasync);
    const auto unlock = std::find(sync, calls.end(), common::IoCall::Fcntl);
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
    const QString log = results::ChangeLogPath(folder);
    const QByteArray five = PupilNineRecords(5);
    QByteArray before = five;
    QByteArray after;
    QByteArray logBefore;
    qint64 argument = c.number;
    if (QByteArray(c.op) == "delete") {
        after = Without(five, c.number);
    } else if (QByteArray(c.op) == "change") {
        after = five;
        after.replace((c.number - 1) * kRecordSize, kRecordSize,
                      results::ChangedRecordBytes(RecordAt(five, c.number), 4321, 4000));
    } else {
        // Put back what line 1 of the log deleted.
        WriteAll(File(), five);
        ASSERT_EQ(results::DeleteRecord(folder, c.number, RecordAt(five, c.number)).Outcome,
                  results::RewriteOutcome::Done);
        before = testing_support::FileBytes(File());
        logBefore = testing_support::FileBytes(log);
        after = five;
        argument = 1;
    }
    int kills = 0;
    for (int at = 1;; ++at) {
        SCOPED_TRACE(testing::Message() << "killed before call " << at);
        WriteAll(File(), before);
        if (logBefore.isEmpty()) QFile::remove(log);
        else WriteAll(log, logBefore);
        QProcess p;
        p.start(kHelper, {QString::fromLatin1(c.op), dir.path(), QString::number(argument), QString::number(at)});
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
        // Nothing of the killed operation is left beside the file and the log.
        EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size(),
                  QFile::exists(log) ? 2 : 1);
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
                                           KillCase{"ChangeMiddle", "change", 3},
                                           KillCase{"RestoreMiddle", "restore", 3}),
                         kByName);

// What is left of pupil 9's records 0..99 once the even ones are deleted, and
// every appender's records exactly once.
void ExpectAllAppendedAndTheEvenOnesDeleted(const QByteArray& bytes, int writers, int each) {
    ASSERT_EQ(bytes.size() % kRecordSize, 0);
    QMap<int, int> seen;  // pupil * 1000 + result -> times
    for (qint64 k = 0; k < bytes.size() / kRecordSize; ++k) {
        const auto r = results::DecodeRecord(bytes.constData() + k * kRecordSize);
        ++seen[r.PupilNumber * 1000 + r.Result];
    }
    for (int w = 1; w <= writers; ++w)
        for (int i = 0; i < each; ++i) EXPECT_EQ(seen.value(w * 1000 + i), 1) << "pupil " << w << " result " << i;
    for (int k = 0; k < 100; ++k) EXPECT_EQ(seen.value(9000 + k), k % 2 == 0 ? 0 : 1) << "result " << k;
    EXPECT_EQ(bytes.size() / kRecordSize, writers * each + 50);
}

QByteArray PupilNineZeroToNinetyNine() {
    QByteArray start;
    for (int k = 0; k < 100; ++k) start += Record(9, 1, k);
    return start;
}

// Eight processes append while a ninth deletes pupil 9's even records one by
// one and is killed at a random system call five times before it is let
// finish, and two more read all the while: every read, through the one
// reader and through the history loader, shows a state that existed (before
// or after each deletion, never a mix) and never an older one than before;
// in the end nothing appended is lost and every even record is gone.
TEST_F(Records, ReadersDuringRewritesSeeOnlyStatesThatExisted) {
    WriteAll(File(), PupilNineZeroToNinetyNine());
    constexpr int kWriters = 8;
    constexpr int kEach = 150;
    const QString stop = dir.filePath(QStringLiteral("stop"));
    std::vector<std::unique_ptr<QProcess>> readers;
    for (int r = 0; r < 2; ++r) {
        auto p = std::make_unique<QProcess>();
        p->start(kHelper, {QStringLiteral("readcommitted"), dir.path(), stop});
        readers.push_back(std::move(p));
    }
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int w = 1; w <= kWriters; ++w) {
        auto p = std::make_unique<QProcess>();
        p->start(kHelper, {QStringLiteral("append"), dir.path(), QString::number(w), QString::number(kEach)});
        writers.push_back(std::move(p));
    }
    // Killed half-way through the rewrite of a random deletion of the ones
    // left, or before a random system call of its run: the readers then find
    // a file that holds a mix beside a hot journal until the next lock holder
    // puts it back.
    std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> callNumber(20, 400);
    std::uniform_int_distribution<int> rewriteNumber(1, 6);
    int kills = 0;
    for (int round = 0; round <= 5; ++round) {
        const int killAt = round == 5 ? 0 : round % 2 == 0 ? -rewriteNumber(random) : callNumber(random);
        SCOPED_TRACE(testing::Message() << "deleter killed before call " << killAt);
        QProcess deleter;
        deleter.start(kHelper, {QStringLiteral("deletemany"), dir.path(), QStringLiteral("9"), QString::number(killAt)});
        ASSERT_TRUE(deleter.waitForFinished(240000));
        if (deleter.exitStatus() == QProcess::CrashExit) {
            ++kills;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the readers' turn
            continue;
        }
        ASSERT_EQ(deleter.exitCode(), 0) << deleter.readAllStandardError().toStdString();
    }
    EXPECT_GE(kills, 3);  // a round may find nothing left to delete before its call comes
    for (auto& p : writers) {
        ASSERT_TRUE(p->waitForFinished(240000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    WriteAll(stop, "");
    for (auto& p : readers) {
        ASSERT_TRUE(p->waitForFinished(240000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        const QString passes = QString::fromLatin1(p->readAllStandardOutput()).trimmed();
        EXPECT_GT(passes.section(u' ', 0, 0).toInt(), 10) << passes.toStdString();
        std::printf("reader: %s\n", qPrintable(passes));
    }
    // A journal the last kill left has been settled by the next lock holder.
    ASSERT_FALSE(results::RecoverResultsFile(folder));
    ExpectAllAppendedAndTheEvenOnesDeleted(testing_support::FileBytes(File()), kWriters, kEach);
    EXPECT_FALSE(results::JournalLeft(folder));
}

// Two deleters after the same records: each record goes once, by whichever
// comes first; the other finds it changed and looks again.
TEST_F(Records, TwoDeletersAtOnceDeleteEachRecordOnce) {
    WriteAll(File(), PupilNineZeroToNinetyNine());
    std::vector<std::unique_ptr<QProcess>> deleters;
    for (int d = 0; d < 2; ++d) {
        auto p = std::make_unique<QProcess>();
        p->start(kHelper, {QStringLiteral("deletemany"), dir.path(), QStringLiteral("9")});
        deleters.push_back(std::move(p));
    }
    for (auto& p : deleters) {
        ASSERT_TRUE(p->waitForFinished(240000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
    }
    ExpectAllAppendedAndTheEvenOnesDeleted(testing_support::FileBytes(File()), 0, 0);
    std::vector<results::ChangeLogEntry> log;
    common::IoFailure failure;
    ASSERT_TRUE(results::ReadChangeLog(folder, log, failure));
    EXPECT_EQ(log.size(), 50u);
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
