#pragma once
// The name screen's list: one row per listed pupil with the grade label, the
// name and two practice figures chosen by the ranking mode, youngest grade
// first, filtered by grade.

#include "core/menus/roster.h"
#include "core/results/statistics.h"

#include <QString>
#include <QStringList>

#include <utility>

#include <vector>

namespace common {
class ListCollator;
}

namespace menus {

// Row 0 of the name list.
inline const QString kNameListSeparator = QStringLiteral("－－－－－－");

// Ranking modes: which two figures a row shows.
enum RankingMode {
    TodayAndAllRuns = 0,    // 回数(今日／今まで）
    TodayAndAllPoints = 1,  // ポイント（今日／今まで）
    TodayPointsAndRuns = 2, // 本日（ポイント／回数）
    AllPointsAndRuns = 3,   // 今まで（ポイント／回数）
};

// One pupil's sums over levels 1..35 of the statistics as last recomputed:
// the sums the statistics keep while counting.
using PupilFigures = results::PupilTotals;
PupilFigures FiguresOf(int pupil);
// The same for many pupils at once, in their order.
std::vector<PupilFigures> FiguresOf(const std::vector<int>& pupils);

// The figure texts; a zero figure is a blank text of the same width
// ("回" and the ideographic space count as two columns).
QString TodayRunsText(long long runs);
QString TodayPointsText(long long points);
QString TotalRunsText(long long runs);
QString TotalPointsText(long long points);

// label & " " & name & pad & A & "/" & B: the pad is made of ideographic
// spaces up to width 11 for a kindergarten grade (0 or less) and 9 otherwise,
// 9 for everyone in mode 1, and none when the text is already longer.
QString NameRowText(const PupilEntry& entry, int grade, const PupilFigures& figures, int mode);

// One entry of the hidden sorted list. The birth year is a field of its own,
// so a birth year of any length sorts and splits alike.
struct NameListEntry {
    int BirthYear = 0;
    QString Row;  // as shown
    int Number = 0;
    // BirthYear & Row & "*" & Number, as the hidden list shows it.
    QString KeyText() const;
};

struct NameList {
    // Every listed pupil, in ascending order (birth year, then the rest of
    // the key in the list collation).
    std::vector<NameListEntry> Sorted;
    // The shown rows: the separator, then the pupils passing the filter in
    // descending order.
    QStringList Shown;
    // Row for row with Shown[1..]: the row & "*" & the pupil number.
    QStringList Parallel;
    std::vector<int> Numbers;  // the pupil number of each Parallel row
};

// The order of listed entries by birth year and then name, and where equal
// names follow one another. It depends on the roster alone, not on the
// figures, so the name screen makes it once per roster and keeps it while the
// listed entries stay the same: the list is rebuilt on every change of mode
// or filter.
struct NameOrder {
    std::vector<std::pair<int, QString>> of;  // birth year and name of each entry
    std::vector<std::size_t> order;           // entry indices, ascending
    std::vector<bool> sameAsNext;             // order[k] and order[k + 1] tie

    bool Matches(const std::vector<PupilEntry>& listed) const;
    void Make(const std::vector<PupilEntry>& listed, const common::ListCollator& collator);
};

// Builds the list from listed roster entries with the statistics as they
// stand, sorting them afresh.
NameList BuildNameList(const std::vector<PupilEntry>& listed, int mode, const QString& filter,
                       int schoolYear);
// The same with the order of the last list built from these entries (made
// anew when the entries differ).
NameList BuildNameList(const std::vector<PupilEntry>& listed, int mode, const QString& filter, int schoolYear,
                       NameOrder& order);

}  // namespace menus
