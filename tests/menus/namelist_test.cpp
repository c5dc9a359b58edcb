// The name list: figure texts, row layout per mode, order and filter.
#include "core/menus/namelist.h"

#include "fakeplatform.h"
#include "schoolbuilder.h"
#include "core/results/criteria.h"
#include "core/results/statistics.h"
#include "core/common/runstate.h"
#include "core/common/sharedstate.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using menus::BuildNameList;
using menus::PupilEntry;

constexpr int kSchoolYear = 2026;  // born 2017: grade 3

PupilEntry Entry(int number, int birthYear, const QString& name) {
    PupilEntry e;
    e.Number = static_cast<std::int16_t>(number);
    e.BirthYear = static_cast<std::int16_t>(birthYear);
    e.Name = name + QString(20 - name.size(), u' ');
    return e;
}

TEST(NameListFigures, TextsCutAndBlank) {
    struct Case {
        QString (*text)(long long);
        long long value;
        const char16_t* expected;
    };
    const Case cases[] = {
        {menus::TodayRunsText, 1234, u"234回"},     {menus::TodayRunsText, 5, u"  5回"},
        {menus::TodayRunsText, 0, u"     "},        {menus::TodayPointsText, 12345, u"2345"},
        {menus::TodayPointsText, 7, u"   7"},       {menus::TodayPointsText, 0, u"  　"},
        {menus::TotalRunsText, 123456, u"23456回"}, {menus::TotalRunsText, 3, u"    3回"},
        {menus::TotalRunsText, 0, u"     　"},      {menus::TotalPointsText, 12345678, u"2345678"},
        {menus::TotalPointsText, 42, u"     42"},   {menus::TotalPointsText, 0, u"       "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.text(c.value), QString::fromUtf16(c.expected)) << c.value;
}

class NameListTest : public ::testing::Test {
protected:
    void SetUp() override { common::ResetSharedState(); }
    void TearDown() override { common::ResetSharedState(); }
};

TEST_F(NameListTest, FiguresSumLevelsOneToThirtyFivePerMode) {
    testing_support::FakePlatform fake;
    QTemporaryDir dir;
    common::runState().ProgramDataFolder = dir.path() + QStringLiteral("/");
    results::criteria().Reset();
    for (int level : {1, 3, 35}) {
        results::criteria()[level].TargetTime = 60;
        results::criteria()[level].PointMultiplier = 1;
    }
    // 30 s against 60 scores 11 points, 60 s scores 5.
    const QDate today = fake.now.date();
    const QString file = dir.path() + QStringLiteral("/成績累積データ.dat");
    school::AppendRuns(file, {{8, 1, 30, today}, {8, 1, 30, today}, {8, 35, 30, today},
                                       {8, 0, 30, today},     // level 0 is never counted
                                       {9, 1, 30, today}});   // another pupil
    for (int k = 0; k < 9; ++k) school::AppendRuns(file, {{8, 3, 60, today.addDays(-10)}});
    ASSERT_TRUE(results::RecomputeStatistics(fake.Caution()));
    const auto e = Entry(8, 2017, QStringLiteral("山田太郎"));
    const QString head = QStringLiteral("小3 山田太郎　　");  // 7 characters, padded to 9
    const char16_t* figures[4] = {u"  3回/   12回", u"  33/     78", u"  33/  3回", u"     78/   12回"};
    for (int mode = 0; mode < 4; ++mode)
        EXPECT_EQ(menus::NameRowText(e, 3, menus::FiguresOf(8), mode), head + QString::fromUtf16(figures[mode]))
            << mode;
    common::runState().Reset();
}

TEST_F(NameListTest, PadWidthDependsOnGradeAndMode) {
    struct Case {
        int grade;
        const char16_t* name;
        int mode;
        const char16_t* head;  // the row up to the first figure
    };
    const Case cases[] = {
        {0, u"あい", 0, u"幼3 あい　　　　　　"},      // kindergarten: width 11
        {-3, u"あい", 3, u"幼- あい　　　　　　"},
        {0, u"あい", 1, u"幼3 あい　　　　"},          // mode 1: width 9 for everyone
        {3, u"あい", 0, u"小3 あい　　　　"},
        {3, u"あい", 1, u"小3 あい　　　　"},
        {3, u"山田太郎花子", 2, u"小3 山田太郎花子"},     // exactly 9: no pad
        {3, u"寿限無寿限無五劫", 0, u"小3 寿限無寿限無五劫"},  // longer: no pad, row kept
        {0, u"寿限無寿限無五劫", 0, u"幼3 寿限無寿限無五劫"},  // exactly 11
    };
    for (const auto& c : cases) {
        const QString row = menus::NameRowText(Entry(1, 2000, QString::fromUtf16(c.name)), c.grade, {}, c.mode);
        const QString head = QString::fromUtf16(c.head);
        EXPECT_TRUE(row.startsWith(head)) << row.toStdString();
        // Blank figures follow at once.
        EXPECT_NE(row.at(head.size()), QChar(0x3000)) << row.toStdString();
    }
    // No runs at all: blanks in both columns (mode 1 as in the list on opening).
    EXPECT_EQ(menus::NameRowText(Entry(1, 2017, QStringLiteral("あい")), 3, {}, 1),
              QStringLiteral("小3 あい　　　　  　/       "));
}

TEST_F(NameListTest, YoungestFirstThenDescendingNamesAndFilter) {
    const std::vector<PupilEntry> listed = {
        Entry(1, 2017, QStringLiteral("あべ")),
        Entry(2, 2016, QStringLiteral("うえだ")),  // a year older: grade 4
        Entry(3, 2017, QStringLiteral("いとう")),
        Entry(4, 2018, QStringLiteral("えのき")),  // a year younger: grade 2
        Entry(5, 2017, QStringLiteral("a")),
        Entry(6, 2017, QStringLiteral("B")),       // locale order, not character codes: a < B
    };
    const auto all = BuildNameList(listed, 0, QStringLiteral("全学年"), kSchoolYear);
    auto names = [](const QStringList& rows) {
        QStringList out;
        for (const QString& r : rows.mid(1)) out << r.section(u' ', 1).section(u'　', 0, 0).trimmed();
        return out;
    };
    ASSERT_EQ(all.Shown.first(), menus::kNameListSeparator);
    EXPECT_EQ(names(all.Shown), (QStringList{"えのき", "いとう", "あべ", "B", "a", "うえだ"}));
    ASSERT_EQ(all.Parallel.size(), 6);
    for (qsizetype i = 0; i < all.Parallel.size(); ++i) {
        EXPECT_EQ(all.Parallel[i], all.Shown[i + 1] + QStringLiteral("*") + QString::number(all.Numbers[i]));
        EXPECT_TRUE(all.Shown[i + 1].contains(listed[size_t(all.Numbers[i] - 1)].Name.trimmed()));
    }
    EXPECT_TRUE(all.Sorted.front().KeyText().startsWith(QStringLiteral("2016小4 うえだ")));
    EXPECT_TRUE(all.Sorted.front().KeyText().endsWith(QStringLiteral("*2")));

    const auto third = BuildNameList(listed, 0, QStringLiteral("小３"), kSchoolYear);
    EXPECT_EQ(names(third.Shown), (QStringList{"いとう", "あべ", "B", "a"}));
    EXPECT_EQ(third.Sorted.size(), listed.size());  // the hidden list keeps everyone

    const auto none = BuildNameList(listed, 0, QStringLiteral("中１"), kSchoolYear);
    EXPECT_EQ(none.Shown, QStringList{menus::kNameListSeparator});
    EXPECT_TRUE(none.Parallel.isEmpty());
    EXPECT_EQ(BuildNameList({}, 1, QStringLiteral("全学年"), kSchoolYear).Shown,
              QStringList{menus::kNameListSeparator});
}

// The names of one year as the list shows them (descending), written by
// hand: the blank between family and given name is passed over, a number in
// a name counts as a number, kana before kanji.
TEST_F(NameListTest, NamesOfOneYearInTheListOrderOfEveryList) {
    const std::vector<PupilEntry> listed = {
        Entry(1, 2017, QStringLiteral("やまだ　たろう")), Entry(2, 2017, QStringLiteral("やまだけんじ")),
        Entry(3, 2017, QStringLiteral("やまだ　はなこ")), Entry(4, 2017, QStringLiteral("あべ2")),
        Entry(5, 2017, QStringLiteral("あべ10")),         Entry(6, 2017, QStringLiteral("山田")),
    };
    const auto list = BuildNameList(listed, 0, QStringLiteral("全学年"), kSchoolYear);
    QStringList shown;
    for (int number : list.Numbers) shown << listed[size_t(number - 1)].Name.trimmed();
    EXPECT_EQ(shown, (QStringList{"山田", "やまだ　はなこ", "やまだ　たろう", "やまだけんじ", "あべ10", "あべ2"}));
}

TEST_F(NameListTest, BirthYearOfAnyLengthKeepsGradeAndNumber) {
    // Born in the year 999 of a school year 1011: grade 6.
    const auto list = BuildNameList({Entry(42, 999, QStringLiteral("古い")), Entry(43, 1005, QStringLiteral("新しい"))},
                                    0, QStringLiteral("小６"), 1011);
    ASSERT_EQ(list.Shown.size(), 2);
    EXPECT_TRUE(list.Shown[1].startsWith(QStringLiteral("小6 古い")));
    EXPECT_EQ(list.Numbers, std::vector<int>{42});
    EXPECT_EQ(list.Sorted.front().KeyText().left(7), QStringLiteral("999小6 古"));
}

TEST_F(NameListTest, EqualNamesGoByFiguresThenNumberAndAChangedRosterResorts) {
    results::stats().Totals[2].TodayRuns = 5;
    std::vector<PupilEntry> listed = {Entry(1, 2017, QStringLiteral("あべ")), Entry(2, 2017, QStringLiteral("あべ")),
                                      Entry(3, 2017, QStringLiteral("あべ"))};
    // In list order a figure left blank (none) follows a written one, as
    // every line without a number follows the numbered ones; the list shows
    // them the other way round.
    EXPECT_EQ(BuildNameList(listed, 0, QStringLiteral("全学年"), kSchoolYear).Numbers, (std::vector<int>{3, 1, 2}));
    // The same list again, then one name changed: the order follows the roster.
    EXPECT_EQ(BuildNameList(listed, 0, QStringLiteral("全学年"), kSchoolYear).Numbers, (std::vector<int>{3, 1, 2}));
    listed[0] = Entry(1, 2017, QStringLiteral("かわ"));
    EXPECT_EQ(BuildNameList(listed, 0, QStringLiteral("全学年"), kSchoolYear).Numbers, (std::vector<int>{1, 3, 2}));
    listed[0] = Entry(1, 2016, QStringLiteral("かわ"));
    EXPECT_EQ(BuildNameList(listed, 0, QStringLiteral("全学年"), kSchoolYear).Numbers, (std::vector<int>{3, 2, 1}));
}

}  // namespace
