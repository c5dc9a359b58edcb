// The result listings on the real level menu, offscreen with the platform
// double: the view switches, their captions, Label5 and the lists.
#include "screens/views/resultlistings.h"

#include "accessiblelines.h"
#include "core/common/collation.h"
#include "screens/kit/flow.h"
#include "screens/kit/textlist.h"
#include "screens/menus/seisekitime1.h"
#include "schoolbuilder.h"
#include "screentest.h"
#include "qstringprint.h"
#include "screens/views/graphpanel.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

using menus::seisekitime1;
using shell::ScreenHost;
using school::AppendRuns;
using testing_support::ScreenTest;

constexpr int kSchoolYear = 2026;

class ResultListingsTest : public ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        common::runState().CurrentPupilName = QStringLiteral("先生");
        // 山田 (signed in, 小3), 佐藤 小4, 鈴木 中1.
        school::SetRosterTables(kSchoolYear, {{kPupil, QStringLiteral("山田"), 3},
                                              {8, QStringLiteral("佐藤"), 4},
                                              {9, QStringLiteral("鈴木"), 7}});
        fake.now = QDateTime(today, QTime(16, 0));  // a Thursday
        // Level 1, target 30 s, ×1.5: 25 s gives 5 base and 7 run points,
        // 40 s 4 and 6, 20 s 6 and 9; a time-out none.
        AppendRuns(File(), {{kPupil, 1, 40, today.addDays(-1)},
                            {8, 1, 20, today.addDays(-3), QTime(9, 30)},
                            {kPupil, 1, 25, today, QTime(10, 0)},
                            {8, 1, 99999, today, QTime(11, 0)}});
    }

    QString File() const { return common::runState().ProgramDataFolder + QStringLiteral("成績累積データ.dat"); }

    seisekitime1* Open() {
        flow::ShowLevelMenu();
        return Find<seisekitime1>();
    }
};

// The menu's switches and results lists, found by their names.
QRadioButton* Option1(seisekitime1* m, int index) { return ScreenTest::Control<QRadioButton>(m, "Option1", index); }
QRadioButton* Option2(seisekitime1* m, int index) { return ScreenTest::Control<QRadioButton>(m, "Option2", index); }
kit::SortedTextList* List5(seisekitime1* m, int level) {
    return ScreenTest::Control<kit::SortedTextList>(m, "List5", level);
}

QStringList Rows(seisekitime1* m, int level) { return List5(m, level)->Rows(); }

// The lines in the list's own order: ascending text, Japanese collation.
QStringList InListOrder(QStringList lines) {
    common::SortAscending(lines);
    return lines;
}

QStringList Captions(seisekitime1* m) {
    return {Option1(m, 1)->text(), Option1(m, 2)->text(), Option1(m, 3)->text()};
}

const QStringList kPointsTotal = {"1●山田　　　  7/   13", "2④佐藤　　　  0/    9", "3Ⅰ鈴木　　　  0/    0"};
const QStringList kPointsToday = {"1●山田　　　  7/   13"};
const QStringList kBest = {"1④佐藤　　　    20 　", "2●山田　　　    25 ●", "--Ⅰ鈴木　　　------ 　"};
const QStringList kTodayRuns = {"  25秒 10:00●山田　　　●5", "　　× 11:00④佐藤　　　④"};
const QStringList kAllTimes = {"  40秒 12/09●山田　　　●4", "  20秒 12/07④佐藤　　　④6",
                               "  25秒 12/10●山田　　　●5", "　　× 12/10④佐藤　　　④"};
const QStringList kAllPoints = {"    4 12/09●山田　　　●40秒", "    6 12/07④佐藤　　　④20秒",
                                "    5 12/10●山田　　　●25秒", "　　× 12/10④佐藤　　　④"};

