// Printing the graphs for real: a CUPS server of the test's own with a PDF
// printer as the default, the graph set of four levels for two pupils sent
// through the panel's print button, and the PDFs CUPS wrote checked page by
// page for the points and the staircase where the geometry puts them.

#include "screens/views/graphpanel.h"

#include "core/common/dates.h"
#include "cupsserver.h"
#include "screentest.h"
#include "graphpixels.h"
#include "core/menus/roster.h"
#include "screens/menus/seisekitime1.h"
#include "schoolbuilder.h"
#include "core/results/statistics.h"
#include "screens/kit/flow.h"
#include "core/common/runstate.h"
#include "shell/screenhost.h"
#include "qstringprint.h"

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
class GraphPrinting : public testing_support::PrintingSuite<testing_support::ScreenTest> {
protected:
    void SetUp() override {
        PrintingSuite::SetUp();
        // The teacher prints.
        runState().CurrentPupil = 9;
        runState().CurrentPupilName = QStringLiteral("先生");
    }

    QString ResultsFile() const { return common::runState().ProgramDataFolder + QStringLiteral("成績累積データ.dat"); }

    // Pupils 1 and 2 (and the teacher, 9); per level, pupil 1 runs 40 50 30
    // 45 25 and pupil 2 60 35 35 20 (then slower by the level), so every page
    // has red, blue and black, and the two pupils' points lie apart.
    // The school below, the level menu open: its graph panel.
    views::GraphPanel* OpenPanel() {
        TwoPupilsOnFourLevels();
        flow::ShowLevelMenu();
        auto* menu = ScreenHost::instance().Find<menus::seisekitime1>();
        return menu ? menu->findChild<views::GraphPanel*>() : nullptr;
    }
    menus::seisekitime1* Menu() const { return ScreenHost::instance().Find<menus::seisekitime1>(); }

    void TwoPupilsOnFourLevels() {
        ASSERT_TRUE(school
                        .Roster({{1, 2017, QStringLiteral("山田太郎")},
                                 {2, 2015, QStringLiteral("佐藤花子")},
                                 school::Teacher(9, 1980)})
                        .Ok());
        for (int level = 1; level <= 4; ++level) {
            for (int t : {40, 50, 30, 45, 25})
                school::AppendRuns(ResultsFile(), {{1, level, t + level, kToday.addDays(-20 + t % 7)}});
            for (int t : {60, 35, 35, 20})
                school::AppendRuns(ResultsFile(), {{2, level, t + 2 * level, kToday.addDays(-9)}});
        }
    }

    // Every graph of a printed set of levels 1 to 4 where the geometry puts
    // it, drawn for `pupil`: a description of the first miss, or nothing.
    QString CheckPrintedSet(const QString& pdf, int pupil, const QString& prefix) {
        const QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
        const QRectF paint = printer.pageLayout().paintRect(QPageLayout::Point);
        const QRectF area(paint.left() * kDpi / 72.0, paint.top() * kDpi / 72.0, paint.width() * kDpi / 72.0,
                          paint.height() * kDpi / 72.0);
        const QString info = RunTool(QStringLiteral("pdfinfo"), {pdf});
        if (!info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n")))) return info;
        int status = -1;
        const QString rendered = RunTool(
            QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(kDpi), QStringLiteral("-png"), pdf, prefix},
            &status);
        if (status != 0) return rendered;
        const views::GraphRecords records = views::ReadGraphRecords(ResultsFile());
        for (const auto& at : views::PlanGraphSet({1, 2, 3, 4}, 15)) {
            const QImage page(prefix + QStringLiteral("-%1.png").arg(at.Page + 1));
            if (page.isNull()) return QStringLiteral("no page %1").arg(at.Page + 1);
            views::GraphInput in;
            in.Level = at.Level;
            in.Pupil = pupil;
            in.Now = common::DateTimeValue(fake.now);
            in.Printer = true;
            const views::Graph g = views::ComputeGraph(records.Records, records.LastRecordDate, in);
            if (g.Points.size() < 4u) return QStringLiteral("level %1 has too few points").arg(at.Level);
            const QString miss = testing_support::CheckGraphInks(page, area, at.Top, g, 3);
            if (!miss.isEmpty()) return QStringLiteral("level %1: ").arg(at.Level) + miss;
        }
        return QString();
    }
};

