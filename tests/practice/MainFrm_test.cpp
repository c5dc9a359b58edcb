// The practice screen driven offscreen through the real screen flow, with the
// clock, the tick count and the sounds under the test's control.
#include "core/common/random.h"
#include "core/common/strings.h"
#include "core/common/textfile.h"
#include "screens/practice/Form2.h"
#include "core/practice/kanatable.h"
#include "screens/practice/MainFrm.h"
#include "core/practice/questions.h"
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
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <random>

using practice::MainFrm;

namespace {

const QTime kStart(10, 0, 0);

class PracticeScreen : public testing_support::ScreenTest {
protected:
    std::mt19937 engine{11};
    std::deque<double> draws;  // taken before the engine
    QPointer<MainFrm> frm;
    quint32 startTick = 0;  // the run's start on the tick count

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ScreenTest::SetUp();
        fake.SetTime(kStart);
        auto& rs = common::runState();
        rs.SoundFolder = dir.path() + QStringLiteral("/音フォルダ/");
        rs.CurrentPupilName = QStringLiteral("山田　花子　　");
        // Signed in at 9:50, ten minutes before the run starts on both clocks.
        rs.SignInTime = 9 * 3600 + 50 * 60;
        rs.SignInTick = fake.ticks - 10 * 60000;
        rs.CurrentLevel = 1;

        auto& sounds = sound::soundTable();
        sounds.Kinds[2].Files[1] = QStringLiteral("seikai");
        sounds.Kinds[2].Count = QStringLiteral("1");
        sounds.Kinds[4].Files[1] = QStringLiteral("machigai");
        sounds.Kinds[4].Count = QStringLiteral("1");

        for (int level = 1; level <= 15; ++level) {
            results::criteria()[level].TargetTime = 40;
            results::criteria()[level].MinimumTime = 60;
        }

        common::SetRandomSource([this] {
            if (!draws.empty()) {
                const double r = draws.front();
                draws.pop_front();
                return r;
            }
            return std::uniform_real_distribution<double>(0, 1)(engine);
        });
        WriteMode("0\r\n");
    }

    void TearDown() override {
        ScreenTest::TearDown();
        common::SetRandomSource({});
    }

