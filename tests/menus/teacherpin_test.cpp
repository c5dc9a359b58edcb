// The teacher's PIN on the name screen, driven offscreen: no PIN, the right
// PIN, three wrong ones, "やめる", a file that cannot be read, and a pupil's
// entry, which is never asked.
#include "screens/menus/frmpin.h"
#include "screens/menus/namesel.h"
#include "core/menus/teacherpin.h"

#include "core/common/runstate.h"
#include "filebytes.h"
#include "screens/kit/flow.h"
#include "core/results/criteria.h"
#include "core/results/resultsfile.h"
#include "schoolbuilder.h"
#include "screentest.h"
#include "shell/screenhost.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using common::runState;
using menus::frmpin;
using menus::namesel;
using shell::ScreenHost;

// Nobody signed in yet; a roster of a pupil and the teacher.
class TeacherPinScreen : public testing_support::ScreenTest {
protected:
    static constexpr int kTeacher = 90;
    static constexpr int kPupil = 1;
    QTemporaryDir config;

    TeacherPinScreen() : ScreenTest(Start::Reset) {}

    void SetUp() override {
        qputenv("ROMAJI_CONFIG_DIR", QFile::encodeName(config.path()));
        ScreenTest::SetUp();
        auto& s = runState();
        s.ProgramTitle = QStringLiteral("ローマ字");
        s.SeasonColour = 0xC0FFC0;
        s.DataRoot = dir.path() + QStringLiteral("/");
        s.ProgramDataFolder = s.DataRoot;
        for (int level = 1; level <= 15; ++level) results::criteria()[level].TargetTime = 30;
        fake.now = QDateTime(QDate(2026, 12, 10), QTime(10, 0));
        fake.programFolder = QStringLiteral("/usr/lib/romaji/ローマ字");
        ASSERT_TRUE(school.Results({}).Roster({{kPupil, 2017, QStringLiteral("あべ")}, school::Teacher(kTeacher)}).Ok());
    }
    void TearDown() override {
        ScreenTest::TearDown();
        qunsetenv("ROMAJI_CONFIG_DIR");
    }

    void SetPin(const QString& pin) {
        const auto hash = menus::HashPin(pin);
        ASSERT_TRUE(hash);
        ASSERT_TRUE(testing_support::WriteFileBytes(menus::TeacherPinPath(), *hash + '\n'));
    }

    // Confirms the row of name by a double-click, as a pupil does.
    void Confirm(const QString& name) {
        flow::ShowNameScreen();
        screen = ScreenHost::instance().Find<namesel>();
        ASSERT_NE(screen, nullptr);
        int row = -1;
        kit::TextList* list = Control<kit::TextList>(screen, "List1");
        for (int r = 1; r < list->count(); ++r)
            if (list->text(r).contains(name)) row = r;
        ASSERT_GT(row, 0);
        const QPoint at = list->RowRect(row).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }

    // Answers the PIN dialog with pins in turn (an empty one presses
    // "やめる"), noting what it says after each; a dialog left open after the
    // last answer is closed and noted.
    void Answer(QStringList pins) {
        // The timer ends with the test: one left running (no dialog came)
        // would otherwise answer the next test's dialog into this test's
        // fields, which are gone by then.
        auto* timer = new QTimer(&answering);
        QObject::connect(timer, &QTimer::timeout, [this, timer, pins]() mutable {
            auto* box = qobject_cast<frmpin*>(QApplication::activeModalWidget());
            if (!box) return;
            if (boxes.isEmpty() || boxes.last() != box) {
                boxes << box;
                auto* text1 = Control<QLineEdit>(box, "Text1");
                titles << box->windowTitle() + u'|' + Control<QLabel>(box, "Label1")->text() + u'|' +
                              text1->accessibleName();
                echo = text1->echoMode();
            }
            if (pins.isEmpty()) {
                said << QStringLiteral("left open");
                box->reject();
                timer->deleteLater();
                return;
            }
            const QString pin = pins.takeFirst();
            if (pin.isEmpty()) {
                QTest::mouseClick(Control<QPushButton>(box, "Command2"), Qt::LeftButton);
            } else {
                auto* text1 = Control<QLineEdit>(box, "Text1");
                text1->setFocus();
                QTest::keyClicks(text1, pin);
                QTest::keyClick(text1, Qt::Key_Return);
            }
            if (QApplication::activeModalWidget() == box) said << Control<QLabel>(box, "Label2")->text();
            if (pins.isEmpty() && QApplication::activeModalWidget() != box) timer->deleteLater();
        });
        timer->start(5);
    }

