// Rankings of one level: order, competition ranks, the grade filter and the
// points rules, on the roster tables and statistics set directly.
#include "core/views/ranking.h"

#include "core/results/statistics.h"
#include "qstringprint.h"
#include "schoolbuilder.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using views::RankingChoice;

constexpr int kLevel = 4;
constexpr int kSchoolYear = 2026;

// Pupils 1..4 in roster order: 一郎 小3, 二郎 小4 (signed in), 三郎 中1, 四郎 小3.
void SetFourPupils() {
    results::stats().Reset();
    school::SetRosterTables(kSchoolYear, {{1, QStringLiteral("一郎"), 3},
                                          {2, QStringLiteral("二郎"), 4},
                                          {3, QStringLiteral("三郎"), 7},
                                          {4, QStringLiteral("四郎"), 3}});
}

struct Figures {
    int best = results::kNoResult;
    int today = 0;
    int total = 0;
};

struct RankingCase {
    const char* name;
    std::vector<Figures> figures;  // pupils 1..4
    RankingChoice choice;
    QStringList lines;  // in rank order
};

void PrintTo(const RankingCase& c, std::ostream* os) { *os << c.name; }

class Rankings : public ::testing::TestWithParam<RankingCase> {};

TEST_P(Rankings, ListLinesInRankOrder) {
    const RankingCase& c = GetParam();
    SetFourPupils();
    int pupil = 0;
    for (const Figures& f : c.figures) {
        auto& s = results::stats().At(kLevel, ++pupil);
        s.BestTime = f.best;
        s.TodayPoints = f.today;
        s.TotalPoints = f.total;
    }
    EXPECT_EQ(views::LevelRankingLines(kLevel, c.choice), c.lines);
}

RankingChoice Times(const char* filter = "全学年") { return {views::kTimes, 0, QString::fromUtf8(filter), 2}; }
RankingChoice Points(int period, const char* filter = "全学年") {
    return {views::kPoints, period, QString::fromUtf8(filter), 2};
}

INSTANTIATE_TEST_SUITE_P(
    Level, Rankings,
    ::testing::Values(
        RankingCase{"TieAtTheBestTimeSharesTheRankAndTheNextSkips",
                    {{40}, {25}, {20}, {25}},
                    Times(),
                    {"1Ⅰ三郎　　　    20 　", "2●二郎　　　    25 ●", "2③四郎　　　    25 　",
                     "4③一郎　　　    40 　"}},
        RankingCase{"FailedAndNoRecordComeLast",
                    {{99999}, {99998}, {30}, {99999}},
                    Times(),
                    {"1Ⅰ三郎　　　    30 　", "2●二郎　　　*失敗* ●", "--③一郎　　　------ 　",
                     "--③四郎　　　------ 　"}},
        RankingCase{"FilteredOutPupilsKeepTheirRankPositions",
                    {{40}, {25}, {20}, {30}},
                    Times("小３"),
                    {"3③四郎　　　    30 　", "4③一郎　　　    40 　"}},
        RankingCase{"ValueKindZeroIsTimes",
                    {{40}, {25}, {20}, {30}},
                    {0, 0, QStringLiteral("中学生全体"), 2},
                    {"1Ⅰ三郎　　　    20 　"}},
        RankingCase{"AllTimePointsThenTodayPointsOrderEqualOnes",
                    {{.today = 3, .total = 50}, {.today = 7, .total = 50}, {.today = 9, .total = 60}, {}},
                    Points(1),
                    {"1Ⅰ三郎　　　  9/   60", "2●二郎　　　  7/   50", "2③一郎　　　  3/   50",
                     "4③四郎　　　  0/    0"}},
        RankingCase{"PointsPeriodZeroIsAllTime",
                    {{.today = 3, .total = 50}, {.today = 7, .total = 40}, {}, {}},
                    Points(0, "小３"),
                    {"1③一郎　　　  3/   50", "3③四郎　　　  0/    0"}},
        RankingCase{"TodaysRankingLeavesOutPupilsWithoutPointsToday",
                    {{.today = 0, .total = 500}, {.today = 7, .total = 50}, {.today = 7, .total = 60}, {.today = 2}},
                    Points(2),
                    {"1Ⅰ三郎　　　  7/   60", "1●二郎　　　  7/   50", "3③四郎　　　  2/    0"}},
        // All-time points of a thousand and more do not spill into today's.
        RankingCase{"TodaysPointsDecideWhateverTheAllTimePoints",
                    {{.today = 5, .total = 3000}, {.today = 7, .total = 0}, {}, {}},
                    Points(2),
                    {"1●二郎　　　  7/    0", "2③一郎　　　  5/ 3000"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(RankingSize, EveryListedPupilIsRankedAndRank123ReadsAs23) {
    std::vector<school::PupilInGrade> pupils;
    for (int p = 1; p <= 2500; ++p) pupils.push_back({p, QStringLiteral("生徒"), 1 + p % 9});
    results::stats().Reset();
    school::SetRosterTables(kSchoolYear, pupils);
    // The later a pupil stands in the roster, the faster.
    for (int p = 1; p <= 2500; ++p) results::stats().At(kLevel, p).BestTime = 10000 - p;
    const QStringList lines = views::LevelRankingLines(kLevel, {views::kTimes, 0, QStringLiteral("全学年"), 0});
    ASSERT_EQ(lines.size(), 2500);
    EXPECT_TRUE(lines[122].startsWith(QStringLiteral("23"))) << lines[122].toStdString();
    EXPECT_TRUE(lines[122].contains(QStringLiteral("  7622 "))) << lines[122].toStdString();
    EXPECT_TRUE(lines[2499].startsWith(QStringLiteral("00"))) << lines[2499].toStdString();
    const auto ranked = views::RankPupils(kLevel, {views::kTimes, 0, QStringLiteral("全学年"), 0});
    EXPECT_EQ(ranked.front().Pupil, 2500);
    EXPECT_EQ(ranked.back().Pupil, 1);
    EXPECT_EQ(ranked.back().Rank, 2500);
}

}  // namespace
