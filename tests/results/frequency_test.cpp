// The distribution of stored results for the criteria editor: counts of every
// level from one pass, the list lines, and when the file is read again.

#include "core/results/frequency.h"

#include "schoolbuilder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using school::Run;

const QDate kDay(2026, 12, 1);

QString Stars(int n) { return QString(n, u'★'); }

// Level 2: a handful of pupils with time-outs and slow results; level 3: a
// crowded bucket, so that one star stands for two results; level 5: nothing.
void WriteFixture(const QString& file) {
    school::AppendRuns(file, {
        {1, 2, 5, kDay}, {1, 2, 12, kDay}, {1, 2, 1500, kDay}, {1, 2, 99999, kDay},
        {2, 2, 14, kDay}, {2, 2, 8, kDay},
        {3, 2, 305, kDay}, {4, 2, 350, kDay},
        {0, 2, 3, kDay},                       // pupil 0 is counted like any other
        {7000, 2, 25, kDay}, {7000, 2, 21, kDay},  // a number beyond the roster too
        // No place in the lists:
        {1, 0, 5, kDay}, {1, 36, 5, kDay}, {1, -1, 5, kDay}, {1, 2, -5, kDay},
    });
    for (int pupil = 1; pupil <= 25; ++pupil) school::AppendRuns(file, {{pupil, 3, 45, kDay}});
    for (int pupil = 1; pupil <= 15; ++pupil) school::AppendRuns(file, {{pupil, 3, 55, kDay}});
    school::AppendRuns(file, {{26, 3, 61, kDay}});
}

class Frequency : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        file = dir.filePath(QStringLiteral("成績累積データ.dat"));
        WriteFixture(file);
        QString error;
        ASSERT_TRUE(results::CountFrequencies(counts, error, file)) << error.toStdString();
    }
    QTemporaryDir dir;
    QString file;
    results::FrequencyCounts counts;
};

