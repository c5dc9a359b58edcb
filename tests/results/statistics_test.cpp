#include "core/results/statistics.h"

#include "core/common/dates.h"
#include "fakeplatform.h"
#include "core/results/criteria.h"
#include "core/results/resultsfile.h"
#include "core/common/runstate.h"
#include "schoolbuilder.h"
#include "core/common/sharedstate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <limits>

namespace {

const QDate kToday(2024, 5, 1);

struct Run {
    int pupil;
    int level;
    int result;
    int daysAgo = 0;
};

QByteArray Records(std::initializer_list<Run> runs) {
    std::vector<school::Run> out;
    for (const Run& r : runs) out.push_back({r.pupil, r.level, r.result, kToday.addDays(-r.daysAgo), QTime(12, 0)});
    return school::RecordBytes(out);
}

class Statistics : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        common::ResetSharedState();
        common::runState().ProgramDataFolder = dir.path() + u'/';
        results::criteria() = school::UniformCriteria({.target = 60, .minimum = 0, .clearPoints = 0, .clearCount = 0,
                                                       .multiplier = 1, .tooMuchDays = "1"},
                                                      35);
        fake.now = QDateTime(kToday, QTime(15, 0));
    }
    void TearDown() override { common::ResetSharedState(); }
    void Write(const QByteArray& bytes) {
        QFile f(results::ResultsFilePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }
    static const results::PupilLevelStats& At(int level, int pupil) {
        return results::stats().At(level, pupil);
    }

    QTemporaryDir dir;
    testing_support::FakePlatform fake;
};

TEST_F(Statistics, CountsRunsAndPointsByPeriod) {
    Write(Records({
        {5, 1, 30, 0},      // 11 points, valid, today
        {5, 1, 99999, 0},   // time-out: no run, 0 points, still an entry of today
        {5, 1, 5999, 2},    // valid, 0 points
        {5, 1, 6000, 3},    // not valid
        {5, 1, 60, 6},      // 5 points, last day of the 7-day period
        {5, 1, 90, 7},      // 4 points, just outside it
        {6, 1, 119, 1},     // another pupil
    }));
    ASSERT_TRUE(results::RecomputeStatistics(fake.Caution()));
    const auto& s = At(1, 5);
    EXPECT_EQ(s.TotalRuns, 4);
    EXPECT_EQ(s.TotalPoints, 11 + 5 + 4);
    EXPECT_EQ(s.PeriodRuns, 3);
    EXPECT_EQ(s.PeriodPoints, 16);
    EXPECT_EQ(s.TooMuchRuns, 1);
    EXPECT_EQ(s.TooMuchPointsEarned, 11);
    EXPECT_EQ(s.TodayRuns, 1.0f);
    EXPECT_EQ(s.TodayPoints, 11);
    EXPECT_EQ(s.BestTime, 30);
    EXPECT_EQ(At(1, 6).TotalPoints, 4);
    EXPECT_EQ(results::stats().HistoryCount, 7);
    EXPECT_EQ(results::stats().SchoolBestTime[1], 30);

    // A level without entries: all counters 0 and no best time.
    EXPECT_EQ(At(2, 5).TotalRuns, 0);
    EXPECT_EQ(At(2, 5).TotalPoints, 0);
    EXPECT_EQ(At(2, 5).BestTime, results::kNoResult);
    EXPECT_EQ(results::stats().SchoolBestTime[2], results::kNoResult);

    // Rebuilt from nothing: a second call gives the same figures, and a
    // zero-day period takes nothing.
    results::criteria()[1].JudgementDays.Text.clear();
    ASSERT_TRUE(results::RecomputeStatistics(fake.Caution()));
    EXPECT_EQ(At(1, 5).TotalRuns, 4);
    EXPECT_EQ(At(1, 5).TotalPoints, 20);
    EXPECT_EQ(At(1, 5).PeriodRuns, 0);
    EXPECT_EQ(At(1, 5).PeriodPoints, 0);
}

TEST_F(Statistics, StoredResultsOfAThousandAndMoreScoreByThreeCharacters) {
    results::criteria()[2].TargetTime = 2000;
    results::criteria()[3].PointMultiplier = 0.7f;
    Write(Records({{8, 2, 1234}, {8, 3, 32}, {8, 4, 32}, {9, 3, 32}}));
    ASSERT_TRUE(results::RecomputeStatistics(fake.Caution()));
    EXPECT_EQ(At(2, 8).TotalPoints, 46);  // 123 on the curve, not 1234 (7)
    EXPECT_EQ(At(3, 8).TotalPoints, 6);   // Int(0.7f x 10)
    EXPECT_EQ(At(4, 8).TotalPoints, 10);  // the same result at another level
    EXPECT_EQ(At(3, 9).TotalPoints, 6);
}