TEST_F(GraphPrinting, FourLevelsForTwoPupilsGiveTwoJobsOfTwoPagesWithThePointsInPlace) {
    views::GraphPanel* panel = OpenPanel();
    ASSERT_NE(panel, nullptr);
    menus::seisekitime1* menu = Menu();
    auto* print = Control<QPushButton>(menu, "Command24", 1);
    ASSERT_TRUE(print->isVisible() || !print->isHidden());

    // The teacher chooses levels 1 to 4 and both pupils.
    auto* pupils = Control<kit::SortedTextList>(menu, "List2");
    pupils->SetLines(menus::LoadPupilPicker(flow::Caution));
    for (int k = 0; k < pupils->count(); ++k) {
        const QString line = pupils->text(k);
        pupils->SetRowSelected(k, line.endsWith(QStringLiteral("/1")) || line.endsWith(QStringLiteral("/2")));
    }
    QVector<int> order;  // pupils in list order: the order of the jobs
    for (int k = 0; k < pupils->count(); ++k)
        if (pupils->IsRowSelected(k)) order << pupils->text(k).section(u'/', -1).toInt();
    ASSERT_EQ(order.size(), 2);
    for (int k = 0; k < 4; ++k) Control<QListWidget>(menu, "List3")->item(k)->setSelected(true);

    const QString before = Server().Pdfs().join(u',');
    ASSERT_TRUE(before.isEmpty()) << before.toStdString();
    print->click();
    EXPECT_TRUE(fake.messages.isEmpty());

    const QStringList pdfs = Server().WaitForPdfs(2);
    ASSERT_EQ(pdfs.size(), 2) << "CUPS wrote: " << pdfs.join(u' ').toStdString() << "\n"
                              << Server().LogTail().toStdString();
    for (int job = 0; job < 2; ++job)
        EXPECT_EQ(CheckPrintedSet(pdfs[job], order[job], dir.path() + QStringLiteral("/job%1").arg(job)), QString())
            << "job " << job;
}

// A click in the pupil list while a graph set prints waits for the set to
// end: the printout is the one pupil's throughout, and the other pupil's
// graphs are drawn on the canvas afterwards.
TEST_F(GraphPrinting, AClickInThePupilListWhileASetPrintsWaitsForItsEnd) {
    views::GraphPanel* panel = OpenPanel();
    ASSERT_NE(panel, nullptr);
    menus::seisekitime1* menu = Menu();
    auto* pupils = Control<kit::SortedTextList>(menu, "List2");
    pupils->SetLines(menus::LoadPupilPicker(flow::Caution));
    int rowOfPupil2 = -1;
    for (int k = 0; k < pupils->count(); ++k)
        if (pupils->text(k).endsWith(QStringLiteral("/2"))) rowOfPupil2 = k;
    ASSERT_GE(rowOfPupil2, 0);
    for (int k = 0; k < 4; ++k) Control<QListWidget>(menu, "List3")->item(k)->setSelected(true);
    panel->SetGraphPupil(1);

    const qsizetype jobs = Server().Pdfs().size();
    // The click comes in while the set runs (it lets events run between graphs).
    QMetaObject::invokeMethod(
        pupils,
        [pupils, rowOfPupil2] {
            pupils->SetRowSelected(rowOfPupil2, true);
            Q_EMIT pupils->rowClicked(rowOfPupil2);
        },
        Qt::QueuedConnection);
    Control<QPushButton>(menu, "Command21", 1)->click();  // print GraphPupil's set
    EXPECT_TRUE(fake.messages.isEmpty());
    EXPECT_EQ(panel->GraphPupil(), 2);  // the click was handled, after the set

    const QStringList pdfs = Server().WaitForPdfs(int(jobs) + 1);
    ASSERT_EQ(pdfs.size(), jobs + 1) << Server().LogTail().toStdString();
    EXPECT_EQ(CheckPrintedSet(pdfs.last(), 1, dir.path() + QStringLiteral("/mixed")), QString());
}

}  // namespace