    void WriteMode(const QByteArray& bytes) {
        QFile f(practice::ModeFilePath());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // A run opened the way the level menu opens it.
    void Start(const QTime& time = kStart) {
        fake.SetTime(time);
        flow::StartPracticeRun();
        frm = shell::ScreenHost::instance().Find<MainFrm>();
        ASSERT_TRUE(frm);
        startTick = common::runState().RunStartTick;
    }

    // Shows entry `entry` of the level in force as the next question and
    // lets the input lock run out.
    void Ask(int entry) {
        auto& rs = common::runState();
        const auto range = practice::LevelRange(rs.CurrentLevel);
        ASSERT_GE(entry, range.First);
        ASSERT_LT(entry, range.First + range.Count);
        frm->SetPreviousEntry(0);
        draws.push_back((entry - range.First + 0.5) / range.Count);
        frm->SetAnswerText(QString());
        frm->問題作成表示();
        ASSERT_EQ(frm->CurrentQuestion().Entry, entry);
        frm->Keisan2Timer1_Timer();
    }

    void Type(const char* letters) { QTest::keyClicks(frm, QString::fromLatin1(letters)); }
    void Key(Qt::Key key) { QTest::keyClick(frm, key); }

    QString Text(const char* name) const { return Control<QLabel>(frm, QString::fromLatin1(name))->text(); }
    bool Shown(const char* name) const { return !Control(frm, QString::fromLatin1(name))->isHidden(); }
    QString Answer() const { return Text("Keisan2Lbl1_0"); }

    // `seconds` after the run started, on the clock and on the tick count
    // (the next tick count read gives exactly that moment).
    void At(double seconds) {
        const qint64 ms = qint64(seconds * 1000);
        fake.now = QDateTime(fake.now.date(), kStart).addMSecs(ms);
        fake.ticks = startTick + quint32(ms) - fake.tickStep;
    }
    // Clock tick at `seconds` after the run started.
    void TickAt(double seconds) {
        At(seconds);
        frm->sTimer1_Timer();
    }

    qint64 RecordCount() const { return QFileInfo(results::ResultsFilePath()).size() / results::kRecordSize; }
};

// ---------------------------------------------------------------- set-up

TEST_F(PracticeScreen, SetUpFillsStatusPanelAndShowsFirstQuestion) {
    results::stats().At(1, 7).TodayRuns = 2;
    results::stats().At(3, 7).TodayRuns = 1;
    results::stats().At(16, 7).TodayRuns = 5;  // beyond the course: not counted
    results::stats().At(1, 8).TodayRuns = 9;   // another pupil
    Start();
    auto& rs = common::runState();
    EXPECT_EQ(frm->size(), QSize(1024, 768));
    EXPECT_EQ(Text("sLabel2"), QStringLiteral("ローマ字"));
    EXPECT_EQ(Text("sLabel14"), QStringLiteral("中央教室"));
    EXPECT_EQ(Text("sLabel7"), QStringLiteral("山田　花子"));
    EXPECT_EQ(Text("sLabel8"), QStringLiteral("あ行～か行"));
    EXPECT_EQ(Text("sLabel9"), QStringLiteral("20"));
    EXPECT_EQ(Text("sLabel10"), QStringLiteral("0"));
    EXPECT_EQ(Text("sLabel13"), QStringLiteral("10"));
    EXPECT_EQ(Text("sLabel12"), QStringLiteral("4"));
    EXPECT_EQ(Text("sLabel11"), QStringLiteral("3"));
    EXPECT_EQ(Text("Label3"), QStringLiteral("ヘボン式 ＆ 訓令式"));
    EXPECT_EQ(Text("Label2"), QStringLiteral("ヘボン式 ＆ 訓令式"));
    EXPECT_EQ(Text("Label5"), QStringLiteral("( )はヘボン式"));
    EXPECT_EQ(Control<QListWidget>(frm, "List1")->count(), practice::ChartLines().size());
    EXPECT_EQ(rs.QuestionsPerRun, 20);
    EXPECT_EQ(rs.TimeLimit, 300);
    EXPECT_FLOAT_EQ(rs.RunStartTime, 36000.0f);
    EXPECT_TRUE(Control<QTimer>(frm, "sTimer1")->isActive());
    EXPECT_TRUE(Control<QTimer>(frm, "sTimer2")->isActive());
    // Time bar: the frame stands for 300 s.
    const int frame = Control<QFrame>(frm, "sShape5")->width();
    EXPECT_EQ(Control<QFrame>(frm, "sShape3")->width(), int(40.0 * frame / 300));
    EXPECT_EQ(Control<QFrame>(frm, "sShape4")->width(), int(60.0 * frame / 300));
    EXPECT_EQ(Control<QFrame>(frm, "sShape2")->width(), 0);
    EXPECT_EQ(Control<QFrame>(frm, "sShape7")->width(), 0);
    // First question of level 1, locked for 100 ms, empty answer box.
    EXPECT_GE(frm->CurrentQuestion().Entry, 1);
    EXPECT_LE(frm->CurrentQuestion().Entry, 10);
    EXPECT_EQ(Text("Keisan2Lbl2_0"), common::TrimSpaces(practice::kanaTable()[frm->CurrentQuestion().Entry].Kana));
    EXPECT_TRUE(frm->InputLock());
    EXPECT_TRUE(Control<QTimer>(frm, "Keisan2Timer1")->isActive());
    EXPECT_EQ(Control<QTimer>(frm, "Keisan2Timer1")->interval(), 100);
    EXPECT_EQ(Answer(), QString());
    EXPECT_EQ(Control<QLabel>(frm, "Keisan2Lbl1", 0)->palette().color(QPalette::Window), QColor(255, 255, 192));
    for (const char* hidden : {"Picture1", "sPicture2", "Keisan2Lbl4_0", "Keisan2Lbl4_1", "Keisan2Lbl5_0"})
        EXPECT_FALSE(Shown(hidden)) << hidden;
    for (const char* shown : {"Label1", "Label6", "sPicture3_10", "sPicture3_39"})
        EXPECT_TRUE(Shown(shown)) << shown;
    // No input method on the screen or its children.
    EXPECT_FALSE(frm->testAttribute(Qt::WA_InputMethodEnabled));
    for (QWidget* w : frm->findChildren<QWidget*>())
        EXPECT_FALSE(w->testAttribute(Qt::WA_InputMethodEnabled)) << w->objectName().toStdString();
}

TEST_F(PracticeScreen, ActivatedAgainDoesNotSetUpAgain) {
    Start();
    auto& rs = common::runState();
    Ask(3);
    Type("u");
    Key(Qt::Key_Return);
    ASSERT_EQ(rs.CorrectCount, 1);
    const int entry = frm->CurrentQuestion().Entry;
    fake.AdvanceSeconds(5);
    shell::ScreenHost::instance().Show(frm);
    frm->Form_Activate();
    EXPECT_EQ(rs.CorrectCount, 1);
    EXPECT_EQ(Text("sLabel9"), QStringLiteral("19"));
    EXPECT_EQ(frm->CurrentQuestion().Entry, entry);
    EXPECT_FLOAT_EQ(rs.RunStartTime, 36000.0f);
}

TEST_F(PracticeScreen, BadModeFileMeansBothSpellings) {
    common::runState().CurrentLevel = 2;
    for (const QByteArray& bytes : {QByteArray("7\r\n"), QByteArray()}) {
        if (bytes.isEmpty())
            QFile::remove(practice::ModeFilePath());
        else
            WriteMode(bytes);
        common::runState().RomanizationMode = 2;
        Start();
        EXPECT_EQ(common::runState().RomanizationMode, 0);
        EXPECT_EQ(Text("Label3"), QStringLiteral("ヘボン式 ＆ 訓令式"));
        Ask(12);
        Type("shi");
        Key(Qt::Key_Return);
        EXPECT_EQ(common::runState().CorrectCount, 1);
        flow::ClosePracticeScreen();
    }
}

TEST_F(PracticeScreen, LevelWithoutMinimumTimeGoesBackWithAMessage) {
    results::criteria()[1].MinimumTime = 0;
    flow::StartPracticeRun();
    EXPECT_EQ(shell::ScreenHost::instance().Find<MainFrm>(), nullptr);
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_EQ(fake.messages[0].title, QStringLiteral("注意"));
    EXPECT_EQ(RecordCount(), 0);
}

// ---------------------------------------------------------------- chooser

TEST_F(PracticeScreen, ChooserOnFirstRunOnlyAndItsOptionWritesTheFile) {
    common::runState().ChooserDone = false;
    common::runState().CurrentLevel = 2;
    // Fires on every pass of whatever event loop runs, the chooser's included.
    int offered = 0;
    QTimer driver;
    driver.setInterval(0);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        auto* chooser = qobject_cast<practice::Form2*>(QApplication::activeModalWidget());
        if (!chooser) return;
        ++offered;
        EXPECT_FALSE(Control<QPushButton>(chooser, "Command2")->isHidden());
        EXPECT_TRUE(Control<QRadioButton>(chooser, "Option1", 1)->isChecked());  // mode 0 from the file
        EXPECT_EQ(Control<QListWidget>(chooser, "List1")->count(), practice::ChartLines().size());
        Control<QRadioButton>(chooser, "Option1", 3)->click();
        EXPECT_EQ(common::ReadFileBytes(practice::ModeFilePath()).value(), QByteArray("2\r\n"));
        Control<QPushButton>(chooser, "Command2")->click();
    });
    driver.start();
    Start();
    EXPECT_EQ(offered, 1);
    auto& rs = common::runState();
    EXPECT_TRUE(rs.ChooserDone);
    EXPECT_EQ(rs.RomanizationMode, 2);
    EXPECT_EQ(Text("Label3"), QStringLiteral("ヘボン式"));
    EXPECT_TRUE(Control<QTimer>(frm, "sTimer1")->isActive());
    Ask(12);
    Type("si");
    Key(Qt::Key_Return);
    EXPECT_EQ(Text("Keisan2Lbl4_0"), QStringLiteral("shi"));

    // The next run goes straight to the questions.
    flow::ClosePracticeScreen();
    Start();
    driver.stop();
    EXPECT_EQ(offered, 1);
    EXPECT_EQ(rs.RomanizationMode, 2);
    EXPECT_EQ(Text("Label3"), QStringLiteral("ヘボン式"));
}

