// The graph panel on the real level menu, offscreen: the graph button draws
// the current pupil's first three levels into the canvas, with every run in
// its colour where the geometry puts it; a fourth level starts a new page.

#include "screens/views/graphpanel.h"

#include "core/common/dates.h"
#include "screentest.h"
#include "graphpixels.h"
#include "screens/kit/textlist.h"
#include "screens/menus/seisekitime1.h"
#include "schoolbuilder.h"
#include "core/results/statistics.h"
#include "screens/kit/flow.h"
#include "core/common/runstate.h"
#include "shell/screenhost.h"

#include <QListWidget>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using common::runState;
using shell::ScreenHost;

const QDate kToday = QDate(2026, 12, 10);

class GraphPanelTest : public testing_support::ScreenTest {
protected:
    void SetUp() override {
        ScreenTest::SetUp();
        // Levels 1 to 4: the pupil's runs, slower by the level, and a faster
        // pupil whose runs are no points of this graph.
        for (int level = 1; level <= 4; ++level) {
            for (int t : {40, 50, 30, 30, 45, 25})
                school::AppendRuns(File(), {{kPupil, level, t + level, kToday.addDays(-5)}});
            school::AppendRuns(File(), {{8, level, 12, kToday.addDays(-4)}});
        }
    }

    QString File() const { return common::runState().ProgramDataFolder + QStringLiteral("成績累積データ.dat"); }

    views::Graph Expected(int level) {
        const views::GraphRecords r = views::ReadGraphRecords(File());
        views::GraphInput in;
        in.Level = level;
        in.Pupil = kPupil;
        in.Now = common::DateTimeValue(fake.now);
        return views::ComputeGraph(r.Records, r.LastRecordDate, in);
    }
};

TEST_F(GraphPanelTest, TheGraphButtonDrawsTheFirstThreeLevelsWithEveryRunInItsColour) {
    flow::ShowLevelMenu();
    auto* menu = ScreenHost::instance().Find<menus::seisekitime1>();
    ASSERT_NE(menu, nullptr);
    auto* panel = menu->findChild<views::GraphPanel*>();
    ASSERT_NE(panel, nullptr);
    panel->OpenGraphs();

    EXPECT_TRUE(Control<QWidget>(menu, "Picture11")->isVisible());
    EXPECT_EQ(panel->GraphPupil(), kPupil);
    EXPECT_EQ(Control<QListWidget>(menu, "List3")->selectedItems().size(), 3);
    const QImage image = Control<views::GraphCanvas>(menu, "Picture12")->Pixmap().toImage();
    ASSERT_FALSE(image.isNull());
    const QRectF area(QPointF(0, 0), QSizeF(image.size()));
    const double tops[] = {0.05, 0.35, 0.65};
    for (int level = 1; level <= 3; ++level) {
        const views::Graph g = Expected(level);
        ASSERT_EQ(g.Points.size(), 6u);
        EXPECT_EQ(testing_support::CheckGraphInks(image, area, tops[level - 1], g), QString()) << "level " << level;
    }
    // Nothing below the third band but white.
    EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() - 3), QColor(Qt::white));
}

TEST_F(GraphPanelTest, AFourthLevelClearsTheCanvasAndTakesTheFirstBand) {
    flow::ShowLevelMenu();
    auto* menu = ScreenHost::instance().Find<menus::seisekitime1>();
    auto* panel = menu->findChild<views::GraphPanel*>();
    ASSERT_NE(panel, nullptr);
    panel->OpenGraphs();
    Control<QListWidget>(menu, "List3")->item(3)->setSelected(true);
    Control<QPushButton>(menu, "Command24", 0)->click();

    const QImage image = Control<views::GraphCanvas>(menu, "Picture12")->Pixmap().toImage();
    const QRectF area(QPointF(0, 0), QSizeF(image.size()));
    EXPECT_EQ(testing_support::CheckGraphInks(image, area, 0.05, Expected(4)), QString());
    // Level 2's first point would be in the second band: that band is empty now.
    const views::Graph second = Expected(2);
    EXPECT_FALSE(testing_support::InkNear(
        image, testing_support::PlaceOf(area, 0.35, second.Points[0].X, second.Points[0].Y), testing_support::Ink::Red));
}

}  // namespace

