// The evaluation screen driven through the real run-end path: a history in a
// temporary results file, the bookkeeping of the run, then the screen, with
// the sounds recorded in order and the tick count under the test's control.
#include "schoolbuilder.h"
#include "screens/results/FrmSyuuryou.h"
#include "core/results/availability.h"
#include "core/results/criteria.h"
#include "core/results/resultsfile.h"
#include "core/results/statistics.h"
#include "screens/kit/flow.h"
#include "core/common/runstate.h"
#include "core/startup/runstate.h"
#include "shell/screenhost.h"
#include "screentest.h"
#include "core/sound/sound.h"

#include <QApplication>
#include <QLabel>
#include <QMetaObject>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using results::FrmSyuuryou;
using PastRun = school::Run;

namespace {

const QDate kToday(2026, 12, 10);
const QDate kYesterday = kToday.addDays(-1);
constexpr int kPupil = 7;
constexpr int kOther = 3;

bool Shown(QWidget* w, QWidget* screen) { return w->isVisibleTo(screen); }

class EvaluationScreen : public testing_support::ScreenTest {
protected:
    QPointer<FrmSyuuryou> frm;
    results::RunEndFlags flags;  // what the recording of the run gave

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ScreenTest::SetUp();
        fake.now = QDateTime(kToday, QTime(10, 0, 0));
        auto& rs = common::runState();
        rs.SoundFolder = dir.path() + QStringLiteral("/音フォルダ/");
        rs.CurrentPupilName = QStringLiteral("　山田　花子　　");
        rs.SignInTime = 9 * 3600;
        rs.QuestionsPerRun = 20;

        auto& sounds = sound::soundTable();
        sounds.Kinds[8].Files[1] = QStringLiteral("jikosaikou");
        sounds.Kinds[8].Count = QStringLiteral("1");
        sounds.Kinds[10].Files[1] = QStringLiteral("fugoukaku");
        sounds.Kinds[10].Count = QStringLiteral("1");

        results::criteria() = school::UniformCriteria({.target = 60, .minimum = 90, .clearCount = 3, .tooMuchDays = "7"});
    }

