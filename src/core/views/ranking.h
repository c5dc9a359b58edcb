#pragma once
// The ranking of one level (LevelRanking): every pupil of the display roster
// sorted by best time, by all-time points or by today's points, with
// competition ranks over the whole sorted roster. The grade filter and the
// "no points today" rule leave pupils out of the lines, never out of the
// ranks, so the listed ranks can have gaps.
//
// Reads the statistics as last recomputed (results::stats()) and the roster
// tables (menus::roster()); never the results file.

#include "core/views/listlines.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace views {

struct RankingChoice {
    int ValueKind = kTimes;
    int PointsPeriod = kTotalPointsFirst;
    QString GradeFilter = QStringLiteral("全学年");  // the text of the level menu's Combo1
    int CurrentPupil = 0;
};

// One pupil of the sorted roster.
struct RankedPupil {
    int Pupil = 0;  // pupil number
    int Rank = 0;   // competition rank: equal values share it and the next one skips (1, 2, 2, 4)
    bool Listed = false;  // whether the pupil gets a line (grade filter, today's points)
    // What the line shows, as it was when the pupils were ranked.
    PupilLook Look;
    std::int32_t BestTime = 0;
    std::int32_t TodayPoints = 0;
    std::int32_t TotalPoints = 0;
};

// The display roster (roster().ShownPupils, all ShownPupilCount of them)
// sorted for `level`: times ascending (a failed best 99998 and no record
// 99999 last); points by the first points descending, then the other points
// descending. Equal values keep roster order. In points mode equal first
// points share a rank whatever the other points.
std::vector<RankedPupil> RankPupils(int level, const RankingChoice& choice);

// One line of a ranking, with the pupil it belongs to carried beside it, so
// that a pupil's line is found by number, not by name.
struct RankLine {
    QString Text;
    int Pupil = 0;
};

// The lines of the listed pupils in rank order: List5(level) of the level
// menu (which shows them in text order) or, with RankColumn::Graph, the graph
// panel's unsorted work lists. Layouts in views/listlines.h.
std::vector<RankLine> RankingLines(int level, const RankingChoice& choice,
                                   RankColumn column = RankColumn::List);
// The lines of pupils RankPupils ranked, written from their figures as they
// were then (a column's lines can be written when the column is first shown).
std::vector<RankLine> RankingLines(const std::vector<RankedPupil>& ranked, const RankingChoice& choice,
                                   RankColumn column = RankColumn::List);
// How many of them get a line.
qsizetype ListedCount(const std::vector<RankedPupil>& ranked);
// The texts alone, for List5(level).
QStringList LevelRankingLines(int level, const RankingChoice& choice);

}  // namespace views