TEST_F(ResultListingsTest, FirstActivationShowsTheAllTimePointsRankingInEveryColumn) {
    seisekitime1* m = Open();
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(Option1(m, 1)->isChecked());
    EXPECT_TRUE(Option2(m, 1)->isChecked());
    EXPECT_EQ(m->Choices().ValueKind, 2);
    EXPECT_EQ(m->Choices().PointsPeriod, 1);
    EXPECT_EQ(Control<QLabel>(m, "Label5")->text(), QStringLiteral("獲得ポイント（今まで順位）"));
    EXPECT_EQ(Captions(m), QStringList({"累計順", "本日順", "オール表示"}));
    EXPECT_EQ(Rows(m, 1), InListOrder(kPointsTotal));
    // Each line carries its pupil.
    EXPECT_EQ(List5(m, 1)->Tag(List5(m, 1)->Rows().indexOf(kPointsTotal[1])), 8);
    for (int i = 2; i <= 15; ++i) {
        EXPECT_EQ(Rows(m, i), InListOrder({"1●山田　　　  0/    0", "1④佐藤　　　  0/    0", "1Ⅰ鈴木　　　  0/    0"}))
            << i;
        EXPECT_EQ(Control<QLabel>(m, "Label9", i)->text(), QStringLiteral("今日"));
        EXPECT_EQ(Control<QLabel>(m, "Label10", i)->text(), QStringLiteral("今まで"));
        EXPECT_TRUE(List5(m, i)->isVisibleTo(m));
    }
    EXPECT_FALSE(Control<QWidget>(m, "Picture6")->isVisible());
    EXPECT_TRUE(Control<QPushButton>(m, "Command1")->isEnabled());
    EXPECT_EQ(m->MenuReady(), 1);
}

struct Step {
    const char* name;
    std::function<void(seisekitime1*)> act;
    QStringList captions;
    QString label5;
    QStringList level1;  // lines of List5(1), any order
    bool combo2Shown = false;
};

void Click(QRadioButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2)); }

TEST_F(ResultListingsTest, EverySwitchGivesItsCaptionsLabelAndLines) {
    const Step steps[] = {
        {"TimesBest", [](auto* m) { Click(Option2(m, 0)); }, {"BEST表示", "本日のみ", "オール表示"}, "ベスト成績", kBest},
        {"TimesToday", [](auto* m) { Click(Option1(m, 2)); }, {"BEST表示", "本日のみ", "オール表示"}, "本日の成績",
         kTodayRuns},
        {"TimesAllRuns", [](auto* m) { Click(Option1(m, 3)); }, {"BEST表示", "本日のみ", "オール表示"}, "", kAllTimes,
         true},
        {"PointsAllRuns", [](auto* m) { Click(Option2(m, 1)); }, {"合計累計", "合計本日", "すべて"}, "", kAllPoints, true},
        {"PointsToday", [](auto* m) { Click(Option1(m, 2)); }, {"合計累計", "合計本日", "すべて"},
         "獲得ポイント（今日の順位）", kPointsToday},
        {"PointsAllTime", [](auto* m) { Click(Option1(m, 1)); }, {"合計累計", "合計本日", "すべて"},
         "獲得ポイント（今まで順位）", kPointsTotal},
        {"BackToTimesKeepsTheThirdCaption", [](auto* m) { Click(Option2(m, 0)); }, {"BEST表示", "本日のみ", "すべて"},
         "ベスト成績", kBest},
        {"TimesAllRunsAgain", [](auto* m) { Click(Option1(m, 3)); }, {"BEST表示", "本日のみ", "すべて"}, "", kAllTimes,
         true},
        {"PointsTodayFromTimesToday",
         [](auto* m) {
             Click(Option1(m, 2));
             Click(Option2(m, 1));
         },
         {"合計累計", "合計本日", "すべて"}, "獲得ポイント（今日の順位）", kPointsToday},
    };
    seisekitime1* m = Open();
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        s.act(m);
        EXPECT_EQ(Captions(m), s.captions);
        EXPECT_EQ(Control<QLabel>(m, "Label5")->text(), s.label5);
        EXPECT_EQ(Rows(m, 1), InListOrder(s.level1));
        EXPECT_EQ(Control<QComboBox>(m, "Combo2")->isVisibleTo(m), s.combo2Shown);
        EXPECT_FALSE(Control<QWidget>(m, "Picture6")->isVisible());
        EXPECT_TRUE(List5(m, 1)->isVisibleTo(m));
        EXPECT_TRUE(Control<QPushButton>(m, "Command1")->isEnabled());
        EXPECT_TRUE(Control<QPushButton>(m, "Command4", 1)->isEnabled());
        EXPECT_TRUE(Control<QWidget>(m, "Picture1")->isEnabled());
    }
}

