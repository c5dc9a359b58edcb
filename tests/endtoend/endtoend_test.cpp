// A pupil's whole path through the real screens, in one process, on a demo
// school laid out in a temporary folder: name, level 1, twenty correct answers,
// the evaluation, back to the menu with the new figures, then a run that runs
// out of time. Both appended records are checked byte for byte.
#include "core/common/dates.h"
#include "core/common/platform.h"
#include "core/common/strings.h"
#include "demoschool.h"
#include "screens/menus/namesel.h"
#include "screens/menus/seisekitime1.h"
#include "core/practice/kanatable.h"
#include "screens/practice/MainFrm.h"
#include "screens/results/FrmSyuuryou.h"
#include "core/results/criteria.h"
#include "core/results/resultsfile.h"
#include "core/results/statistics.h"
#include "core/startup/configuration.h"
#include "screens/kit/flow.h"
#include "core/common/runstate.h"
#include "shell/screenhost.h"
#include "screentest.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstring>

namespace {

using common::runState;
using shell::ScreenHost;

// Romaji of the kana on view (the Kunrei spelling, accepted in mode 0).
QString RomajiOf(const QString& kana) {
    for (int i = 1; i <= practice::kEntryCount; ++i) {
        const auto e = practice::EntryFromStrings(i);
        if (common::TrimSpaces(e.Kana) == kana) return common::TrimSpaces(e.Kunrei);
    }
    return QString();
}

// A demo school laid out as an installation; nothing read yet.
class EndToEnd : public testing_support::ScreenTest {
protected:
    QString root;

    EndToEnd() : ScreenTest(Start::Reset) {}

    void SetUp() override {
        ScreenTest::SetUp();
        root = dir.path();
        fake.now = QDateTime(QDate(2026, 12, 10), QTime(9, 30, 0));
        demo::Options options;
        options.today = fake.now.date();
        options.withResults = false;
        QString error;
        ASSERT_TRUE(demo::LayOutDemoSchool(root, options, error)) << error.toStdString();
        // Criteria of our own, so that the figures below do not follow the demo's.
        school::Builder school(school::InstallationFolders(root));
        ASSERT_TRUE(school
                        .Criteria(school::UniformCriteria({.clearPoints = 100, .clearCount = 5, .tooMuchDays = "7"}))
                        .Ok());
        QFile::remove(ResultsFile());
        fake.programFolder = root + QStringLiteral("/CAI/ローマ字");
    }

    QString ResultsFile() const { return root + QStringLiteral("/CAIdata/ローマ字/成績累積データ.dat"); }

    template <class T>
    T* Screen() {
        return ScreenHost::instance().Find<T>();
    }

    // Answers the chooser (shown modally on the first run) with its start button.
    void ArmChooser() {
        auto* poll = new QTimer(&ScreenHost::instance());
        QObject::connect(poll, &QTimer::timeout, poll, [poll] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) return;
            if (auto* start = modal->findChild<QPushButton*>(QStringLiteral("Command2"))) start->click();
            poll->deleteLater();
        });
        poll->start(5);
    }

    // One evaluation screen: let Timer1 bring up the buttons, then go back to the menu.
    void LeaveEvaluation() {
        auto* eval = Screen<results::FrmSyuuryou>();
        ASSERT_NE(eval, nullptr);
        eval->Timer1_Timer();
        ASSERT_TRUE(Control<QPushButton>(eval, "Command4")->isVisible());
        Control<QPushButton>(eval, "Command4")->click();
    }
};

