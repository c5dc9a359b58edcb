// The graph panel's graph set at the largest sizes: three graphs from 20000
// stored results with 2000 listed pupils in the rankings, drawn offscreen
// through the panel as the draw button does it. Compare with
// BM_RecomputeStatistics/20000 of the same run.
#include "views/graphpanel.h"

#include "common/dates.h"
#include "criteriafixture.h"
#include "fakeplatform.h"
#include "menus/roster.h"
#include "menus/seisekitime1.h"
#include "results/resultsfile.h"
#include "results/statistics.h"
#include "common/runstate.h"
#include "startup/runstate.h"
#include "shell/screenhost.h"

#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>

static void BM_GraphSet(benchmark::State& state) {
    testing_support::FakePlatform fake;
    fake.now = QDateTime(QDate(2026, 12, 10), QTime(15, 0));
    QTemporaryDir dir;
    auto& s = common::runState();
    s.Reset();
    s.ProgramTitle = QStringLiteral("ローマ字");
    s.ProgramDataFolder = dir.path() + QStringLiteral("/");
    s.CurrentPupil = 5;
    s.CurrentPupilName = QStringLiteral("先生");
    startup::FillCourseList();
    testing_support::SetUniformCriteria({});

    menus::Roster& roster = menus::roster();
    roster.Reset();
    roster.SchoolYear = 2026;
    for (int k = 1; k <= 2000; ++k) {
        roster.PupilName[k] = QStringLiteral("生徒%1").arg(k);
        roster.PupilBirthYear[k] = static_cast<std::int16_t>(2008 + k % 12);
        roster.ShownPupils[k] = static_cast<std::int16_t>(k);
    }
    roster.ShownPupilCount = 2000;

    // 20000 results; the graph pupil has a few hundred at each level.
    std::mt19937 rng(7);
    QByteArray bytes;
    results::CumulativeRecord r;
    r.SchoolCodeText = "01234";
    r.ExtraText = "     ";
    r.PointsText = "0    ";
    r.ReservedText = QByteArray(5, '\0');
    for (int k = 0; k < 20000; ++k) {
        r.RecordDate = common::DateValue(fake.now.date().addDays(-int(rng() % 700)));
        r.RecordTime = 0.5;
        r.PupilNumber = static_cast<std::int16_t>(k % 20 == 0 ? 5 : 1 + int(rng() % 2000));
        r.Level = static_cast<std::int16_t>(1 + k % 15);
        r.Result = 20 + int(rng() % 200);
        bytes += results::EncodeRecord(r);
    }
    QFile f(results::ResultsFilePath());
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) std::abort();
    f.close();
    results::RecomputeStatistics();

    auto* menu = new menus::seisekitime1;
    shell::ScreenHost::instance().show();
    shell::ScreenHost::instance().Load(menu);
    auto* panel = new views::GraphPanel(menu);
    panel->GraphPupil = 5;
    for (int k = 0; k < 3; ++k) panel->List3->item(k)->setSelected(true);
    for (auto _ : state) {
        panel->GraphSet(0);
        benchmark::DoNotOptimize(panel->TimeScaleMax);
    }
    shell::ScreenHost::DestroyInstance();
    roster.Reset();
}
BENCHMARK(BM_GraphSet)->Unit(benchmark::kMicrosecond);