TEST_F(ResultListingsTest, GradeFilterRunsTheCurrentChoiceAgain) {
    seisekitime1* m = Open();
    Click(Option2(m, 0));
    Click(Option1(m, 2));
    auto* grades = Control<QComboBox>(m, "Combo1");
    grades->setCurrentText(QStringLiteral("小４"));
    Q_EMIT grades->activated(grades->currentIndex());
    EXPECT_EQ(Control<QLabel>(m, "Label5")->text(), QStringLiteral("本日の成績"));
    EXPECT_EQ(Rows(m, 1), QStringList({"　　× 11:00④佐藤　　　④"}));
    // In points mode the filter leaves out lines, not ranks.
    Click(Option2(m, 1));
    Click(Option1(m, 1));
    EXPECT_EQ(Rows(m, 1), QStringList({"2④佐藤　　　  0/    9"}));
}

TEST_F(ResultListingsTest, PeriodActsOnlyWhileAllRunsAreChosen) {
    seisekitime1* m = Open();
    Click(Option2(m, 0));
    const QStringList best = Rows(m, 1);
    Q_EMIT Control<QComboBox>(m, "Combo2")->activated(0);
    EXPECT_EQ(m->Choices().ListPeriod, 3);
    EXPECT_EQ(Rows(m, 1), best);

    Click(Option1(m, 3));
    // This week on a Thursday: Monday 12/07 is in, Wednesday and today as well.
    Q_EMIT Control<QComboBox>(m, "Combo2")->activated(0);
    EXPECT_EQ(m->Choices().ListPeriod, 1);
    EXPECT_EQ(m->Choices().DaysBack, 4);
    EXPECT_EQ(Rows(m, 1), InListOrder(kAllTimes));
    fake.now = QDateTime(today.addDays(4), QTime(9, 0));  // the Monday after
    Q_EMIT Control<QComboBox>(m, "Combo2")->activated(0);
    EXPECT_EQ(m->Choices().DaysBack, 1);
    EXPECT_TRUE(Rows(m, 1).isEmpty());
    Q_EMIT Control<QComboBox>(m, "Combo2")->activated(1);
    EXPECT_EQ(m->Choices().ListPeriod, 2);
    EXPECT_EQ(Rows(m, 1), InListOrder(kAllTimes));
}

TEST_F(ResultListingsTest, LaterActivationFillsTheListsOnlyWhenItChangesTheSelection) {
    seisekitime1* m = Open();
    // The selection stays: the lists keep what they show, even after a new run.
    AppendRuns(File(), {{9, 1, 15, today, QTime(15, 0)}});
    Open();
    EXPECT_EQ(Rows(m, 1), InListOrder(kPointsTotal));
    // The teacher looked at today's runs in times mode; the next activation
    // selects "累計順" again, which fills every list with the all-time points.
    Click(Option2(m, 0));
    Click(Option1(m, 2));
    EXPECT_EQ(Control<QLabel>(m, "Label5")->text(), QStringLiteral("本日の成績"));
    Open();
    EXPECT_TRUE(Option1(m, 1)->isChecked());
    EXPECT_TRUE(Option2(m, 1)->isChecked());
    EXPECT_EQ(Control<QLabel>(m, "Label5")->text(), QStringLiteral("獲得ポイント（今まで順位）"));
    EXPECT_EQ(Captions(m), QStringList({"累計順", "本日順", "オール表示"}));
    // 15 s: 11 base points, 16 run points.
    EXPECT_EQ(Rows(m, 1), InListOrder({"1Ⅰ鈴木　　　 16/   16", "2●山田　　　  7/   13", "3④佐藤　　　  0/    9"}));
    EXPECT_TRUE(List5(m, 1)->isVisibleTo(m));
    EXPECT_FALSE(Control<QWidget>(m, "Picture6")->isVisible());
}