TEST_F(EndToEnd, PupilConfirmsPractisesAndSeesTheRecord) {
    QString error;
    ASSERT_TRUE(startup::LoadConfiguration(error, flow::Caution)) << error.toStdString();
    flow::ShowNameScreen();
    auto* names = Screen<menus::namesel>();
    ASSERT_NE(names, nullptr);
    ASSERT_GT(Control<kit::TextList>(names, "List1")->count(), 1);

    // The first pupil of the list confirms.
    names->SelectRow(1);
    const QString chosen = Control<QLabel>(names, "Label1")->text();
    ASSERT_NE(chosen, QStringLiteral("名前を選びなさい"));
    Control<QPushButton>(names, "Command14")->click();
    const int pupil = runState().CurrentPupil;
    ASSERT_GT(pupil, 0);
    // The row shows the grade label, a blank and the name.
    EXPECT_TRUE(chosen.contains(common::TrimSpaces(runState().CurrentPupilName).left(2)))
        << chosen.toStdString();
    EXPECT_EQ(runState().SignInTime, 9 * 3600 + 30 * 60);

    auto* menu = Screen<menus::seisekitime1>();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Screen<menus::namesel>(), nullptr) << "exactly one of name screen and level menu";
    EXPECT_EQ(menu->MenuReady(), 1);
    EXPECT_EQ(Control<QLabel>(menu, "Label14", 1)->text(), QStringLiteral("-----"));

    // Level 1 with key "1"; the chooser comes first on the first run.
    ArmChooser();
    QTest::keyClick(Control<QPushButton>(menu, "Command1"), '1');
    auto* practice = Screen<practice::MainFrm>();
    ASSERT_NE(practice, nullptr);
    EXPECT_TRUE(runState().ChooserDone);

    // Twenty correct answers, two seconds each.
    auto* question = Control<QLabel>(practice, "Keisan2Lbl2", 0);
    ASSERT_NE(question, nullptr);
    for (int n = 0; n < 20; ++n) {
        const QString romaji = RomajiOf(common::TrimSpaces(question->text()));
        ASSERT_FALSE(romaji.isEmpty()) << question->text().toStdString();
        practice->Keisan2Timer1_Timer();  // the 100 ms input lock has passed
        QTest::keyClicks(practice, romaji);
        fake.AdvanceSeconds(2);
        practice->sTimer1_Timer();
        QTest::keyClick(practice, Qt::Key_Return);
        if (n < 19) {
            ASSERT_EQ(runState().CorrectCount, n + 1);
        }
    }
    const QTime firstAppend(9, 30, 40);
    EXPECT_EQ(runState().ResultTime, 40);

    auto* eval = Screen<results::FrmSyuuryou>();
    ASSERT_NE(eval, nullptr);
    EXPECT_EQ(Screen<practice::MainFrm>(), nullptr);
    EXPECT_EQ(Control<QLabel>(eval, "Label20")->text(), QStringLiteral("！！！最高新記録！！！"));
    EXPECT_TRUE(fake.SoundNames().contains(QStringLiteral("最高1")));
    LeaveEvaluation();

    // Back on the same menu (it stayed loaded behind the run), with the run in
    // today's figures: 40 s against a target of 30 gives 4 base points, 6 with ×1.5.
    ASSERT_EQ(Screen<menus::seisekitime1>(), menu);
    EXPECT_EQ(menu->MenuReady(), 1);
    EXPECT_EQ(Control<QLabel>(menu, "Label14", 1)->text(), QStringLiteral("1回/6点"));
    EXPECT_EQ(Control<QLabel>(menu, "Label15", 1)->text(), QStringLiteral("1回/6点"));

    // A second run that runs out of time (5 × 60 s); no chooser any more.
    fake.now.setTime(QTime(9, 40, 0));
    QTest::keyClick(Control<QPushButton>(menu, "Command1"), '1');
    practice = Screen<practice::MainFrm>();
    ASSERT_NE(practice, nullptr);
    fake.AdvanceSeconds(300);
    const QTime secondAppend = fake.now.time();
    practice->sTimer1_Timer();
    EXPECT_TRUE(runState().TimedOut);
    EXPECT_EQ(runState().ResultTime, 99999);
    eval = Screen<results::FrmSyuuryou>();
    ASSERT_NE(eval, nullptr);
    EXPECT_EQ(Control<QLabel>(eval, "Label20")->text(), QStringLiteral("時間切れ"));
    LeaveEvaluation();

    // Two records, exactly as the other PCs and the teacher views read them.
    QFile f(ResultsFile());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_EQ(bytes.size(), 2 * results::kRecordSize);
    auto expected = [&](const QTime& time, int result) {
        QByteArray r(results::kRecordSize, '\0');
        const double date = common::DateValue(QDate(2026, 12, 10));
        const double tod = common::TimeValue(time);
        std::memcpy(r.data(), &date, 8);  // the test machine is little-endian, like the file
        std::memcpy(r.data() + 8, &tod, 8);
        const std::int16_t p = static_cast<std::int16_t>(pupil), level = 1;
        const std::int32_t res = result;
        std::memcpy(r.data() + 16, &p, 2);
        std::memcpy(r.data() + 18, &level, 2);
        std::memcpy(r.data() + 20, &res, 4);
        std::memcpy(r.data() + 24, "01234", 5);
        std::memcpy(r.data() + 29, "     ", 5);
        std::memcpy(r.data() + 34, "0    ", 5);
        return r;
    };
    EXPECT_EQ(bytes.left(44).toHex(' '), expected(firstAppend, 40).toHex(' '));
    EXPECT_EQ(bytes.mid(44).toHex(' '), expected(secondAppend, 99999).toHex(' '));
}

}  // namespace
