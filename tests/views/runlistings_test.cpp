// Today's runs and all runs of a period, read from a real results file.
#include "core/views/runlistings.h"

#include "core/common/dates.h"
#include "schoolbuilder.h"
#include "fakeplatform.h"
#include "qstringprint.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>

namespace {

using school::AppendRuns;
using school::Run;
using views::RunListingChoice;

constexpr int kSchoolYear = 2026;
const QDate kSunday(2026, 12, 13);
const QDate kMonday(2026, 12, 14);

// ---- Periods ----

struct PeriodCase {
    const char* name;
    int period;
    QDate today;
    int daysBack;
};

void PrintTo(const PeriodCase& c, std::ostream* os) { *os << c.name; }

class Periods : public ::testing::TestWithParam<PeriodCase> {};

TEST_P(Periods, DaysBack) {
    const PeriodCase& c = GetParam();
    EXPECT_EQ(views::DaysBack(c.period, views::WeekdayOf(c.today)), c.daysBack);
}

INSTANTIATE_TEST_SUITE_P(
    ListPeriod, Periods,
    ::testing::Values(PeriodCase{"ThisWeekOnSunday", 1, kSunday, 7},
                      PeriodCase{"ThisWeekOnMonday", 1, kMonday, 1},
                      PeriodCase{"ThisWeekOnSaturday", 1, QDate(2026, 12, 12), 6},
                      PeriodCase{"SinceLastWeekOnSunday", 2, kSunday, 14},
                      PeriodCase{"SinceLastWeekOnMonday", 2, kMonday, 8},
                      PeriodCase{"OneMonth", 3, kMonday, 30}, PeriodCase{"OneYear", 4, kMonday, 365},
                      PeriodCase{"Everything", 5, kMonday, 3650},
                      PeriodCase{"UnknownPeriodIsOneMonth", 0, kMonday, 30}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ListPeriodBoundary, TheDayAtTheInstantDaysBackIsOutside) {
    const double monday = common::DateValue(kMonday);
    const double sunday = monday - 1;
    // Monday at midnight, this week: the instant one day back is Sunday 0:00.
    EXPECT_TRUE(views::InsideListPeriod(monday, monday, 1));
    EXPECT_FALSE(views::InsideListPeriod(sunday, monday, 1));
    // One second later Sunday still lies before the instant.
    EXPECT_FALSE(views::InsideListPeriod(sunday, monday + 1.0 / 86400, 1));
    // On Sunday at 23:59 this week reaches back to Monday, not to the Sunday before.
    const double sundayLate = sunday + common::TimeValue(QTime(23, 59));
    EXPECT_TRUE(views::InsideListPeriod(sunday - 6, sundayLate, 7));
    EXPECT_FALSE(views::InsideListPeriod(sunday - 7, sundayLate, 7));
}

// ---- Listings from the file ----

class RunListings : public ::testing::Test {
protected:
    testing_support::FakePlatform fake;
    QTemporaryDir dir;
    QString file;

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        file = dir.path() + QStringLiteral("/成績累積データ.dat");
        results::criteria() = school::UniformCriteria({.target = 30, .multiplier = 1.5f});
        // 一郎 小3, 二郎 小4 (signed in), 三郎 中1.
        school::SetRosterTables(kSchoolYear, {{1, QStringLiteral("一郎"), 3},
                                              {2, QStringLiteral("二郎"), 4},
                                              {3, QStringLiteral("三郎"), 7}});
        fake.now = QDateTime(kMonday, QTime(16, 30));
    }

    RunListingChoice Choice(int valueKind = views::kTimes, const char* filter = "全学年") const {
        return {valueKind, QString::fromUtf8(filter), 2, 15, fake.now};
    }
    views::RunListing Today(const RunListingChoice& c) { return views::TodayRuns(c, {}, file); }
    views::RunListing All(const RunListingChoice& c, int daysBack) { return views::AllRuns(c, daysBack, {}, file); }
};

TEST_F(RunListings, TodaysRunsInTheirLevelsWithBasePointsOnly) {
    AppendRuns(file, {{1, 3, 15, kMonday, QTime(9, 5)},
                      {2, 3, 30, kMonday, QTime(10, 0)},
                      {3, 15, 99999, kMonday, QTime(11, 0)},
                      {1, 3, 20, kMonday.addDays(-1)}});
    const views::RunListing l = Today(Choice());
    EXPECT_EQ(l.Error, 0);
    EXPECT_EQ(l.RecordCount, 4);
    ASSERT_EQ(l.Levels(), 16);
    // 15 s against a target of 30: 11 base points (16 with the multiplier);
    // exactly the target: 5.
    EXPECT_EQ(l.LinesOf(3), QStringList({"  15秒 09:05③一郎　　　③11", "  30秒 10:00●二郎　　　●5"}));
    EXPECT_EQ(l.LinesOf(15), QStringList({"　　× 11:00Ⅰ三郎　　　Ⅰ"}));
    for (int level : {0, 1, 2, 4, 14}) EXPECT_TRUE(l.LinesOf(level).isEmpty()) << level;
}

TEST_F(RunListings, AllRunsInTimesAndPoints) {
    AppendRuns(file, {{1, 2, 30, kMonday.addDays(-3)}, {3, 2, 99998, kMonday.addDays(-29)},
                      {3, 2, 45, kMonday.addDays(-30)}});
    EXPECT_EQ(All(Choice(views::kTimes), 30).LinesOf(2),
              QStringList({"  30秒 12/11③一郎　　　③5", "　　× 11/15Ⅰ三郎　　　Ⅰ"}));
    EXPECT_EQ(All(Choice(views::kPoints), 30).LinesOf(2),
              QStringList({"    5 12/11③一郎　　　③30秒", "　　× 11/15Ⅰ三郎　　　Ⅰ"}));
    EXPECT_EQ(All(Choice(0), 365).LinesOf(2).size(), 3);
}

struct WeekCase {
    const char* name;
    QDateTime now;
    int period;
    QStringList days;  // MM/DD of the listed runs
};

void PrintTo(const WeekCase& c, std::ostream* os) { *os << c.name; }

class Weeks : public RunListings, public ::testing::WithParamInterface<WeekCase> {};

TEST_P(Weeks, ListTheDaysOfThePeriod) {
    const WeekCase& c = GetParam();
    fake.now = c.now;
    // One run a day from 16 days before to the day itself.
    const QDate today = c.now.date();
    for (int back = 16; back >= 0; --back) AppendRuns(file, {{1, 1, 20, today.addDays(-back), QTime(8, 0)}});
    const views::RunListing l = All(Choice(), views::DaysBack(c.period, views::WeekdayOf(today)));
    QStringList days;
    for (const QString& line : l.LinesOf(1)) days << line.mid(6, 5);
    EXPECT_EQ(days, c.days);
}

INSTANTIATE_TEST_SUITE_P(
    Period, Weeks,
    ::testing::Values(
        WeekCase{"ThisWeekOnSunday", QDateTime(kSunday, QTime(10, 0)), 1,
                 {"12/07", "12/08", "12/09", "12/10", "12/11", "12/12", "12/13"}},
        WeekCase{"ThisWeekOnMondayIsTodayOnly", QDateTime(kMonday, QTime(10, 0)), 1, {"12/14"}},
        WeekCase{"ThisWeekOnMondayAtMidnight", QDateTime(kMonday, QTime(0, 0)), 1, {"12/14"}},
        WeekCase{"SinceLastWeekOnMonday", QDateTime(kMonday, QTime(10, 0)), 2,
                 {"12/07", "12/08", "12/09", "12/10", "12/11", "12/12", "12/13", "12/14"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RunListings, TodaysRunsLookAtTheLastThousandRecordsOnly) {
    // 1001 runs today: the first one (77 s) is the 1001st record from the end.
    AppendRuns(file, {{1, 1, 77, kMonday}});
    for (int k = 0; k < 1000; ++k) AppendRuns(file, {{1, 1, 20 + k % 50, kMonday}});
    const views::RunListing l = Today(Choice());
    EXPECT_EQ(l.RecordCount, 1001);
    EXPECT_EQ(l.LinesOf(1).size(), 1000);
    EXPECT_FALSE(l.LinesOf(1).join(u'|').contains(QStringLiteral("77秒")));
}

TEST_F(RunListings, AFileOfMoreThan32767RecordsIsReadFromItsEnd) {
    std::vector<school::Run> runs;
    for (int k = 0; k < 33000; ++k) runs.push_back({1, 1, k < 33000 - 20000 ? 500 : 20, kMonday, QTime(12, 0)});
    runs.back().result = 21;
    ASSERT_TRUE(AppendRuns(file, runs));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(QByteArray(20, 'x'));  // a record still being written
    f.close();
    const views::RunListing today = Today(Choice());
    EXPECT_EQ(today.RecordCount, 33000);
    ASSERT_EQ(today.LinesOf(1).size(), 1000);
    EXPECT_TRUE(today.LinesOf(1).last().startsWith(QStringLiteral("  21秒")));
    const views::RunListing all = All(Choice(), 3650);
    EXPECT_EQ(all.LinesOf(1).size(), 20000);
    EXPECT_FALSE(all.LinesOf(1).join(u'|').contains(QStringLiteral("500秒")));
}

TEST_F(RunListings, GradeFilterPupilZeroAndPupilsOutsideTheRoster) {
    AppendRuns(file, {{0, 1, 20, kMonday}, {99, 1, 21, kMonday}, {1, 1, 22, kMonday}, {3, 1, 23, kMonday}});
    EXPECT_EQ(Today(Choice(views::kTimes, "全学年")).LinesOf(1),
              QStringList({"  20秒 10:00　　　　　　6", "  21秒 10:00　　　　　　6", "  22秒 10:00③一郎　　　③5",
                           "  23秒 10:00Ⅰ三郎　　　Ⅰ5"}));
    EXPECT_EQ(Today(Choice(views::kTimes, "小３")).LinesOf(1), QStringList({"  22秒 10:00③一郎　　　③5"}));
    EXPECT_TRUE(Today(Choice(views::kTimes, "中学生全体")).LinesOf(1).join(u'|').contains(QStringLiteral("三郎")));
}

TEST_F(RunListings, RecordsWithoutAColumnOrPupilSlotAreLeftOut) {
    // ... and a negative time, which no run can have written.
    AppendRuns(file, {{1, 0, 20, kMonday}, {1, 16, 20, kMonday}, {1, -2, 20, kMonday}, {-5, 1, 20, kMonday},
                      {5001, 1, 20, kMonday}, {1, 1, -7, kMonday}, {1, 15, 20, kMonday}});
    const views::RunListing l = Today(Choice());
    int lines = 0;
    for (int level = 0; level < l.Levels(); ++level) {
        lines += int(l.LinesOf(level).size());
        EXPECT_EQ(l.CountOf(level), l.LinesOf(level).size()) << level;
    }
    EXPECT_EQ(lines, 1);
    EXPECT_EQ(l.LinesOf(15).size(), 1);
}

TEST_F(RunListings, AMissingFileIsCreatedEmptyAndAnUnreadableOneReportsOnce) {
    const views::RunListing empty = Today(Choice());
    EXPECT_EQ(empty.Error, 0);
    EXPECT_EQ(empty.RecordCount, 0);
    EXPECT_TRUE(QFile::exists(file));

    // A folder where the file should be: nothing to read, one error.
    file = dir.path() + QStringLiteral("/folder");
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    const views::RunListing bad = All(Choice(), 30);
    EXPECT_EQ(bad.Error, EISDIR);
    ASSERT_EQ(bad.Levels(), 16);
    const QString message = views::ReadFailureMessage(file, bad.Error);
    EXPECT_TRUE(message.contains(file)) << message.toStdString();
    EXPECT_TRUE(message.contains(QStringLiteral("ファイル名がフォルダを指しています。"))) << message.toStdString();
}

TEST_F(RunListings, ProgressGoesToTheLastRecord) {
    for (int k = 0; k < 600; ++k) AppendRuns(file, {{1, 1, 20, kMonday}});
    QList<long long> reached;
    views::TodayRuns(
        Choice(),
        [&](long long record, long long count) {
            EXPECT_EQ(count, 600);
            reached << record;
        },
        file);
    ASSERT_FALSE(reached.isEmpty());
    EXPECT_EQ(reached.first(), 1);
    EXPECT_EQ(reached.last(), 600);
}

}  // namespace