TEST_F(PracticeScreen, ChooserShowsSavedModeAndHidesStartOnceDone) {
    common::runState().RomanizationMode = 2;
    common::runState().ChooserDone = true;
    practice::Form2 chooser;
    EXPECT_TRUE(Control<QRadioButton>(&chooser, "Option1", 3)->isChecked());
    EXPECT_TRUE(Control<QPushButton>(&chooser, "Command2")->isHidden());
    EXPECT_EQ(Control<QLabel>(&chooser, "Label3")->text(), practice::NnNote());
    EXPECT_EQ(Control<QLabel>(&chooser, "Label2")->text(), QStringLiteral("( )はヘボン式"));
}

// ---------------------------------------------------------------- judgement

struct AnswerCase {
    int mode;
    int entry;
    const char* typed;
    bool correct;
    const char* lower;  // spelling shown after a wrong answer
    const char* upper;
};

// "Mode0Entry12Typed_shi"; the typed letters keep their case.
std::string AnswerCaseName(const AnswerCase& c) {
    return "Mode" + std::to_string(c.mode) + "Entry" + std::to_string(c.entry) +
           (*c.typed ? std::string("Typed_") + c.typed : std::string("TypedNothing"));
}

void PrintTo(const AnswerCase& c, std::ostream* os) { *os << AnswerCaseName(c); }