    void TearDown() override {
        ScreenTest::TearDown();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The run-end path of the practice screen: statistics as before the run,
    // then the bookkeeping, which appends the run and sets the flags.
    void RecordRun(const std::vector<PastRun>& history, int level, int result) {
        for (const PastRun& run : history) school::AppendRuns(results::ResultsFilePath(), {run});
        ASSERT_TRUE(results::RecomputeStatistics(flow::Caution));
        auto& rs = common::runState();
        rs.CurrentLevel = static_cast<std::int16_t>(level);
        rs.TimedOut = result == results::kNoResult;
        rs.ResultTime = result;
        const results::RecordedRun recorded = results::RecordRunResult(level, flow::Caution);
        ASSERT_TRUE(recorded);
        flags = recorded.Flags;
    }

    void FinishRun(const std::vector<PastRun>& history, int level, int result) {
        RecordRun(history, level, result);
        flow::ShowBackdrop();  // as the hand-off leaves it
        flow::OpenEvaluationScreen(flags);
        frm = shell::ScreenHost::instance().Find<FrmSyuuryou>();
        ASSERT_TRUE(frm);
    }

    // Fires Timer1 as its 500 ms would, when the activation did not reach it.
    void FireTimer1() {
        if (Control<QTimer>(frm, "Timer1")->isActive()) frm->Timer1_Timer();
    }

    QStringList PageNames() const {
        QStringList names;
        for (auto* page : shell::ScreenHost::instance().Pages()) names << page->objectName();
        return names;
    }
};

struct RunCase {
    const char* name;
    std::vector<PastRun> history;
    int level;
    int result;  // 99999: the time ran out
    int finalLevelCleared = 0;
    int tooMuchCount = 0;   // for the run's level
    int clearCountOff = 0;  // level whose ClearCount is 9999
    // Expected.
    QString time = {};
    QString points = {};
    QString todayHere = {};
    QString todayAll = {};
    QString message = {};  // empty: Label20 stays hidden
    QStringList sounds = {};
    bool cleared = false;  // "このレベルクリア"
    bool panel = false;    // the congratulation panel before Timer1
    QString label2AfterTimer = QString();  // text when shown after Timer1
    bool againShown = true;
};

// Three runs of the pupil at a level, enough to clear it (3 runs, 48 points).
std::vector<PastRun> ClearedAt(int level, std::vector<PastRun> more = {}) {
    std::vector<PastRun> runs{{kPupil, level, 30, kYesterday.addDays(-1)},
                          {kPupil, level, 30, kYesterday},
                          {kPupil, level, 30, kToday},
                          {kOther, level, 20, kYesterday}};
    runs.insert(runs.end(), more.begin(), more.end());
    return runs;
}

const std::vector<RunCase> kRuns = {
    {.name = "TimeOut",
     .history = {{kPupil, 3, 50, kYesterday}, {kPupil, 1, 70, kToday}, {kPupil, 1, 80, kToday}},
     .level = 3, .result = results::kNoResult,
     .time = "記録なし", .points = "獲得ポイント：0点×1.5→0点",
     .todayHere = " (このレベル　0回目)", .todayAll = "（2回目)",
     .message = "時間切れ"},
    {.name = "FirstTimeOutOfTheDay",
     .history = {},
     .level = 1, .result = results::kNoResult,
     .time = "記録なし", .points = "獲得ポイント：0点×1.5→0点",
     .todayHere = " (このレベル　0回目)", .todayAll = "（0回目)",
     .message = "時間切れ"},
    {.name = "FirstRunInTheSchool",
     .history = {{kOther, 1, 40, kToday}},
     .level = 2, .result = 30,
     .time = "今の成績：30秒", .points = "獲得ポイント：11点×1.5→16点",
     .todayHere = " (このレベル　1回目)", .todayAll = "（1回目)",
     .message = "！！！最高新記録！！！", .sounds = {"最高1"}},
    {.name = "NewPersonalBest",
     .history = {{kOther, 2, 20, kYesterday}, {kPupil, 2, 50, kYesterday}, {kPupil, 5, 70, kToday}},
     .level = 2, .result = 45,
     .time = "今の成績：45秒", .points = "獲得ポイント：5点×1.5→7点",
     .todayHere = " (このレベル　1回目)", .todayAll = "（2回目)",
     .message = "新記録おめでとう", .sounds = {"jikosaikou"}},
    {.name = "TieAtTheMinimumTime",
     .history = {{kPupil, 2, 90, kYesterday}},
     .level = 2, .result = 90,
     .time = "今の成績：90秒", .points = "獲得ポイント：4点×1.5→6点",
     .todayHere = " (このレベル　1回目)", .todayAll = "（1回目)",
     .sounds = {"fugoukaku"}},
    {.name = "TieAboveTheMinimumTime",
     .history = {{kPupil, 2, 91, kYesterday}},
     .level = 2, .result = 91,
     .time = "今の成績：91秒", .points = "獲得ポイント：4点×1.5→6点",
     .todayHere = " (このレベル　1回目)", .todayAll = "（1回目)"},
    {.name = "FinalLevelClearedForTheFirstTime",
     .history = {{kPupil, 15, 30, kYesterday}, {kPupil, 15, 30, kYesterday}, {kOther, 15, 20, kYesterday}},
     .level = 15, .result = 25,
     .time = "今の成績：25秒", .points = "獲得ポイント：14点×1.5→21点",
     .todayHere = " (このレベル　1回目)", .todayAll = "（1回目)",
     .message = "新記録おめでとう", .sounds = {"jikosaikou", "合格"},
     .cleared = true, .panel = true, .label2AfterTimer = "このレベルクリア"},
    {.name = "FinalLevelClearedAgain",
     .history = ClearedAt(15),
     .level = 15, .result = 95,
     .time = "今の成績：95秒", .points = "獲得ポイント：4点×1.5→6点",
     .todayHere = " (このレベル　2回目)", .todayAll = "（2回目)",
     .cleared = true, .panel = true, .label2AfterTimer = "このレベルクリア"},
    {.name = "ClearCount9999SwitchesThePanelOff",
     .history = {{kPupil, 15, 30, kYesterday}, {kPupil, 15, 30, kYesterday}, {kOther, 15, 20, kYesterday}},
     .level = 15, .result = 25, .clearCountOff = 30,
     .time = "今の成績：25秒", .points = "獲得ポイント：14点×1.5→21点",
     .todayHere = " (このレベル　1回目)", .todayAll = "（1回目)",
     .message = "新記録おめでとう", .sounds = {"jikosaikou", "合格"},
     .cleared = true, .panel = false, .label2AfterTimer = "このレベルクリア"},
    {.name = "TooMuchBelowTheFinalLevel",
     .history = ClearedAt(4),
     .level = 4, .result = 95, .tooMuchCount = 3,
     .time = "今の成績：95秒", .points = "獲得ポイント：4点×1.5→6点",
     .todayHere = " (このレベル　2回目)", .todayAll = "（2回目)",
     .cleared = true, .label2AfterTimer = "次のレベルへ進みましょう", .againShown = false},
    {.name = "TooMuchBelowTheFinalLevelOnceItIsCleared",
     .history = ClearedAt(4),
     .level = 4, .result = 95, .finalLevelCleared = 1, .tooMuchCount = 3,
     .time = "今の成績：95秒", .points = "獲得ポイント：4点×1.5→6点",
     .todayHere = " (このレベル　2回目)", .todayAll = "（2回目)",
     .cleared = true, .label2AfterTimer = "このレベルクリア"},
    {.name = "TooMuchAtTheFinalLevel",
     .history = ClearedAt(15),
     .level = 15, .result = 95, .finalLevelCleared = 1, .tooMuchCount = 3,
     .time = "今の成績：95秒", .points = "獲得ポイント：4点×1.5→6点",
     .todayHere = " (このレベル　2回目)", .todayAll = "（2回目)",
     .cleared = true, .panel = true, .label2AfterTimer = QString()},
    {.name = "TooMuchWithoutClearing",
     .history = {{kPupil, 5, 95, kYesterday}, {kPupil, 5, 95, kYesterday}},
     .level = 5, .result = 95, .tooMuchCount = 2,
     .time = "今の成績：95秒", .points = "獲得ポイント：4点×1.5→6点",
     .todayHere = " (このレベル　1回目)", .todayAll = "（1回目)"},
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

class EvaluationRuns : public EvaluationScreen, public ::testing::WithParamInterface<RunCase> {};

TEST_P(EvaluationRuns, ShowsFiguresRecordsSoundsAndTheWayOut) {
    const RunCase& c = GetParam();
    auto& table = results::criteria();
    if (c.tooMuchCount) table[c.level].TooMuchCount.Text = QString::number(c.tooMuchCount);
    if (c.clearCountOff) table[c.clearCountOff].ClearCount = 9999;
    results::FinalLevelCleared() = c.finalLevelCleared;

    FinishRun(c.history, c.level, c.result);

    EXPECT_EQ(frm->windowTitle(), "終了");
    EXPECT_EQ(Control<QLabel>(frm, "Label15")->text(), "ローマ字");
    EXPECT_EQ(Control<QLabel>(frm, "Label16")->text(), common::runState().LevelNames[c.level]);
    EXPECT_EQ(Control<QLabel>(frm, "Label17")->text(), "山田　花子");
    EXPECT_EQ(Control<QLabel>(frm, "Label18")->text(), c.time);
    EXPECT_EQ(Control<QLabel>(frm, "Label19")->text(), c.points);
    EXPECT_EQ(Control<QLabel>(frm, "Label13")->text(), c.todayHere);
    EXPECT_EQ(Control<QLabel>(frm, "Label14")->text(), c.todayAll);
    EXPECT_EQ(Shown(Control<QLabel>(frm, "Label20"), frm), !c.message.isEmpty());
    if (!c.message.isEmpty()) {
        EXPECT_EQ(Control<QLabel>(frm, "Label20")->text(), c.message);
    }
    EXPECT_EQ(fake.SoundNames(), c.sounds);
    EXPECT_EQ(Shown(Control<QLabel>(frm, "Label2"), frm), c.cleared);
    if (c.cleared) {
        EXPECT_EQ(Control<QLabel>(frm, "Label2")->text(), "このレベルクリア");
    }
    EXPECT_EQ(Shown(Control<QFrame>(frm, "Picture1"), frm), c.panel);
    EXPECT_EQ(results::runEndFlags().NewPersonalBest, 0);
    EXPECT_EQ(results::runEndFlags().NewSchoolBest, 0);
    EXPECT_FALSE(PageNames().contains("BASEFRM"));
    // The buttons wait for Timer1.
    EXPECT_FALSE(Shown(Control<QPushButton>(frm, "Command4"), frm));
    EXPECT_FALSE(Shown(Control<QPushButton>(frm, "Command5"), frm));

    FireTimer1();
    EXPECT_FALSE(Control<QTimer>(frm, "Timer1")->isActive());
    EXPECT_FALSE(Shown(Control<QFrame>(frm, "Picture1"), frm));
    EXPECT_TRUE(Shown(Control<QPushButton>(frm, "Command4"), frm));
    EXPECT_EQ(frm->focusWidget(), Control<QPushButton>(frm, "Command4"));
    EXPECT_EQ(Shown(Control<QPushButton>(frm, "Command5"), frm), c.againShown);
    if (c.cleared) {
        EXPECT_EQ(Shown(Control<QLabel>(frm, "Label2"), frm), !c.label2AfterTimer.isEmpty());
        EXPECT_EQ(Control<QLabel>(frm, "Label2")->text(), c.label2AfterTimer);
    }
}

INSTANTIATE_TEST_SUITE_P(Runs, EvaluationRuns, ::testing::ValuesIn(kRuns),
                         [](const auto& info) { return std::string(info.param.name); });

// The buttons come up at the first point after 500 ms where the screen lets
// events run, even while the sounds are still to come; the panel gives way.
TEST_F(EvaluationScreen, Timer1BringsTheButtonsUpBetweenTheRecordAndThePassSound) {
    fake.tickStep = 1;
    struct Seen {
        QString sound;
        bool menu, panel;
    };
    std::vector<Seen> seen;
    fake.onSound = [&](const QString& sound) {
        auto* screen = shell::ScreenHost::instance().Find<FrmSyuuryou>();
        seen.push_back({sound, Shown(Control<QPushButton>(screen, "Command4"), screen),
                        Shown(Control<QFrame>(screen, "Picture1"), screen)});
        fake.ticks += 600;  // the record sound lasts longer than Timer1's interval
    };
    FinishRun({{kPupil, 15, 30, kYesterday}, {kPupil, 15, 30, kYesterday}, {kOther, 15, 20, kYesterday}}, 15,
              25);

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].sound, "jikosaikou");
    EXPECT_FALSE(seen[0].menu);
    EXPECT_TRUE(seen[0].panel);
    EXPECT_EQ(seen[1].sound, "合格");
    EXPECT_TRUE(seen[1].menu);
    EXPECT_FALSE(seen[1].panel);
}

