// The level menu driven offscreen: keys, figures, teacher controls and locks.
#include "screens/menus/seisekitime1.h"

#include "screens/menus/namesel.h"
#include "screens/practice/MainFrm.h"

#include "schoolbuilder.h"
#include "screentest.h"
#include "core/results/availability.h"
#include "core/results/criteria.h"
#include "core/results/statistics.h"
#include "screens/kit/flow.h"
#include "core/common/runstate.h"
#include "core/startup/runstate.h"
#include "shell/screenhost.h"
#include "rowname.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

using menus::seisekitime1;
using common::runState;
using shell::ScreenHost;
using school::AppendRuns;
using school::Run;


class LevelMenuTest : public testing_support::ScreenTest {
protected:
    QString File() const { return runState().ProgramDataFolder + QStringLiteral("成績累積データ.dat"); }

    seisekitime1* Open() {
        flow::ShowLevelMenu();
        return ScreenHost::instance().Find<seisekitime1>();
    }
    QString Text(seisekitime1* menu, const QString& name) { return Control<QLabel>(menu, name)->text(); }
};

TEST_F(LevelMenuTest, KeysStartLevelsOneToThirteenOnlyLowerCase) {
    struct Case {
        char key;
        int level;  // 0: nothing starts
    } cases[] = {{'1', 1}, {'9', 9}, {'a', 10}, {'d', 13}, {'e', 0}, {'A', 0}, {'D', 0}};
    for (const auto& c : cases) {
        seisekitime1* menu = Open();
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->MenuReady(), 1);
        runState().CurrentLevel = 0;
        QTest::keyClick(Control<QPushButton>(menu, "Command1"), c.key);
        EXPECT_EQ(runState().CurrentLevel, c.level) << c.key;
        ScreenHost::DestroyInstance();
        ScreenHost::instance().show();
    }
}

TEST_F(LevelMenuTest, KeysDoNothingWhileTheMenuRefreshes) {
    seisekitime1* menu = Open();
    menu->SetMenuReady(0);
    QTest::keyClick(Control<QPushButton>(menu, "Command1"), '3');
    QTest::keyClick(Control<QPushButton>(menu, "Command1"), '0');
    EXPECT_EQ(runState().CurrentLevel, 0);
    EXPECT_EQ(ScreenHost::instance().Find<seisekitime1>(), menu);
    EXPECT_TRUE(menu->isVisible());
}

TEST_F(LevelMenuTest, HeaderAndFiguresOfALevelWithoutAndWithRuns) {
    seisekitime1* menu = Open();
    EXPECT_EQ(Text(menu, "Label14_1"), QStringLiteral("-----"));
    EXPECT_EQ(Text(menu, "Label15_1"), QStringLiteral("------"));
    EXPECT_EQ(Text(menu, "Label7_1"), QStringLiteral("目標=30秒 2回/20点(×1.5)"));
    EXPECT_EQ(Text(menu, "Label8_1"), QStringLiteral("最近7日=0回 / 0点"));
    EXPECT_EQ(Text(menu, "Label12"), QStringLiteral("小３ 山田　太郎"));
    EXPECT_EQ(Text(menu, "Label13"), QStringLiteral("中央教室:7"));
    EXPECT_EQ(Text(menu, "Label17"), QStringLiteral("起動後5分"));
    EXPECT_EQ(Text(menu, "Label18"), QStringLiteral("本日総回数＝0回"));
    EXPECT_EQ(Control<QPushButton>(menu, "Command4", 1)->text(), QStringLiteral("ｽﾀｰﾄ(&1)"));

    // The first valid run of the day: 15 s against a target of 30 gives
    // Int(0.125 × 50 + 5) = 11 base points, 16 run points with ×1.5.
    AppendRuns(File(), {{kPupil, 1, 15, today}});
    flow::ShowLevelMenu();
    EXPECT_EQ(Text(menu, "Label14_1"), QStringLiteral("1回/16点"));
    EXPECT_EQ(Text(menu, "Label15_1"), QStringLiteral("1回/16点"));
    EXPECT_EQ(Text(menu, "Label18"), QStringLiteral("本日総回数＝1回"));
    // The judgement-period figures stay as they were when the menu was loaded.
    EXPECT_EQ(Text(menu, "Label8_1"), QStringLiteral("最近7日=0回 / 0点"));
}

TEST_F(LevelMenuTest, NoClearingTargetShowsDashes) {
    results::criteria()[2].ClearPoints = 9999;
    results::criteria()[2].JudgementDays.Text = QStringLiteral("07");
    seisekitime1* menu = Open();
    EXPECT_EQ(Text(menu, "Label7_2"), QStringLiteral("目標=30秒 --------"));
    EXPECT_EQ(Text(menu, "Label8_2"), QStringLiteral("最近7日=0回 / 0点"));
}

