#include "results/statistics.h"

#include "common/dates.h"
#include "common/platform.h"
#include "results/criteria.h"
#include "results/resultsfile.h"
#include "startup/runstate.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace results {
namespace {

constexpr int kFirstLevel = 1;
constexpr int kLastLevel = kLevelSlots - 1;   // 35
constexpr int kLastPupil = kPupilSlots - 1;   // 5000
constexpr int kSchoolBestLastPupil = 1000;    // numbers above are not pupils of the school ranking
constexpr int kValidRunLimit = 6000;

// The bytes of the newest records, kept between rebuilds so that a rebuild
// allocates nothing once the first one has run.
std::vector<char>& ReadBuffer() {
    static std::vector<char> buffer;
    return buffer;
}

void EndWith(const QString& message) {
    common::platform().MessageBox(message, startup::runState().ProgramTitle, common::MessageButtons::Ok);
    common::platform().EndProgram();
}

// An unexpected error while loading: the progress number, the error and the
// entry being loaded, all joined without separators.
void FatalLoadError(int progress, int error, const LogEntry& e, long long recordNumber) {
    const QString p = QString::number(progress);
    const QString n = QString::number(error);
    EndWith(QStringLiteral("成績ランダムファイル表示") + p + n + ErrorDescription(error) + n +
            QStringLiteral("/date") + DateValueText(e.RecordDate) +
            QStringLiteral("/i=") + QString::number(recordNumber) +
            QStringLiteral("/time=") + DateValueText(e.RecordTime) +
            QStringLiteral("/name=") +
            QStringLiteral("/Bangou=") + QString::number(e.PupilNumber) +
            QStringLiteral("/level=") + QString::number(e.Level) +
            QStringLiteral("/time=") + QString::number(e.Result) +
            QStringLiteral("line") + p);
}

// Opens the results file for loading. -1 when the program has been ended.
int OpenForLoading() {
    constexpr int kProgress = 3;
    int openRetry = 0;
    for (;;) {
        int fd = OpenResultsFile();
        if (fd >= 0) return fd;
        int error = errno;
        if (error == EACCES || error == EPERM || error == EROFS) {
            // Loading needs no write access: a results file the teacher made
            // read-only is still shown.
            do {
                fd = ::open(QFile::encodeName(ResultsFilePath()).constData(), O_RDONLY | O_CLOEXEC);
            } while (fd < 0 && errno == EINTR);
            if (fd >= 0) return fd;
            error = errno;
        }
        if (error == EINTR) continue;
        if (error == ENOENT || error == ENOTDIR) {
            // The data folder is away (a share not yet mounted): give it
            // four times five seconds.
            WaitWithEvents(5000);
            if (++openRetry >= 4) {
                EndWith(QStringLiteral("ファイルがありません") + QString::number(kProgress) +
                        ErrorDescription(error) + QString::number(error));
                return -1;
            }
            continue;
        }
        if (IsBusyError(error)) {
            WaitWithEvents(1000);
            continue;
        }
        FatalLoadError(kProgress, error, LogEntry{}, 0);
        return -1;
    }
}

// Fills the history, BestTime and SchoolBestTime. With resetBestTimes false
// the caller has already set every BestTime to NoResult.
bool Load(Statistics& st, bool resetBestTimes) {
    if (resetBestTimes) {
        for (int level = kFirstLevel; level <= kLastLevel; ++level)
            for (int pupil = 1; pupil <= kLastPupil; ++pupil) st.At(level, pupil).BestTime = kNoResult;
    }
    st.History.clear();
    st.History.reserve(kMaxHistory);
    st.HistoryCount = 0;

    const int fd = OpenForLoading();
    if (fd < 0) return false;
    FileDescriptor file(fd);

    // Only the newest kMaxHistory whole records; a partial tail is no record.
    struct stat info {};
    while (::fstat(fd, &info) != 0) {
        const int error = errno;
        if (error == EINTR) continue;
        if (IsBusyError(error)) {
            WaitWithEvents(1000);
            continue;
        }
        FatalLoadError(4, error, LogEntry{}, 0);
        return false;
    }
    const long long records = info.st_size / kRecordSize;
    const long long first = records > kMaxHistory ? records - kMaxHistory : 0;  // 0-based
    const long long wanted = (records - first) * kRecordSize;

    std::vector<char>& buffer = ReadBuffer();
    if (buffer.size() < static_cast<size_t>(wanted)) buffer.resize(static_cast<size_t>(wanted));
    long long got = 0;
    while (got < wanted) {
        const ssize_t n = ::pread(fd, buffer.data() + got, static_cast<size_t>(wanted - got),
                                  static_cast<off_t>(first * kRecordSize + got));
        if (n > 0) {
            got += n;
            continue;
        }
        if (n == 0) break;  // the file was shortened meanwhile (records maintenance)
        const int error = errno;
        if (error == EINTR) continue;
        if (IsBusyError(error)) {
            // On a share whose server enforces locks, a read of the range an
            // appender holds is refused until the append is done.
            WaitWithEvents(1000);
            continue;
        }
        FatalLoadError(5, error, LogEntry{}, first + got / kRecordSize + 1);
        return false;
    }

    const long long loaded = got / kRecordSize;
    const char* p = buffer.data();
    for (long long k = 0; k < loaded; ++k, p += kRecordSize) {
        const LogEntry e = DecodeEntry(p);
        // A record naming a level or pupil that has no slot is not read at
        // all (it stays in the file for records maintenance to show).
        if (e.Level < 0 || e.Level > kLastLevel || e.PupilNumber < 0 || e.PupilNumber > kLastPupil)
            continue;
        std::int32_t& best = st.At(e.Level, e.PupilNumber).BestTime;
        if (e.Result < best) best = e.Result;
        // Deleted or unnamed records still count for the best time above.
        if (e.RecordDate < 0 || e.PupilNumber == 0 || e.Level < kFirstLevel) continue;
        st.History.push_back(e);
    }
    st.HistoryCount = static_cast<int>(st.History.size());

    st.SchoolBestTime.fill(kNoResult);
    for (int level = kFirstLevel; level <= kLastLevel; ++level) {
        std::int32_t best = kNoResult;
        const PupilLevelStats* row = &st.At(level, 0);
        for (int pupil = 1; pupil <= kSchoolBestLastPupil; ++pupil)
            best = std::min(best, row[pupil].BestTime);
        st.SchoolBestTime[level] = best;
    }
    return true;
}

// Sums of run points cannot overflow even with a wild multiplier in the
// criteria: they stop at the largest value.
void AddPoints(std::int32_t& sum, int points) {
    if (__builtin_add_overflow(sum, points, &sum))
        sum = points > 0 ? std::numeric_limits<std::int32_t>::max() : std::numeric_limits<std::int32_t>::min();
}

}  // namespace

