// The school builder: what it writes is what the program's own readers read
// back, and its made-up rosters and histories have the shape they promise.
#include "schoolbuilder.h"

#include "core/common/dates.h"
#include "core/common/runstate.h"
#include "fakeplatform.h"
#include "filebytes.h"
#include "core/menus/roster.h"
#include "core/results/resultsfile.h"
#include "core/common/sharedstate.h"
#include "core/sound/sound.h"
#include "core/startup/configuration.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

using results::kNoResult;

class SchoolBuilder : public ::testing::Test {
protected:
    void SetUp() override { common::ResetSharedState(); }
    void TearDown() override { common::ResetSharedState(); }
    testing_support::FakePlatform fake;  // 2026-12-10
    QTemporaryDir dir;
};

TEST_F(SchoolBuilder, WhatItWritesIsWhatTheProgramReads) {
    school::Builder school(school::InstallationFolders(dir.path()));
    school.Settings({.startMonth = 3, .classroom = QStringLiteral("12345南教室"), .listFlagTwo = 1})
        .Roster({{1, 2017, QStringLiteral("山田　太郎")},
                 {2, 2016, QStringLiteral("休会中"), 1, 7, 8, QStringLiteral("メモ")},
                 {3, 2015, QStringLiteral("体験"), 2},
                 school::Teacher(90)})
        .Criteria(school::UniformCriteria({.target = 45, .multiplier = 0.7f, .tooMuchCount = "10"}))
        .DefaultSounds()
        .Results({{1, 3, 41, QDate(2026, 12, 9), QTime(16, 5, 30)}})
        .Results({{90, 15, kNoResult, QDate(2026, 12, 10), QTime(9, 0), QStringLiteral("99999")}})
        .Load();
    ASSERT_TRUE(school.Ok()) << school.Error().toStdString();

    const common::RunState& s = common::runState();
    EXPECT_EQ(s.DataRoot, dir.path() + QStringLiteral("/CAIdata/"));
    EXPECT_EQ(s.ProgramDataFolder, dir.path() + QStringLiteral("/CAIdata/ローマ字/"));
    EXPECT_EQ(s.SoundFolder, dir.path() + QStringLiteral("/CAIdata/音フォルダ/"));
    EXPECT_EQ(s.SchoolCode, QStringLiteral("12345"));
    EXPECT_EQ(s.SchoolName, QStringLiteral("南教室"));
    EXPECT_EQ(startup::commonSettings().SchoolYearStartMonth, 3);
    EXPECT_EQ(startup::commonSettings().ListFlagTwo, 1);

    EXPECT_EQ(results::criteria().SlotsRead, 16);
    for (int level = 1; level <= 15; ++level) {
        const results::CriteriaRow& c = results::criteria()[level];
        EXPECT_EQ(c.TargetTime, 45) << level;
        EXPECT_EQ(c.MinimumTime, 60) << level;
        EXPECT_EQ(c.PointMultiplier, 0.7f) << level;
        EXPECT_EQ(c.TooMuchCount.Text, QStringLiteral("10")) << level;
        EXPECT_EQ(c.JudgementDays.Text, QStringLiteral("7")) << level;
    }
    EXPECT_TRUE(sound::MissingAnswerSounds().isEmpty());

    // December of a year that starts in March: school year 2026. Flag 2 is
    // listed with ListFlagTwo; the unlisted entry is in the tables all the same.
    const menus::Roster& r = menus::roster();
    EXPECT_EQ(r.SchoolYear, 2026);
    ASSERT_EQ(r.ShownPupilCount, 3);
    EXPECT_EQ((std::vector<int>{r.ShownPupils[1], r.ShownPupils[2], r.ShownPupils[3]}), (std::vector<int>{1, 3, 90}));
    EXPECT_EQ(r.PupilName[2], QStringLiteral("休会中").leftJustified(20));
    EXPECT_EQ(r.PupilBirthYear[2], 2016);
    EXPECT_EQ(r.PupilGradeLabel[1], QStringLiteral("小３"));
    const menus::RosterReading file = menus::ReadRosterFile(s.DataRoot + QStringLiteral("新名簿.txt"));
    ASSERT_EQ(file.entries.size(), 4u);
    EXPECT_EQ(file.entries[1].ExtraNumber1, 7);
    EXPECT_EQ(file.entries[1].ExtraNumber2, 8);
    EXPECT_EQ(file.entries[1].ExtraText1, QStringLiteral("メモ").leftJustified(20));

    // Both runs, appended one after the other, as the run end writes them.
    const QByteArray bytes = testing_support::FileBytes(school.ResultsFile());
    ASSERT_EQ(bytes.size(), 2 * results::kRecordSize);
    const results::CumulativeRecord first = results::DecodeRecord(bytes.constData());
    EXPECT_EQ(first.RecordDate, common::DateValue(QDate(2026, 12, 9)));
    EXPECT_EQ(first.RecordTime, common::TimeValue(QTime(16, 5, 30)));
    EXPECT_EQ(first.PupilNumber, 1);
    EXPECT_EQ(first.Level, 3);
    EXPECT_EQ(first.Result, 41);
    EXPECT_EQ(first.SchoolCodeText, QByteArray("01234"));
    EXPECT_EQ(first.PointsText, QByteArray("0    "));
    const results::CumulativeRecord second = results::DecodeRecord(bytes.constData() + results::kRecordSize);
    EXPECT_EQ(second.PupilNumber, 90);
    EXPECT_EQ(second.Result, kNoResult);
    EXPECT_EQ(second.SchoolCodeText, QByteArray("99999"));
}