class Answers : public PracticeScreen, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(Answers, JudgedPerMode) {
    const AnswerCase c = GetParam();
    common::runState().CurrentLevel = 15;
    Start();
    auto& rs = common::runState();
    rs.RomanizationMode = static_cast<std::int16_t>(c.mode);
    Ask(c.entry);
    Type(c.typed);
    EXPECT_EQ(Answer(), QString::fromLatin1(c.typed));
    Key(Qt::Key_Return);
    EXPECT_FALSE(rs.JudgeBusy);
    if (c.correct) {
        EXPECT_EQ(fake.SoundNames(), QStringList{QStringLiteral("seikai")});
        EXPECT_EQ(rs.CorrectCount, 1);
        EXPECT_EQ(Text("sLabel9"), QStringLiteral("19"));
        EXPECT_EQ(rs.SpaceWait, 0);
        EXPECT_NE(frm->CurrentQuestion().Entry, c.entry);  // the next question
        EXPECT_EQ(Answer(), QString());
        EXPECT_FALSE(Shown("Keisan2Lbl4_0"));
    } else {
        EXPECT_EQ(fake.SoundNames(), QStringList{QStringLiteral("machigai")});
        EXPECT_EQ(rs.CorrectCount, 0);
        EXPECT_EQ(Text("sLabel9"), QStringLiteral("20"));
        EXPECT_EQ(rs.SpaceWait, 1);
        EXPECT_EQ(frm->CurrentQuestion().Entry, c.entry);
        EXPECT_EQ(Answer(), QString::fromLatin1(c.typed));  // the wrong answer stays
        EXPECT_EQ(Text("Keisan2Lbl4_0"), QString::fromLatin1(c.lower));
        EXPECT_EQ(Text("Keisan2Lbl4_1"), QString::fromLatin1(c.upper));
        EXPECT_TRUE(Shown("Keisan2Lbl4_0"));
        EXPECT_TRUE(Shown("Keisan2Lbl4_1"));
        EXPECT_TRUE(Shown("Keisan2Lbl5_0"));
        EXPECT_FALSE(Shown("Label1"));
    }
}

INSTANTIATE_TEST_SUITE_P(
    PracticeScreen, Answers,
    ::testing::Values(AnswerCase{0, 12, "si", true, "", ""},
                      AnswerCase{0, 12, "shi", true, "", ""},
                      AnswerCase{0, 12, "SI", false, "si / shi", "SI / SHI"},
                      AnswerCase{0, 12, "Shi", false, "si / shi", "SI / SHI"},
                      AnswerCase{0, 12, "shii", false, "si / shi", "SI / SHI"},
                      AnswerCase{1, 17, "ti", true, "", ""},
                      AnswerCase{1, 17, "chi", false, "ti", "TI"},
                      AnswerCase{2, 17, "chi", true, "", ""},
                      AnswerCase{2, 17, "ti", false, "chi", "CHI"},
                      AnswerCase{0, 106, "nn", true, "", ""},
                      AnswerCase{0, 106, "n", false, "nn", "NN"},
                      AnswerCase{2, 106, "n", false, "nn", "NN"},
                      AnswerCase{0, 1, "", false, "a", "A"}),
    [](const auto& info) { return AnswerCaseName(info.param); });

TEST_F(PracticeScreen, WrongAnswerNeverTakesTheCountBelowZeroAndTakesOneBack) {
    Start();
    auto& rs = common::runState();
    rs.CorrectCount = 5;
    Ask(2);
    Type("o");
    Key(Qt::Key_Return);
    EXPECT_EQ(rs.CorrectCount, 4);
    EXPECT_EQ(Text("sLabel9"), QStringLiteral("16"));
}

TEST_F(PracticeScreen, AcknowledgementNeedsTwoSpacesInARow) {
    Start();
    auto& rs = common::runState();
    Ask(6);
    Type("ko");
    Key(Qt::Key_Return);
    ASSERT_EQ(rs.SpaceWait, 1);
    Key(Qt::Key_Space);
    EXPECT_EQ(rs.SpaceWait, 2);
    Type("a");  // breaks the pair and does not reach the answer
    EXPECT_EQ(rs.SpaceWait, 1);
    EXPECT_EQ(Answer(), QStringLiteral("ko"));
    Key(Qt::Key_Space);
    EXPECT_EQ(rs.SpaceWait, 2);
    // Delete as X11 delivers it, with the text DEL: a key-down key, no character.
    QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7f)));
    QApplication::sendEvent(frm, &del);
    EXPECT_EQ(rs.SpaceWait, 2);
    EXPECT_TRUE(Shown("Keisan2Lbl5_0"));
    EXPECT_EQ(frm->CurrentQuestion().Entry, 6);
    Key(Qt::Key_Space);
    EXPECT_EQ(rs.SpaceWait, 0);
    EXPECT_FALSE(Shown("Keisan2Lbl5_0"));
    EXPECT_FALSE(Shown("Keisan2Lbl4_0"));
    EXPECT_FALSE(Shown("Keisan2Lbl4_1"));
    EXPECT_TRUE(Shown("Label1"));
    EXPECT_NE(frm->CurrentQuestion().Entry, 6);
    EXPECT_EQ(Answer(), QString());
    EXPECT_TRUE(frm->InputLock());
}