// A column parked out of view gets its lines when it is first shown; they are
// the lines of the ranking as it was listed, as every other column's are,
// even when runs were added since.
TEST_F(ResultListingsTest, AParkedColumnShowsTheRankingAsItWasListed) {
    seisekitime1* m = Open();
    AppendRuns(File(), {{9, 12, 15, today, QTime(15, 0)}});
    Open();  // the selection stays, so the lists keep what they were given
    auto* scroll = Control<QScrollBar>(m, "HScroll1");
    scroll->setValue(scroll->maximum());
    QApplication::processEvents();
    EXPECT_EQ(Rows(m, 12), InListOrder({"1●山田　　　  0/    0", "1④佐藤　　　  0/    0", "1Ⅰ鈴木　　　  0/    0"}));
}

// A column of a dozen pupils in times mode reads as a ranking: ranks in
// numeric order, equal ranks by grade mark, the pupil without a record last.
// (Written by hand, not by the list's own sort.)
TEST_F(ResultListingsTest, ATimesColumnReadsInRankOrder) {
    school::SetRosterTables(kSchoolYear, {{kPupil, QStringLiteral("山田"), 3},
                                          {11, QStringLiteral("あおき"), 1},
                                          {12, QStringLiteral("いとう"), 2},
                                          {13, QStringLiteral("うえの"), 3},
                                          {14, QStringLiteral("えんどう"), 4},
                                          {15, QStringLiteral("おおた"), 5},
                                          {16, QStringLiteral("かとう"), 6},
                                          {17, QStringLiteral("きむら"), 7},
                                          {18, QStringLiteral("くどう"), 8},
                                          {19, QStringLiteral("けんと"), 9},
                                          {20, QStringLiteral("こばやし"), 1},
                                          {21, QStringLiteral("さとう"), 2},
                                          {22, QStringLiteral("しみず"), 3}});
    // 山田's best of level 1 is 25 s (set up above); 22 has no run.
    for (int pupil = 11; pupil <= 21; ++pupil) AppendRuns(File(), {{pupil, 1, 10 + pupil, today.addDays(-1)}});
    seisekitime1* m = Open();
    Click(Option2(m, 0));
    EXPECT_EQ(Rows(m, 1), QStringList({"1①あおき　　    21 　", "2②いとう　　    22 　", "3③うえの　　    23 　",
                                       "4④えんどう　    24 　", "5⑤おおた　　    25 　", "5●山田　　　    25 ●",
                                       "7⑥かとう　　    26 　", "8Ⅰきむら　　    27 　", "9Ⅱくどう　　    28 　",
                                       "10Ⅲけんと　　    29 　", "11①こばやし　    30 　", "12②さとう　　    31 　",
                                       "--③しみず　　------ 　"}));
}

