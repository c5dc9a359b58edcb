// The graph panel on the real level menu, offscreen: the graph button draws
// the current pupil's first three levels into the canvas, with every run in
// its colour where the geometry puts it; a fourth level starts a new page.

#include "views/graphpanel.h"

#include "common/dates.h"
#include "criteriafixture.h"
#include "fakeplatform.h"
#include "graphpixels.h"
#include "menus/seisekitime1.h"
#include "resultsfixture.h"
#include "results/statistics.h"
#include "startup/flow.h"
#include "startup/runstate.h"
#include "startup/screenhost.h"

#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using startup::runState;
using startup::ScreenHost;
using testing_support::FakePlatform;

const QDate kToday(2026, 12, 10);
constexpr int kPupil = 7;

class GraphPanelTest : public ::testing::Test {
protected:
    FakePlatform fake;
    QTemporaryDir dir;

    void SetUp() override {
        runState().Reset();
        results::criteria().Reset();
        results::stats().Reset();
        auto& s = runState();
        s.ProgramTitle = QStringLiteral("ローマ字");
        s.ProgramDataFolder = dir.path() + QStringLiteral("/");
        s.CurrentPupil = kPupil;
        s.CurrentPupilName = QStringLiteral("山田　太郎");
        s.SignInTime = 36000;
        s.ChooserDone = true;
        startup::FillCourseList();
        testing_support::SetUniformCriteria({});
        fake.now = QDateTime(kToday, QTime(10, 5, 0));
        ScreenHost::instance().show();
        // Levels 1 to 4: the pupil's runs, slower by the level, and a faster
        // pupil whose runs are no points of this graph.
        for (int level = 1; level <= 4; ++level) {
            for (int t : {40, 50, 30, 30, 45, 25})
                testing_support::AppendRuns(File(), {{kPupil, level, t + level, kToday.addDays(-5)}});
            testing_support::AppendRuns(File(), {{8, level, 12, kToday.addDays(-4)}});
        }
    }
    void TearDown() override { ScreenHost::DestroyInstance(); }

    QString File() const { return runState().ProgramDataFolder + QStringLiteral("成績累積データ.dat"); }

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
    startup::ShowLevelMenu();
    auto* menu = ScreenHost::instance().Find<menus::seisekitime1>();
    ASSERT_NE(menu, nullptr);
    auto* panel = new views::GraphPanel(menu);
    panel->OpenGraphs();

    EXPECT_TRUE(menu->Picture11->isVisible());
    EXPECT_EQ(panel->GraphPupil, kPupil);
    EXPECT_EQ(panel->List3->selectedItems().size(), 3);
    const QImage image = panel->Picture12->Pixmap().toImage();
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
    startup::ShowLevelMenu();
    auto* menu = ScreenHost::instance().Find<menus::seisekitime1>();
    auto* panel = new views::GraphPanel(menu);
    panel->OpenGraphs();
    panel->List3->item(3)->setSelected(true);
    menu->Command24[0]->click();

    const QImage image = panel->Picture12->Pixmap().toImage();
    const QRectF area(QPointF(0, 0), QSizeF(image.size()));
    EXPECT_EQ(testing_support::CheckGraphInks(image, area, 0.05, Expected(4)), QString());
    // Level 2's first point would be in the second band: that band is empty now.
    const views::Graph second = Expected(2);
    EXPECT_FALSE(testing_support::InkNear(
        image, testing_support::PlaceOf(area, 0.35, second.Points[0].X, second.Points[0].Y), testing_support::Ink::Red));
}

}  // namespace
