// Printing the graphs for real: a CUPS server of the test's own with a PDF
// printer as the default, the graph set of four levels for two pupils sent
// through the panel's print button, and the PDFs CUPS wrote checked page by
// page for the points and the staircase where the geometry puts them.

#include "views/graphpanel.h"

#include "common/dates.h"
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
#include <QElapsedTimer>
#include <QListWidget>
#include <QPageLayout>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace {

using common::runState;
using shell::ScreenHost;

const QDate kToday = QDate(2026, 12, 10);
constexpr int kDpi = 100;

QString RunTool(const QString& program, const QStringList& args, int* status = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.waitForFinished(120000);
    if (status) *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromLocal8Bit(p.readAll());
}

// The server lives for the whole suite: started first, stopped last.
class GraphPrinting : public testing_support::ScreenTest {
protected:
    static inline QString serverDir;
    static inline QString startOutput;
    static inline int startStatus = -1;

    static QString Script() { return QStringLiteral(ROMAJI_SOURCE_DIR "/scripts/cups-test-server.sh"); }

    static void SetUpTestSuite() {
        serverDir = QStringLiteral(ROMAJI_BINARY_DIR "/cups-graph-print-test");
        startOutput = RunTool(Script(), {QStringLiteral("start"), serverDir}, &startStatus);
        if (startStatus == 0) qputenv("CUPS_SERVER", (serverDir + QStringLiteral("/cups.sock")).toLocal8Bit());
    }
    static void TearDownTestSuite() { RunTool(Script(), {QStringLiteral("stop"), serverDir}); }

    void SetUp() override {
        ScreenTest::SetUp();
        ASSERT_EQ(startStatus, 0) << "The CUPS server did not start:\n" << startOutput.toStdString();
        // The teacher prints.
        runState().CurrentPupil = 9;
        runState().CurrentPupilName = QStringLiteral("先生");
    }

    QString ResultsFile() const { return common::runState().ProgramDataFolder + QStringLiteral("成績累積データ.dat"); }

    // Waits until CUPS has no job left and `count` PDFs stand in its folder.
    QStringList WaitForPdfs(int count) {
        const QDir out(serverDir + QStringLiteral("/pdf"));
        QElapsedTimer t;
        t.start();
        QStringList files;
        while (t.elapsed() < 120000) {
            files = out.entryList({QStringLiteral("*.pdf")}, QDir::Files);
            const bool idle = RunTool(QStringLiteral("lpstat"), {QStringLiteral("-o")}).trimmed().isEmpty();
            if (idle && files.size() >= count) break;
            QThread::msleep(200);
        }
        // In job order.
        static const QRegularExpression job(QStringLiteral("job_(\\d+)"));
        std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
            return job.match(a).captured(1).toInt() < job.match(b).captured(1).toInt();
        });
        for (QString& f : files) f = out.filePath(f);
        return files;
    }
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

    const QString before = QDir(serverDir + QStringLiteral("/pdf")).entryList({QStringLiteral("*.pdf")}).join(u',');
    ASSERT_TRUE(before.isEmpty()) << before.toStdString();
    menu->Command24[1]->click();
    EXPECT_TRUE(fake.messages.isEmpty());

    const QStringList pdfs = WaitForPdfs(2);
    ASSERT_EQ(pdfs.size(), 2) << "CUPS wrote: " << pdfs.join(u' ').toStdString() << "\n"
                              << RunTool(QStringLiteral("tail"), {QStringLiteral("-n30"), serverDir + QStringLiteral("/log/error_log")}).toStdString();

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