    bool LevelMenuOpened() const { return runState().LevelCount == 15; }

    QPointer<namesel> screen;
    QList<QPointer<frmpin>> boxes;
    QStringList titles;
    QStringList said;
    QLineEdit::EchoMode echo = QLineEdit::Normal;
    QObject answering;  // last: its timers go before the fields they fill
};

TEST_F(TeacherPinScreen, WithoutAPinTheTeacherGoesStraightToTheLevelMenu) {
    Answer({});
    Confirm(QStringLiteral("先生"));
    EXPECT_TRUE(LevelMenuOpened());
    EXPECT_EQ(runState().CurrentPupil, kTeacher);
    EXPECT_TRUE(boxes.isEmpty());
}

TEST_F(TeacherPinScreen, RightPinAfterAWrongOneOpensTheLevelMenu) {
    SetPin(QStringLiteral("4082"));
    Answer({QStringLiteral("1111"), QStringLiteral("4082")});
    Confirm(QStringLiteral("先生"));
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(titles.value(0), QStringLiteral("先生の暗証番号|先生の暗証番号を入れてください|暗証番号"));
    EXPECT_EQ(echo, QLineEdit::Password);
    EXPECT_EQ(said, QStringList{QStringLiteral("暗証番号がちがいます。あと 2 回です。")});
    EXPECT_TRUE(LevelMenuOpened());
    EXPECT_EQ(runState().CurrentPupil, kTeacher);
}

TEST_F(TeacherPinScreen, ThreeWrongPinsOrGivingUpReturnToTheNameScreen) {
    SetPin(QStringLiteral("4082"));
    for (const QStringList& answers : {QStringList{QStringLiteral("1"), QStringLiteral("40821"), QStringLiteral("0000")},
                                       QStringList{QStringLiteral("1111"), QString()}}) {
        boxes.clear();
        said.clear();
        Answer(answers);
        Confirm(QStringLiteral("先生"));
        ASSERT_FALSE(screen.isNull());
        EXPECT_EQ(boxes.size(), 1);
        EXPECT_TRUE(boxes.first().isNull() || !boxes.first()->isVisible());
        if (answers.size() == 3) {
            EXPECT_EQ(said, (QStringList{QStringLiteral("暗証番号がちがいます。あと 2 回です。"),
                                         QStringLiteral("暗証番号がちがいます。あと 1 回です。")}));
        }
        EXPECT_FALSE(LevelMenuOpened());
        EXPECT_EQ(runState().CurrentPupil, 0);
        EXPECT_EQ(Control<QLabel>(screen, "Label1")->text(), namesel::kPrompt);
        EXPECT_EQ(Control<kit::TextList>(screen, "List1")->currentRow(), 0);
        EXPECT_FALSE(Control<QPushButton>(screen, "Command14")->isHidden());
    }
}

TEST_F(TeacherPinScreen, APupilIsNeverAsked) {
    SetPin(QStringLiteral("4082"));
    Answer({});
    Confirm(QStringLiteral("あべ"));
    EXPECT_TRUE(boxes.isEmpty());
    EXPECT_TRUE(LevelMenuOpened());
    EXPECT_EQ(runState().CurrentPupil, kPupil);
}

// A PIN file that holds no hash lets nobody in, and says why.
TEST_F(TeacherPinScreen, AFileThatHoldsNoPinLetsNobodyIn) {
    ASSERT_TRUE(testing_support::WriteFileBytes(menus::TeacherPinPath(), "4082\n"));
    Answer({});
    Confirm(QStringLiteral("先生"));
    EXPECT_TRUE(boxes.isEmpty());
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_EQ(fake.messages[0].title, QStringLiteral("注意"));
    EXPECT_TRUE(fake.messages[0].text.startsWith(QStringLiteral("先生の暗証番号のファイルが読めないので")));
    EXPECT_FALSE(LevelMenuOpened());
    EXPECT_EQ(Control<QLabel>(screen, "Label1")->text(), namesel::kPrompt);
}

}  // namespace
