// The name screen driven offscreen with the platform double.
#include "screens/menus/namesel.h"

#include "core/results/criteria.h"
#include "core/results/resultsfile.h"
#include "core/results/statistics.h"
#include "schoolbuilder.h"
#include "core/startup/configuration.h"
#include "screens/kit/flow.h"
#include "core/common/runstate.h"
#include "shell/screenhost.h"
#include "screentest.h"
#include "core/sound/sound.h"

#include <QApplication>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

using menus::namesel;
using common::runState;
using shell::ScreenHost;
using testing_support::ScreenTest;

const QDate kToday(2026, 12, 10);  // school year 2026: born 2017 is grade 3

// Nobody signed in yet; a roster of five pupils.
class NameScreenTest : public ScreenTest {
protected:
    NameScreenTest() : ScreenTest(Start::Reset) {}

    void SetUp() override {
        ScreenTest::SetUp();
        auto& s = runState();
        s.ProgramTitle = QStringLiteral("ローマ字");
        s.SeasonColour = 0xC0FFC0;
        s.DataRoot = dir.path() + QStringLiteral("/");
        s.ProgramDataFolder = s.DataRoot;
        for (int level = 1; level <= 15; ++level) {
            results::criteria()[level].TargetTime = 30;
            results::criteria()[level].PointMultiplier = 1;
        }
        sound::soundTable().Kinds[4].Files[1] = QStringLiteral("wrong1");
        fake.now = QDateTime(kToday, QTime(10, 0, 0, 500));
        fake.programFolder = QStringLiteral("/opt/CAI/ローマ字");
        ASSERT_TRUE(school.Results({})
                        .Roster({
                            {1, 2017, QStringLiteral("あべ")},
                            {2, 2017, QStringLiteral("ほし*こ")},
                            {3, 2016, QStringLiteral("うえだ")},
                            {4, 2020, QStringLiteral("えのき")},
                            {5, 2017, QStringLiteral("いとう")},
                        })
                        .Ok());
    }

    namesel* Open() {
        flow::ShowNameScreen();
        return ScreenHost::instance().Find<namesel>();
    }
    static kit::TextList* List1(namesel* screen) { return Control<kit::TextList>(screen, "List1"); }
    static QStringList Rows(namesel* screen) {
        const kit::TextList* list = List1(screen);
        QStringList rows;
        for (int i = 0; i < list->count(); ++i) rows << list->text(i);
        return rows;
    }
    static int RowOf(namesel* screen, const QString& name) {
        const QStringList rows = Rows(screen);
        for (int i = 1; i < rows.size(); ++i)
            if (rows[i].contains(name)) return i;
        return -1;
    }
    static QPoint RowPoint(namesel* screen, int row) {
        return List1(screen)->RowRect(row).center();
    }
    static void ClickRow(namesel* screen, int row) {
        QTest::mouseClick(List1(screen)->viewport(), Qt::LeftButton, {}, RowPoint(screen, row));
    }
};