TEST_F(Statistics, MarkedRecordsLeaveTheHistoryButMayLowerABestTime) {
    QByteArray bytes = Records({{0, 4, 20}, {9, 0, 21}, {9, 4, 100}});
    results::CumulativeRecord deleted;
    deleted.RecordDate = -45000;
    deleted.PupilNumber = 9;
    deleted.Level = 4;
    deleted.Result = 22;
    bytes += results::EncodeRecord(deleted);
    Write(bytes);
    ASSERT_TRUE(results::RecomputeStatistics(fake.Caution()));
    EXPECT_EQ(results::stats().HistoryCount, 1);
    EXPECT_EQ(results::stats().History[0].Result, 100);
    EXPECT_EQ(At(4, 9).TotalRuns, 1);
    EXPECT_EQ(At(4, 9).BestTime, 22);  // from the deleted record
    EXPECT_EQ(At(4, 0).BestTime, 20);
    EXPECT_EQ(At(0, 9).BestTime, 21);
}

TEST_F(Statistics, RecordsWithoutASlotAreSkippedAndKept) {
    const QByteArray bytes =
        Records({{9, 36, 10}, {9, -1, 10}, {5001, 4, 10}, {-3, 4, 10}, {32767, 40, 10}, {9, 4, 70}});
    Write(bytes);
    ASSERT_TRUE(results::RecomputeStatistics(fake.Caution()));
    EXPECT_EQ(fake.endCount, 0);
    EXPECT_TRUE(fake.messages.isEmpty());
    EXPECT_EQ(results::stats().HistoryCount, 1);
    EXPECT_EQ(At(4, 9).BestTime, 70);
    EXPECT_EQ(At(4, 9).TotalRuns, 1);
    QFile f(results::ResultsFilePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), bytes);
}

// Values no run can have written: a negative time would score more points
// than any real run, a date far beyond any calendar would count inside every
// period. Such records are not read and stay in the file as they are.
TEST_F(Statistics, RecordsWithImpossibleValuesAreSkippedAndKept) {
    QByteArray bytes = Records({{9, 4, -5}, {9, 4, -2000000000}});
    for (const double date : {1e30, std::numeric_limits<double>::quiet_NaN(),
                              std::numeric_limits<double>::infinity(), results::kLastRecordDate + 1}) {
        results::CumulativeRecord r;
        r.RecordDate = date;
        r.PupilNumber = 9;
        r.Level = 4;
        r.Result = 20;
        bytes += results::EncodeRecord(r);
    }
    bytes += Records({{9, 4, 70}});
    Write(bytes);
    ASSERT_TRUE(results::RecomputeStatistics(fake.Caution()));
    EXPECT_EQ(fake.endCount, 0);
    EXPECT_EQ(results::stats().HistoryCount, 1);
    EXPECT_EQ(At(4, 9).TotalRuns, 1);
    EXPECT_EQ(At(4, 9).TotalPoints, 4);  // 70 s against a target of 60
    EXPECT_EQ(At(4, 9).PeriodPoints, 4);
    EXPECT_EQ(At(4, 9).TodayPoints, 4);
    EXPECT_EQ(At(4, 9).BestTime, 70);
    EXPECT_EQ(results::stats().SchoolBestTime[4], 70);
    QFile f(results::ResultsFilePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), bytes);
}

TEST_F(Statistics, SchoolBestCountsPupilsUpToAThousand) {
    Write(Records({{1001, 4, 10}, {1000, 4, 50}, {3, 4, 60}, {4000, 5, 15}}));
    ASSERT_TRUE(results::RecomputeStatistics(fake.Caution()));
    EXPECT_EQ(results::stats().SchoolBestTime[4], 50);
    EXPECT_EQ(results::stats().SchoolBestTime[5], results::kNoResult);
    EXPECT_EQ(At(4, 1001).BestTime, 10);
}

TEST_F(Statistics, LoadsOnlyTheNewestRecordsAndNoPartialTail) {
    QByteArray bytes = Records({{7, 9, 1}, {7, 9, 1}, {7, 9, 1}});  // the oldest three
    const QByteArray one = Records({{2, 1, 100}});
    bytes.reserve(bytes.size() + results::kMaxHistory * results::kRecordSize);
    for (int k = 0; k < results::kMaxHistory - 1; ++k) bytes += one;
    bytes += Records({{3, 1, 45}});  // the newest
    bytes += QByteArray(30, '\0');   // a torn append
    Write(bytes);
    ASSERT_TRUE(results::RecomputeStatistics(fake.Caution()));
    const auto& st = results::stats();
    EXPECT_EQ(st.HistoryCount, results::kMaxHistory);
    EXPECT_EQ(st.History.back().PupilNumber, 3);
    EXPECT_EQ(At(9, 7).BestTime, results::kNoResult) << "an older record was read";
    EXPECT_EQ(At(1, 2).TotalRuns, results::kMaxHistory - 1);
    EXPECT_EQ(At(1, 3).BestTime, 45);
}

