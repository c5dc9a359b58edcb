#include "core/results/statistics.h"

#include "core/common/dates.h"
#include "core/common/platform.h"
#include "core/results/criteria.h"
#include "core/results/resultsfile.h"
#include "core/common/runstate.h"
#include "core/common/sharedstate.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>
#include <type_traits>



namespace results {
namespace {

constexpr int kFirstLevel = 1;
constexpr int kLastLevel = kLevelSlots - 1;   // 35
constexpr int kLastPupil = kPupilSlots - 1;   // 5000
constexpr int kSchoolBestLastPupil = 1000;    // numbers above are not pupils of the school ranking
constexpr int kValidRunLimit = 6000;

common::Outcome EndWith(const QString& message) {
    return common::Outcome::Fatal(message, common::runState().ProgramTitle);
}

// An unexpected error while loading: the progress number, the error and the
// entry being loaded, all joined without separators.
common::Outcome FatalLoadError(int progress, int error, const LogEntry& e, long long recordNumber) {
    const QString p = QString::number(progress);
    const QString n = QString::number(error);
    return EndWith(QStringLiteral("成績ランダムファイル表示") + p + n + common::ErrorDescription(error) + n +
            QStringLiteral("/date") + DateValueText(e.RecordDate) +
            QStringLiteral("/i=") + QString::number(recordNumber) +
            QStringLiteral("/time=") + DateValueText(e.RecordTime) +
            QStringLiteral("/name=") +
            QStringLiteral("/Bangou=") + QString::number(e.PupilNumber) +
            QStringLiteral("/level=") + QString::number(e.Level) +
            QStringLiteral("/time=") + QString::number(e.Result) +
            QStringLiteral("line") + p);
}

// Reads the newest kMaxHistory records as last committed; fatal when they
// cannot be read.
common::Outcome ReadForLoading(CommittedRead& read, const common::Tell& tell) {
    int openRetry = 0;
    bool told = false;
    for (;;) {
        common::IoFailure failure;
        if (ReadCommittedResults(QString(), RecordRange::NewestRecords(kMaxHistory), read, failure)) return {};
        const int progress = failure.Call == common::IoCall::Pread ? 5 : 3;
        if (IsAccessFault(failure.Error) || IsJournalPath(failure.Path)) {
            // Not a busy file: without a word the screen would wait forever.
            // A journal that cannot be read is waited for the same way: the
            // records it holds are the ones that count.
            if (!told && tell)
                tell(IsJournalPath(failure.Path) ? JournalFaultText(failure) : AccessFaultText(failure.Error, false));
            told = true;
            common::WaitWithEvents(1000);
            continue;
        }
        if (failure.Error == ENOENT || failure.Error == ENOTDIR) {
            // The data folder is away (a share not yet mounted): give it
            // four times five seconds.
            common::WaitWithEvents(5000);
            if (++openRetry >= 4)
                return EndWith(QStringLiteral("ファイルがありません") + QString::number(progress) +
                               common::ErrorDescription(failure.Error) + QString::number(failure.Error));
            continue;
        }
        return FatalLoadError(progress, failure.Error, LogEntry{}, 0);
    }
}

// Sums of run points cannot overflow even with a wild multiplier in the
// criteria: they stop at the largest value.
void AddPoints(std::int32_t& sum, int points) {
    if (__builtin_add_overflow(sum, points, &sum))
        sum = points > 0 ? std::numeric_limits<std::int32_t>::max() : std::numeric_limits<std::int32_t>::min();
}

// The counting rules of one level, looked up once per rebuild.
struct LevelRule {
    std::int32_t target = 0;
    float multiplier = 0;
    Period judgement;  // the judgement period
    Period tooMuch;    // the period of the too-much limits
};

// Run points of a stored result at a level, remembered for the results that
// occur again and again (whole seconds below kRemembered): a rebuild then
// works out each of them once instead of once per record. The statistics keep
// one for the whole run, so a rebuild allocates nothing for it.
class PointsMemo {
public:
    static constexpr int kRemembered = 1024;

