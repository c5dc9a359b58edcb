// The graphs' computation: axis top, successive bests, figures block, ranking
// lines, the records a graph reads and the layout of a graph set.

#include "core/views/graphs.h"

#include "core/common/dates.h"
#include "core/menus/roster.h"
#include "core/results/resultsfile.h"
#include "schoolbuilder.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using results::LogEntry;
using views::ComputeGraph;
using views::Graph;
using views::GraphInput;

const QDate kToday(2026, 12, 10);
// Worked out on use: the date helpers' own constants are set up with the program.
double Now() { return common::DateValue(kToday) + 0.5; }

LogEntry Rec(int pupil, int level, int result, QDate date = kToday.addDays(-10)) {
    LogEntry e;
    e.RecordDate = common::DateValue(date);
    e.RecordTime = 0.5;
    e.PupilNumber = static_cast<std::int16_t>(pupil);
    e.Level = static_cast<std::int16_t>(level);
    e.Result = result;
    return e;
}

GraphInput Input(int pupil, int level = 1) {
    GraphInput in;
    in.Level = level;
    in.Pupil = pupil;
    in.LevelCount = 15;
    in.Now = Now();
    in.Title = QStringLiteral("ローマ字 あ行～か行");
    in.PupilName = QStringLiteral("山田太郎");
    return in;
}

QStringList Texts(const std::vector<views::GraphText>& texts) {
    QStringList out;
    for (const auto& t : texts) out << t.Text;
    return out;
}

// --- axis top -------------------------------------------------------------

struct ScaleCase {
    const char* name;
    int largest;
    int top;
};
class TimeScale : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(TimeScale, NextMultipleOfTenAboveAtMostAThousand) {
    EXPECT_EQ(views::TimeScaleMaxFor(GetParam().largest), GetParam().top);
}

INSTANTIATE_TEST_SUITE_P(
    Graphs, TimeScale,
    ::testing::Values(ScaleCase{"FortyFiveGivesFifty", 45, 50}, ScaleCase{"FiftyGivesSixty", 50, 60},
                      ScaleCase{"FifteenHundredIsCapped", 1500, 1000}, ScaleCase{"NoRunGivesTen", 0, 10},
                      ScaleCase{"NineNinetyNineGivesTheCap", 999, 1000}),
    [](const auto& info) { return std::string(info.param.name); });

// --- successive bests ------------------------------------------------------

struct BestCase {
    const char* name;
    std::vector<int> results;      // the pupil's runs, oldest first
    std::vector<bool> red;         // which plotted points are new bests
    QStringList bestTimes;
};
class Bests : public ::testing::TestWithParam<BestCase> {};

TEST_P(Bests, OnlyStrictlyFasterRunsAreNewBests) {
    std::vector<LogEntry> records;
    for (int r : GetParam().results) {
        records.push_back(Rec(7, 1, r));
        records.push_back(Rec(8, 1, 5));  // another pupil, faster: never the pupil's best
    }
    const Graph g = ComputeGraph(records, records.back().RecordDate, Input(7));
    ASSERT_EQ(g.Points.size(), GetParam().red.size());
    QStringList times;
    for (const auto& b : g.Bests) times << b.TimeText;
    for (size_t i = 0; i < g.Points.size(); ++i) EXPECT_EQ(g.Points[i].Best, GetParam().red[i]) << "point " << i;
    EXPECT_EQ(times, GetParam().bestTimes);
}