TEST_F(NameScreenTest, OpensInPointsModeYoungestFirstWithPrompt) {
    namesel* screen = Open();
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("vorlex"));
    EXPECT_EQ(screen->RankingMode(), 1);
    EXPECT_TRUE(Control<QRadioButton>(screen, "Option1", 1)->isChecked());
    EXPECT_EQ(Control<QLabel>(screen, "Label4")->text(), QStringLiteral("ローマ字"));
    EXPECT_EQ(Control<QLabel>(screen, "Label4")->font().pointSize(), 48);
    EXPECT_EQ(Control<QLabel>(screen, "Label1")->text(), QStringLiteral("名前を選びなさい"));
    EXPECT_TRUE(Control<QWidget>(screen, "Picture5")->isHidden());
    EXPECT_TRUE(Control<QWidget>(screen, "Picture8")->isHidden());
    EXPECT_TRUE(Control<QLabel>(screen, "Label2")->isHidden());
    EXPECT_EQ(Control<QComboBox>(screen, "Combo1")->toolTip(), QStringLiteral("表示する学年を選びなさい"));
    EXPECT_EQ(Control<QComboBox>(screen, "Combo1")->currentText(), QStringLiteral("全学年"));
    EXPECT_EQ(Rows(screen), (QStringList{
                                 QStringLiteral("－－－－－－"),
                                 QStringLiteral("幼3 えのき　　　  　/       "),
                                 QStringLiteral("小3 ほし*こ　　  　/       "),
                                 QStringLiteral("小3 いとう　　　  　/       "),
                                 QStringLiteral("小3 あべ　　　　  　/       "),
                                 QStringLiteral("小4 うえだ　　　  　/       "),
                             }));
    EXPECT_EQ(Control<kit::TextList>(screen, "List2")->count(), 5);
    EXPECT_EQ(Control<kit::TextList>(screen, "List3")->text(0), QStringLiteral("幼3 えのき　　　  　/       *4"));

    // Activated again: the filter still holds each text once; the notice
    // follows the layout.
    runState().DevLayout = true;
    flow::ShowNameScreen();
    EXPECT_EQ(ScreenHost::instance().Find<namesel>(), screen);
    EXPECT_EQ(Control<QComboBox>(screen, "Combo1")->count(), 12);
    EXPECT_FALSE(Control<QWidget>(screen, "Picture8")->isHidden());
}

TEST_F(NameScreenTest, EveryRebuildReadsFreshFigures) {
    namesel* screen = Open();
    school::AppendRuns(results::ResultsFilePath(), {{1, 1, 20, kToday}, {1, 2, 25, kToday.addDays(-3)}});
    QTest::mouseClick(Control<QRadioButton>(screen, "Option1", 0), Qt::LeftButton);
    EXPECT_EQ(screen->RankingMode(), 0);
    EXPECT_EQ(List1(screen)->text(RowOf(screen, QStringLiteral("あべ"))),
              QStringLiteral("小3 あべ　　　　  1回/    2回"));
    // Kindergarten rows are wider outside mode 1.
    EXPECT_EQ(List1(screen)->text(1), QStringLiteral("幼3 えのき　　　　　     /     　"));
}

TEST_F(NameScreenTest, SeparatorNeverConfirms) {
    namesel* screen = Open();
    List1(screen)->setFocus();
    ASSERT_EQ(List1(screen)->currentRow(), 0);
    QTest::keyClick(List1(screen), Qt::Key_Return);
    EXPECT_EQ(fake.SoundNames(), QStringList{"wrong1"});
    EXPECT_EQ(Control<QLabel>(screen, "Label1")->text(), QStringLiteral("名前を選びなさい"));
    EXPECT_FALSE(Control<QPushButton>(screen, "Command14")->isHidden());
    EXPECT_EQ(runState().LevelCount, 0);

    // A double-click on the separator after a pupil's row: the prompt again,
    // no sound, nothing confirmed.
    ClickRow(screen, 2);
    EXPECT_NE(Control<QLabel>(screen, "Label1")->text(), QStringLiteral("名前を選びなさい"));
    ClickRow(screen, 0);
    QTest::mouseDClick(List1(screen)->viewport(), Qt::LeftButton, {}, RowPoint(screen, 0));
    EXPECT_EQ(Control<QLabel>(screen, "Label1")->text(), QStringLiteral("名前を選びなさい"));
    EXPECT_EQ(fake.SoundNames(), QStringList{"wrong1"});
    EXPECT_EQ(runState().LevelCount, 0);
}

enum class Way { Enter, Space, KeyOneInFilter, DoubleClick, OkButton };

std::string WayName(Way way) {
    switch (way) {
    case Way::Enter: return "Enter";
    case Way::Space: return "Space";
    case Way::KeyOneInFilter: return "KeyOneInFilter";
    case Way::DoubleClick: return "DoubleClick";
    case Way::OkButton: return "OkButton";
    }
    return "Unknown";
}

void PrintTo(Way way, std::ostream* os) { *os << WayName(way); }

class ConfirmTest : public NameScreenTest, public ::testing::WithParamInterface<Way> {};