    // Ready for a rebuild with these rules.
    void Start(const std::array<LevelRule, kLevelSlots>& rules) {
        for (auto& level : memo_) level.fill(kUnknown);
        rules_ = rules;
    }

    int operator()(int level, std::int32_t t) {
        if (t < 0 || t >= kRemembered) return Compute(level, t);
        std::int32_t& m = memo_[level][t];
        if (m == kUnknown) m = Compute(level, t);  // a value equal to kUnknown is merely worked out again
        return m;
    }

private:
    static constexpr std::int32_t kUnknown = std::numeric_limits<std::int32_t>::min();

    int Compute(int level, std::int32_t t) const {
        const LevelRule& rule = rules_[level];
        return MultipliedPoints(CurvePoints(t, FirstThreeCharacters(t), rule.target), rule.multiplier);
    }

    std::array<LevelRule, kLevelSlots> rules_{};
    std::array<std::array<std::int32_t, kRemembered>, kLevelSlots> memo_;
};

// The figures, and what the rebuilds keep between them: the bytes of the
// newest records (so that a rebuild allocates nothing once the first one has
// run), the remembered run points, and whether a rebuild is under way.
struct StatisticsState {
    Statistics Figures;
    CommittedRead Read;
    PointsMemo Points;
    bool Rebuilding = false;
};

StatisticsState& State() {
    static StatisticsState& state = common::MakeShared<StatisticsState>();
    return state;
}

// Adds one history entry to the figures of its level and pupil.
class Counter {
public:
    explicit Counter(PointsMemo& points) : today_(common::DateValue(common::platform().Now().date())) {
        const CriteriaTable& table = criteria();
        for (int level = kFirstLevel; level <= kLastLevel; ++level) {
            const CriteriaRow& c = table[level];
            rules_[level] = {c.TargetTime, c.PointMultiplier, PeriodOf(today_, c.JudgementDays),
                             PeriodOf(today_, c.TooMuchDays)};
        }
        points.Start(rules_);
        points_ = &points;
    }

