#include "core/views/ranking.h"

#include "core/common/mergesort.h"
#include "core/menus/roster.h"
#include "core/results/statistics.h"
#include "core/views/listlines.h"

#include <QVector>

#include <algorithm>

namespace views {
namespace {

// Sorting on ~value orders descending and, unlike a negation, never overflows.
std::int32_t Descending(std::int32_t value) { return ~value; }

}  // namespace

std::vector<RankedPupil> RankPupils(int level, const RankingChoice& choice) {
    const menus::Roster& r = menus::roster();
    const results::Statistics& st = results::stats();
    const int n = r.ShownPupilCount;
    std::vector<RankedPupil> ranked;
    if (level < 1 || level >= results::kLevelSlots) return ranked;

    const bool points = choice.ValueKind == kPoints;
    const bool todayFirst = choice.PointsPeriod == kTodayPointsFirst;
    auto statsOf = [&](int pupil) -> const results::PupilLevelStats& { return st.At(level, pupil); };
    // The value that decides the rank.
    auto primary = [&](int pupil) -> std::int32_t {
        const auto& s = statsOf(pupil);
        if (!points) return s.BestTime;
        return Descending(todayFirst ? s.TodayPoints : s.TotalPoints);
    };

    QVector<int> pupils(n);
    QVector<std::int64_t> keys(n);
    for (int k = 0; k < n; ++k) pupils[k] = r.ShownPupils[size_t(k + 1)];
    // In points mode the first points decide and the other points order
    // equal ones: both in one key, the first in the upper half, the other
    // (made non-negative) in the lower, so neither spills into the other.
    for (int k = 0; k < n; ++k) {
        keys[k] = std::int64_t(primary(pupils[k])) * (std::int64_t(1) << 32);
        if (points) {
            const auto& s = statsOf(pupils[k]);
            keys[k] += std::int64_t(Descending(todayFirst ? s.TotalPoints : s.TodayPoints)) + (std::int64_t(1) << 31);
        }
    }
    common::StableMergeSort(keys, pupils);

    ranked.resize(size_t(n));
    for (int k = 0; k < n; ++k) {
        RankedPupil& p = ranked[size_t(k)];
        p.Pupil = pupils[k];
        // Equal first values share a rank, whatever the other points.
        p.Rank = (k > 0 && keys[k] >> 32 == keys[k - 1] >> 32) ? ranked[size_t(k - 1)].Rank : k + 1;
        const results::PupilLevelStats& s = statsOf(p.Pupil);
        p.BestTime = s.BestTime;
        p.TodayPoints = s.TodayPoints;
        p.TotalPoints = s.TotalPoints;
        const bool today = !points || !todayFirst || s.TodayPoints != 0;
        p.Look = PupilLookOf(p.Pupil);
        p.Listed = today && menus::PassesGradeFilter(choice.GradeFilter, p.Look.Grade);
    }
    return ranked;
}

std::vector<RankLine> RankingLines(const std::vector<RankedPupil>& ranked, const RankingChoice& choice,
                                   RankColumn column) {
    std::vector<RankLine> lines;
    lines.reserve(ranked.size());
    for (const RankedPupil& p : ranked) {
        if (!p.Listed) continue;
        const PupilLook& look = p.Look;
        const bool current = p.Pupil == choice.CurrentPupil;
        const QString mark = current ? kCurrentMark : MarkOf(p.Pupil, look.Grade, choice.CurrentPupil);
        lines.push_back({choice.ValueKind == kPoints
                             ? RankingPointsLine(p.Rank, mark, look.Name, p.TodayPoints, p.TotalPoints, column)
                             : RankingTimeLine(p.Rank, mark, look.Name, p.BestTime, current, column),
                         p.Pupil});
    }
    return lines;
}

std::vector<RankLine> RankingLines(int level, const RankingChoice& choice, RankColumn column) {
    return RankingLines(RankPupils(level, choice), choice, column);
}

qsizetype ListedCount(const std::vector<RankedPupil>& ranked) {
    return std::count_if(ranked.begin(), ranked.end(), [](const RankedPupil& p) { return p.Listed; });
}

QStringList LevelRankingLines(int level, const RankingChoice& choice) {
    QStringList texts;
    for (RankLine& line : RankingLines(level, choice)) texts << std::move(line.Text);
    return texts;
}

}  // namespace views
