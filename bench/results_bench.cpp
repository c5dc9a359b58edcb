// The criteria editor's distribution is counted from the whole results file
// when the editor opens (BM_FrequencyView) and after that only looks whether
// the file changed on each key press (BM_FrequencyViewKeyPress); both are
// measured against reading the whole file's bytes (BM_ReadWholeFile) and the
// statistics rebuild.
//
// The statistics rebuild runs each time the level menu, the name list or the
// evaluation screen is shown, so it is measured against the least work any
// rebuild must do: read the newest 20000 records and clear a table of the
// statistics' size (BM_RawReadFloor). The append is measured with its lock
// and flush.

#include "fakeplatform.h"
#include "screens/kit/screen.h"
#include "screens/kit/textlist.h"
#include "core/menus/roster.h"
#include "screens/results/FrmData.h"
#include "core/results/frequency.h"
#include "core/results/resultsfile.h"
#include "core/results/statistics.h"
#include "core/common/runstate.h"
#include "schoolbuilder.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QDate kToday(2024, 5, 1);

// A year of results by 2000 pupils over 15 levels, a few of them time-outs,
// with the default criteria and a roster of the 2000 pupils.
struct ResultsFixture {
    explicit ResultsFixture(int records) {
        fake.now = QDateTime(kToday, QTime(16, 0));
        school.Settings()
            .Roster(school::MadeUpRoster({.entries = 2000, .schoolYear = menus::SchoolYearOf(kToday, 4)}))
            .DefaultCriteria()
            .Results(school::MadeUpHistory({.records = records, .today = kToday, .days = 365,
                                            .pupils = school::PupilRange(1, 2000), .slowest = 199,
                                            .timeOutEvery = 33}));
        Use();
    }
    ~ResultsFixture() { common::runState().Reset(); }
    // This school's files in the run state.
    void Use() {
        if (!school.Load().Ok()) std::abort();
    }

    QTemporaryDir dir;
    testing_support::FakePlatform fake;
    school::Builder school{school::FlatFolders(dir.path())};
};

ResultsFixture& FixtureOf(int records) {
    static std::map<int, std::unique_ptr<ResultsFixture>> fixtures;
    auto& f = fixtures[records];
    if (!f) f = std::make_unique<ResultsFixture>(records);
    f->Use();
    return *f;
}

void BM_RecomputeStatistics(benchmark::State& state) {
    FixtureOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        if (!results::RecomputeStatistics({})) state.SkipWithError("rebuild failed");
        benchmark::DoNotOptimize(results::stats().Table.data());
    }
}
BENCHMARK(BM_RecomputeStatistics)->Arg(20000)->Arg(200000)->Unit(benchmark::kMicrosecond);

void BM_RawReadFloor(benchmark::State& state) {
    FixtureOf(static_cast<int>(state.range(0)));
    const QByteArray path = QFile::encodeName(results::ResultsFilePath());
    std::vector<char> buffer(static_cast<size_t>(results::kMaxHistory) * results::kRecordSize);
    std::vector<results::PupilLevelStats> table(results::kLevelSlots * results::kPupilSlots);
    for (auto _ : state) {
        const int fd = ::open(path.constData(), O_RDONLY);
        struct stat st {};
        ::fstat(fd, &st);
        const long long records = st.st_size / results::kRecordSize;
        const long long first = records > results::kMaxHistory ? records - results::kMaxHistory : 0;
        const ssize_t got = ::pread(fd, buffer.data(), (records - first) * results::kRecordSize,
                                    first * results::kRecordSize);
        ::close(fd);
        std::memset(static_cast<void*>(table.data()), 0, table.size() * sizeof table[0]);
        benchmark::DoNotOptimize(got);
        benchmark::DoNotOptimize(buffer.data());
        benchmark::DoNotOptimize(table.data());
    }
}
BENCHMARK(BM_RawReadFloor)->Arg(20000)->Arg(200000)->Unit(benchmark::kMicrosecond);

void BM_AppendResult(benchmark::State& state) {
    QTemporaryDir dir;
    testing_support::FakePlatform fake;
    common::RunState& rs = common::runState();
    rs.ProgramDataFolder = dir.path() + u'/';
    rs.SchoolCode = QStringLiteral("01234");
    rs.CurrentPupil = 12;
    rs.CurrentLevel = 3;
    rs.ResultTime = 41;
    for (auto _ : state)
        if (!results::AppendResult({})) state.SkipWithError("append failed");
    rs.Reset();
}
BENCHMARK(BM_AppendResult)->Unit(benchmark::kMicrosecond);

void BM_ReadWholeFile(benchmark::State& state) {
    FixtureOf(static_cast<int>(state.range(0)));
    const QByteArray path = QFile::encodeName(results::ResultsFilePath());
    std::vector<char> buffer;
    for (auto _ : state) {
        const int fd = ::open(path.constData(), O_RDONLY);
        struct stat st {};
        ::fstat(fd, &st);
        buffer.resize(static_cast<size_t>(st.st_size));
        const ssize_t got = ::pread(fd, buffer.data(), buffer.size(), 0);
        ::close(fd);
        benchmark::DoNotOptimize(got);
        benchmark::DoNotOptimize(buffer.data());
    }
}
BENCHMARK(BM_ReadWholeFile)->Arg(20000)->Arg(200000)->Unit(benchmark::kMicrosecond);

