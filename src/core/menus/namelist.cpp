#include "core/menus/namelist.h"

#include "core/common/collation.h"
#include "core/common/strings.h"
#include "core/results/statistics.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace menus {
namespace {

// The name without the surrounding blanks (ASCII and ideographic) it is held with.
QStringView TrimmedName(const QString& name) {
    auto blank = [](QChar c) { return c == u' ' || c == common::kIdeographicSpace; };
    qsizetype b = 0, e = name.size();
    while (b < e && blank(name[b])) ++b;
    while (e > b && blank(name[e - 1])) --e;
    return QStringView(name).mid(b, e - b);
}

}  // namespace

std::vector<PupilFigures> FiguresOf(const std::vector<int>& pupils) {
    // The sums over levels 1..35 are kept by the statistics as they count.
    std::vector<PupilFigures> figures(pupils.size());
    const auto& totals = results::stats().Totals;
    for (size_t i = 0; i < pupils.size(); ++i) {
        const int p = pupils[i];
        if (p < 0 || p >= results::kPupilSlots) continue;
        figures[i] = totals[p];
    }
    return figures;
}

PupilFigures FiguresOf(int pupil) { return FiguresOf(std::vector<int>{pupil}).front(); }

namespace {

// One figure of a row: the number right-aligned in `width` characters (cut to
// its last `width` when longer) followed by `unit`, or `blank` when it is 0.
// Rows are written into one text each, a large school has thousands.
struct FigureLayout {
    qsizetype width;
    QStringView unit;
    QStringView blank;
};
constexpr FigureLayout kTodayRuns{3, u"回", u"     "};
constexpr FigureLayout kTodayPoints{4, u"", u"  　"};
constexpr FigureLayout kTotalRuns{5, u"回", u"     　"};
constexpr FigureLayout kTotalPoints{7, u"", u"       "};

void AppendFigure(QString& out, long long value, const FigureLayout& layout) {
    if (value == 0) {
        out.append(layout.blank);
        return;
    }
    char digits[24];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), value).ptr;
    const qsizetype length = end - digits;
    const qsizetype shown = std::min(length, layout.width);
    for (qsizetype i = shown; i < layout.width; ++i) out.append(u' ');
    out.append(QLatin1StringView(end - shown, shown));
    out.append(layout.unit);
}

QString FigureText(long long value, const FigureLayout& layout) {
    QString out;
    AppendFigure(out, value, layout);
    return out;
}

}  // namespace

QString TodayRunsText(long long runs) { return FigureText(runs, kTodayRuns); }
QString TodayPointsText(long long points) { return FigureText(points, kTodayPoints); }
QString TotalRunsText(long long runs) { return FigureText(runs, kTotalRuns); }
QString TotalPointsText(long long points) { return FigureText(points, kTotalPoints); }

QString NameRowText(const PupilEntry& entry, int grade, const PupilFigures& f, int mode) {
    const QString label = ListGradeLabel(grade);
    const QStringView name = TrimmedName(entry.Name);
    const qsizetype width = (mode != TodayAndAllPoints && grade <= 0) ? 11 : 9;
    const qsizetype headLength = label.size() + 1 + name.size();
    QString row;
    row.reserve(std::max(width, headLength) + 16);
    row.append(label).append(u' ').append(name);
    for (qsizetype k = headLength; k < width; ++k) row.append(common::kIdeographicSpace);
    switch (mode) {
    case TodayAndAllRuns:
        AppendFigure(row, f.TodayRuns, kTodayRuns);
        row.append(u'/');
        AppendFigure(row, f.TotalRuns, kTotalRuns);
        break;
    case TodayAndAllPoints:
        AppendFigure(row, f.TodayPoints, kTodayPoints);
        row.append(u'/');
        AppendFigure(row, f.TotalPoints, kTotalPoints);
        break;
    case TodayPointsAndRuns:
        AppendFigure(row, f.TodayPoints, kTodayPoints);
        row.append(u'/');
        AppendFigure(row, f.TodayRuns, kTodayRuns);
        break;
    default:
        AppendFigure(row, f.TotalPoints, kTotalPoints);
        row.append(u'/');
        AppendFigure(row, f.TotalRuns, kTotalRuns);
        break;
    }
    return row;
}