// The minutes since the name was confirmed run on the tick count, as a run's
// clock does: what the time of day does meanwhile changes nothing.
TEST_F(LevelMenuTest, MinutesSinceSignInComeFromTheTickCount) {
    const struct {
        const char* name;
        QTime signIn;
        double seconds;  // passed since, on the tick count
        QDateTime now;   // the clock when the menu opens
        const char16_t* shown;
    } cases[] = {
        {"RightAfterSigningIn", QTime(10, 0, 0, 500), 0.6, QDateTime(today, QTime(10, 0, 1, 100)), u"起動後0分"},
        {"AcrossMidnight", QTime(23, 59), 210, QDateTime(today.addDays(1), QTime(0, 2, 30)), u"起動後3分"},
        {"ClockSetBackAfterSigningIn", QTime(10, 0), 30, QDateTime(today, QTime(9, 59, 0)), u"起動後0分"},
        {"ClockSetForward", QTime(10, 0), 125, QDateTime(today, QTime(11, 2, 5)), u"起動後2分"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake.now = QDateTime(today, c.signIn);
        common::MarkSignIn();
        fake.ticks += quint32(c.seconds * 1000);
        fake.now = c.now;
        seisekitime1* menu = Open();
        EXPECT_EQ(Text(menu, "Label17"), QString::fromUtf16(c.shown));
        ScreenHost::DestroyInstance();
        ScreenHost::instance().show();
    }
}

TEST_F(LevelMenuTest, TeacherControlsFollowTheName) {
    struct Case {
        const char16_t* name;
        bool dataPanel;
        bool print;
    } cases[] = {{u"先生", true, true}, {u"　先生　", true, true}, {u"田中先生", false, true},
                 {u"田中", false, false}};
    for (const auto& c : cases) {
        runState().CurrentPupilName = QString::fromUtf16(c.name);
        seisekitime1* menu = Open();
        EXPECT_EQ(Control<QPushButton>(menu, "Command8")->isVisibleTo(menu), c.dataPanel)
            << QString::fromUtf16(c.name).toStdString();
        auto* graphPanel = Control<QWidget>(menu, "Picture11");
        EXPECT_EQ(Control<QPushButton>(menu, "Command24", 1)->isVisibleTo(graphPanel), c.print);
        ScreenHost::DestroyInstance();
        ScreenHost::instance().show();
    }
}

TEST_F(LevelMenuTest, DataPanelBlocksStartingALevel) {
    runState().CurrentPupilName = QStringLiteral("先生");
    seisekitime1* menu = Open();
    QTest::mouseClick(Control<QPushButton>(menu, "Command8"), Qt::LeftButton);
    ASSERT_TRUE(Control<QWidget>(menu, "Picture7")->isVisible());
    QTest::keyClick(Control<QPushButton>(menu, "Command1"), '2');
    EXPECT_EQ(runState().CurrentLevel, 0);
    QTest::mouseClick(Control<QPushButton>(menu, "Command12"), Qt::LeftButton);
    EXPECT_FALSE(Control<QWidget>(menu, "Picture7")->isVisible());
}

TEST_F(LevelMenuTest, LockedLevelStartsByNoWayAndAnOpenOneStartsFromItsName) {
    results::criteria()[4].TooMuchCount.Text = QStringLiteral("3");
    AppendRuns(File(), {{kPupil, 4, 20, today}, {kPupil, 4, 21, today}, {kPupil, 4, 22, today}});
    seisekitime1* menu = Open();
    ASSERT_FALSE(Control<QPushButton>(menu, "Command4", 4)->isEnabled());
    QTest::keyClick(Control<QPushButton>(menu, "Command1"), '4');
    QTest::mouseClick(Control<QLabel>(menu, "Label3", 4), Qt::LeftButton);
    EXPECT_EQ(runState().CurrentLevel, 0);
    EXPECT_EQ(ScreenHost::instance().Find<seisekitime1>(), menu);

    // Starting from the name unloads the menu, unlike the start button.
    QTest::mouseClick(Control<QLabel>(menu, "Label3", 2), Qt::LeftButton);
    EXPECT_EQ(runState().CurrentLevel, 2);
    EXPECT_EQ(ScreenHost::instance().Find<seisekitime1>(), nullptr);
}

// A level without a minimum time cannot start: the practice screen says so
// and the pupil is back on a menu that answers keys, however the level was
// started.
TEST_F(LevelMenuTest, ALevelThatCannotStartLeavesAUsableMenu) {
    struct Case {
        const char* name;
        std::function<void(seisekitime1*)> start;
    } cases[] = {
        {"FromItsName", [](seisekitime1* m) { QTest::mouseClick(Control<QLabel>(m, "Label3", 2), Qt::LeftButton); }},
        {"FromItsButton",
         [](seisekitime1* m) { QTest::mouseClick(Control<QPushButton>(m, "Command4", 2), Qt::LeftButton); }},
        {"FromItsKey", [](seisekitime1* m) { QTest::keyClick(Control<QPushButton>(m, "Command1"), '2'); }},
    };
    results::criteria()[2].MinimumTime = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        fake.messages.clear();
        seisekitime1* menu = Open();
        ASSERT_EQ(menu->MenuReady(), 1);
        c.start(menu);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        ASSERT_EQ(fake.messages.size(), 1);
        EXPECT_EQ(fake.messages[0].title, QStringLiteral("注意"));
        ASSERT_EQ(ScreenHost::instance().Find<seisekitime1>(), menu);
        EXPECT_EQ(ScreenHost::instance().Front(), menu);
        EXPECT_EQ(ScreenHost::instance().Find<practice::MainFrm>(), nullptr);
        EXPECT_EQ(menu->MenuReady(), 1);
        EXPECT_FALSE(Control<QWidget>(menu, "Picture2")->isVisible());
        // The menu answers: key "1" starts level 1.
        QTest::keyClick(Control<QPushButton>(menu, "Command1"), '1');
        EXPECT_EQ(runState().CurrentLevel, 1);
        EXPECT_NE(ScreenHost::instance().Find<practice::MainFrm>(), nullptr);
        ScreenHost::DestroyInstance();
        ScreenHost::instance().show();
    }
}

