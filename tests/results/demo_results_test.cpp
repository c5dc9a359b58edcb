#include "demoschool.h"

#include "core/common/dates.h"
#include "fakeplatform.h"
#include "core/results/criteria.h"
#include "core/results/resultsfile.h"
#include "core/results/statistics.h"
#include "core/common/runstate.h"
#include "core/common/sharedstate.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class DemoResults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        options.today = QDate(2024, 5, 1);
        fake.now = QDateTime(options.today, QTime(16, 0));
        common::ResetSharedState();
        common::runState().ProgramDataFolder = dir.path() + QStringLiteral("/CAIdata/ローマ字/");
    }
    void TearDown() override { common::ResetSharedState(); }
    bool LayOut() {
        QString error;
        const bool ok = demo::LayOutBase(dir.path(), options, error) &&
                        demo::LayOutResults(dir.path(), options, error);
        EXPECT_TRUE(ok) << error.toStdString();
        return ok;
    }

    QTemporaryDir dir;
    demo::Options options;
    testing_support::FakePlatform fake;
};

TEST_F(DemoResults, FifteenLevelsAndAPlausibleHistoryEndingToday) {
    ASSERT_TRUE(LayOut());
    QString error;
    ASSERT_TRUE(results::LoadCriteria(error)) << error.toStdString();
    EXPECT_EQ(results::criteria().SlotsRead, 16);
    for (int level = 1; level <= 15; ++level) {
        const auto& c = results::criteria()[level];
        EXPECT_GT(c.TargetTime, 0) << level;
        EXPECT_GT(c.MinimumTime, c.TargetTime) << level;
        EXPECT_GT(c.PointMultiplier, 0) << level;
        EXPECT_GT(c.JudgementDays.Value(), 0) << level;
    }
    EXPECT_EQ(results::criteria()[1].TargetTime, 30);
    EXPECT_EQ(results::criteria()[1].MinimumTime, 60);

    QFile f(results::ResultsFilePath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_EQ(bytes.size() % results::kRecordSize, 0);
    const int n = static_cast<int>(bytes.size() / results::kRecordSize);
    EXPECT_GE(n, 200);
    EXPECT_LE(n, 1000);

    const double today = common::DateValue(options.today);
    QSet<int> pupils;
    int todays = 0;
    int timeOuts = 0;
    double previous = 0;
    for (int k = 0; k < n; ++k) {
        const auto r = results::DecodeRecord(bytes.constData() + k * results::kRecordSize);
        const double when = r.RecordDate + r.RecordTime;
        EXPECT_GE(when, previous) << "record " << k + 1 << " out of order";
        previous = when;
        EXPECT_GT(r.RecordDate, today - 42);
        EXPECT_LE(r.RecordDate, today);
        EXPECT_TRUE((r.PupilNumber >= 1 && r.PupilNumber <= 40) || r.PupilNumber == 90);
        EXPECT_GE(r.Level, 1);
        EXPECT_LE(r.Level, 15);
        EXPECT_EQ(r.SchoolCodeText, QByteArray("01234"));  // the demo's classroom code
        if (r.Result == results::kNoResult) {
            ++timeOuts;
        } else {
            EXPECT_GT(r.Result, 0);
            EXPECT_LT(r.Result, results::criteria()[r.Level].MinimumTime * 5);
        }
        pupils.insert(r.PupilNumber);
        if (r.RecordDate == today) ++todays;
    }
    EXPECT_GE(pupils.size(), 8);
    EXPECT_GT(todays, 0);
    EXPECT_GT(timeOuts, 0);
    EXPECT_LT(timeOuts, n / 10);

    ASSERT_TRUE(results::RecomputeStatistics(fake.Caution()));
    EXPECT_EQ(results::stats().HistoryCount, n);
    EXPECT_LT(results::stats().SchoolBestTime[1], results::kNoResult);
}

TEST_F(DemoResults, WithoutResultsOnlyTheCriteria) {
    options.withResults = false;
    ASSERT_TRUE(LayOut());
    EXPECT_TRUE(QFile::exists(common::runState().ProgramDataFolder + QStringLiteral("タイム回数データ.txt")));
    EXPECT_FALSE(QFile::exists(results::ResultsFilePath()));
}

}  // namespace
