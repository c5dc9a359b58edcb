// The name list of a large school: 5000 roster entries (2000 listed) and a
// results file of 20000 records. Every build recomputes the statistics, so
// the baseline is RecomputeStatistics alone on the same files in the same run.
#include "fakeplatform.h"
#include "menus/namelist.h"
#include "menus/namesel.h"
#include "menus/roster.h"
#include "results/criteria.h"
#include "results/resultsfile.h"
#include "results/statistics.h"
#include "startup/configuration.h"
#include "common/runstate.h"

#include "common/dates.h"
#include "common/textfile.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kRosterEntries = 5000;
constexpr int kListedEntries = 2000;
constexpr int kResults = 20000;
const QDate kToday(2026, 12, 10);

struct LargeSchool {
    testing_support::FakePlatform fake;
    QTemporaryDir dir;

    // Other benchmarks of this binary set the shared state their own way;
    // each benchmark here puts the school's back first.
    void Apply() {
        fake.now = QDateTime(kToday, QTime(15, 0));
        auto& s = common::runState();
        s.DataRoot = dir.path() + QStringLiteral("/");
        s.ProgramDataFolder = s.DataRoot;
        startup::commonSettings().Reset();
        results::criteria().Reset();
        for (int level = 1; level <= 15; ++level) {
            auto& c = results::criteria()[level];
            c.TargetTime = 30 + level * 5;
            c.PointMultiplier = 1.5f;
            c.JudgementDays.Text = QStringLiteral("7");
            c.TooMuchDays.Text = QStringLiteral("3");
        }
    }

    LargeSchool() {
        Apply();
        std::mt19937 rng(7);
        static const QString kana = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわん");
        common::ItemWriter roster;
        for (int i = 1; i <= kRosterEntries; ++i) {
            QString name;
            const int length = 2 + int(rng() % 5);
            for (int k = 0; k < length; ++k) name += kana[qsizetype(rng() % kana.size())];
            // Two entries in five listed: 2000 of 5000; the results go to listed pupils.
            const bool listed = i % 5 == 0 || i % 5 == 1;
            roster.Number(static_cast<long long>(i))
                .Number(static_cast<long long>(2008 + int(rng() % 16)))
                .Number(0LL)
                .Number(0LL)
                .Text(name)
                .Number(listed ? 0LL : 1LL)
                .Text(QString())
                .Text(QString())
                .EndLine();
        }
        common::WriteShiftJisFile(menus::RosterPath(), roster.Result());

        QFile file(results::ResultsFilePath());
        file.open(QIODevice::WriteOnly);
        QByteArray bytes;
        for (int i = 0; i < kResults; ++i) {
            results::CumulativeRecord r;
            r.RecordDate = common::DateValue(kToday.addDays(-int(rng() % 60)));
            r.RecordTime = common::TimeValue(QTime(9 + int(rng() % 9), int(rng() % 60)));
            r.PupilNumber = static_cast<std::int16_t>(5 * (1 + int(rng() % 1000)));
            r.Level = static_cast<std::int16_t>(1 + rng() % 15);
            r.Result = 20 + int(rng() % 200);
            r.SchoolCodeText = results::FiveByteText(QStringLiteral("01234"));
            r.ExtraText = QByteArray(5, ' ');
            r.PointsText = QByteArray("0    ");
            r.ReservedText = QByteArray(5, '\0');
            bytes += results::EncodeRecord(r);
        }
        file.write(bytes);
    }
};

LargeSchool& School() {
    static LargeSchool school;
    school.Apply();
    return school;
}

void BM_RecomputeStatisticsNameListFiles(benchmark::State& state) {
    School();
    for (auto _ : state) benchmark::DoNotOptimize(results::RecomputeStatistics());
}
BENCHMARK(BM_RecomputeStatisticsNameListFiles)->Unit(benchmark::kMillisecond);

// The name screen's whole rebuild: school year, statistics, roster, sorted
// rows and the three lists filled.
void BM_NameList(benchmark::State& state) {
    School();
    menus::namesel screen;
    for (auto _ : state) {
        screen.名簿表示();
        benchmark::DoNotOptimize(screen.List1->count());
    }
    state.counters["rows"] = screen.List1->count() - 1;
}
BENCHMARK(BM_NameList)->Unit(benchmark::kMillisecond);

// The same without the list controls: what the core adds to the recompute.
void BM_NameListCore(benchmark::State& state) {
    School();
    for (auto _ : state) {
        menus::ComputeSchoolYear();
        results::RecomputeStatistics();
        const auto listed = menus::LoadRoster();
        benchmark::DoNotOptimize(
            menus::BuildNameList(listed, 1, QStringLiteral("全学年"), menus::roster().SchoolYear));
    }
}
BENCHMARK(BM_NameListCore)->Unit(benchmark::kMillisecond);

}  // namespace