TEST_P(ConfirmTest, TakesThePupilOfTheRowAndOpensTheLevelMenu) {
    namesel* screen = Open();
    // A name holding a "*" of its own still gives the right number.
    const int row = RowOf(screen, QStringLiteral("ほし*こ"));
    ASSERT_GT(row, 0);
    List1(screen)->setFocus();
    switch (GetParam()) {
    case Way::Enter:
        ClickRow(screen, row);
        QTest::keyClick(List1(screen), Qt::Key_Return);
        break;
    case Way::Space:
        ClickRow(screen, row);
        QTest::keyClick(List1(screen), Qt::Key_Space);
        break;
    case Way::KeyOneInFilter:
        ClickRow(screen, row);
        Control<QComboBox>(screen, "Combo1")->setFocus();
        QTest::keyClick(Control<QComboBox>(screen, "Combo1"), Qt::Key_1);
        break;
    case Way::DoubleClick:  // a double-click's first press and release come first
        ClickRow(screen, row);
        QTest::mouseDClick(List1(screen)->viewport(), Qt::LeftButton, {}, RowPoint(screen, row));
        break;
    case Way::OkButton:
        ClickRow(screen, row);
        QTest::mouseClick(Control<QPushButton>(screen, "Command14"), Qt::LeftButton);
        break;
    }
    const auto& s = runState();
    EXPECT_TRUE(fake.SoundNames().isEmpty());
    EXPECT_EQ(s.CurrentPupil, 2);
    EXPECT_EQ(s.CurrentPupilName, QStringLiteral("ほし*こ") + QString(16, u' '));
    EXPECT_EQ(s.CurrentGradeLabel, QStringLiteral("小３"));
    EXPECT_EQ(s.SignInTime, 36000);  // 36000.5 s, the half to even
    EXPECT_EQ(s.LevelCount, 15);     // the course list was set up for the level menu

    // The name screen may already be unloaded by the level menu; while it is
    // there, key "1" does nothing more.
    QPointer<namesel> alive(screen);
    if (alive) {
        EXPECT_EQ(Control<QLabel>(alive, "Label1")->text(), QStringLiteral("小3 ほし*こ"));
        EXPECT_TRUE(Control<QPushButton>(alive, "Command14")->isHidden());
        runState().LevelCount = 0;
        runState().CurrentPupil = 0;
        QTest::keyClick(List1(alive), Qt::Key_1);
        QTest::keyClick(List1(alive), Qt::Key_Return);
        EXPECT_EQ(runState().LevelCount, 0);
        EXPECT_EQ(runState().CurrentPupil, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, ConfirmTest,
                         ::testing::Values(Way::Enter, Way::Space, Way::KeyOneInFilter,
                                           Way::DoubleClick, Way::OkButton),
                         [](const auto& info) { return WayName(info.param); });

TEST_F(NameScreenTest, GradeFilterListsOnlyThatGradeAndCarriesOn) {
    namesel* screen = Open();
    Control<QComboBox>(screen, "Combo1")->setFocus();
    auto* grades = Control<QComboBox>(screen, "Combo1");
    grades->setCurrentIndex(grades->findText(QStringLiteral("小３")));
    const QStringList rows = Rows(screen);
    ASSERT_EQ(rows.size(), 4);
    for (const QString& r : rows.mid(1)) EXPECT_TRUE(r.startsWith(QStringLiteral("小3 "))) << r.toStdString();
    EXPECT_EQ(Control<kit::TextList>(screen, "List2")->count(), 5);  // the hidden list still holds everyone
    EXPECT_EQ(menus::GradeFilterText(), QStringLiteral("小３"));
    EXPECT_EQ(QApplication::focusWidget(), List1(screen));

    ClickRow(screen, 1);
    QTest::keyClick(List1(screen), Qt::Key_Return);
    EXPECT_EQ(menus::GradeFilterText(), QStringLiteral("小３"));
    // The level menu starts its own filter from it.
    auto* menu = ScreenHost::instance().findChild<kit::Screen*>(QStringLiteral("seisekitime1"));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Control<QComboBox>(menu, "Combo1")->currentText(), QStringLiteral("小３"));
}

TEST_F(NameScreenTest, KeyZeroStartsTheLauncherAndEnds) {
    struct Case {
        bool devLayout;
        bool starts;
        QStringList expected;
    };
    const QString p = QStringLiteral("/opt/CAI/ローマ字");
    const Case cases[] = {
        {false, true, {p + QStringLiteral("/../起動/ルナリアc.exe"), QStringLiteral("001")}},
        {true, true, {p + QStringLiteral("/../../起動/起動/ルナリア.exe")}},
        {false, false, {p + QStringLiteral("/../起動/ルナリアc.exe"), QStringLiteral("001")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.devLayout ? "development layout" : c.starts ? "school layout" : "no launcher");
        runState().DevLayout = c.devLayout;
        fake.startSucceeds = c.starts;
        fake.started.clear();
        fake.messages.clear();
        fake.endCount = 0;
        namesel* screen = Open();
        List1(screen)->setFocus();
        QTest::keyClick(List1(screen), Qt::Key_0);  // no name needs to be selected
        ASSERT_EQ(fake.started.size(), 1);
        EXPECT_EQ(fake.started[0], c.expected);
        EXPECT_EQ(fake.endCount, c.starts ? 1 : 0);
        if (!c.starts) {
            ASSERT_EQ(fake.messages.size(), 1);
            EXPECT_EQ(fake.messages[0].title, QStringLiteral("注意"));
            EXPECT_TRUE(fake.messages[0].text.contains(c.expected[0]));
            EXPECT_EQ(ScreenHost::instance().Find<namesel>(), screen);  // stays open
        }
        flow::UnloadNameScreen();
    }
}

// The rows are fixed-layout text: in the fixed-pitch face the figures stand
// under one another, and a row longer than the list (a long name) is shown
// whole by scrolling sideways, never cut short.
TEST_F(NameScreenTest, RowsLineUpAndALongRowScrollsSideways) {
    ASSERT_TRUE(school.Roster({
                          {1, 2017, QStringLiteral("あべ")},
                          {3, 2016, QStringLiteral("うえだ")},
                          {6, 2017, QStringLiteral("ながい").repeated(12) + QStringLiteral("なまえ")},
                      })
                    .Ok());
    namesel* screen = Open();
    auto* list = List1(screen);
    QCoreApplication::processEvents();
    EXPECT_EQ(QFontInfo(list->font()).family(), QStringLiteral("Noto Sans Mono CJK JP"));
    EXPECT_EQ(list->textElideMode(), Qt::ElideNone);
    const QFontMetrics metrics(list->font());
    const int slash = metrics.horizontalAdvance(list->text(RowOf(screen, QStringLiteral("あべ"))).section(u'/', 0, 0));
    for (int r = 0; r < list->count(); ++r) {
        const QString row = list->text(r);
        SCOPED_TRACE(row.toStdString());
        EXPECT_GE(list->RowRect(r).width(), metrics.horizontalAdvance(row));
        if (r > 0 && !row.contains(QStringLiteral("ながい"))) {
            EXPECT_EQ(metrics.horizontalAdvance(row.section(u'/', 0, 0)), slash);
        }
    }
    EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);
}

TEST_F(NameScreenTest, TitleOpensTheVersionBox) {
    namesel* screen = Open();
    QString seen;
    QTimer::singleShot(0, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            seen = box->windowTitle();
            box->close();
        }
    });
    QTest::mouseClick(Control<QLabel>(screen, "Label4"), Qt::LeftButton);
    EXPECT_EQ(seen, QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
}

// The title answers the left button only.
TEST_F(NameScreenTest, RightClickOnTheTitleOpensNothing) {
    namesel* screen = Open();
    QStringList seen;
    QTimer closer;  // closes every box that opens, so that a failure cannot hang
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            seen << box->windowTitle();
            box->close();
        }
    });
    closer.start(0);
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton})
        QTest::mouseClick(Control<QLabel>(screen, "Label4"), button);
    QCoreApplication::processEvents();
    EXPECT_EQ(seen, QStringList());
}

}  // namespace