// The lines the editor writes for one level, from the counts.
void WriteFrequencyLines(const results::FrequencyCache& cache) {
    const QStringList all = results::AllResultsLines(cache.Counts(), 7);
    const QStringList best = results::BestTimeLines(cache.Counts(), 7);
    benchmark::DoNotOptimize(all.constData());
    benchmark::DoNotOptimize(best.constData());
}

void BM_FrequencyView(benchmark::State& state) {
    FixtureOf(static_cast<int>(state.range(0)));
    QString error;
    for (auto _ : state) {
        results::FrequencyCache cache;  // as when the editor opens
        if (!cache.Refresh(error)) state.SkipWithError("count failed");
        WriteFrequencyLines(cache);
    }
}
BENCHMARK(BM_FrequencyView)->Arg(20000)->Arg(200000)->Unit(benchmark::kMicrosecond);

void BM_FrequencyViewKeyPress(benchmark::State& state) {
    FixtureOf(static_cast<int>(state.range(0)));
    QString error;
    results::FrequencyCache cache;
    if (!cache.Refresh(error)) state.SkipWithError("count failed");
    for (auto _ : state) {
        if (!cache.Refresh(error)) state.SkipWithError("count failed");
        WriteFrequencyLines(cache);
    }
    if (cache.Reads() != 1) state.SkipWithError("the unchanged file was read again");
}
BENCHMARK(BM_FrequencyViewKeyPress)->Arg(200000)->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {

// Records maintenance lists every record of the file: opened offscreen, its
// lines in the sorted list, with the roster of 2000 pupils.
void BM_ListRecords(benchmark::State& state) {
    FixtureOf(static_cast<int>(state.range(0)));
    const std::vector<results::PupilChoice> roster = menus::RecordsPupilChoices({});
    for (auto _ : state) {
        results::FrmData screen([&roster] { return roster; });
        screen.Form_Load();
        auto* list = screen.findChild<kit::SortedTextList*>(QStringLiteral("List1"));
        if (!list || list->count() == 0) state.SkipWithError("no lines");
        benchmark::DoNotOptimize(list);
    }
}
BENCHMARK(BM_ListRecords)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);

// From the click to the first rows drawn: records maintenance opened as
// above, shown, and its list painted (laid out at the widest line's width,
// the rows in view written). Less BM_ListRecords, what the list costs after
// the read.
void BM_ListRecordsFirstPaint(benchmark::State& state) {
    FixtureOf(static_cast<int>(state.range(0)));
    const std::vector<results::PupilChoice> roster = menus::RecordsPupilChoices({});
    for (auto _ : state) {
        results::FrmData screen([&roster] { return roster; });
        screen.resize(kit::kWidth, kit::kHeight);
        screen.show();
        screen.Form_Load();
        auto* list = screen.findChild<kit::SortedTextList*>(QStringLiteral("List1"));
        if (!list || list->count() == 0) state.SkipWithError("no lines");
        const QImage shown = screen.grab().toImage();
        if (list->indexAt(QPoint(2, 2)).row() != 0) state.SkipWithError("the first row is not drawn");
        benchmark::DoNotOptimize(shown.constBits());
    }
}
BENCHMARK(BM_ListRecordsFirstPaint)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);

// Records maintenance deletes the first record of a large file (every other
// record moves up), against a plain copy of the same file: the deletion
// reads it, writes the journal (the whole file and its SHA-256) and flushes
// it, rewrites the file in place and flushes it, logs the deletion, and
// removes the journal, flushing the folder each time.
void BM_DeleteRecord(benchmark::State& state) {
    ResultsFixture& fixture = FixtureOf(static_cast<int>(state.range(0)));
    const QString source = results::ResultsFilePathIn(fixture.dir.path() + u'/');
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) std::abort();
    const QByteArray first = in.read(results::kRecordSize);
    QTemporaryDir work;
    const QString folder = work.path() + u'/';
    const QString target = results::ResultsFilePathIn(folder);
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(target);
        if (!QFile::copy(source, target)) std::abort();
        state.ResumeTiming();
        if (results::DeleteRecord(folder, 1, first).Outcome != results::RewriteOutcome::Done)
            state.SkipWithError("deletion failed");
    }
}
BENCHMARK(BM_DeleteRecord)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_CopyFile(benchmark::State& state) {
    ResultsFixture& fixture = FixtureOf(static_cast<int>(state.range(0)));
    const QString source = results::ResultsFilePathIn(fixture.dir.path() + u'/');
    QTemporaryDir work;
    const QString target = work.filePath(QStringLiteral("copy.dat"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(target);
        state.ResumeTiming();
        if (!QFile::copy(source, target)) state.SkipWithError("copy failed");
    }
}
BENCHMARK(BM_CopyFile)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace
