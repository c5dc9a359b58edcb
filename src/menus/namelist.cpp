#include "menus/namelist.h"

#include "common/strings.h"
#include "results/statistics.h"

#include <QCollator>

#include <algorithm>

namespace menus {

PupilFigures FiguresOf(int pupil) {
    PupilFigures f;
    if (pupil < 0 || pupil >= results::kPupilSlots) return f;
    const auto& st = results::stats();
    double todayRuns = 0;
    for (int level = 1; level < results::kLevelSlots; ++level) {
        const auto& s = st.At(level, pupil);
        todayRuns += s.TodayRuns;
        f.TodayPoints += s.TodayPoints;
        f.TotalRuns += s.TotalRuns;
        f.TotalPoints += s.TotalPoints;
    }
    f.TodayRuns = static_cast<long long>(todayRuns);
    return f;
}

QString TodayRunsText(long long runs) {
    return runs != 0 ? common::RightPadded(common::Dec(runs), 2, 3) + QStringLiteral("回")
                     : QString(5, u' ');
}

QString TodayPointsText(long long points) {
    return points != 0 ? common::RightPadded(common::Dec(points), 3, 4)
                       : QString(2, u' ') + common::kIdeographicSpace;
}

QString TotalRunsText(long long runs) {
    return runs != 0 ? common::RightPadded(common::Dec(runs), 6, 5) + QStringLiteral("回")
                     : QString(5, u' ') + common::kIdeographicSpace;
}

QString TotalPointsText(long long points) {
    return points != 0 ? common::RightPadded(common::Dec(points), 6, 7) : QString(7, u' ');
}

QString NameRowText(const PupilEntry& entry, int grade, const PupilFigures& f, int mode) {
    QString a, b;
    switch (mode) {
    case TodayAndAllRuns: a = TodayRunsText(f.TodayRuns); b = TotalRunsText(f.TotalRuns); break;
    case TodayAndAllPoints:
        a = TodayPointsText(f.TodayPoints);
        b = TotalPointsText(f.TotalPoints);
        break;
    case TodayPointsAndRuns:
        a = TodayPointsText(f.TodayPoints);
        b = TodayRunsText(f.TodayRuns);
        break;
    default: a = TotalPointsText(f.TotalPoints); b = TotalRunsText(f.TotalRuns); break;
    }
    const QString head =
        ListGradeLabel(grade) + QStringLiteral(" ") + common::TrimSpaces(entry.Name);
    const qsizetype width = (mode != TodayAndAllPoints && grade <= 0) ? 11 : 9;
    const qsizetype pad = std::max<qsizetype>(0, width - head.size());
    return head + QString(pad, common::kIdeographicSpace) + a + QStringLiteral("/") + b;
}

QString NameListEntry::KeyText() const {
    return common::Dec(BirthYear) + Row + QStringLiteral("*") + common::Dec(Number);
}

NameList BuildNameList(const std::vector<PupilEntry>& listed, int mode, const QString& filter,
                       int schoolYear) {
    NameList list;
    const QCollator collator = ListCollator();
    struct Keyed {
        NameListEntry entry;
        QCollatorSortKey key;
    };
    std::vector<Keyed> keyed;
    keyed.reserve(listed.size());
    for (const PupilEntry& e : listed) {
        const int grade = GradeNumber(schoolYear, e.BirthYear);
        NameListEntry n{e.BirthYear, NameRowText(e, grade, FiguresOf(e.Number), mode), e.Number};
        // Within one birth year the rest of the key text decides: the row,
        // then the number.
        QCollatorSortKey key = collator.sortKey(n.Row + QStringLiteral("*") + common::Dec(n.Number));
        keyed.push_back({std::move(n), std::move(key)});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [](const Keyed& x, const Keyed& y) {
        if (x.entry.BirthYear != y.entry.BirthYear) return x.entry.BirthYear < y.entry.BirthYear;
        return x.key.compare(y.key) < 0;
    });

    list.Sorted.reserve(keyed.size());
    for (auto& k : keyed) list.Sorted.push_back(std::move(k.entry));
    list.Shown << kNameListSeparator;
    for (auto it = list.Sorted.rbegin(); it != list.Sorted.rend(); ++it) {
        if (!PassesGradeFilter(filter, GradeNumber(schoolYear, it->BirthYear))) continue;
        list.Shown << it->Row;
        list.Parallel << it->Row + QStringLiteral("*") + common::Dec(it->Number);
        list.Numbers.push_back(it->Number);
    }
    return list;
}

}  // namespace menus