TEST_F(PracticeScreen, HintCostsTenSecondsOnceAndNothingDuringAcknowledgement) {
    Start();
    auto& rs = common::runState();
    Ask(1);
    Key(Qt::Key_F1);
    EXPECT_TRUE(Shown("Picture1"));
    EXPECT_FLOAT_EQ(rs.RunStartTime, 35990.0f);
    Type("a");  // typing goes on with the chart open
    EXPECT_EQ(Answer(), QStringLiteral("a"));
    Key(Qt::Key_F1);
    EXPECT_FALSE(Shown("Picture1"));
    EXPECT_FLOAT_EQ(rs.RunStartTime, 35990.0f);
    TickAt(5);
    EXPECT_EQ(Text("sLabel10"), QStringLiteral("15"));

    Ask(2);
    Type("x");
    Key(Qt::Key_Return);
    ASSERT_EQ(rs.SpaceWait, 1);
    Key(Qt::Key_F1);
    Key(Qt::Key_Space);
    Key(Qt::Key_F1);  // SpaceWait 2: still locked
    EXPECT_FALSE(Shown("Picture1"));
    EXPECT_FLOAT_EQ(rs.RunStartTime, 35990.0f);
}

// The chart must not point at the answer: F1 and the button open it at its
// top with no line marked, however it was left the time before.
TEST_F(PracticeScreen, HelpChartOpensAtItsTopWithNothingSelected) {
    struct Case {
        const char* name;
        bool key;  // F1, otherwise the help button
    } cases[] = {{"F1Key", true}, {"HelpButton", false}};
    Start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Ask(8);  // く, far down a chart that starts at あ
        // Left scrolled down with a line marked by a pupil's click.
        Control<QListWidget>(frm, "List1")->setCurrentRow(40);
        Control<QListWidget>(frm, "List1")->scrollToBottom();
        if (c.key)
            Key(Qt::Key_F1);
        else
            frm->Command1_Click();
        ASSERT_TRUE(Shown("Picture1"));
        EXPECT_EQ(Control<QListWidget>(frm, "List1")->currentRow(), -1);
        EXPECT_TRUE(Control<QListWidget>(frm, "List1")->selectedItems().isEmpty());
        EXPECT_EQ(Control<QListWidget>(frm, "List1")->verticalScrollBar()->value(), 0);
        frm->Command2_Click();
    }
}

TEST_F(PracticeScreen, HelpPanelButtonHidesIt) {
    Start();
    Ask(1);
    Key(Qt::Key_F1);
    ASSERT_TRUE(Shown("Picture1"));
    EXPECT_EQ(Control<QFrame>(frm, "Picture1")->geometry(), Control<QFrame>(frm, "Keisan2BasePic")->geometry());
    Control<QPushButton>(frm, "Command2")->click();
    EXPECT_FALSE(Shown("Picture1"));
}

TEST_F(PracticeScreen, TwelveLettersAtMostWithTheWarningSound) {
    Start();
    Ask(1);
    Type("abcdefghijkl");
    ASSERT_EQ(Answer(), QStringLiteral("abcdefghijkl"));
    EXPECT_TRUE(fake.sounds.isEmpty());
    Type("m");
    Type("1");
    Key(Qt::Key_Space);
    EXPECT_EQ(Answer(), QStringLiteral("abcdefghijkl"));
    EXPECT_EQ(fake.SoundNames(), QStringList(3, QStringLiteral("警告1")));
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Answer(), QStringLiteral("abcdefghijk"));
    EXPECT_EQ(fake.sounds.size(), 3);
    // Digits and blanks never enter an answer.
    Type(" 1-");
    EXPECT_EQ(Answer(), QStringLiteral("abcdefghijk"));
}

