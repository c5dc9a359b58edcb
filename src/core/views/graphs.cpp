#include "core/views/graphs.h"

#include "core/common/dates.h"
#include "core/common/numbers.h"
#include "core/common/strings.h"
#include "core/results/resultsfile.h"
#include "core/views/runlistings.h"

#include <algorithm>
#include <cmath>

namespace views {
namespace {

QString DateTextOf(double value) { return common::DateText(common::DateFromValue(value)); }

// A best point's date: only MM/DD when its year is that of the best before it.
QString BestDateText(const BestRun& run, const BestRun* previous) {
    const QString date = DateTextOf(run.Date);
    if (previous && common::Left(DateTextOf(previous->Date), 5) == common::Left(date, 5))
        return common::Right(date, 5);
    return date;
}

}  // namespace

GraphRecords ReadGraphRecords(const QString& path) {
    RecordScan scan = ReadLastRecords(kGraphRecordWindow, path);
    GraphRecords out;
    out.Records = std::move(scan.Records);
    out.Error = scan.Error;
    if (!out.Records.empty()) {
        out.AnyRecord = true;
        out.LastRecordDate = out.Records.back().RecordDate;
    }
    return out;
}

std::vector<QStringList> PupilTimesLines(const std::vector<results::LogEntry>& records,
                                         const PupilTimesChoice& choice) {
    std::vector<QStringList> lines(static_cast<size_t>(std::max(0, choice.LevelCount) + 1));
    if (!choice.PupilPassesFilter) return lines;
    const double oldest = choice.Now - kGraphPeriodDays;
    for (const results::LogEntry& e : records) {
        if (e.PupilNumber != choice.Pupil || e.Level < 1 || e.Level > choice.LevelCount || e.RecordDate <= oldest)
            continue;
        QString line = common::Right(results::DateValueText(std::floor(e.RecordDate)), 10) + u' ' +
                       common::Right(results::DateValueText(e.RecordTime - std::floor(e.RecordTime)), 10);
        if (e.Result < kNoTimeFrom) line += common::RightPadded(common::Dec(e.Result) + QStringLiteral("秒"), 6, 5);
        lines[static_cast<size_t>(e.Level)] << line;
    }
    return lines;
}

LevelSummary RankStep(const std::vector<RankLine>& timeLines, const std::vector<RankLine>& pointLines,
                      int graphPupil) {
    LevelSummary s;
    for (const RankLine& l : timeLines) {
        if (l.Pupil != graphPupil) continue;
        s.TimeRank = common::Left(l.Text, 3);
        break;
    }
    bool found = false;
    for (const RankLine& l : pointLines) {
        const long long value = common::Int(common::LeadingNumber(common::Right(l.Text, 5)));
        if (value > 0) {
            ++s.PositiveCount;
            s.PositiveSum += value;
        }
        if (!found && l.Pupil == graphPupil) {
            found = true;
            s.PointsRank = common::Left(l.Text, 3);
            s.PupilPoints = value;
        }
    }
    return s;
}

int TimeScaleMaxFor(int largest) { return std::min(10 * (largest / 10 + 1), kTimeScaleCap); }

QString FormatHash(double value) {
    const long long whole = common::RoundHalfEven(value);
    return whole == 0 ? QString() : common::Dec(whole);
}

QString FormatHash(const QString& text) {
    if (common::IsNumber(text)) return FormatHash(common::LeadingNumber(text));
    return text;
}

Graph ComputeGraph(const std::vector<results::LogEntry>& records, double lastRecordDate,
                   const GraphInput& in) {
    Graph g;
    const double oldest = in.Now - kGraphPeriodDays;
    auto inRange = [&](const results::LogEntry& e) {
        return e.Level <= in.LevelCount && e.RecordDate > oldest;
    };

    // First pass: the pupil's runs under the time limit.
    for (const results::LogEntry& e : records) {
        if (!inRange(e) || e.Level != in.Level || e.PupilNumber != in.Pupil || e.Result >= kGraphTimeLimit)
            continue;
        ++g.RunCount;
        g.RunSum += e.Result;
        g.RunMax = std::max(g.RunMax, e.Result);
    }
    g.TimeScaleMax = TimeScaleMaxFor(g.RunMax);

    // Second pass: the school's figures and the pupil's points.
    int k = 0;
    double lastX = 0;
    for (const results::LogEntry& e : records) {
        if (!inRange(e) || e.Level != in.Level) continue;
        if (e.Result < kGraphTimeLimit) {
            ++g.SchoolCount;
            g.SchoolSum += e.Result;
        }
        g.SchoolBest = std::min(g.SchoolBest, e.Result);
        if (e.PupilNumber != in.Pupil || !in.PupilPassesFilter || e.Result >= kGraphTimeLimit) continue;
        ++k;
        GraphPoint p;
        p.X = kPlotLeft + (kPlotRight - kPlotLeft) * k / g.RunCount;
        p.Y = kPlotBottom - (kPlotBottom - kPlotTop) * e.Result / g.TimeScaleMax;
        // Only a strictly faster run is a new best: an equal time stays blue.
        p.Best = g.Bests.empty() || p.Y > g.Bests.back().Y;
        if (p.Best) {
            const BestRun run{p.Y, p.X, common::Dec(e.Result) + QStringLiteral("秒"), e.RecordDate};
            // The list holds kMaxBestRuns; a further best takes the last place
            // so that the figures and the staircase end at the real best.
            if (static_cast<int>(g.Bests.size()) < kMaxBestRuns) g.Bests.push_back(run);
            else g.Bests.back() = run;
        }
        g.Points.push_back(p);
        lastX = p.X;
    }

    // Figures block.
    const double step = in.Printer ? 0.06 : 0.08;
    double y = 0.05;
    auto line = [&](const QString& text) {
        g.Figures.push_back({text, kFiguresLeft, y, 1.5});
        y += step;
    };
    const LevelSummary& s = in.Summary;
    line(QStringLiteral("回数　　　　　　　") + common::RightPadded(FormatHash(g.RunCount), 6, 3) +
         QStringLiteral("回"));
    line(QStringLiteral("タイム  　　 　    本人 / 塾全体"));
    line(QStringLiteral("　　順位　　　　") + common::RightPadded(FormatHash(s.TimeRank), 5, 5) +
         QStringLiteral("位"));
    const QString ownBest = g.Bests.empty() ? QString() : g.Bests.back().TimeText;
    line(QStringLiteral("　　最高　　　　") + common::RightPadded(ownBest, 6, 6) + QStringLiteral(" /") +
         common::RightPadded(FormatHash(g.SchoolBest), 6, 5) + QStringLiteral("秒"));
    if (g.RunCount != 0) {
        const QString schoolAverage =
            g.SchoolCount != 0 ? FormatHash(static_cast<double>(g.SchoolSum) / g.SchoolCount) : QString();
        line(QStringLiteral("　　平均　　　　") +
             common::RightPadded(FormatHash(common::Int(static_cast<double>(g.RunSum) / g.RunCount)), 6, 5) +
             QStringLiteral("秒") + QStringLiteral(" /") + common::RightPadded(schoolAverage, 6, 5) +
             QStringLiteral("秒"));
    }
    line(QStringLiteral("ポイント  　　　"));
    line(QStringLiteral("　　順位　　　　") + common::RightPadded(FormatHash(s.PointsRank), 6, 5) +
         QStringLiteral("位"));
    line(QStringLiteral("　　獲得ポイント") + common::RightPadded(FormatHash(s.PupilPoints), 6, 5) +
         QStringLiteral("点"));
    if (s.PositiveCount != 0)
        line(QStringLiteral("　　　　　　　　　　　　/") +
             common::RightPadded(FormatHash(static_cast<double>(s.PositiveSum) / s.PositiveCount), 6, 5) +
             QStringLiteral("点"));
    // Half a line further than the next line would go.
    g.Figures.push_back({QStringLiteral("　　　　　　　　　　　　 (塾平均)"), kFiguresLeft, y + step / 2, 1.5});

    // Title, and the pupil's name in the first band of a page.
    g.Labels.push_back({in.Title, 0.7, 0.01, in.Printer ? 3.0 : 2.0});
    if (in.FirstBand) g.Name = {in.PupilName, 0.01, 0.02, 3.0};

    // Axis labels and the bests' times and dates.
    if (!g.Bests.empty()) {
        // The date of the newest record marks the end of the time axis; where
        // the first best is the pupil's last run it would be written over
        // that best's own date, which is kept.
        if (lastX != g.Bests.front().X) g.Labels.push_back({DateTextOf(lastRecordDate), lastX - 0.025, 0.815, 1});
        g.Labels.push_back({QStringLiteral("0秒"), 0.12, 0.79, 1});
        g.Labels.push_back({common::Dec(g.TimeScaleMax) + QStringLiteral("秒"), 0.12, kPlotTop, 1});
        const BestRun& firstBest = g.Bests.front();
        g.Labels.push_back({firstBest.TimeText, 0.12, firstBest.Y - 0.01, 1});
        g.Labels.push_back({DateTextOf(firstBest.Date), firstBest.X - 0.025, 0.815, 1});
        const size_t n = g.Bests.size();
        for (size_t i = 1; i + 1 < n; ++i) {
            const BestRun& b = g.Bests[i];
            g.Labels.push_back({b.TimeText, b.X - 0.025, b.Y + 0.01, 1});
            g.Labels.push_back({BestDateText(b, &g.Bests[i - 1]), b.X - 0.025, b.Y + 0.03, 1});
        }
        if (n >= 2) {
            const BestRun& b = g.Bests.back();
            g.Labels.push_back({b.TimeText, b.X - 0.025, b.Y + 0.04, 1});
            g.Labels.push_back({BestDateText(b, &g.Bests[n - 2]), b.X - 0.025, b.Y + 0.07, 1});
        }
    }
    return g;
}

std::vector<GraphPlacement> PlanGraphSet(const std::vector<int>& selectedLevels, int levelCount) {
    std::vector<GraphPlacement> plan;
    double top = kFirstGraphTop - kBandHeight;
    int page = 0;
    for (const int level : selectedLevels) {
        top += kBandHeight;
        if (top > kLastGraphTop + 1e-9) {
            ++page;
            top = kFirstGraphTop;
        }
        if (level > levelCount) break;
        plan.push_back({level, page, top});
    }
    return plan;
}

}  // namespace views