namespace {
// Appends "*" and the number: how the hidden lists carry the pupil number.
void AppendNumber(QString& out, int number) {
    char digits[12];
    const auto end = std::to_chars(std::begin(digits), std::end(digits), number).ptr;
    out.append(u'*').append(QLatin1StringView(digits, end - digits));
}
}  // namespace

QString NameListEntry::KeyText() const {
    QString key;
    key.reserve(Row.size() + 12);
    key.append(QString::number(BirthYear)).append(Row);
    AppendNumber(key, Number);
    return key;
}

bool NameOrder::Matches(const std::vector<PupilEntry>& listed) const {
    if (listed.size() != of.size()) return false;
    for (std::size_t i = 0; i < listed.size(); ++i)
        if (listed[i].BirthYear != of[i].first || listed[i].Name != of[i].second) return false;
    return true;
}

void NameOrder::Make(const std::vector<PupilEntry>& listed, const common::ListCollator& collator) {
    of.clear();
    std::vector<common::ListSortKey> keys;
    keys.reserve(listed.size());
    for (const PupilEntry& e : listed) {
        of.emplace_back(e.BirthYear, e.Name);
        keys.push_back(collator.sortKey(TrimmedName(e.Name)));
    }
    order.resize(listed.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    auto compare = [&](std::size_t x, std::size_t y) {
        if (of[x].first != of[y].first) return of[x].first < of[y].first ? -1 : 1;
        return keys[x].compare(keys[y]);
    };
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return compare(x, y) < 0; });
    sameAsNext.assign(order.size(), false);
    for (std::size_t k = 0; k + 1 < order.size(); ++k) sameAsNext[k] = compare(order[k], order[k + 1]) == 0;
}

namespace {

// The row and its number, as the parallel list holds them.
QString RowWithNumber(const NameListEntry& n) {
    QString row;
    row.reserve(n.Row.size() + 6);
    row.append(n.Row);
    AppendNumber(row, n.Number);
    return row;
}

}  // namespace

NameList BuildNameList(const std::vector<PupilEntry>& listed, int mode, const QString& filter,
                       int schoolYear) {
    NameOrder byName;
    return BuildNameList(listed, mode, filter, schoolYear, byName);
}

NameList BuildNameList(const std::vector<PupilEntry>& listed, int mode, const QString& filter, int schoolYear,
                       NameOrder& byName) {
    const common::ListCollator collator;
    if (!byName.Matches(listed)) byName.Make(listed, collator);

    std::vector<int> numbers;
    numbers.reserve(listed.size());
    for (const PupilEntry& e : listed) numbers.push_back(e.Number);
    const std::vector<PupilFigures> figures = FiguresOf(numbers);

    NameList list;
    list.Sorted.reserve(listed.size());
    for (std::size_t k = 0; k < byName.order.size(); ++k) {
        const PupilEntry& e = listed[byName.order[k]];
        const int grade = GradeNumber(schoolYear, e.BirthYear);
        list.Sorted.push_back({e.BirthYear, NameRowText(e, grade, figures[byName.order[k]], mode), e.Number});
    }
    // Equal names of one birth year: the rest of the key text decides (the
    // figures, then the number).
    for (std::size_t k = 0; k < byName.order.size();) {
        std::size_t end = k + 1;
        while (end - 1 < byName.sameAsNext.size() && byName.sameAsNext[end - 1]) ++end;
        if (end - k > 1)
            std::stable_sort(list.Sorted.begin() + qsizetype(k), list.Sorted.begin() + qsizetype(end),
                             [&](const NameListEntry& x, const NameListEntry& y) {
                                 return collator.compare(RowWithNumber(x), RowWithNumber(y)) < 0;
                             });
        k = end;
    }

    list.Shown << kNameListSeparator;
    for (auto it = list.Sorted.rbegin(); it != list.Sorted.rend(); ++it) {
        if (!PassesGradeFilter(filter, GradeNumber(schoolYear, it->BirthYear))) continue;
        list.Shown << it->Row;
        list.Parallel << RowWithNumber(*it);
        list.Numbers.push_back(it->Number);
    }
    return list;
}

}  // namespace menus
