// Printing the graphs for real: a CUPS server of the test's own with a PDF
// printer as the default, the graph set of four levels for two pupils sent
// through the panel's print button, and the PDFs CUPS wrote checked page by
// page for the points and the staircase where the geometry puts them.

#include "views/graphpanel.h"

#include "common/dates.h"
#include "cupsserver.h"
#include "screentest.h"
#include "graphpixels.h"
#include "menus/roster.h"
#include "menus/seisekitime1.h"
#include "resultsfixture.h"
#include "rosterfixture.h"
#include "results/statistics.h"
#include "kit/flow.h"
#include "common/runstate.h"
#include "shell/screenhost.h"

#include <QDir>
#include <QListWidget>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using common::runState;
using shell::ScreenHost;

const QDate kToday = QDate(2026, 12, 10);
constexpr int kDpi = 100;

using testing_support::RunTool;

// The server lives for the whole suite: started first, stopped last.
class GraphPrinting : public testing_support::ScreenTest {
protected:
    static inline testing_support::CupsTestServer server{QStringLiteral("cups-graph-print-test")};

    static void SetUpTestSuite() { server.Start(); }
    static void TearDownTestSuite() { server.Stop(); }

    void SetUp() override {
        ScreenTest::SetUp();
        ASSERT_TRUE(server.Started()) << "The CUPS server did not start:\n" << server.StartOutput().toStdString();
        // The teacher prints.
        runState().CurrentPupil = 9;
        runState().CurrentPupilName = QStringLiteral("先生");
    }

    QString ResultsFile() const { return common::runState().ProgramDataFolder + QStringLiteral("成績累積データ.dat"); }
};

TEST_F(GraphPrinting, FourLevelsForTwoPupilsGiveTwoJobsOfTwoPagesWithThePointsInPlace) {
    ASSERT_TRUE(testing_support::WriteRoster(runState().DataRoot, {{1, 2017, QStringLiteral("山田太郎")},
                                                                  {2, 2015, QStringLiteral("佐藤花子")},
                                                                  {9, 1980, QStringLiteral("先生")}}));
    // Per level, pupil 1 runs 40 50 30 45 25 and pupil 2 60 35 35 20 (then
    // slower by the level), so every page has red, blue and black.
    for (int level = 1; level <= 4; ++level) {
        for (int t : {40, 50, 30, 45, 25})
            testing_support::AppendRuns(ResultsFile(), {{1, level, t + level, kToday.addDays(-20 + t % 7)}});
        for (int t : {60, 35, 35, 20})
            testing_support::AppendRuns(ResultsFile(), {{2, level, t + 2 * level, kToday.addDays(-9)}});
    }
    flow::ShowLevelMenu();
    auto* menu = ScreenHost::instance().Find<menus::seisekitime1>();
    ASSERT_NE(menu, nullptr);
    auto* panel = menu->findChild<views::GraphPanel*>();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(menu->Command24[1]->isVisible() || !menu->Command24[1]->isHidden());

    // The teacher chooses levels 1 to 4 and both pupils.
    menu->List2->SetLines(menus::LoadPupilPicker());
    for (int k = 0; k < menu->List2->count(); ++k) {
        const QString line = menu->List2->text(k);
        menu->List2->SetRowSelected(k, line.endsWith(QStringLiteral("/1")) || line.endsWith(QStringLiteral("/2")));
    }
    QVector<int> order;  // pupils in list order: the order of the jobs
    for (int k = 0; k < menu->List2->count(); ++k)
        if (menu->List2->IsRowSelected(k)) order << menu->List2->text(k).section(u'/', -1).toInt();
    ASSERT_EQ(order.size(), 2);
    for (int k = 0; k < 4; ++k) panel->List3->item(k)->setSelected(true);

    const QString before = server.Pdfs().join(u',');
    ASSERT_TRUE(before.isEmpty()) << before.toStdString();
    menu->Command24[1]->click();
    EXPECT_TRUE(fake.messages.isEmpty());

    const QStringList pdfs = server.WaitForPdfs(2);
    ASSERT_EQ(pdfs.size(), 2) << "CUPS wrote: " << pdfs.join(u' ').toStdString() << "\n"
                              << server.LogTail().toStdString();

    // Where the program drew: the printer's paint rectangle on the page.
    const QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
    const QRectF paint = printer.pageLayout().paintRect(QPageLayout::Point);
    const QRectF area(paint.left() * kDpi / 72.0, paint.top() * kDpi / 72.0, paint.width() * kDpi / 72.0,
                      paint.height() * kDpi / 72.0);

    const views::GraphRecords records = views::ReadGraphRecords(ResultsFile());
    const auto plan = views::PlanGraphSet({1, 2, 3, 4}, 15);
    for (int job = 0; job < 2; ++job) {
        const QString info = RunTool(QStringLiteral("pdfinfo"), {pdfs[job]});
        EXPECT_TRUE(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n")))) << info.toStdString();
        const QString prefix = dir.path() + QStringLiteral("/job%1").arg(job);
        int status = -1;
        const QString rendered = RunTool(QStringLiteral("pdftoppm"),
                                     {QStringLiteral("-r"), QString::number(kDpi), QStringLiteral("-png"), pdfs[job], prefix}, &status);
        ASSERT_EQ(status, 0) << rendered.toStdString();
        for (const auto& at : plan) {
            const QImage page(prefix + QStringLiteral("-%1.png").arg(at.Page + 1));
            ASSERT_FALSE(page.isNull()) << "page " << at.Page + 1 << " of job " << job;
            views::GraphInput in;
            in.Level = at.Level;
            in.Pupil = order[job];
            in.Now = common::DateTimeValue(fake.now);
            in.Printer = true;
            const views::Graph g = views::ComputeGraph(records.Records, records.LastRecordDate, in);
            ASSERT_GE(g.Points.size(), 4u);
            EXPECT_EQ(testing_support::CheckGraphInks(page, area, at.Top, g, 3), QString())
                << "job " << job << " level " << at.Level;
        }
    }
}

}  // namespace