// Two keys already queued when the first is handled: the first one's repaint
// lets the second run, and the second must find the menu no longer ready.
TEST_F(LevelMenuTest, ASecondQueuedKeyDoesNothing) {
    struct Case {
        const char* name;
        char first;
        char second;
        int level;      // the level of the run on view afterwards, 0: none
        bool nameScreen;  // the name screen is in front afterwards
    } cases[] = {{"StartThenStartAnother", '1', '2', 1, false},
                 {"BackThenStart", '0', '1', 0, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        seisekitime1* menu = Open();
        ASSERT_EQ(menu->MenuReady(), 1);
        runState().CurrentLevel = 0;
        auto* back = Control<QPushButton>(menu, "Command1");
        for (char key : {c.first, c.second})
            QCoreApplication::postEvent(back, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier,
                                                             QString(QLatin1Char(key))));
        QCoreApplication::processEvents();
        auto& host = ScreenHost::instance();
        // Pages closed in the meantime are still children until deleted.
        EXPECT_EQ(host.findChildren<practice::MainFrm*>().size(), c.level ? 1 : 0);
        EXPECT_EQ(runState().CurrentLevel, c.level);
        if (c.nameScreen) {
            ASSERT_NE(host.Find<menus::namesel>(), nullptr);
            EXPECT_EQ(host.Front(), host.Find<menus::namesel>());
        } else {
            EXPECT_EQ(host.Front(), host.Find<practice::MainFrm>());
        }
        ScreenHost::DestroyInstance();
        ScreenHost::instance().show();
    }
}

// Only the left button starts a level from its name.
TEST_F(LevelMenuTest, RightClickOnALevelNameStartsNothing) {
    seisekitime1* menu = Open();
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        QTest::mouseClick(Control<QLabel>(menu, "Label3", 2), button);
        EXPECT_EQ(runState().CurrentLevel, 0) << button;
        EXPECT_EQ(ScreenHost::instance().Find<practice::MainFrm>(), nullptr);
        EXPECT_EQ(ScreenHost::instance().Find<seisekitime1>(), menu);
    }
}

// The result lists hold fixed-layout lines: the fixed-pitch face, and the
// longest line a layout allows (all runs by points, a five-digit time) shown
// whole or scrolled to, never cut short with an ellipsis.
TEST_F(LevelMenuTest, ResultListsShowTheLongestLineWhole) {
    seisekitime1* menu = Open();
    const QString longest = QStringLiteral("  123 12/10●山田　太郎　●12345秒");
    for (int i = 1; i <= runState().LevelCount; ++i) {
        auto* list = Control<kit::SortedTextList>(menu, "List5", i);
        SCOPED_TRACE(list->objectName().toStdString());
        EXPECT_EQ(QFontInfo(list->font()).family(), QStringLiteral("Noto Sans Mono CJK JP"));
        EXPECT_EQ(list->textElideMode(), Qt::ElideNone);
        list->SetLines({QStringLiteral("1 山田　太郎　 30 ●"), longest});
        EXPECT_GE(list->RowRect(0).width(), QFontMetrics(list->font()).horizontalAdvance(longest));
    }
}