Statistics& stats() {
    static Statistics s;
    return s;
}

bool LoadHistory() { return Load(stats(), true); }

bool RecomputeStatistics() {
    Statistics& st = stats();
    // Every field 0 and every BestTime NoResult, in one pass over the table.
    std::fill(st.Table.begin(), st.Table.end(), PupilLevelStats{});
    if (!Load(st, false)) return false;

    const double today = common::DateValue(common::platform().Now().date());
    struct LevelRule {
        std::int32_t target;
        float multiplier;
        double judgementAfter;  // dates later than this are inside the period
        double tooMuchAfter;
    };
    std::array<LevelRule, kLevelSlots> rules{};
    const CriteriaTable& table = criteria();
    for (int level = kFirstLevel; level <= kLastLevel; ++level) {
        const CriteriaRow& c = table[level];
        rules[level] = {c.TargetTime, c.PointMultiplier, today - c.JudgementDays.Value(),
                        today - c.TooMuchDays.Value()};
    }

    for (const LogEntry& e : st.History) {
        const LevelRule& rule = rules[e.Level];
        PupilLevelStats& s = st.At(e.Level, e.PupilNumber);
        const std::int32_t t = e.Result;
        const int valid = t < kValidRunLimit ? 1 : 0;
        const int points = MultipliedPoints(CurvePoints(t, FirstThreeCharacters(t), rule.target), rule.multiplier);
        s.TotalRuns = static_cast<std::int16_t>(s.TotalRuns + valid);
        if (e.RecordDate > rule.judgementAfter) {
            s.PeriodRuns = static_cast<std::int16_t>(s.PeriodRuns + valid);
            AddPoints(s.PeriodPoints, points);
        }
        if (e.RecordDate > rule.tooMuchAfter) {
            s.TooMuchRuns = static_cast<std::int16_t>(s.TooMuchRuns + valid);
            AddPoints(s.TooMuchPointsEarned, points);
        }
        AddPoints(s.TotalPoints, points);
        if (e.RecordDate == today) {
            s.TodayRuns += static_cast<float>(valid);
            AddPoints(s.TodayPoints, points);
        }
    }
    return true;
}

}  // namespace results
