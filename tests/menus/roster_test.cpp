// The roster file, its tables and the grade rules.
#include "core/menus/roster.h"

#include "core/common/strings.h"
#include "core/common/textfile.h"
#include "fakeplatform.h"
#include "schoolbuilder.h"
#include "core/startup/configuration.h"
#include "core/common/runstate.h"
#include "core/common/sharedstate.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>

#include <gtest/gtest.h>

namespace {

using menus::roster;
using testing_support::FakePlatform;
using school::Pupil;

struct GradeCase {
    int grade;
    const char16_t* label;  // nullptr: none
    const char16_t* listLabel;
    const char16_t* mark;
};

TEST(GradeLabels, ThreeLabelSetsByGradeNumber) {
    const GradeCase cases[] = {
        {-3, nullptr, u"幼-", u"　"}, {-2, nullptr, u"幼1", u"　"}, {-1, nullptr, u"幼2", u"　"},
        {0, u"幼３", u"幼3", u"　"},  {1, u"小１", u"小1", u"①"},   {6, u"小６", u"小6", u"⑥"},
        {7, u"中１", u"中1", u"Ⅰ"},  {9, u"中３", u"中3", u"Ⅲ"},   {10, u"高１", u"高1", u"　"},
        {11, nullptr, u"高2", u"　"}, {12, nullptr, u"高3", u"　"}, {13, nullptr, u"大+", u"　"},
        {40, nullptr, u"大+", u"　"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.grade);
        const auto label = menus::GradeLabel(c.grade);
        if (c.label) {
            ASSERT_TRUE(label.has_value());
            EXPECT_EQ(*label, QString::fromUtf16(c.label));
        } else {
            EXPECT_FALSE(label.has_value());
        }
        EXPECT_EQ(menus::ListGradeLabel(c.grade), QString::fromUtf16(c.listLabel));
        EXPECT_EQ(menus::GradeMark(c.grade), QString::fromUtf16(c.mark));
    }
}

TEST(GradeFilter, PassesExactlyItsGrades) {
    struct Case {
        const char16_t* text;
        std::vector<int> passes;
    };
    const Case cases[] = {
        {u"全学年", {-5, 0, 1, 9, 10, 13, 30}},
        {u"小学生全体", {1, 2, 3, 4, 5, 6}},
        {u"中学生全体", {7, 8, 9}},
        {u"小１", {1}}, {u"小３", {3}}, {u"小６", {6}},
        {u"中１", {7}}, {u"中３", {9}},
        {u"高１", {}}, {u"幼３", {}}, {u"", {}}, {u"小3", {}},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        for (int grade = -5; grade <= 30; ++grade) {
            const bool expected = std::find(c.passes.begin(), c.passes.end(), grade) != c.passes.end() ||
                                  (text == QStringLiteral("全学年"));
            EXPECT_EQ(menus::PassesGradeFilter(text, grade), expected)
                << text.toStdString() << " grade " << grade;
        }
    }
    // Each of the twelve list texts lets some grade through.
    ASSERT_EQ(menus::GradeFilterTexts().size(), 12);
    for (const QString& text : menus::GradeFilterTexts()) {
        bool some = false;
        for (int grade = 0; grade <= 12; ++grade) some = some || menus::PassesGradeFilter(text, grade);
        EXPECT_TRUE(some) << text.toStdString();
    }
}

TEST(SchoolYear, StartsAtTheStartMonth) {
    struct Case {
        QDate today;
        int startMonth;
        int schoolYear;
    };
    const Case cases[] = {
        {QDate(2024, 3, 31), 4, 2023}, {QDate(2024, 4, 1), 4, 2024}, {QDate(2025, 3, 1), 4, 2024},
        {QDate(2024, 12, 31), 4, 2024}, {QDate(2024, 1, 1), 1, 2024}, {QDate(2024, 8, 31), 9, 2023},
    };
    for (const auto& c : cases)
        EXPECT_EQ(menus::SchoolYearOf(c.today, c.startMonth), c.schoolYear) << c.today.toString().toStdString();
    // Born 2017: kindergarten in March 2024, first year from April.
    EXPECT_EQ(menus::GradeNumber(menus::SchoolYearOf(QDate(2024, 3, 31), 4), 2017), 0);
    EXPECT_EQ(menus::GradeNumber(menus::SchoolYearOf(QDate(2024, 4, 1), 4), 2017), 1);
}

class RosterTest : public ::testing::Test {
protected:
    FakePlatform fake;
    QTemporaryDir dir;
    school::Builder school{school::FlatFolders(dir.path())};