TEST_F(SchoolBuilder, MadeUpRosterHasItsSizeListedShareAndTeacher) {
    const school::RosterOptions options{.entries = 500, .listed = 200, .schoolYear = 2026, .teacher = 900};
    const std::vector<school::Pupil> roster = school::MadeUpRoster(options);
    ASSERT_EQ(roster.size(), 501u);
    const std::vector<int> listed = school::ListedNumbers(roster);
    EXPECT_EQ(listed.size(), 201u);
    EXPECT_EQ(listed.back(), 900);
    EXPECT_EQ(roster.back().name, QStringLiteral("先生"));
    // Spread through the roster: every stretch of five entries has two listed.
    for (int first = 1; first + 4 <= 500; first += 5)
        EXPECT_EQ(std::count_if(listed.begin(), listed.end(), [first](int n) { return n >= first && n < first + 5; }), 2)
            << first;
    std::set<int> grades;
    for (int i = 0; i < 500; ++i) {
        EXPECT_EQ(roster[size_t(i)].number, i + 1);
        EXPECT_GE(roster[size_t(i)].name.size(), 2);
        EXPECT_LE(roster[size_t(i)].name.size(), 6);
        grades.insert(menus::GradeNumber(2026, roster[size_t(i)].birthYear));
    }
    EXPECT_EQ(*grades.begin(), -2);
    EXPECT_EQ(*grades.rbegin(), 12);
    // The program reads it whole, and the same options make the same roster.
    const menus::ParsedRoster read = menus::ParseRoster(school::RosterText(roster));
    EXPECT_TRUE(read.faults.isEmpty());
    EXPECT_EQ(read.entries.size(), 501u);
    EXPECT_EQ(school::RosterText(school::MadeUpRoster(options)), school::RosterText(roster));
}

TEST_F(SchoolBuilder, MadeUpHistoryGrowsInTimeOrderUpToToday) {
    const school::HistoryOptions options{.records = 1000, .today = QDate(2026, 12, 10), .days = 10,
                                         .pupils = {3, 4, 5}, .regularPupil = 9, .regularEvery = 10,
                                         .timeOutEvery = 50, .otherSchoolEvery = 100};
    const std::vector<school::Run> runs = school::MadeUpHistory(options);
    ASSERT_EQ(runs.size(), 1000u);
    EXPECT_EQ(runs.front().date, QDate(2026, 12, 1));
    EXPECT_EQ(runs.back().date, QDate(2026, 12, 10));
    int regular = 0, timedOut = 0, others = 0;
    for (size_t k = 0; k < runs.size(); ++k) {
        const school::Run& r = runs[k];
        if (k > 0) {
            const school::Run& before = runs[k - 1];
            EXPECT_TRUE(before.date < r.date || (before.date == r.date && before.time <= r.time)) << k;
        }
        EXPECT_GE(r.time, QTime(9, 0)) << k;
        EXPECT_LT(r.time, QTime(21, 0)) << k;
        EXPECT_TRUE(r.level >= 1 && r.level <= 15) << k;
        EXPECT_TRUE(r.result == kNoResult || (r.result >= 20 && r.result <= 219)) << k;
        EXPECT_TRUE(r.pupil == 9 || (r.pupil >= 3 && r.pupil <= 5)) << k;
        regular += r.pupil == 9;
        timedOut += r.result == kNoResult;
        others += r.school == QStringLiteral("99999");
    }
    EXPECT_EQ(regular, 100);
    EXPECT_EQ(timedOut, 20);
    EXPECT_EQ(others, 10);
    EXPECT_EQ(school::RecordBytes(school::MadeUpHistory(options)), school::RecordBytes(runs));
}

TEST_F(SchoolBuilder, AFailureStopsTheLaterStepsAndNamesWhatFailed) {
    const QString blocked = dir.filePath(QStringLiteral("file"));
    ASSERT_TRUE(testing_support::WriteFileBytes(blocked, "x"));
    school::Builder school(school::FlatFolders(blocked + QStringLiteral("/school")));
    school.Settings().Results({{1, 1, 20, QDate(2026, 12, 10)}});
    EXPECT_FALSE(school.Ok());
    EXPECT_TRUE(school.Error().contains(blocked + QStringLiteral("/school/"))) << school.Error().toStdString();
    EXPECT_EQ(testing_support::FileBytes(blocked), QByteArray("x"));
}

}  // namespace