TEST_F(PracticeScreen, KeysDuringTheInputLockIgnoredWhileLettersArrive) {
    Start();
    auto& rs = common::runState();
    ASSERT_TRUE(frm->InputLock());
    Type("ka");
    EXPECT_EQ(Answer(), QStringLiteral("ka"));
    Key(Qt::Key_Return);
    Key(Qt::Key_F1);
    Key(Qt::Key_Delete);
    EXPECT_EQ(rs.JudgeResult, 0);
    EXPECT_TRUE(fake.sounds.isEmpty());
    EXPECT_FALSE(Shown("Picture1"));
    EXPECT_EQ(Answer(), QStringLiteral("ka"));
    frm->Keisan2Timer1_Timer();
    EXPECT_FALSE(frm->InputLock());
    EXPECT_FALSE(Control<QTimer>(frm, "Keisan2Timer1")->isActive());
    Key(Qt::Key_Delete);
    EXPECT_EQ(Answer(), QString());
    Type("ki");
    Key(Qt::Key_Up);
    EXPECT_EQ(Answer(), QString());
    Type("ku");
    Key(Qt::Key_Down);
    EXPECT_EQ(Answer(), QString());
    EXPECT_EQ(Control<QLabel>(frm, "Keisan2Lbl1", 0)->palette().color(QPalette::Window), QColor(0, 192, 0));
}

TEST_F(PracticeScreen, KeysReachTheScreenWhicheverChildHasThem) {
    Start();
    Ask(1);
    QTest::keyClicks(Control<QListWidget>(frm, "List1"), QStringLiteral("a"));
    QTest::keyClick(Control<QLabel>(frm, "Keisan2Lbl1", 0), Qt::Key_Return);
    EXPECT_EQ(common::runState().CorrectCount, 1);
}

// ---------------------------------------------------------------- clock

TEST_F(PracticeScreen, PassBoxesVanishFromThirtyOneToForty) {
    Start();
    const int frame = Control<QFrame>(frm, "sShape5")->width();
    for (int e = 0; e <= 45; ++e) {
        TickAt(e);
        EXPECT_EQ(Text("sLabel10"), QString::number(e));
        EXPECT_EQ(Control<QFrame>(frm, "sShape2")->width(), int(e * (double(frame) / 300))) << e;
        for (int box = 30; box <= 39; ++box)
            EXPECT_EQ(Shown(QStringLiteral("sPicture3_%1").arg(box).toLatin1()), e < box + 1)
                << "box " << box << " at " << e;
    }
    for (int box = 10; box <= 29; ++box)
        EXPECT_TRUE(Shown(QStringLiteral("sPicture3_%1").arg(box).toLatin1())) << box;
}

TEST_F(PracticeScreen, LateTickLeavesNoPassBoxStanding) {
    Start();
    TickAt(33);
    TickAt(42);  // a long sound held the clock back
    for (int box = 30; box <= 39; ++box)
        EXPECT_FALSE(Shown(QStringLiteral("sPicture3_%1").arg(box).toLatin1())) << box;
}

TEST_F(PracticeScreen, TimeOutAtTheLimitRecordsNoResult) {
    Start();
    TickAt(299);
    EXPECT_FALSE(common::runState().TimedOut);
    EXPECT_TRUE(Control<QTimer>(frm, "sTimer1")->isActive());
    TickAt(300);
    auto& rs = common::runState();
    EXPECT_TRUE(rs.TimedOut);
    EXPECT_TRUE(rs.HandOffDone);
    EXPECT_EQ(rs.ResultTime, 99999);
    EXPECT_EQ(RecordCount(), 1);
    ASSERT_TRUE(frm);  // closed, deleted later
    EXPECT_TRUE(Shown("sPicture2"));
    EXPECT_TRUE(Shown("lblsss2"));
    EXPECT_FALSE(Shown("lblsss1"));
    EXPECT_EQ(Control<QFrame>(frm, "sShape2")->width(), Control<QFrame>(frm, "sShape5")->width());
    EXPECT_FALSE(Control<QTimer>(frm, "sTimer1")->isActive());
    EXPECT_EQ(shell::ScreenHost::instance().Find<MainFrm>(), nullptr);
    // Keys and ticks after the end change nothing.
    Type("a");
    Key(Qt::Key_F1);
    TickAt(301);
    EXPECT_EQ(RecordCount(), 1);
    EXPECT_EQ(rs.ResultTime, 99999);
}