INSTANTIATE_TEST_SUITE_P(
    Graphs, Bests,
    ::testing::Values(
        BestCase{"EqualToTheBestIsNotANewBest", {40, 40, 35, 35}, {true, false, true, false},
                 {QStringLiteral("40秒"), QStringLiteral("35秒")}},
        BestCase{"SlowerRunsStayBlue", {30, 50, 31, 29}, {true, false, false, true},
                 {QStringLiteral("30秒"), QStringLiteral("29秒")}},
        BestCase{"RunsFromEighteenHundredAreNotPlotted", {1800, 60, 99999, 50}, {true, true},
                 {QStringLiteral("60秒"), QStringLiteral("50秒")}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Graphs, PointsSpreadOverThePlotAreaByRunNumberAndTime) {
    // Four runs, largest 45 s: axis top 50 s.
    const std::vector<LogEntry> records{Rec(3, 2, 45), Rec(3, 2, 25), Rec(3, 2, 40), Rec(3, 2, 10)};
    const Graph g = ComputeGraph(records, records.back().RecordDate, Input(3, 2));
    ASSERT_EQ(g.TimeScaleMax, 50);
    ASSERT_EQ(g.Points.size(), 4u);
    const double xs[] = {0.375, 0.55, 0.725, 0.9};
    const double ys[] = {0.8 - 0.7 * 45 / 50, 0.8 - 0.7 * 25 / 50, 0.8 - 0.7 * 40 / 50, 0.8 - 0.7 * 10 / 50};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(g.Points[i].X, xs[i], 1e-12);
        EXPECT_NEAR(g.Points[i].Y, ys[i], 1e-12);
    }
}

// --- records a graph reads ---------------------------------------------------

TEST(Graphs, OnlyTheLevelsOfTheCourseAndTheLastTenYearsCount) {
    const std::vector<LogEntry> records{
        Rec(3, 1, 20, kToday.addDays(-3651)),  // older than ten years: neither pupil nor school
        Rec(3, 1, 30), Rec(4, 1, 10),
        Rec(3, 16, 5),                         // beyond the course's levels
    };
    const Graph g = ComputeGraph(records, records.back().RecordDate, Input(3));
    EXPECT_EQ(g.RunCount, 1);
    EXPECT_EQ(g.SchoolCount, 2);
    EXPECT_EQ(g.SchoolBest, 10);
}

TEST(Graphs, AFileOfMoreThan32767RecordsIsReadFromItsNewest20000) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/成績累積データ.dat");
    constexpr int kRecords = 33000;
    std::vector<school::Run> runs;
    for (int i = 1; i <= kRecords; ++i) runs.push_back({1, 1, i, kToday, QTime(0, 0)});  // result: the record number
    ASSERT_TRUE(school::AppendRuns(path, runs));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("partial");  // a record cut short at the end is no record
    f.close();

    const views::GraphRecords read = views::ReadGraphRecords(path);
    EXPECT_EQ(read.Error, 0);
    ASSERT_EQ(read.Records.size(), 20000u);
    EXPECT_EQ(read.Records.front().Result, kRecords - 20000 + 1);
    EXPECT_EQ(read.Records.back().Result, kRecords);
}

TEST(Graphs, AMissingResultsFileIsCreatedEmptyAndGivesAxesAndFiguresWithoutPoints) {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/成績累積データ.dat");
    const views::GraphRecords read = views::ReadGraphRecords(path);
    EXPECT_EQ(read.Error, 0);
    EXPECT_TRUE(read.Records.empty());
    EXPECT_TRUE(QFile::exists(path));
    const Graph g = ComputeGraph(read.Records, read.LastRecordDate, Input(1));
    EXPECT_TRUE(g.Points.empty());
    EXPECT_FALSE(g.Figures.empty());
}

// --- figures block -----------------------------------------------------------

// A small school at level 1: pupil 1 (山田太郎, 3rd grade) ran 40, 35, 35, 50,
// 30; pupil 2 (佐藤花子) 25 and 28; pupil 3 only runs without a time.
class FixtureSchool : public ::testing::Test {
protected:
    void SetUp() override {
        menus::Roster& r = menus::roster();
        r.Reset();
        r.SchoolYear = 2026;
        const struct {
            int number;
            int birthYear;
            const char* name;
        } pupils[] = {{1, 2017, "山田太郎"}, {2, 2015, "佐藤花子"}, {3, 2012, "鈴木一郎"}};
        for (const auto& p : pupils) {
            r.PupilName[p.number] = QString::fromUtf8(p.name);
            r.PupilBirthYear[p.number] = static_cast<std::int16_t>(p.birthYear);
            r.ShownPupils[++r.ShownPupilCount] = static_cast<std::int16_t>(p.number);
        }
        results::Statistics& st = results::stats();
        st.Reset();
        st.At(1, 1) = {5, 120, 0, 0, 0, 0, 1, 10, 30};
        st.At(1, 2) = {2, 200, 0, 0, 0, 0, 0, 0, 25};
        st.At(1, 3) = {0, 0, 0, 0, 0, 0, 0, 0, 1900};
        for (int t : {40, 35, 35, 50, 30}) records.push_back(Rec(1, 1, t));
        records.push_back(Rec(2, 1, 25));
        records.push_back(Rec(2, 1, 28));
        records.push_back(Rec(3, 1, 1900));
        records.push_back(Rec(3, 1, 99999));
        records.push_back(Rec(1, 2, 20));  // another level
    }
    void TearDown() override {
        menus::roster().Reset();
        results::stats().Reset();
    }