    void SetUp() override {
        common::ResetSharedState();
        common::runState().DataRoot = dir.path() + QStringLiteral("/");
        fake.now = QDateTime(QDate(2026, 12, 10), QTime(10, 0));
        menus::ComputeSchoolYear();  // 2026: born 2017 is grade 3
    }
    QString Path() const { return dir.path() + QStringLiteral("/新名簿.txt"); }
    static std::vector<int> Numbers(const std::vector<menus::PupilEntry>& entries) {
        std::vector<int> out;
        for (const auto& e : entries) out.push_back(e.Number);
        return out;
    }
    static std::vector<int> Shown() {
        std::vector<int> out;
        for (int i = 1; i <= roster().ShownPupilCount; ++i) out.push_back(roster().ShownPupils[i]);
        return out;
    }
};

TEST_F(RosterTest, FillsTablesForEveryEntryAndListsByFlag) {
    ASSERT_TRUE(school.Roster({
        {1, 2017, QStringLiteral("山田　太郎")},
        {2, 2016, QStringLiteral("休会中"), 1},
        {3, 2015, QStringLiteral("体験"), 2},
        {4, 2010, QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXY")},  // 25 characters
        {6, 2017, QStringLiteral("先生, 本部")},
    }).Ok());
    for (int flagTwo : {0, 1}) {
        SCOPED_TRACE(flagTwo);
        startup::commonSettings().ListFlagTwo = flagTwo;
        const auto listed = menus::LoadRoster(fake.Caution());
        const std::vector<int> expected = flagTwo ? std::vector<int>{1, 3, 4, 6} : std::vector<int>{1, 4, 6};
        EXPECT_EQ(Numbers(listed), expected);
        EXPECT_EQ(Shown(), expected);
        EXPECT_TRUE(fake.messages.isEmpty());
    }
    // Unlisted entries are in the by-number tables all the same.
    EXPECT_EQ(roster().PupilName[2], QStringLiteral("休会中") + QString(17, ' '));
    EXPECT_EQ(roster().PupilBirthYear[2], 2016);
    EXPECT_EQ(roster().PupilGradeLabel[2], QStringLiteral("小４"));
    EXPECT_EQ(roster().PupilGradeLabel[1], QStringLiteral("小３"));
    EXPECT_EQ(roster().PupilName[4], QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
    EXPECT_EQ(roster().PupilName[6], QStringLiteral("先生, 本部") + QString(14, ' '));
    EXPECT_EQ(roster().PupilGradeLabel[4], QStringLiteral("高１"));
}

TEST_F(RosterTest, LaterEntryOfTheSameNumberWinsAndBothAreListed) {
    ASSERT_TRUE(school.Roster({
        {7, 2017, QStringLiteral("前の名前")},
        {7, 2009, QStringLiteral("後の名前")},  // grade 11: no stored label
    }).Ok());
    const auto listed = menus::LoadRoster(fake.Caution());
    EXPECT_EQ(Numbers(listed), (std::vector<int>{7, 7}));
    EXPECT_EQ(common::TrimSpaces(roster().PupilName[7]), QStringLiteral("後の名前"));
    EXPECT_EQ(roster().PupilBirthYear[7], 2009);
    // A grade without a stored label leaves the earlier one.
    EXPECT_EQ(roster().PupilGradeLabel[7], QStringLiteral("小３"));
}

TEST_F(RosterTest, FaultyFileIsReportedAndKeepsWhatWasRead) {
    struct Case {
        const char* what;
        QByteArray bytes;  // nothing: no file
        std::vector<int> listed;
        bool reported;
    };
    const QByteArray two = common::ToShiftJis(school::RosterText(
        {{1, 2017, QStringLiteral("一")}, {2, 2017, QStringLiteral("二")}}));
    const Case cases[] = {
        {"missing", QByteArray(), {}, true},
        {"cut in the middle of an entry", two + "3,2017,0,0,\"三\"", {1, 2}, true},
        {"empty", QByteArray(""), {}, false},
        {"blank lines after the last entry", two + "\r\n\r\n", {1, 2}, false},
        {"empty last field", two + "4,2017,0,0,\"四\",0,\"\",\r\n", {1, 2, 4}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(Path());
        if (!c.bytes.isNull()) {
            QFile f(Path());
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(c.bytes);
        }
        fake.messages.clear();
        roster().Reset();
        menus::ComputeSchoolYear();
        EXPECT_EQ(Numbers(menus::LoadRoster(fake.Caution())), c.listed);
        EXPECT_EQ(roster().ShownPupilCount, int(c.listed.size()));
        menus::LoadRoster(fake.Caution());  // the same fault again is not reported twice
        ASSERT_EQ(fake.messages.size(), c.reported ? 1 : 0);
        if (c.reported) {
            EXPECT_EQ(fake.messages[0].title, QStringLiteral("注意"));
            EXPECT_TRUE(fake.messages[0].text.contains(Path()));
        }
    }
}

// A roster written by hand: one entry between two good ones. An entry whose
// number, birth year or listing flag is no usable number is named by its
// line and left out; the unused extra numbers never drop an entry.
struct HandWrittenEntry {
    const char* label;
    const char* line;  // the second line of the roster
    bool left;         // left out and reported
    const char* named; // what the message shows of it
};

class RosterHandWritten : public RosterTest, public ::testing::WithParamInterface<HandWrittenEntry> {};

TEST_P(RosterHandWritten, FaultyNumbersAreReportedByLineAndNotListed) {
    const HandWrittenEntry& c = GetParam();
    QFile f(Path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(common::ToShiftJis(QStringLiteral("1,2017,0,0,\"一\",0,\"\",\"\"\r\n") + QString::fromUtf8(c.line) +
                               QStringLiteral("\r\n3,2017,0,0,\"三\",0,\"\",\"\"\r\n")));
    f.close();
    const std::vector<int> expected = c.left ? std::vector<int>{1, 3} : std::vector<int>{1, 5, 3};
    EXPECT_EQ(Numbers(menus::LoadRoster(fake.Caution())), expected);
    EXPECT_EQ(Shown(), expected);
    EXPECT_EQ(Numbers(menus::LoadRoster(fake.Caution())), expected);  // reported once, as every roster fault
    if (!c.left) {
        EXPECT_TRUE(fake.messages.isEmpty());
        EXPECT_EQ(common::TrimSpaces(roster().PupilName[5]), QStringLiteral("五"));
        return;
    }
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_EQ(fake.messages[0].title, QStringLiteral("注意"));
    EXPECT_TRUE(fake.messages[0].text.contains(QStringLiteral("2行目：") + QString::fromUtf8(c.named)))
        << fake.messages[0].text.toStdString();
    EXPECT_TRUE(fake.messages[0].text.contains(Path()));
    EXPECT_TRUE(roster().PupilName[0].isEmpty());
    EXPECT_TRUE(roster().PupilName[5].isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RosterHandWritten,
    ::testing::Values(
        HandWrittenEntry{"NumberIsText", "\"abc\",2017,0,0,\"五\",0,\"\",\"\"", true, "番号「abc」"},
        HandWrittenEntry{"NumberWithTextAfterIt", "5x,2017,0,0,\"五\",0,\"\",\"\"", true, "番号「5x」"},
        HandWrittenEntry{"NumberZero", "0,2017,0,0,\"五\",0,\"\",\"\"", true, "番号「0」"},
        HandWrittenEntry{"NumberBeyond16Bits", "65541,2017,0,0,\"五\",0,\"\",\"\"", true, "番号「65541」"},
        HandWrittenEntry{"NumberBeyondTheTables", "5001,2017,0,0,\"五\",0,\"\",\"\"", true, "番号「5001」"},
        HandWrittenEntry{"NegativeNumber", "-5,2017,0,0,\"五\",0,\"\",\"\"", true, "番号「-5」"},
        HandWrittenEntry{"BirthYearIsText", "5,平成二十九,0,0,\"五\",0,\"\",\"\"", true,
                         "生まれ年度「平成二十九」"},
        HandWrittenEntry{"BirthYearBeyond16Bits", "5,201700,0,0,\"五\",0,\"\",\"\"", true,
                         "生まれ年度「201700」"},
        HandWrittenEntry{"ListingFlagIsText", "5,2017,0,0,\"五\",\"表示\",\"\",\"\"", true,
                         "表示区分「表示」"},
        HandWrittenEntry{"ExtraNumbersBeyond16BitsOrText", "5,2017,99999,\"abc\",\"五\",0,\"\",\"\"", false, ""},
        HandWrittenEntry{"EmptyExtraNumbersAndFlag", "5,2017,,,\"五\",,\"\",\"\"", false, ""},
        HandWrittenEntry{"QuotedNumber", "\"5\",2017,0,0,\"五\",0,\"\",\"\"", false, ""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RosterTest, RereadsARosterChangedToTheSameSize) {
    ASSERT_TRUE(school.Roster({{1, 2017, QStringLiteral("あべ")}, {2, 2017, QStringLiteral("いと")}}).Ok());
    EXPECT_EQ(menus::LoadRoster(fake.Caution()).size(), 2u);
    ASSERT_TRUE(school.Roster({{1, 2017, QStringLiteral("かわ")}, {2, 2017, QStringLiteral("いと"), 1}}).Ok());
    const auto listed = menus::LoadRoster(fake.Caution());
    ASSERT_EQ(Numbers(listed), std::vector<int>{1});
    EXPECT_EQ(common::TrimSpaces(listed[0].Name), QStringLiteral("かわ"));
    EXPECT_EQ(common::TrimSpaces(roster().PupilName[1]), QStringLiteral("かわ"));
}

TEST_F(RosterTest, KeepsAtMostFiveThousandListedEntries) {
    std::vector<Pupil> lines;
    for (int i = 0; i < 5003; ++i) lines.push_back({1 + i % 5000, 2017, QStringLiteral("名%1").arg(i)});
    ASSERT_TRUE(school.Roster(lines).Ok());
    EXPECT_EQ(menus::LoadRoster(fake.Caution()).size(), 5000u);
    EXPECT_EQ(roster().ShownPupilCount, 5000);
    EXPECT_EQ(roster().ShownPupils[5000], 5000);
    // The entries beyond still update the tables.
    EXPECT_EQ(common::TrimSpaces(roster().PupilName[3]), QStringLiteral("名5002"));
}

TEST_F(RosterTest, PupilPickerListsFlagZeroSortedWithTrimmedNames) {
    startup::commonSettings().ListFlagTwo = 1;
    ASSERT_TRUE(school.Roster({
        {12, 2017, QStringLiteral("  山田")},
        {3, 2016, QStringLiteral("佐藤")},
        {4, 2017, QStringLiteral("体験"), 2},
        {5, 2017, QStringLiteral("休会"), 1},
        {9, 2017, QStringLiteral("伊藤")},
    }).Ok());
    const QStringList lines = menus::LoadPupilPicker(fake.Caution());
    ASSERT_EQ(lines.size(), 3);
    // Equal grade labels together; the number after the last "/".
    EXPECT_TRUE(lines.contains(QStringLiteral("小３ /  山田/12")));
    EXPECT_TRUE(lines.contains(QStringLiteral("小４ /  佐藤/3")));
    EXPECT_TRUE(lines.contains(QStringLiteral("小３ /  伊藤/9")));
    EXPECT_NE(lines[1], QStringLiteral("小４ /  佐藤/3"));  // the two 小３ lines stay together
    EXPECT_EQ(roster().PupilName[12], QStringLiteral("山田"));
    EXPECT_EQ(roster().PupilName[5], QStringLiteral("休会"));
}

}  // namespace