namespace {

TEST_F(GraphPanelTest, PrintingWithoutAnyPrinterSaysSoAndDoesNothingElse) {
    // A print server that is not there: the machine has no printer at all.
    const QByteArray before = qgetenv("CUPS_SERVER");
    qputenv("CUPS_SERVER", (dir.path() + QStringLiteral("/no-server.sock")).toLocal8Bit());
    flow::ShowLevelMenu();
    auto* menu = ScreenHost::instance().Find<menus::seisekitime1>();
    auto* panel = menu->findChild<views::GraphPanel*>();
    ASSERT_NE(panel, nullptr);
    panel->OpenGraphs();
    Control<QPushButton>(menu, "Command24", 1)->click();
    if (before.isNull()) qunsetenv("CUPS_SERVER");
    else qputenv("CUPS_SERVER", before);
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_EQ(fake.messages[0].title, QStringLiteral("注意"));
    EXPECT_EQ(fake.messages[0].text, QStringLiteral("プリンタがありません。印刷できません。"));
}

}  // namespace

namespace {

TEST_F(GraphPanelTest, PerPupilTimesListsThePupilsOwnRunsAndShowsTheGraphButton) {
    school::AppendRuns(File(), {{kPupil, 2, 99999, kToday.addDays(-1), QTime(9, 5, 30)}});
    flow::ShowLevelMenu();
    auto* menu = ScreenHost::instance().Find<menus::seisekitime1>();
    auto* panel = menu->findChild<views::GraphPanel*>();
    ASSERT_NE(panel, nullptr);
    Control<QRadioButton>(menu, "Option2", 2)->click();
    EXPECT_FALSE(Control<QPushButton>(menu, "Command17")->isHidden());
    EXPECT_EQ(Control<QLabel>(menu, "Label5")->text(), QStringLiteral("個人別ﾀｲﾑ"));
    EXPECT_EQ(Control<QListWidget>(menu, "List3")->count(), 15);
    // Six runs at level 1 (the other pupil's run is not listed); the run
    // without a time shows its date and time of day only.
    auto* level1 = Control<kit::SortedTextList>(menu, "List5", 1);
    ASSERT_EQ(level1->count(), 6);
    EXPECT_EQ(level1->text(0), QStringLiteral("2026/12/05 10:00:00  26秒"));
    EXPECT_TRUE(Control<kit::SortedTextList>(menu, "List5", 2)->Rows().contains(QStringLiteral("2026/12/09 9:05:30")));
    EXPECT_EQ(Control<kit::SortedTextList>(menu, "List5", 5)->count(), 0);
}

}  // namespace

namespace {

TEST_F(GraphPanelTest, AClickInThePupilListDrawsThatPupilAndTheLevelListDrawsOnlyWhileThePanelShows) {
    flow::ShowLevelMenu();
    auto* menu = ScreenHost::instance().Find<menus::seisekitime1>();
    auto* panel = menu->findChild<views::GraphPanel*>();
    ASSERT_NE(panel, nullptr);
    Control<QRadioButton>(menu, "Option2", 2)->click();
    panel->OpenGraphs();
    Control<QPushButton>(menu, "Command25")->click();
    auto* pupils = Control<kit::SortedTextList>(menu, "List2");
    EXPECT_FALSE(pupils->isHidden());
    // The pupil list holds the roster's pupils; pick one by its number.
    pupils->SetLines({QStringLiteral("小４ /  鈴木/8"), QStringLiteral("小３ /  山田/7")});
    const QRect r = pupils->RowRect(1);  // in list order, 鈴木 comes second
    QTest::mouseClick(pupils->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(panel->GraphPupil(), 8);

    // Hidden panel: a click in the level list draws nothing.
    Control<QPushButton>(menu, "Command18")->click();
    EXPECT_TRUE(Control<QWidget>(menu, "Picture11")->isHidden());
    panel->SetGraphPupil(kPupil);
    pupils->clearSelection();
    auto* levels = Control<QListWidget>(menu, "List3");
    const QRect level = levels->visualItemRect(levels->item(5));
    QTest::mouseClick(levels->viewport(), Qt::LeftButton, {}, level.center());
    EXPECT_TRUE(Control<QWidget>(menu, "Picture11")->isHidden());
}

}  // namespace

namespace {

// The graph button and the panel belong to one pupil's times: any other view
// of the listings takes them away.
TEST_F(GraphPanelTest, AnotherViewTakesTheGraphButtonAndThePanelAway) {
    flow::ShowLevelMenu();
    auto* menu = Find<menus::seisekitime1>();
    ASSERT_NE(menu, nullptr);
    auto* graphButton = Control<QPushButton>(menu, "Command17");
    auto* graphPanel = Control<QWidget>(menu, "Picture11");
    Control<QRadioButton>(menu, "Option2", 2)->click();
    graphButton->click();
    ASSERT_TRUE(graphPanel->isVisible());
    Control<QRadioButton>(menu, "Option2", 0)->click();
    EXPECT_TRUE(graphButton->isHidden());
    EXPECT_TRUE(graphPanel->isHidden());
}

}  // namespace