// "もう一度" pressed while the record sound plays is taken once the activation
// has finished: the pass sound is not played over a running practice clock,
// and the record flags are cleared before the new run can set them.
TEST_F(EvaluationScreen, AgainPressedDuringTheSoundsStartsTheRunAfterTheActivation) {
    fake.tickStep = 1000;  // Timer1 is due at the first point events run
    bool practiceOpenAtPassSound = true;
    fake.onSound = [&](const QString& sound) {
        auto* screen = shell::ScreenHost::instance().Find<FrmSyuuryou>();
        if (sound == "jikosaikou") {
            ASSERT_TRUE(Shown(Control<QPushButton>(screen, "Command5"), screen));
            QMetaObject::invokeMethod(Control<QPushButton>(screen, "Command5"), "click", Qt::QueuedConnection);
        }
        if (sound == "合格") practiceOpenAtPassSound = PageNames().contains("MainFrm");
    };
    RecordRun({{kPupil, 15, 30, kYesterday}, {kPupil, 15, 30, kYesterday}, {kOther, 15, 20, kYesterday}}, 15, 25);
    ASSERT_EQ(results::runEndFlags().NewPersonalBest, 1);
    flow::OpenEvaluationScreen(flags);

    EXPECT_EQ(fake.SoundNames(), (QStringList{"jikosaikou", "合格"}));
    EXPECT_FALSE(practiceOpenAtPassSound);
    EXPECT_EQ(results::runEndFlags().NewPersonalBest, 0);
    EXPECT_FALSE(shell::ScreenHost::instance().Find<FrmSyuuryou>());
    EXPECT_TRUE(PageNames().contains("MainFrm"));
}

