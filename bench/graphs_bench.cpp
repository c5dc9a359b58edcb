// The graph panel's graph set at the largest sizes: three graphs from 20000
// stored results with 2000 listed pupils in the rankings, drawn offscreen
// through the panel as the draw button does it; the school made by the
// school builder. Compare with BM_RecomputeStatistics/20000 of the same run.
#include "screens/views/graphpanel.h"

#include "fakeplatform.h"
#include "core/menus/roster.h"
#include "screens/menus/seisekitime1.h"
#include "core/results/statistics.h"
#include "schoolbuilder.h"
#include "core/common/runstate.h"
#include "core/startup/runstate.h"
#include "shell/screenhost.h"

#include <QListWidget>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

static void BM_GraphSet(benchmark::State& state) {
    testing_support::FakePlatform fake;
    fake.now = QDateTime(QDate(2026, 12, 10), QTime(15, 0));
    QTemporaryDir dir;
    common::runState().Reset();
    // 20000 results over two years; the graph pupil has a few hundred at
    // each level.
    school::Builder school(school::FlatFolders(dir.path()));
    school.Settings()
        .Roster(school::MadeUpRoster({.entries = 2000, .schoolYear = 2026}))
        .Criteria(school::UniformCriteria({}))
        .Results(school::MadeUpHistory({.records = 20000, .today = fake.now.date(), .days = 700,
                                        .pupils = school::PupilRange(1, 2000), .regularPupil = 5,
                                        .regularEvery = 20}))
        .Load();
    if (!school.Ok()) std::abort();
    auto& s = common::runState();
    s.ProgramTitle = QStringLiteral("ローマ字");
    s.CurrentPupil = 5;
    s.CurrentPupilName = QStringLiteral("先生");
    startup::FillCourseList();
    if (!results::RecomputeStatistics({})) std::abort();

    auto* menu = new menus::seisekitime1;
    shell::ScreenHost::instance().show();
    shell::ScreenHost::instance().Load(menu);
    auto* panel = new views::GraphPanel(menu);
    panel->SetGraphPupil(5);
    auto* levels = menu->findChild<QListWidget*>(QStringLiteral("List3"));
    for (int k = 0; k < 3; ++k) levels->item(k)->setSelected(true);
    auto* canvas = menu->findChild<views::GraphCanvas*>(QStringLiteral("Picture12"));
    for (auto _ : state) {
        panel->GraphSet(0);
        benchmark::DoNotOptimize(canvas->Pixmap().cacheKey());
    }
    shell::ScreenHost::DestroyInstance();
    menus::roster().Reset();
}
BENCHMARK(BM_GraphSet)->Unit(benchmark::kMicrosecond);