struct LineCase {
    const char* name;
    int level;
    bool best;  // List4 rather than List3
    int index;  // 0 the header, b + 1 the line of bucket b
    QString text;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

class FrequencyLine : public Frequency, public ::testing::WithParamInterface<LineCase> {};

TEST_P(FrequencyLine, ReadsAsDescribed) {
    const LineCase& c = GetParam();
    const QStringList lines =
        c.best ? results::BestTimeLines(counts, c.level) : results::AllResultsLines(counts, c.level);
    // The header, then buckets 0 … 100 in both lists.
    ASSERT_EQ(lines.size(), 102);
    EXPECT_EQ(lines[c.index], c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, FrequencyLine,
    ::testing::Values(
        LineCase{"HeaderWithRunCountAndUnit", 2, false, 0, QStringLiteral("レベル2 今まで11回  （★=1）")},
        LineCase{"BucketZeroIsOneCharacterShorter", 2, false, 1, QStringLiteral("  0～") + Stars(3)},
        LineCase{"TenSecondBucket", 2, false, 2, QStringLiteral("  10～") + Stars(2)},
        LineCase{"EmptyBucketHasNoStars", 2, false, 4, QStringLiteral("  30～")},
        LineCase{"SlowResultKeepsItsBucket", 2, false, 31, QStringLiteral(" 300～★")},
        LineCase{"ThousandSecondsAndTimeOutsInLastBucket", 2, false, 101, QStringLiteral("1000～") + Stars(2)},
        LineCase{"BestHeader", 2, true, 0, QStringLiteral("レベル2 （★=1）")},
        LineCase{"OneBestPerPupil", 2, true, 1, QStringLiteral("  0～") + Stars(3)},
        LineCase{"PupilBeyondTheRosterHasABest", 2, true, 3, QStringLiteral("  20～★")},
        LineCase{"BestOf300AndMoreInBucket30", 2, true, 31, QStringLiteral(" 300～") + Stars(2)},
        LineCase{"BestBucketsAbove30StandWithoutStars", 2, true, 32, QStringLiteral(" 310～")},
        LineCase{"BestLinesGoOnToTheThousandBucket", 2, true, 101, QStringLiteral("1000～")},
        LineCase{"UnitIsATenthOfTheFullestBucket", 3, false, 0, QStringLiteral("レベル3 今まで41回  （★=2）")},
        LineCase{"StarsRoundedToNearest", 3, false, 5, QStringLiteral("  40～") + Stars(13)},  // 25 / 2
        LineCase{"HalfStarRoundsUp", 3, false, 6, QStringLiteral("  50～") + Stars(8)},      // 15 / 2
        LineCase{"BestUnit", 3, true, 0, QStringLiteral("レベル3 （★=2）")},
        LineCase{"BestStars", 3, true, 5, QStringLiteral("  40～") + Stars(13)},
        LineCase{"SecondResultOfAPupilIsNoBest", 3, true, 6, QStringLiteral("  50～")},
        LineCase{"LevelWithoutResults", 5, false, 0, QStringLiteral("レベル5 今まで0回  （★=1）")},
        LineCase{"LevelWithoutResultsBest", 5, true, 0, QStringLiteral("レベル5 （★=1）")},
        LineCase{"LevelBeyondTheTable", 40, false, 0, QStringLiteral("レベル40 今まで0回  （★=1）")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Frequency, LevelWithoutResultsHasNoStarAnywhere) {
    for (const QString& line : results::AllResultsLines(counts, 5).mid(1) + results::BestTimeLines(counts, 5).mid(1))
        EXPECT_FALSE(line.contains(u'★')) << line.toStdString();
    EXPECT_EQ(results::AllResultsLines(counts, 5).last(), QStringLiteral("1000～"));
    EXPECT_EQ(results::BestTimeLines(counts, 5).last(), QStringLiteral("1000～"));
}

TEST_F(Frequency, PartialRecordAtTheEndIsNotCounted) {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write(QByteArray(20, '\x05'));
    f.close();
    results::FrequencyCounts again;
    QString error;
    ASSERT_TRUE(results::CountFrequencies(again, error, file));
    EXPECT_EQ(again.Runs, counts.Runs);
    EXPECT_EQ(again.All, counts.All);
}

TEST_F(Frequency, CacheReadsTheFileAgainOnlyWhenItChanged) {
    results::FrequencyCache cache;
    QString error;
    ASSERT_TRUE(cache.Refresh(error, file));
    ASSERT_TRUE(cache.Refresh(error, file));
    EXPECT_EQ(cache.Reads(), 1);
    EXPECT_EQ(cache.Counts().Runs[2], 11);

    school::AppendRuns(file, {{9, 5, 33, kDay}});  // another PC appends
    ASSERT_TRUE(cache.Refresh(error, file));
    EXPECT_EQ(cache.Reads(), 2);
    EXPECT_EQ(cache.Counts().Runs[5], 1);

    // Records maintenance puts a file of the same size in its place.
    const QString other = dir.filePath(QStringLiteral("other.dat"));
    QFile::copy(file, other);
    QFile f(other);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    f.seek(18);
    f.write(QByteArray("\x07\x00", 2));  // the first record moves to level 7
    f.close();
    ASSERT_EQ(::rename(QFile::encodeName(other).constData(), QFile::encodeName(file).constData()), 0);
    ASSERT_TRUE(cache.Refresh(error, file));
    EXPECT_EQ(cache.Reads(), 3);
    EXPECT_EQ(cache.Counts().Runs[7], 1);
    EXPECT_EQ(cache.Counts().Runs[2], 10);
}

TEST_F(Frequency, UnreadableFileNamesItAndCountsNothing) {
    results::FrequencyCache cache;
    QString error;
    const QString missing = dir.filePath(QStringLiteral("away/成績累積データ.dat"));
    EXPECT_FALSE(cache.Refresh(error, missing));
    EXPECT_TRUE(error.contains(QStringLiteral("成績累積データ.dat"))) << error.toStdString();
    EXPECT_EQ(cache.Counts().Runs[2], 0);
}

}  // namespace
