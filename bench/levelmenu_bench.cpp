// The level menu's activation at the largest sizes: 2000 listed pupils and
// 20000 stored results, offscreen.
#include "menus/seisekitime1.h"

#include "criteriafixture.h"
#include "fakeplatform.h"
#include "resultsfixture.h"
#include "results/criteria.h"
#include "results/statistics.h"
#include "common/runstate.h"
#include "startup/runstate.h"
#include "shell/screenhost.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

static void BM_LevelMenuActivation(benchmark::State& state) {
    testing_support::FakePlatform fake;
    QTemporaryDir dir;
    auto& s = common::runState();
    s.Reset();
    s.ProgramTitle = QStringLiteral("ローマ字");
    s.ProgramDataFolder = dir.path() + QStringLiteral("/");
    s.CurrentPupil = 7;
    s.CurrentPupilName = QStringLiteral("山田");
    startup::FillCourseList();
    testing_support::SetUniformCriteria({.clearPoints = 100, .clearCount = 5, .multiplier = 1,
                                         .judgementDays = "30", .tooMuchDays = "7", .tooMuchCount = "50"});
    {
        QFile f(s.ProgramDataFolder + QStringLiteral("成績累積データ.dat"));
        f.open(QIODevice::WriteOnly);
    }
    const QDate today = fake.now.date();
    for (int k = 0; k < 20000; ++k) {
        const int pupil = 1 + (k * 37) % 2000;
        const int level = 1 + k % 15;
        testing_support::AppendRuns(s.ProgramDataFolder + QStringLiteral("成績累積データ.dat"),
                                    {{pupil, level, 20 + k % 200, today.addDays(-(k % 42))}});
    }
    auto* menu = new menus::seisekitime1;
    shell::ScreenHost::instance().show();
    shell::ScreenHost::instance().Load(menu);
    shell::ScreenHost::instance().Raise(menu);
    for (auto _ : state) {
        menu->Form_Activate();
        benchmark::DoNotOptimize(menu->MenuReady);
    }
    shell::ScreenHost::DestroyInstance();
}
BENCHMARK(BM_LevelMenuActivation)->Unit(benchmark::kMillisecond);