// The one window wears the caption of the screen in front of it.
TEST_F(EvaluationScreen, WindowTitleIsTheCaptionOfTheScreenInFront) {
    auto& host = shell::ScreenHost::instance();
    flow::ShowLevelMenu();
    EXPECT_EQ(host.windowTitle(), QStringLiteral("vorlex"));
    FinishRun({}, 2, 40);
    EXPECT_EQ(host.windowTitle(), QStringLiteral("終了"));
    FireTimer1();
    QTest::mouseClick(Control<QPushButton>(frm, "Command4"), Qt::LeftButton);
    ASSERT_TRUE(PageNames().contains("seisekitime1"));
    EXPECT_EQ(host.windowTitle(), QStringLiteral("vorlex"));
}

TEST_F(EvaluationScreen, ReturnOnTheMenuButtonShowsTheLevelMenu) {
    FinishRun({}, 2, 40);
    FireTimer1();
    QTest::keyClick(Control<QPushButton>(frm, "Command4"), Qt::Key_Return);
    EXPECT_FALSE(shell::ScreenHost::instance().Find<FrmSyuuryou>());
    EXPECT_TRUE(PageNames().contains("seisekitime1"));
    EXPECT_FALSE(PageNames().contains("MainFrm"));
}

// "もう一度" after a run that timed out: the same level again, on a fresh
// practice screen, with the counter and every run flag cleared.
TEST_F(EvaluationScreen, AgainStartsTheSameLevelWithEveryRunFieldReset) {
    auto& rs = common::runState();
    rs.CorrectCount = 12;
    rs.SpaceWait = 2;
    rs.JudgeBusy = true;
    rs.RunFinished = true;
    rs.HandOffDone = true;
    FinishRun({{kPupil, 6, 50, kYesterday}}, 6, results::kNoResult);
    ASSERT_TRUE(rs.TimedOut);
    FireTimer1();
    ASSERT_TRUE(Shown(Control<QPushButton>(frm, "Command5"), frm));

    QTest::mouseClick(Control<QPushButton>(frm, "Command5"), Qt::LeftButton);

    EXPECT_FALSE(shell::ScreenHost::instance().Find<FrmSyuuryou>());
    EXPECT_TRUE(PageNames().contains("MainFrm"));
    EXPECT_EQ(rs.CurrentLevel, 6);
    EXPECT_EQ(rs.CorrectCount, 0);
    EXPECT_EQ(rs.SpaceWait, 0);
    EXPECT_FALSE(rs.TimedOut);
    EXPECT_FALSE(rs.RunFinished);
    EXPECT_FALSE(rs.HandOffDone);
    EXPECT_FALSE(rs.JudgeBusy);
}

}  // namespace