// Five times a minimum time this large does not fit 32 bits; the limit must
// not wrap round to a negative one that ends the run at its first tick.
TEST_F(PracticeScreen, AbsurdMinimumTimeNeverTimesTheRunOut) {
    for (const int minimum : {429496730, 2147483647}) {
        results::criteria()[1].MinimumTime = minimum;
        Start();
        auto& rs = common::runState();
        EXPECT_GE(rs.TimeLimit, 86400) << minimum;
        TickAt(1);
        TickAt(3600);
        EXPECT_FALSE(rs.TimedOut) << minimum;
        EXPECT_TRUE(Control<QTimer>(frm, "sTimer1")->isActive()) << minimum;
        EXPECT_EQ(Text("sLabel10"), QStringLiteral("3600"));
        EXPECT_EQ(RecordCount(), 0);
        flow::ClosePracticeScreen();
    }
}

TEST_F(PracticeScreen, ResultIsTheLastTickRoundedHalfToEven) {
    struct Case {
        double tick;
        int shown;
    };
    for (const Case c : {Case{57.5, 58}, Case{56.5, 56}, Case{41.4, 41}}) {
        Start();
        auto& rs = common::runState();
        rs.CorrectCount = 19;
        TickAt(c.tick);
        EXPECT_EQ(Text("sLabel10"), QString::number(c.shown));
        Ask(4);
        fake.AdvanceSeconds(0.9);  // the answer itself is not timed again
        Type("e");
        Key(Qt::Key_Return);
        EXPECT_TRUE(rs.RunFinished);
        EXPECT_FALSE(rs.TimedOut);
        EXPECT_EQ(rs.ResultTime, c.shown);
        EXPECT_TRUE(Shown("lblsss1"));
        EXPECT_FALSE(Shown("lblsss2"));
        EXPECT_EQ(shell::ScreenHost::instance().Find<MainFrm>(), nullptr);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(RecordCount(), 3);
}

// The run's clock is the tick count: midnight and a system clock corrected
// during the run (a time synchronisation setting it back or forward) leave
// the elapsed time, the countdown and the result as they are.
TEST_F(PracticeScreen, RunTimeIgnoresMidnightAndClockCorrections) {
    struct Case {
        const char* name;
        QTime start;
        double correction;  // seconds the system clock is moved at 10 s
    };
    for (const Case c : {Case{"AcrossMidnight", QTime(23, 59, 50), 0}, Case{"ClockSetBackTwoSeconds", kStart, -2},
                         Case{"ClockSetBackAnHour", kStart, -3600}, Case{"ClockSetForward", kStart, 90}}) {
        SCOPED_TRACE(c.name);
        Start(c.start);
        auto& rs = common::runState();
        fake.AdvanceSeconds(10);
        frm->sTimer1_Timer();
        EXPECT_EQ(Text("sLabel10"), QStringLiteral("10"));
        fake.now = fake.now.addMSecs(qint64(c.correction * 1000));
        fake.AdvanceSeconds(22.3);
        frm->sTimer1_Timer();
        EXPECT_EQ(Text("sLabel10"), QStringLiteral("32"));
        EXPECT_EQ(rs.ElapsedSeconds, 32);
        EXPECT_FALSE(rs.TimedOut);
        EXPECT_TRUE(Control<QTimer>(frm, "sTimer1")->isActive());
        // The "Pass" boxes count down by the run's time (target 40 s): at 32 s
        // boxes 30 and 31 are gone.
        EXPECT_FALSE(Shown("sPicture3_31"));
        EXPECT_TRUE(Shown("sPicture3_32"));
        rs.CorrectCount = 19;
        Ask(4);
        Type("e");
        Key(Qt::Key_Return);
        EXPECT_TRUE(rs.RunFinished);
        EXPECT_EQ(rs.ResultTime, 32);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(RecordCount(), 4);
}

// The minutes since sign-in are whole minutes on the tick count, whatever the
// time of day does meanwhile (midnight, a corrected clock).
TEST_F(PracticeScreen, MinutesSinceSignInComeFromTheTickCount) {
    const struct {
        const char* name;
        double seconds;  // since sign-in, on the tick count
        QDateTime now;
        const char* shown;
    } cases[] = {
        {"JustBelowTenMinutes", 599.5, QDateTime(QDate(2026, 12, 10), QTime(10, 9, 59)), "9"},
        {"TenMinutes", 600, QDateTime(QDate(2026, 12, 10), QTime(10, 10)), "10"},
        {"AcrossMidnight", 600, QDateTime(QDate(2026, 12, 11), QTime(0, 5)), "10"},
        {"ClockSetBack", 30, QDateTime(QDate(2026, 12, 10), QTime(9, 59)), "0"},
    };
    Start();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // The timer reads the tick count once: it gives exactly that moment.
        common::runState().SignInTick = fake.ticks + fake.tickStep - quint32(c.seconds * 1000);
        fake.now = c.now;
        frm->sTimer2_Timer();
        EXPECT_EQ(Text("sLabel13"), QString::fromLatin1(c.shown));
    }
}

// The last answer and the limit in the same second: whichever comes first,
// there is one hand-off.
TEST_F(PracticeScreen, LastAnswerAndLimitTogetherHandOffOnce) {
    for (bool answerInsideTick : {true, false}) {
        Start();
        auto& rs = common::runState();
        rs.CorrectCount = 19;
        Ask(5);
        Type("o");
        At(300);
        if (answerInsideTick) {
            // The Return waits in the queue and runs inside the tick's event processing.
            QCoreApplication::postEvent(frm.data(), new QKeyEvent(QEvent::KeyPress, Qt::Key_Return,
                                                           Qt::NoModifier, QStringLiteral("\r")));
            frm->sTimer1_Timer();
        } else {
            // The tick runs inside the answer's event processing.
            QMetaObject::invokeMethod(frm.data(), [this] { frm->sTimer1_Timer(); }, Qt::QueuedConnection);
            Key(Qt::Key_Return);
        }
        EXPECT_TRUE(rs.RunFinished);
        EXPECT_FALSE(rs.TimedOut);
        EXPECT_NE(rs.ResultTime, 99999);
        EXPECT_EQ(shell::ScreenHost::instance().Find<MainFrm>(), nullptr);
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    EXPECT_EQ(RecordCount(), 2);
}

TEST_F(PracticeScreen, WholeRunOfTwentyAnswers) {
    Start();
    auto& rs = common::runState();
    int wrong = 0;
    for (int n = 0; !rs.RunFinished && n < 100; ++n) {
        frm->Keisan2Timer1_Timer();
        const QString kunrei = frm->CurrentQuestion().Kunrei.trimmed();
        TickAt(n);
        if (n == 3) {
            Type("q");
            Key(Qt::Key_Return);
            ++wrong;
            Key(Qt::Key_Space);
            Key(Qt::Key_Space);
            continue;
        }
        Type(kunrei.toLatin1().constData());
        Key(Qt::Key_Return);
    }
    EXPECT_TRUE(rs.RunFinished);
    EXPECT_EQ(rs.CorrectCount, 20);
    EXPECT_EQ(fake.SoundNames().count(QStringLiteral("seikai")), 21);
    EXPECT_EQ(fake.SoundNames().count(QStringLiteral("machigai")), wrong);
    EXPECT_EQ(RecordCount(), 1);
    EXPECT_EQ(shell::ScreenHost::instance().Find<MainFrm>(), nullptr);
}

// ---------------------------------------------------------------- the end of the program

// A results file that cannot be written at the run's end (here its folder is
// away, no busy file to wait for): the message, and the program ends there,
// as at a school: neither the backdrop nor the evaluation comes.
TEST_F(PracticeScreen, AResultsFileThatCannotBeWrittenEndsTheProgramAtTheRunsEnd) {
    common::runState().ProgramDataFolder = dir.path() + QStringLiteral("/gone/");
    Start();
    testing::internal::CaptureStderr();
    EXPECT_THROW(TickAt(300), testing_support::ProgramEnded);
    testing::internal::GetCapturedStderr();
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("成績ランダムファイル記録ファイルが見つかりません。"));
    EXPECT_EQ(fake.messages[0].title, QStringLiteral("ローマ字"));
    EXPECT_EQ(fake.endCount, 1);
    const QStringList pages = [] {
        QStringList names;
        for (auto* page : shell::ScreenHost::instance().Pages()) names << page->objectName();
        return names;
    }();
    EXPECT_FALSE(pages.contains(QStringLiteral("BASEFRM")));
    EXPECT_FALSE(pages.contains(QStringLiteral("FrmSyuuryou")));
}

// Four failed answer sounds in a row: the message, and the program ends at
// the fourth; the answer it was played for is not counted any more.
TEST_F(PracticeScreen, TheFourthFailedAnswerSoundEndsTheProgram) {
    fake.soundResult = 263;
    Start();
    auto& rs = common::runState();
    for (int n = 1; n <= 3; ++n) {
        Ask(3);
        rs.JudgeResult = 1;
        frm->判定後処理();
    }
    ASSERT_EQ(rs.CorrectCount, 3);
    ASSERT_TRUE(fake.messages.isEmpty());
    Ask(3);
    rs.JudgeResult = 1;
    EXPECT_THROW(frm->判定後処理(), testing_support::ProgramEnded);
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("音声がでません。先生を呼びなさい。\r\nfake sound error"));
    EXPECT_EQ(fake.messages[0].title, QStringLiteral("音声エラー"));
    EXPECT_EQ(fake.endCount, 1);
    EXPECT_EQ(rs.CorrectCount, 3);
}

}  // namespace
