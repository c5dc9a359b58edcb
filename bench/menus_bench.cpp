// The name list of a large school: 5000 roster entries (2000 listed) and a
// results file of 20000 records, made by the school builder. Every build
// recomputes the statistics, so the baseline is RecomputeStatistics alone on
// the same files in the same run.
#include "fakeplatform.h"
#include "core/menus/namelist.h"
#include "screens/menus/namesel.h"
#include "core/menus/roster.h"
#include "core/results/statistics.h"
#include "schoolbuilder.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

constexpr int kRosterEntries = 5000;
constexpr int kListedEntries = 2000;
constexpr int kResults = 20000;
const QDate kToday(2026, 12, 10);

struct LargeSchool {
    testing_support::FakePlatform fake;
    QTemporaryDir dir;
    school::Builder school{school::FlatFolders(dir.path())};

    // Two entries in five listed: 2000 of 5000; two months of results by the
    // listed pupils.
    LargeSchool() {
        const auto roster = school::MadeUpRoster(
            {.entries = kRosterEntries, .listed = kListedEntries, .schoolYear = menus::SchoolYearOf(kToday, 4)});
        school.Settings()
            .Roster(roster)
            .DefaultCriteria()
            .Results(school::MadeUpHistory(
                {.records = kResults, .today = kToday, .days = 60, .pupils = school::ListedNumbers(roster)}));
        Apply();
    }

    // Other benchmarks of this binary set the shared state their own way;
    // each benchmark here reads the school in again first.
    void Apply() {
        fake.now = QDateTime(kToday, QTime(15, 0));
        if (!school.Load().Ok()) std::abort();
    }
};

LargeSchool& School() {
    static LargeSchool school;
    school.Apply();
    return school;
}

void BM_RecomputeStatisticsNameListFiles(benchmark::State& state) {
    School();
    for (auto _ : state) benchmark::DoNotOptimize(results::RecomputeStatistics({}));
}
BENCHMARK(BM_RecomputeStatisticsNameListFiles)->Unit(benchmark::kMillisecond);

// The name screen's whole rebuild: school year, statistics, roster, sorted
// rows and the three lists filled.
void BM_NameList(benchmark::State& state) {
    School();
    menus::namesel screen;
    const auto* names = screen.findChild<kit::TextList*>(QStringLiteral("List1"));
    for (auto _ : state) {
        screen.名簿表示();
        benchmark::DoNotOptimize(names->count());
    }
    state.counters["rows"] = names->count() - 1;
}
BENCHMARK(BM_NameList)->Unit(benchmark::kMillisecond);

// The same without the list controls: what the core adds to the recompute.
void BM_NameListCore(benchmark::State& state) {
    School();
    menus::NameOrder order;  // kept by the name screen from one build to the next
    for (auto _ : state) {
        menus::ComputeSchoolYear();
        benchmark::DoNotOptimize(results::RecomputeStatistics({}));
        const auto listed = menus::LoadRoster({});
        benchmark::DoNotOptimize(
            menus::BuildNameList(listed, 1, QStringLiteral("全学年"), menus::roster().SchoolYear, order));
    }
}
BENCHMARK(BM_NameListCore)->Unit(benchmark::kMillisecond);

}  // namespace