    void operator()(const LogEntry& e, PupilLevelStats& s, PupilTotals& sum) {
        const LevelRule& rule = rules_[e.Level];
        const std::int32_t t = e.Result;
        const int valid = t < kValidRunLimit ? 1 : 0;
        const int points = (*points_)(e.Level, t);
        s.TotalRuns = static_cast<std::int16_t>(s.TotalRuns + valid);
        if (rule.judgement.Contains(e.RecordDate)) {
            s.PeriodRuns = static_cast<std::int16_t>(s.PeriodRuns + valid);
            AddPoints(s.PeriodPoints, points);
        }
        if (rule.tooMuch.Contains(e.RecordDate)) {
            s.TooMuchRuns = static_cast<std::int16_t>(s.TooMuchRuns + valid);
            AddPoints(s.TooMuchPointsEarned, points);
        }
        AddPoints(s.TotalPoints, points);
        sum.TotalRuns += valid;
        sum.TotalPoints += points;
        if (e.RecordDate == today_) {
            s.TodayRuns += static_cast<float>(valid);
            AddPoints(s.TodayPoints, points);
            sum.TodayRuns += valid;
            sum.TodayPoints += points;
        }
    }

private:
    double today_;
    std::array<LevelRule, kLevelSlots> rules_{};
    PointsMemo* points_ = nullptr;  // set once the rules are in
};

struct NoCounting {
    void operator()(const LogEntry&, PupilLevelStats&, PupilTotals&) {}
};

// Fills the history, BestTime and SchoolBestTime, and hands every kept entry
// with its figures to `count` in the same pass: a rebuild then touches each
// entry's table slot once. With resetBestTimes false the caller has already
// set every BestTime to NoResult.
template <typename Count>
common::Outcome Load(Statistics& st, bool resetBestTimes, const common::Tell& tell, Count&& count) {
    if (resetBestTimes) {
        for (int level = kFirstLevel; level <= kLastLevel; ++level)
            for (int pupil = 1; pupil <= kLastPupil; ++pupil) st.At(level, pupil).BestTime = kNoResult;
    }
    // The history's storage is kept from one rebuild to the next: entries are
    // written over the old ones and the vector is cut to the kept ones.
    st.HistoryCount = 0;
    // Only the newest kMaxHistory whole records; a partial tail is no record.
    CommittedRead& read = State().Read;
    if (common::Outcome loaded = ReadForLoading(read, tell); !loaded) {
        st.History.clear();
        return loaded;
    }
    const long long loaded = read.Bytes.size() / kRecordSize;
    if (st.History.size() < static_cast<size_t>(loaded)) st.History.resize(static_cast<size_t>(loaded));
    LogEntry* kept = st.History.data();
    const char* p = read.Bytes.data();
    const std::uint32_t* stamps = st.Stamp.data();
    // The smallest BestTime of each level over pupils 1..1000 is the smallest
    // result of those pupils there, so it is kept as the records go by.
    st.SchoolBestTime.fill(kNoResult);
    // The table is far larger than the cache and the records hit it at
    // random: ask for the slot of a record a few places ahead while this one
    // is worked on.
    constexpr long long kAhead = 16;
    for (long long k = 0; k < loaded; ++k, p += kRecordSize) {
        if (k + kAhead < loaded) {
            const char* q = p + kAhead * kRecordSize;
            const auto pupil = qFromLittleEndian<std::uint16_t>(q + 16);
            const auto level = qFromLittleEndian<std::uint16_t>(q + 18);
            if (pupil <= kLastPupil && level <= kLastLevel) {
                // A 36-byte slot often straddles two cache lines; its stamp
                // is read first.
                const size_t i = static_cast<size_t>(level) * kPupilSlots + pupil;
                const char* slot = reinterpret_cast<const char*>(st.Table.data() + i);
                __builtin_prefetch(stamps + i, 1);
                __builtin_prefetch(slot, 1);
                __builtin_prefetch(slot + sizeof(PupilLevelStats) - 1, 1);
            }
        }
        // Decoded straight into the history's next place, which the next
        // record takes over when this one is not kept: a copy from a local
        // entry made field by field cannot be forwarded to the wide loads the
        // copy uses, and stalled every record.
        LogEntry& e = *kept;
        e = DecodeEntry(p);
        if (ImpossibleRecord(e)) continue;
        PupilLevelStats& s = st.Slot(static_cast<size_t>(e.Level) * kPupilSlots + e.PupilNumber);
        if (e.Result < s.BestTime) s.BestTime = e.Result;
        if (e.PupilNumber >= 1 && e.PupilNumber <= kSchoolBestLastPupil && e.Result < st.SchoolBestTime[e.Level])
            st.SchoolBestTime[e.Level] = e.Result;
        // Deleted or unnamed records still count for the best time above.
        if (!KeptInHistory(e)) continue;
        ++kept;
        count(e, s, st.Totals[e.PupilNumber]);
    }
    st.History.resize(static_cast<size_t>(kept - st.History.data()));
    st.HistoryCount = static_cast<int>(st.History.size());

    return {};
}

// The waits of the loading let window events run, and a handler may then ask
// for the figures again. The rebuild already under way will leave them
// current, so the nested call does nothing; running it would count the
// records twice (both passes share the table) or end the program twice.
class RebuildGuard {
public:
    RebuildGuard() : running_(State().Rebuilding), nested_(running_) { running_ = true; }
    ~RebuildGuard() {
        if (!nested_) running_ = false;
    }
    bool Nested() const { return nested_; }

private:
    bool& running_;
    bool nested_;
};

}  // namespace

Statistics& stats() { return State().Figures; }

common::Outcome LoadHistory(const common::Tell& tell) {
    const RebuildGuard guard;
    if (guard.Nested()) return {};
    return Load(stats(), true, tell, NoCounting{});
}

common::Outcome RecomputeStatistics(const common::Tell& tell) {
    const RebuildGuard guard;
    if (guard.Nested()) return {};
    Statistics& st = stats();
    st.StartGeneration();
    std::fill(st.Totals.begin(), st.Totals.end(), PupilTotals{});
    return Load(st, false, tell, Counter(State().Points));
}

}  // namespace results