// "データ変更" or "合格タイムデータ変更" pressed while a listing runs (its
// waits let the click through): the teacher's screen opens, and the level
// menu leaves the host at once but is deleted only after the listing's
// handler has returned, not under it.
TEST_F(ResultListingsTest, ADataButtonDuringAListingClosesTheMenuAfterTheListing) {
    const struct {
        const char* name;
        int button;  // Command10(button)
        const char* screen;
    } cases[] = {{"RecordsMaintenance", 0, "FrmData"}, {"CriteriaEditor", 1, "FrmTimeData"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QPointer<seisekitime1> menu = Open();
        ASSERT_TRUE(menu);
        Control<QPushButton>(menu, "Command8")->click();
        QMetaObject::invokeMethod(Control<QPushButton>(menu, "Command10", c.button), &QAbstractButton::click,
                                  Qt::QueuedConnection);
        Click(Option2(menu, 0));  // every level's best times, level by level
        auto& host = ScreenHost::instance();
        ASSERT_NE(host.Front(), nullptr);
        EXPECT_EQ(host.Front()->objectName(), QString::fromLatin1(c.screen));
        EXPECT_EQ(Find<seisekitime1>(), nullptr);
        ASSERT_TRUE(menu) << "deleted under the listing";
        EXPECT_TRUE(menu->IsClosed());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(menu);
        ScreenHost::DestroyInstance();
        ScreenHost::instance().show();
    }
}

// What a screen reader reads of every column is what the column shows, after
// every switch of the view, in the columns parked out of view too once they
// are scrolled in; the same for the pupil list of the graph panel.
TEST_F(ResultListingsTest, EveryLineReachesTheScreenReaderAsShown) {
    seisekitime1* m = Open();
    auto readAsShown = [m](const char* step) {
        SCOPED_TRACE(step);
        for (int i = 1; i <= 15; ++i) EXPECT_EQ(testing_support::AccessibleLines(List5(m, i)), Rows(m, i)) << i;
    };
    readAsShown("points ranking");
    Click(Option2(m, 0));
    readAsShown("best times");
    Click(Option1(m, 2));
    readAsShown("today's runs");
    auto* scroll = Control<QScrollBar>(m, "HScroll1");
    scroll->setValue(scroll->maximum());
    QApplication::processEvents();
    Click(Option1(m, 3));
    readAsShown("all runs, the last columns in view");
    Click(Option2(m, 2));
    readAsShown("one pupil's times");
    auto* panel = m->findChild<views::GraphPanel*>();
    ASSERT_NE(panel, nullptr);
    QStringList levels;
    for (int level = 1; level <= 15; ++level) levels << QString::number(level);
    auto* pupils = Control<kit::SortedTextList>(m, "List2");
    for (int pass = 0; pass < 2; ++pass) {
        pupils->SetLines({QStringLiteral("小３ /  山田/7"), QStringLiteral("小４ /  佐藤/8")}, {7, 8});
        EXPECT_EQ(testing_support::AccessibleLines(pupils), pupils->Rows()) << pass;
        panel->FillLevelList();
        EXPECT_EQ(testing_support::AccessibleLines(Control<QListWidget>(m, "List3")), levels) << pass;
    }
}

TEST_F(ResultListingsTest, WhileTheMenuPreparesTheOption2HandlerOnlyHidesTheLists) {
    seisekitime1* m = Open();
    auto* listings = m->findChild<views::ResultListings*>();
    ASSERT_NE(listings, nullptr);
    m->Choices().MenuPreparing = true;
    listings->Option2_Click(0);
    EXPECT_EQ(m->Choices().ValueKind, 2);
    EXPECT_EQ(Captions(m), QStringList({"累計順", "本日順", "オール表示"}));
    EXPECT_EQ(Rows(m, 1), InListOrder(kPointsTotal));
    EXPECT_FALSE(List5(m, 1)->isVisibleTo(m));
    EXPECT_TRUE(Control<QWidget>(m, "Picture6")->isVisibleTo(m));
    EXPECT_FALSE(Control<QPushButton>(m, "Command1")->isEnabled());
    EXPECT_FALSE(Control<QPushButton>(m, "Command4", 1)->isEnabled());
}

TEST_F(ResultListingsTest, AnUnreadableFileGivesOneMessageAndTheMenuStaysUsable) {
    seisekitime1* m = Open();
    Click(Option2(m, 0));
    ASSERT_TRUE(QFile::remove(File()));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("成績累積データ.dat")));
    Click(Option1(m, 2));
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_EQ(fake.messages[0].title, QStringLiteral("注意"));
    EXPECT_TRUE(fake.messages[0].text.contains(QDir::cleanPath(File())));
    for (int i = 1; i <= 15; ++i) EXPECT_TRUE(Rows(m, i).isEmpty());
    EXPECT_TRUE(Control<QPushButton>(m, "Command1")->isEnabled());
    EXPECT_TRUE(Control<QWidget>(m, "Picture1")->isEnabled());
    EXPECT_FALSE(Control<QWidget>(m, "Picture6")->isVisible());
    EXPECT_EQ(fake.endCount, 0);
}

}  // namespace

