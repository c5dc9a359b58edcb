#include "core/results/criteria.h"

#include "core/common/textfile.h"
#include "core/results/statistics.h"
#include "core/common/runstate.h"
#include "core/common/sharedstate.h"

#include <QFile>
#include <QTemporaryDir>

#include <cctype>
#include <sstream>

#include <gtest/gtest.h>

using results::criteria;

namespace {

class Criteria : public ::testing::Test {
protected:
    void SetUp() override {
        common::ResetSharedState();
        ASSERT_TRUE(dir.isValid());
        common::runState().ProgramDataFolder = dir.path() + u'/';
    }
    void TearDown() override { common::ResetSharedState(); }
    QString Write(const QString& text) {
        const QString path = dir.filePath(QStringLiteral("タイム回数データ.txt"));
        EXPECT_TRUE(common::WriteShiftJisFile(path, text));
        return path;
    }
    QTemporaryDir dir;
};

// --- scoring ---

struct ScoreCase {
    int target;
    float multiplier;
    long long t;
    int base;
    int run;
};

// "Target60Times1_5At30": the target, the multiplier and the result.
std::string ScoreCaseName(const ScoreCase& c) {
    std::ostringstream os;
    os << "Target" << c.target << "Times" << c.multiplier << "At" << c.t;
    std::string name;
    for (const char ch : os.str())
        if (ch == '.') name += '_';
        else if (std::isalnum(static_cast<unsigned char>(ch))) name += ch;
    return name;
}

void PrintTo(const ScoreCase& c, std::ostream* os) { *os << ScoreCaseName(c); }

class Scoring : public Criteria, public ::testing::WithParamInterface<ScoreCase> {};

TEST_P(Scoring, BaseAndRunPoints) {
    const ScoreCase& c = GetParam();
    criteria()[3].TargetTime = c.target;
    criteria()[3].PointMultiplier = c.multiplier;
    EXPECT_EQ(results::BasePoints(c.t, 3), c.base) << "t=" << c.t << " K=" << c.target;
    EXPECT_EQ(results::RunPoints(c.t, 3), c.run) << "t=" << c.t << " x" << c.multiplier;
}

INSTANTIATE_TEST_SUITE_P(
    Examples, Scoring,
    ::testing::Values(
        ScoreCase{60, 1.0f, 30, 11, 11},   // Int(6.25 + 5)
        ScoreCase{60, 1.5f, 30, 11, 16},   // Int(16.5)
        ScoreCase{60, 1.0f, 0, 55, 55},
        ScoreCase{60, 1.0f, 60, 5, 5},
        ScoreCase{60, 1.0f, 90, 4, 4},
        ScoreCase{60, 1.0f, 119, 4, 4},
        ScoreCase{60, 1.0f, 120, 1, 1},
        ScoreCase{60, 1.0f, 599, 1, 1},
        ScoreCase{60, 1.0f, 600, 0, 0},
        ScoreCase{60, 0.7f, 32, 10, 6},    // 0.699999988 x 10, not 7
        ScoreCase{60, 0.0f, 30, 11, 0},
        ScoreCase{0, 1.0f, 1, 0, 0},       // no target: nothing for a positive result
        ScoreCase{0, 1.0f, 0, 0, 0},       // and no division by zero at t = 0
        ScoreCase{200000, 1.0f, 99997, 11, 11},
        ScoreCase{200000, 1.0f, 99998, 0, 0},
        ScoreCase{60, 1.0f, 99999, 0, 0},
        ScoreCase{60, 1e30f, 30, 11, 2147483647}),  // a wild multiplier saturates
    [](const auto& info) { return ScoreCaseName(info.param); });

TEST_F(Criteria, StoredResultsCountThreeCharactersOnTheCurve) {
    criteria()[2].TargetTime = 2000;
    criteria()[2].PointMultiplier = 1.0f;
    EXPECT_EQ(results::FirstThreeCharacters(1234), 123);
    EXPECT_EQ(results::FirstThreeCharacters(999), 999);
    EXPECT_EQ(results::FirstThreeCharacters(-1234), -12);
    EXPECT_EQ(results::StoredBasePoints(1234, 2), 46);  // ((2000 - 123) / 2000)^3 x 50 + 5
    EXPECT_EQ(results::BasePoints(1234, 2), 7);         // the run itself uses 1234
    EXPECT_EQ(results::StoredBasePoints(999, 2), results::BasePoints(999, 2));
    EXPECT_EQ(results::StoredBasePoints(3000, 2), 4);   // off the curve nothing changes
    EXPECT_EQ(results::BasePoints(30, 36), 0);          // no such level
}

// --- periods ---

TEST_F(Criteria, PeriodCountsTodayAndTheDaysBefore) {
    const double today = 45000;
    const results::GeneralValue seven{QStringLiteral("7")};
    EXPECT_TRUE(results::InsidePeriod(today, today, seven));
    EXPECT_TRUE(results::InsidePeriod(today - 6, today, seven));
    EXPECT_FALSE(results::InsidePeriod(today - 7, today, seven));
    EXPECT_FALSE(results::InsidePeriod(today, today, results::GeneralValue{}));
    EXPECT_FALSE(results::InsidePeriod(today, today, results::GeneralValue{QStringLiteral("0")}));
}

// --- cleared and too much ---

struct LimitCase {
    const char* count;   // TooMuchCount as in the file
    const char* points;  // TooMuchPoints
    int runs;            // TooMuchRuns
    int earned;          // TooMuchPointsEarned
    bool reached;
    const char* name;
};

void PrintTo(const LimitCase& c, std::ostream* os) { *os << c.name; }

class TooMuch : public Criteria, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(TooMuch, ReachedOnlyByALimitThatIsSet) {
    const LimitCase& c = GetParam();
    criteria()[4].TooMuchCount.Text = QString::fromUtf8(c.count);
    criteria()[4].TooMuchPoints.Text = QString::fromUtf8(c.points);
    auto& s = results::stats().At(4, 17);
    s.TooMuchRuns = static_cast<std::int16_t>(c.runs);
    s.TooMuchPointsEarned = c.earned;
    EXPECT_EQ(results::TooMuchReached(17, 4), c.reached)
        << "count '" << c.count << "' points '" << c.points << "'";
}

INSTANTIATE_TEST_SUITE_P(
    Limits, TooMuch,
    ::testing::Values(LimitCase{"", "", 500, 50000, false, "NoLimitSet"},
                      LimitCase{"0", "0", 500, 50000, false, "ZeroLimitsAreNoLimits"},
                      LimitCase{"10", "", 9, 50000, false, "BelowTheRunLimit"},
                      LimitCase{"10", "", 10, 0, true, "AtTheRunLimit"},
                      LimitCase{"", "300", 0, 299, false, "BelowThePointsLimit"},
                      LimitCase{"0", "300", 0, 300, true, "AtThePointsLimit"},
                      LimitCase{"-1", "", 0, 0, true, "NegativeLimitLocksAtOnce"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Criteria, LevelClearedNeedsPointsAndRunsOfThePeriod) {
    auto& c = criteria()[5];
    auto& s = results::stats().At(5, 9);
    EXPECT_TRUE(results::LevelCleared(9, 5)) << "zero criteria are met without a run";
    c.ClearPoints = 100;
    c.ClearCount = 10;
    s.PeriodPoints = 100;
    s.PeriodRuns = 9;
    EXPECT_FALSE(results::LevelCleared(9, 5));
    s.PeriodRuns = 10;
    EXPECT_TRUE(results::LevelCleared(9, 5));
    s.PeriodPoints = 99;
    EXPECT_FALSE(results::LevelCleared(9, 5));
    EXPECT_FALSE(results::LevelCleared(5001, 5));
    EXPECT_FALSE(results::LevelCleared(9, 36));
}

// --- the file ---

TEST_F(Criteria, ReadsTwelveItemsPerSlotFromSlotZero) {
    criteria()[4].TargetTime = 77;  // the file does not reach level 4
    criteria()[4].JudgementDays.Text = QStringLiteral("3");
    Write(QStringLiteral(
        "目標Time,最低Time,ｸﾘｱﾎﾟｲﾝﾄ,ｸﾘｱ回数,ﾎﾟｲﾝﾄ倍率,禁回,禁点,判期間,禁期間,,,\r\n"
        " 30 ,\"60\",abc,12.5,0.7,  ,x5,7,\"1,5\",,,\r\n"
        "40,80,100\r\n10,1.5,10,,14,1,a,b,c\r\n"   // one level over two lines
        "50,100,200,20,2,,,7,7,,,\r\n\r\n\r\n"));
    QString error;
    ASSERT_TRUE(results::LoadCriteria(error)) << error.toStdString();
    EXPECT_EQ(criteria().SlotsRead, 4);

    const auto& h = criteria()[0];
    EXPECT_EQ(h.TargetTime, 0);
    EXPECT_EQ(h.TooMuchCount.Text, QStringLiteral("禁回"));

    const auto& a = criteria()[1];
    EXPECT_EQ(a.TargetTime, 30);
    EXPECT_EQ(a.MinimumTime, 60);
    EXPECT_EQ(a.ClearPoints, 0);       // not a number
    EXPECT_EQ(a.ClearCount, 12);       // 12.5 rounds half to even
    EXPECT_EQ(a.PointMultiplier, 0.7f);
    EXPECT_TRUE(a.TooMuchCount.IsEmpty());
    EXPECT_EQ(a.TooMuchPoints.Text, QStringLiteral("x5"));  // general values stay as read
    EXPECT_EQ(a.TooMuchPoints.Value(), 0);
    EXPECT_EQ(a.TooMuchDays.Text, QStringLiteral("1,5"));
    EXPECT_TRUE(a.Spare12.IsEmpty());

    const auto& b = criteria()[2];
    EXPECT_EQ(b.ClearPoints, 100);
    EXPECT_EQ(b.ClearCount, 10);
    EXPECT_EQ(b.PointMultiplier, 1.5f);
    EXPECT_EQ(b.Spare12.Text, QStringLiteral("c"));

    EXPECT_EQ(criteria()[3].TargetTime, 50);
    // Blank lines at the end are no level: slot 4 keeps what it held.
    EXPECT_EQ(criteria()[4].TargetTime, 77);
    EXPECT_EQ(criteria()[4].JudgementDays.Text, QStringLiteral("3"));
}

TEST_F(Criteria, MoreSlotsThanLevelsAreIgnored) {
    QString text;
    for (int line = 0; line < 40; ++line)
        text += QStringLiteral("%1,2,3,4,1,,,7,7,,,\r\n").arg(line + 100);
    Write(text);
    QString error;
    ASSERT_TRUE(results::LoadCriteria(error));
    EXPECT_EQ(criteria().SlotsRead, 36);
    EXPECT_EQ(criteria()[35].TargetTime, 135);
}

TEST_F(Criteria, MissingFileNamesIt) {
    criteria()[1].TargetTime = 30;
    QString error;
    EXPECT_FALSE(results::LoadCriteria(error));
    EXPECT_TRUE(error.contains(QStringLiteral("タイム回数データ.txt"))) << error.toStdString();
    EXPECT_EQ(criteria()[1].TargetTime, 30);
}

TEST_F(Criteria, GoldenFileReadAndWrittenBackUnchanged) {
    const QString golden = QStringLiteral(ROMAJI_TEST_DATA "/criteria_roundtrip.txt");
    QFile f(golden);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();

    QString error;
    ASSERT_TRUE(results::LoadCriteria(error, golden)) << error.toStdString();
    EXPECT_EQ(criteria()[2].PointMultiplier, 1.5f);
    EXPECT_EQ(criteria()[3].Spare12.Text, QStringLiteral("3"));
    EXPECT_EQ(common::ToShiftJis(results::CriteriaFileText(criteria(), criteria().SlotsRead - 1)),
              bytes);

    const QString copy = dir.filePath(QStringLiteral("copy.txt"));
    ASSERT_TRUE(results::SaveCriteria(criteria(), 4, error, copy));
    QFile c(copy);
    ASSERT_TRUE(c.open(QIODevice::ReadOnly));
    EXPECT_EQ(c.readAll(), bytes);
}

TEST_F(Criteria, WriterQuotesOnlyAValueThatWouldSplit) {
    criteria()[1].TargetTime = 30;
    criteria()[1].PointMultiplier = 2;
    criteria()[1].Spare10.Text = QStringLiteral("a,b");
    const QString text = results::CriteriaFileText(criteria(), 1);
    EXPECT_TRUE(text.endsWith(QStringLiteral("\r\n30,0,0,0,2,,,,,\"a,b\",,\r\n")))
        << text.toStdString();
    Write(text);
    criteria().Reset();
    QString error;
    ASSERT_TRUE(results::LoadCriteria(error));
    EXPECT_EQ(criteria()[1].Spare10.Text, QStringLiteral("a,b"));
    EXPECT_TRUE(criteria()[1].Spare11.IsEmpty());
}

}  // namespace