// Locks: three runs in the too-much period reach a limit of three runs.
struct LockCase {
    const char* what;
    const char16_t* tooMuchCount;
    const char16_t* tooMuchPoints;
    int level;
    int daysAgo;
    bool clearFinal;  // add runs that clear the final level
    bool locked;
    int clearCount = 2;  // runs the level needs to be cleared
};

void PrintTo(const LockCase& c, std::ostream* os) { *os << c.what; }

class LevelLocks : public LevelMenuTest, public ::testing::WithParamInterface<LockCase> {};

TEST_P(LevelLocks, TooMuchPractiseLocksUntilTheFinalLevelIsCleared) {
    const LockCase& c = GetParam();
    auto& row = results::criteria()[c.level];
    row.TooMuchCount.Text = QString::fromUtf16(c.tooMuchCount);
    row.TooMuchPoints.Text = QString::fromUtf16(c.tooMuchPoints);
    row.ClearCount = c.clearCount;
    const QDate day = today.addDays(-c.daysAgo);
    AppendRuns(File(), {{kPupil, c.level, 20, day}, {kPupil, c.level, 21, day}, {kPupil, c.level, 22, day}});
    if (c.clearFinal) {
        AppendRuns(File(), {{kPupil, 15, 10, today}, {kPupil, 15, 10, today}});
    }
    seisekitime1* menu = Open();
    EXPECT_EQ(results::FinalLevelCleared(), c.clearFinal ? 1 : 0);
    EXPECT_EQ(!Control<QPushButton>(menu, "Command4", c.level)->isEnabled(), c.locked) << c.what;
    QLabel* note = Control<QLabel>(menu, "Text1", c.level);
    EXPECT_EQ(note->isVisibleTo(menu), c.locked) << c.what;
    if (c.locked) {
        EXPECT_EQ(note->text(), QStringLiteral("やりすぎ禁止"));
    }
    for (int i = 1; i <= 15; ++i) {
        if (i != c.level) {
            EXPECT_TRUE(Control<QPushButton>(menu, "Command4", i)->isEnabled()) << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, LevelLocks,
    ::testing::Values(
        LockCase{"run limit reached", u"3", u"", 4, 0, false, true},
        LockCase{"points limit reached", u"", u"25", 4, 0, false, true},
        LockCase{"limits empty", u"", u"", 4, 0, false, false},
        LockCase{"limits zero", u"0", u"0", 4, 0, false, false},
        LockCase{"below the limit", u"4", u"", 4, 0, false, false},
        // Three runs short of four: the final level stays uncleared, so only
        // its place at the end of the course keeps it open.
        LockCase{"last level never locks", u"3", u"", 15, 0, false, false, 4},
        LockCase{"final level cleared opens all", u"3", u"", 4, 0, true, false},
        LockCase{"runs inside the period", u"3", u"", 4, 2, false, true},
        LockCase{"runs left the period", u"3", u"", 4, 3, false, false}),
    [](const auto& info) { return testing_support::RowName(info.param.what); });

TEST_F(LevelMenuTest, ScrollingMovesColumnsAndParksThoseLeftOfTheWindow) {
    seisekitime1* menu = Open();
    const int left = Control<kit::SortedTextList>(menu, "List5", 0)->x();
    EXPECT_EQ(Control<kit::SortedTextList>(menu, "List5", 1)->x(), left);
    EXPECT_EQ(Control<kit::SortedTextList>(menu, "List5", 4)->x(), left + 3 * seisekitime1::kColumnWidth);
    EXPECT_EQ(Control<QScrollBar>(menu, "HScroll1")->maximum(), 12);
    Control<QScrollBar>(menu, "HScroll1")->setValue(12);
    EXPECT_EQ(Control<kit::SortedTextList>(menu, "List5", 12)->x(), left);
    EXPECT_EQ(Control<kit::SortedTextList>(menu, "List5", 15)->x(), left + 3 * seisekitime1::kColumnWidth);
    EXPECT_EQ(Control<kit::SortedTextList>(menu, "List5", 1)->x(), menu->width());
    EXPECT_EQ(Control<QLabel>(menu, "Label3", 12)->x(), left + Control<QLabel>(menu, "Label1", 0)->width());
    EXPECT_EQ(Control<QLabel>(menu, "Label15", 12)->x(),
              left + Control<QLabel>(menu, "Label14", 12)->width());
}

}  // namespace
