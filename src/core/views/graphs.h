#pragma once
// The per-pupil time graphs: what one graph shows (the pupil's runs as
// points, the staircase of personal bests, the axis top, the labels and the
// figures block) and how a graph set is laid out on pages. Computation only;
// the painting takes these results and the canvas size.
//
// Positions are relative to the canvas: x in units of f = width / 2, y in
// units of C = height / 3, measured from the graph's top N = GraphTop (a
// fraction of the height). One computation thus serves the screen canvas and
// any printed page.

#include "core/results/statistics.h"
#include "core/views/ranking.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace views {

inline constexpr int kGraphPeriodDays = 3650;
inline constexpr int kGraphRecordWindow = 20000;  // the newest records a graph reads
inline constexpr int kGraphTimeLimit = 1800;      // runs from this many seconds on are not plotted
inline constexpr int kTimeScaleCap = 1000;
inline constexpr int kMaxBestRuns = 10000;
inline constexpr int kGraphFontBase = 6;           // GraphFontBase as the graph button sets it
inline constexpr int kPrinterFontSize = 6;

// Colours as the records of the system keep them (BGR values): 255 red,
// 16711680 blue.
inline constexpr std::uint32_t kBestColour = 255;
inline constexpr std::uint32_t kOtherRunColour = 16711680;

// ---------------------------------------------------------------------------
// Records

// The records a graph reads: the newest kGraphRecordWindow whole records of
// the file (however many the file holds) in file order, and the date of the
// last one read. Error 0 when the file was read; a missing file is created
// empty, as every opening of the results file does.
struct GraphRecords {
    std::vector<results::LogEntry> Records;
    double LastRecordDate = 0;
    bool AnyRecord = false;
    int Error = 0;
};
GraphRecords ReadGraphRecords(const QString& path);

// ---------------------------------------------------------------------------
// Per-pupil times

struct PupilTimesChoice {
    int Pupil = 0;
    int LevelCount = 15;
    double Now = 0;               // date value of now, with the time of day
    bool PupilPassesFilter = true;  // the grade filter holds for the pupil
};

// The pupil's runs of the last ten years as the level lists show them:
// Lines[level] for levels 1 … LevelCount, in file order. A line is the date
// (YYYY/MM/DD), one space, the time of day as the platform writes it, and
// Right("      " & result & "秒", 5); a run without a time (90000 or more)
// has the date and the time of day only.
std::vector<QStringList> PupilTimesLines(const std::vector<results::LogEntry>& records,
                                         const PupilTimesChoice& choice);

// ---------------------------------------------------------------------------
// Graph ranking and rank step

// The graph level's rankings are RankingLines (views/ranking.h) with
// RankColumn::Graph: RankMode in place of ValueKind, the rank right-aligned
// in three characters, "---" for a pupil without a record.

// What the rank step keeps of one level.
struct LevelSummary {
    QString TimeRank;          // first three characters of the pupil's time line, or empty
    QString PointsRank;        // the same of the points line
    long long PupilPoints = 0; // value of the last five characters of the points line
    int PositiveCount = 0;     // lines of the points ranking with points above 0
    long long PositiveSum = 0;
};
LevelSummary RankStep(const std::vector<RankLine>& timeLines, const std::vector<RankLine>& pointLines,
                      int graphPupil);

// ---------------------------------------------------------------------------
// One graph

struct GraphInput {
    int Level = 1;
    int Pupil = 0;
    int LevelCount = 15;
    double Now = 0;              // date value of now, with the time of day
    bool PupilPassesFilter = true;  // the grade filter holds for the graph pupil
    bool Printer = false;
    LevelSummary Summary;
    QString Title;       // ProgramTitle, one space, the level's caption
    QString PupilName;   // shown in the first band of a page
    bool FirstBand = true;
};

struct GraphPoint {
    double X = 0;  // units of f
    double Y = 0;  // units of C, from N
    bool Best = false;
};

struct BestRun {
    double Y = 0;
    double X = 0;
    QString TimeText;  // result & "秒"
    double Date = 0;
};

// A text whose top-left corner is at (X, Y); Size is the font size in units
// of the canvas's base font size (GraphFontBase on screen, 6 on paper).
struct GraphText {
    QString Text;
    double X = 0;
    double Y = 0;
    double Size = 1;
};

struct Graph {
    // First pass: the pupil's runs under kGraphTimeLimit.
    int RunCount = 0;
    long long RunSum = 0;
    int RunMax = 0;
    int TimeScaleMax = 10;
    // Second pass: the school's runs of the level.
    int SchoolCount = 0;
    long long SchoolSum = 0;
    std::int32_t SchoolBest = results::kNoResult;

    std::vector<GraphPoint> Points;  // in plotting order
    std::vector<BestRun> Bests;      // successive bests (entry 0 of the system's list left out)
    std::vector<GraphText> Figures;  // the figures block
    std::vector<GraphText> Labels;   // title, axis labels, times and dates of the bests
    // The pupil's name: Y from the top of the page, not from N; empty
    // outside the first band of a page.
    GraphText Name;
};

// Fixed lines of a graph, relative to N as above.
inline constexpr double kRuleGap = 0.09;       // second rule below the first, units of C
inline constexpr double kPlotLeft = 0.2;       // units of f
inline constexpr double kPlotRight = 0.9;
inline constexpr double kPlotBottom = 0.8;     // units of C: 0 seconds
inline constexpr double kPlotTop = 0.1;        // TimeScaleMax
inline constexpr double kFiguresLeft = 1.05;   // units of f

// Seconds at the top of the axis for a largest time: the next multiple of
// ten above it, at most kTimeScaleCap.
int TimeScaleMaxFor(int largest);

// Format(value, "#######"): the nearest whole number, nothing for 0.
QString FormatHash(double value);
// The same of a text: a number is formatted, any other text is kept.
QString FormatHash(const QString& text);

Graph ComputeGraph(const std::vector<results::LogEntry>& records, double lastRecordDate,
                   const GraphInput& in);

// ---------------------------------------------------------------------------
// Graph set

inline constexpr double kFirstGraphTop = 0.05;  // of the height
inline constexpr double kBandHeight = 0.3;
inline constexpr double kLastGraphTop = 0.9;

// Where each graph of a set goes: selected levels in list order, three to a page.
struct GraphPlacement {
    int Level = 0;
    int Page = 0;      // 0-based; a new page (or a cleared canvas) when it grows
    double Top = 0;    // GraphTop, a fraction of the height
};
std::vector<GraphPlacement> PlanGraphSet(const std::vector<int>& selectedLevels, int levelCount);

// The name goes in the first band of a page only.
inline bool IsFirstBand(double top) { return top < 0.08; }

}  // namespace views