    Graph GraphOf(int pupil, const QString& filter = QStringLiteral("全学年"), bool printer = false) {
        const auto times = views::RankingLines(1, {views::kTimes, 1, filter, 1}, views::RankColumn::Graph);
        const auto points = views::RankingLines(1, {views::kPoints, 1, filter, 1}, views::RankColumn::Graph);
        GraphInput in = Input(pupil);
        in.Summary = views::RankStep(times, points, pupil);
        in.PupilPassesFilter = menus::PassesGradeFilter(filter, menus::GradeNumber(menus::roster().PupilBirthYear[pupil]));
        in.Printer = printer;
        return ComputeGraph(records, records.back().RecordDate, in);
    }

    std::vector<LogEntry> records;
};

TEST_F(FixtureSchool, FiguresBlockLinesCharacterForCharacter) {
    const Graph g = GraphOf(1);
    EXPECT_EQ(Texts(g.Figures), (QStringList{
                                    QStringLiteral("回数　　　　　　　  5回"),
                                    QStringLiteral("タイム  　　 　    本人 / 塾全体"),
                                    QStringLiteral("　　順位　　　　    2位"),
                                    QStringLiteral("　　最高　　　　   30秒 /   25秒"),
                                    QStringLiteral("　　平均　　　　   38秒 /   35秒"),
                                    QStringLiteral("ポイント  　　　"),
                                    QStringLiteral("　　順位　　　　    2位"),
                                    QStringLiteral("　　獲得ポイント  120点"),
                                    QStringLiteral("　　　　　　　　　　　　/  160点"),
                                    QStringLiteral("　　　　　　　　　　　　 (塾平均)"),
                                }));
    // One line per step from N + 0.05 C, the last half a line further.
    EXPECT_DOUBLE_EQ(g.Figures[0].Y, 0.05);
    EXPECT_DOUBLE_EQ(g.Figures[8].Y, 0.05 + 8 * 0.08);
    EXPECT_DOUBLE_EQ(g.Figures[9].Y, 0.05 + 9.5 * 0.08);
    EXPECT_DOUBLE_EQ(GraphOf(1, QStringLiteral("全学年"), true).Figures[9].Y, 0.05 + 9.5 * 0.06);
}

TEST_F(FixtureSchool, APupilWithoutARunUnderEighteenHundredSecondsGetsBlankFiguresAndNoAverage) {
    const Graph g = GraphOf(3);
    EXPECT_TRUE(g.Points.empty());
    EXPECT_TRUE(g.Bests.empty());
    const QStringList lines = Texts(g.Figures);
    EXPECT_EQ(lines[0], QStringLiteral("回数　　　　　　　   回"));
    EXPECT_EQ(lines[2], QStringLiteral("　　順位　　　　    3位"));
    EXPECT_EQ(lines[3], QStringLiteral("　　最高　　　　       /   25秒"));
    EXPECT_FALSE(lines.join(u'\n').contains(QStringLiteral("平均　")));
    // No points: the points rank is 3 and the points line blank.
    EXPECT_EQ(lines[5], QStringLiteral("　　順位　　　　    3位"));
    EXPECT_EQ(lines[6], QStringLiteral("　　獲得ポイント     点"));
    // No axis labels without a best point; title and name are there.
    EXPECT_EQ(Texts(g.Labels), QStringList{QStringLiteral("ローマ字 あ行～か行")});
}

TEST_F(FixtureSchool, AGradeFilterThatExcludesThePupilLeavesNoPoints) {
    const Graph g = GraphOf(1, QStringLiteral("中学生全体"));
    EXPECT_TRUE(g.Points.empty());
    EXPECT_EQ(g.RunCount, 5);
    // Not listed in the rankings: no rank, no points.
    EXPECT_EQ(Texts(g.Figures)[2], QStringLiteral("　　順位　　　　     位"));
}

TEST_F(FixtureSchool, RankingLinesCarryTheirPupilAndARankOfThreeCharacters) {
    menus::roster().PupilName[2] = QStringLiteral("山田太郎次");  // same first five characters as pupil 4
    menus::roster().PupilName[4] = QStringLiteral("山田太郎次郎");
    menus::roster().PupilBirthYear[4] = 2017;
    menus::roster().ShownPupils[++menus::roster().ShownPupilCount] = 4;
    results::stats().At(1, 4).BestTime = results::kNoResult;
    const auto lines =
        views::RankingLines(1, {views::kTimes, 1, QStringLiteral("全学年"), 1}, views::RankColumn::Graph);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].Text, QStringLiteral("  1⑤山田太郎次    25 　"));
    EXPECT_EQ(lines[1].Text, QStringLiteral("  2●山田太郎　    30 ●"));
    EXPECT_EQ(lines[2].Text, QStringLiteral("  3Ⅱ鈴木一郎　  1900 　"));
    EXPECT_EQ(lines[3].Text, QStringLiteral("---③山田太郎次------ 　"));
    EXPECT_EQ(lines[0].Pupil, 2);
    EXPECT_EQ(lines[3].Pupil, 4);
    // The two pupils with the same five characters get their own ranks.
    EXPECT_EQ(views::RankStep(lines, {}, 2).TimeRank, QStringLiteral("  1"));
    EXPECT_EQ(views::RankStep(lines, {}, 4).TimeRank, QStringLiteral("---"));
    EXPECT_EQ(views::FormatHash(QStringLiteral("---")), QStringLiteral("---"));
}