TEST_F(Statistics, AnEmptyOrMissingFileGivesEmptyFigures) {
    results::stats().At(1, 1).TotalRuns = 9;
    ASSERT_TRUE(results::RecomputeStatistics(fake.Caution()));
    EXPECT_EQ(results::stats().HistoryCount, 0);
    EXPECT_EQ(At(1, 1).TotalRuns, 0);
    EXPECT_TRUE(QFile::exists(results::ResultsFilePath()));  // opening creates it
}

// A record deleted from the file leaves nothing of itself in the figures of
// the next rebuild, though that rebuild only writes the slots its records
// touch; a slot written after the rebuild starts from empty.
TEST_F(Statistics, ARebuildLeavesNothingOfRecordsTheFileNoLongerHolds) {
    Write(Records({{5, 1, 30, 0}, {5, 2, 40, 0}, {6, 1, 50, 0}}));
    ASSERT_TRUE(results::RecomputeStatistics(fake.Caution()));
    ASSERT_EQ(At(1, 5).TotalRuns, 1);
    Write(Records({{6, 1, 50, 0}}));
    ASSERT_TRUE(results::RecomputeStatistics(fake.Caution()));
    for (const int level : {1, 2}) {
        SCOPED_TRACE(level);
        EXPECT_EQ(At(level, 5).TotalRuns, 0);
        EXPECT_EQ(At(level, 5).TodayPoints, 0);
        EXPECT_EQ(At(level, 5).BestTime, results::kNoResult);
    }
    EXPECT_EQ(At(1, 6).TotalRuns, 1);
    EXPECT_EQ(results::stats().Totals[5].TotalRuns, 0);
    results::stats().At(2, 5).TotalRuns += 1;
    EXPECT_EQ(At(2, 5).TotalRuns, 1);
    EXPECT_EQ(At(2, 5).TotalPoints, 0);
}

TEST_F(Statistics, AMissingFolderEndsTheProgramAfterFourWaits) {
    common::runState().ProgramDataFolder = dir.path() + QStringLiteral("/gone/");
    fake.tickStep = 1000;
    const quint32 before = fake.ticks;
    EXPECT_FALSE(fake.Handled(results::RecomputeStatistics(fake.Caution())));
    EXPECT_GE(fake.ticks - before, 20000u);
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("ファイルがありません3ファイルが見つかりません。2"));
    EXPECT_EQ(fake.endCount, 1);
}

TEST_F(Statistics, AHandlerAskingAgainDuringAWaitDoesNotRebuildTwice) {
    common::runState().ProgramDataFolder = dir.path() + QStringLiteral("/later/");
    fake.tickStep = 200;
    int nestedCalls = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        ++nestedCalls;
        EXPECT_TRUE(results::RecomputeStatistics(fake.Caution()));
        // The nested call returned at once; the share comes back while the
        // first rebuild is still waiting for it.
        if (QDir(dir.path()).mkdir(QStringLiteral("later"))) {
            QFile f(results::ResultsFilePath());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(Records({{5, 1, 30}, {5, 1, 60}}));
        }
    });
    timer.start(1);
    ASSERT_TRUE(results::RecomputeStatistics(fake.Caution()));
    timer.stop();
    EXPECT_GT(nestedCalls, 0);
    EXPECT_TRUE(fake.messages.isEmpty());
    EXPECT_EQ(results::stats().HistoryCount, 2);
    EXPECT_EQ(At(1, 5).TotalRuns, 2);
    EXPECT_EQ(At(1, 5).TotalPoints, 16);
}

TEST_F(Statistics, AnUnreadableFileEndsTheProgramWithTheLoadingMessage) {
    // A folder where the file should be: not busy, not missing.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("成績累積データ.dat")));
    EXPECT_FALSE(fake.Handled(results::RecomputeStatistics(fake.Caution())));
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_EQ(fake.messages[0].text,
              QStringLiteral("成績ランダムファイル表示321ファイル名がフォルダを指しています。21"
                             "/date0:00:00/i=0/time=0:00:00/name=/Bangou=0/level=0/time=0line3"));
    EXPECT_EQ(fake.endCount, 1);
}

}  // namespace
