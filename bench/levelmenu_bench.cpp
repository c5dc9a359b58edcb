// The level menu and its result listings at the largest sizes: a roster of
// 5000 pupils of whom 2000 are listed, and 20000 stored results over six
// weeks, offscreen, each iteration painted as the window paints itself.
//
// Each benchmark reports "xRecompute": its time per iteration divided by the
// time of RecomputeStatistics over the same file, measured in the same
// iterations (interleaved, so a busy machine slows both alike). Every
// activation rebuilds the statistics once; the goal is an activation within
// 30 rebuilds and a listing within 20, so that a teacher never waits a
// visible moment.
#include "menus/seisekitime1.h"

#include "common/runstate.h"
#include "criteriafixture.h"
#include "fakeplatform.h"
#include "kit/textlist.h"
#include "menus/roster.h"
#include "resultsfixture.h"
#include "results/resultsfile.h"
#include "results/statistics.h"
#include "sharedstate.h"
#include "shell/screenhost.h"
#include "startup/runstate.h"
#include "views/resultlistings.h"

#include <QCoreApplication>
#include <QFile>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

namespace {

constexpr int kRosterPupils = 5000;
constexpr int kListedPupils = 2000;
constexpr int kResults = 20000;

using Clock = std::chrono::steady_clock;

struct LargeMenu {
    testing_support::FakePlatform fake;
    QTemporaryDir dir;
    menus::seisekitime1* menu = nullptr;
    views::ResultListings* listings = nullptr;

    LargeMenu() {
        testing_support::ResetSharedState();
        auto& s = common::runState();
        s.ProgramTitle = QStringLiteral("ローマ字");
        s.ProgramDataFolder = dir.path() + QStringLiteral("/");
        s.CurrentPupil = 7;
        s.CurrentPupilName = QStringLiteral("先生");
        startup::FillCourseList();
        testing_support::SetUniformCriteria({.clearPoints = 100, .clearCount = 5, .multiplier = 1,
                                             .judgementDays = "30", .tooMuchDays = "7", .tooMuchCount = "50"});
        auto& r = menus::roster();
        r.SchoolYear = fake.now.date().year();
        static const QString kana = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねの");
        for (int p = 1; p <= kRosterPupils; ++p) {
            QString name;
            for (int k = 0; k < 2 + p % 4; ++k) name += kana[(p * 7 + k * 3) % kana.size()];
            r.PupilName[size_t(p)] = name;
            r.PupilBirthYear[size_t(p)] = static_cast<std::int16_t>(r.SchoolYear - 6 - (1 + p % 9));
        }
        // Every other pupil of the first 4000 is listed.
        for (int k = 1; k <= kListedPupils; ++k) r.ShownPupils[size_t(k)] = static_cast<std::int16_t>(2 * k - 1);
        r.ShownPupilCount = kListedPupils;

        // Six weeks of runs by pupils of the whole roster, the newest today;
        // one in fifty timed out.
        QByteArray bytes;
        for (int k = 0; k < kResults; ++k) {
            const testing_support::Run run{1 + (k * 37) % kRosterPupils, 1 + k % 15,
                                           k % 50 == 0 ? results::kNoResult : 20 + k % 200,
                                           fake.now.date().addDays(-int((kResults - 1 - k) * 42LL / kResults)),
                                           QTime(9, 0).addSecs(k % 400 * 30)};
            bytes += testing_support::RunRecord(run);
        }
        QFile f(results::ResultsFilePath());
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) std::abort();
        f.close();

        menu = new menus::seisekitime1;
        listings = new views::ResultListings(menu);
        shell::ScreenHost::instance().show();
        shell::ScreenHost::instance().Load(menu);
        shell::ScreenHost::instance().Raise(menu);
        menu->Form_Activate();
    }
    ~LargeMenu() {
        shell::ScreenHost::DestroyInstance();
        testing_support::ResetSharedState();
    }
    // The window paints what changed, as it does when window events next
    // run: the activation has painted itself already (its last step lets
    // events run); a listing's columns are painted here. Rendering the whole
    // window once more into a picture would time a second paint no one sees.
    void Paint() { QCoreApplication::processEvents(); }
    long long Lines() const {
        long long lines = 0;
        for (int i = 1; i < menu->List5.size(); ++i) lines += menu->List5[i]->count();
        return lines;
    }
};

// Times `step` and, paused, one rebuild of the statistics from the same file;
// reports the ratio of the two.
template <typename Step>
void MeasureAgainstRecompute(benchmark::State& state, Step&& step) {
    Clock::duration own{}, baseline{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        step();
        own += Clock::now() - t0;
        state.PauseTiming();
        const auto t1 = Clock::now();
        if (!results::RecomputeStatistics()) state.SkipWithError("rebuild failed");
        baseline += Clock::now() - t1;
        state.ResumeTiming();
    }
    state.counters["xRecompute"] = double(own.count()) / double(std::max<Clock::rep>(1, baseline.count()));
}

// Each activation as the first one of a menu: "累計順" becomes selected and
// every column gets the all-time points ranking of the 2000 listed pupils.
void BM_LevelMenuActivation(benchmark::State& state) {
    LargeMenu large;
    MeasureAgainstRecompute(state, [&] {
        {
            const QSignalBlocker quiet(large.menu->Option1[2]);
            large.menu->Option1[2]->setChecked(true);
        }
        large.menu->Form_Activate();
        large.Paint();
    });
    state.counters["lines"] = double(large.Lines());
}
BENCHMARK(BM_LevelMenuActivation)->Unit(benchmark::kMillisecond);

// One listing of runs, times mode, from the Option1 handler as a click runs it.
void ListingOfRuns(benchmark::State& state, int option1, int listPeriod) {
    LargeMenu large;
    large.menu->ValueKind = 1;
    large.menu->ListPeriod = listPeriod;
    MeasureAgainstRecompute(state, [&] {
        large.listings->Option1_Click(option1);
        large.Paint();
    });
    state.counters["lines"] = double(large.Lines());
}

// Today's runs among the last 1000 records.
void BM_TodayRuns(benchmark::State& state) { ListingOfRuns(state, 2, 3); }
BENCHMARK(BM_TodayRuns)->Unit(benchmark::kMillisecond);

// All runs of "今までの全成績": every one of the 20000 records is listed.
void BM_AllRuns(benchmark::State& state) { ListingOfRuns(state, 3, 5); }
BENCHMARK(BM_AllRuns)->Unit(benchmark::kMillisecond);

}  // namespace