TEST_F(FixtureSchool, TheStaircaseLabelsWriteTheYearOnlyWhenItChanges) {
    records.clear();
    records.push_back(Rec(1, 1, 50, QDate(2025, 12, 30)));
    records.push_back(Rec(1, 1, 45, QDate(2025, 12, 31)));
    records.push_back(Rec(1, 1, 40, QDate(2026, 1, 5)));
    records.push_back(Rec(1, 1, 35, QDate(2026, 2, 1)));
    records.push_back(Rec(1, 1, 30, QDate(2026, 3, 1)));
    records.push_back(Rec(2, 1, 60, QDate(2026, 4, 2)));  // the last record read
    EXPECT_EQ(Texts(GraphOf(1).Labels),
              (QStringList{QStringLiteral("ローマ字 あ行～か行"),
                           QStringLiteral("2026/04/02"), QStringLiteral("0秒"), QStringLiteral("60秒"),
                           QStringLiteral("50秒"), QStringLiteral("2025/12/30"),
                           QStringLiteral("45秒"), QStringLiteral("12/31"),
                           QStringLiteral("40秒"), QStringLiteral("2026/01/05"),
                           QStringLiteral("35秒"), QStringLiteral("02/01"),
                           QStringLiteral("30秒"), QStringLiteral("03/01")}));
    const Graph g = GraphOf(1);
    EXPECT_DOUBLE_EQ(g.Labels[1].X, 0.9 - 0.025);  // under the pupil's last run
    EXPECT_DOUBLE_EQ(g.Labels.back().Y, g.Bests.back().Y + 0.07);
    EXPECT_EQ(g.Name.Text, QStringLiteral("山田太郎"));
}

// --- graph set -----------------------------------------------------------------

TEST(Graphs, FourLevelsGiveThreeGraphsOnTheFirstPageAndOneOnTheSecond) {
    const auto plan = views::PlanGraphSet({2, 5, 6, 9}, 15);
    ASSERT_EQ(plan.size(), 4u);
    const int pages[] = {0, 0, 0, 1};
    const double tops[] = {0.05, 0.35, 0.65, 0.05};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(plan[i].Page, pages[i]);
        EXPECT_NEAR(plan[i].Top, tops[i], 1e-12);
        EXPECT_EQ(views::IsFirstBand(plan[i].Top), i == 0 || i == 3);
    }
}

}  // namespace

namespace {

TEST(PupilTimes, ThePupilsRunsOfTheLastTenYearsByLevel) {
    std::vector<LogEntry> records{
        Rec(1, 1, 25, QDate(2026, 12, 1)),
        Rec(2, 1, 30, QDate(2026, 12, 1)),    // another pupil
        Rec(1, 2, 99999, QDate(2026, 12, 2)),  // no time
        Rec(1, 3, 12345, QDate(2026, 12, 3)),  // cut to five characters
        Rec(1, 1, 40, kToday.addDays(-3650)),  // the oldest day is not counted
        Rec(1, 16, 20, QDate(2026, 12, 3)),   // beyond the course
    };
    records[0].RecordTime = common::TimeValue(QTime(9, 5, 30));
    records[2].RecordTime = common::TimeValue(QTime(14, 0, 0));
    views::PupilTimesChoice choice;
    choice.Pupil = 1;
    choice.Now = Now();
    const auto lines = views::PupilTimesLines(records, choice);
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines[1], QStringList{QStringLiteral("2026/12/01 9:05:30  25秒")});
    EXPECT_EQ(lines[2], QStringList{QStringLiteral("2026/12/02 14:00:00")});
    EXPECT_EQ(lines[3], QStringList{QStringLiteral("2026/12/03 12:00:002345秒")});
    choice.PupilPassesFilter = false;
    for (const QStringList& level : views::PupilTimesLines(records, choice)) EXPECT_TRUE(level.isEmpty());
}

}  // namespace
