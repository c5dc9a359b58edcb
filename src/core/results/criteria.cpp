#include "core/results/criteria.h"

#include "core/common/numbers.h"
#include "core/common/strings.h"
#include "core/common/textfile.h"
#include "core/results/criteriagrid.h"
#include "core/results/statistics.h"
#include "core/common/runstate.h"
#include "core/common/sharedstate.h"


#include <algorithm>

#include <cmath>
#include <limits>

namespace results {
namespace {

const QString kCriteriaFileName = QStringLiteral("タイム回数データ.txt");
constexpr int kItemsPerSlot = 12;


// A number item of fields 1..5 stored into a whole-number field: rounded half
// to even, and kept inside the field's range so that a wild value in the file
// cannot overflow.
template <typename T>
T WholeField(const QString& item) {
    const double v = common::LeadingNumber(item);
    if (std::isnan(v)) return 0;
    constexpr double lo = std::numeric_limits<T>::min();
    constexpr double hi = std::numeric_limits<T>::max();
    if (v <= lo) return std::numeric_limits<T>::min();
    if (v >= hi) return std::numeric_limits<T>::max();
    return static_cast<T>(common::RoundHalfEven(v));
}

void StoreItem(CriteriaRow& row, int field, const QString& item) {
    switch (field) {
    case 0: row.TargetTime = WholeField<std::int32_t>(item); break;
    case 1: row.MinimumTime = WholeField<std::int32_t>(item); break;
    case 2: row.ClearPoints = WholeField<std::int32_t>(item); break;
    case 3: row.ClearCount = WholeField<std::int16_t>(item); break;
    case 4: row.PointMultiplier = static_cast<float>(common::LeadingNumber(item)); break;
    case 5: row.TooMuchCount.Text = item; break;
    case 6: row.TooMuchPoints.Text = item; break;
    case 7: row.JudgementDays.Text = item; break;
    case 8: row.TooMuchDays.Text = item; break;
    case 9: row.Spare10.Text = item; break;
    case 10: row.Spare11.Text = item; break;
    case 11: row.Spare12.Text = item; break;
    }
}

constexpr int kSlots = static_cast<int>(std::tuple_size_v<decltype(CriteriaTable::Rows)>);

bool ValidLevel(int level) { return level >= 0 && level < kSlots; }

// A general value goes back as it was read; only a value that would split
// into several items is quoted, or it would shift every later level.
QString GeneralField(const GeneralValue& v) {
    if (v.Text.contains(u',') || v.Text.contains(u'"') || v.Text.contains(u'\r') ||
        v.Text.contains(u'\n'))
        return u'"' + QString(v.Text).remove(u'"') + u'"';
    return v.Text;
}

}  // namespace

QStringList CriteriaHeaderTexts() {
    return {QStringLiteral("目標Time"), QStringLiteral("最低Time"), QStringLiteral("ｸﾘｱﾎﾟｲﾝﾄ"),
            QStringLiteral("ｸﾘｱ回数"),  QStringLiteral("ﾎﾟｲﾝﾄ倍率"), QStringLiteral("禁回"),
            QStringLiteral("禁点"),     QStringLiteral("判期間"),   QStringLiteral("禁期間"),
            QString(),                  QString(),                  QString()};
}

QString CriteriaFileName() { return kCriteriaFileName; }

QString CriteriaPath(const QString& path) {
    if (!path.isEmpty()) return path;
    return common::runState().ProgramDataFolder + kCriteriaFileName;
}

double GeneralValue::Value() const { return Text.isEmpty() ? 0 : common::LeadingNumber(Text); }

CriteriaTable& criteria() {
    static CriteriaTable& table = common::MakeShared<CriteriaTable>();
    return table;
}

bool LoadCriteria(QString& errorMessage, const QString& path) {
    const QString file = CriteriaPath(path);
    QString error;
    auto text = common::ReadShiftJisFile(file, &error);
    if (!text) {
        errorMessage = common::CannotReadMessage(kCriteriaFileName, file, error);
        return false;
    }
    ReadCriteriaItems(*text, criteria());
    return true;
}

QStringList CriteriaFileItems(const QString& source) {
    // Blank lines after the last level would read as one more empty item and
    // zero the next slot's target time; the text ends at its last field.
    QString text = source;
    qsizetype end = text.size();
    while (end > 0 && (text[end - 1] == u'\r' || text[end - 1] == u'\n' || text[end - 1] == u' ' ||
                       text[end - 1] == u'\t'))
        --end;
    text.truncate(end);
    if (!text.isEmpty()) text.append(QStringLiteral("\r\n"));
    return common::ReadAllItems(text);
}

void ReadCriteriaItems(const QString& source, CriteriaTable& table) {
    const QStringList items = CriteriaFileItems(source);
    int slot = 0;
    int field = 0;
    int slotsRead = 0;
    int itemsRead = 0;
    for (const QString& item : items) {
        if (slot >= kSlots) break;
        StoreItem(table.Rows[slot], field, item);
        slotsRead = slot + 1;
        ++itemsRead;
        if (++field == kItemsPerSlot) {
            field = 0;
            ++slot;
        }
    }
    // Items beyond slot 35 have no level to go to and are ignored.
    table.SlotsRead = slotsRead;
    table.ItemsRead = itemsRead;
}

QStringList CriteriaFaults(const CriteriaTable& table, int levelCount) {
    QStringList faults;
    const int last = std::min(levelCount, kSlots - 1);
    const int complete = table.ItemsRead / kItemsPerSlot - 1;  // levels with all their items
    if (complete < last)
        faults << QStringLiteral("レベル %1 から先の項目が足りません（%2 項目しかありません）。")
                      .arg(std::max(complete, 0) + 1)
                      .arg(table.ItemsRead);
    for (int level = 1; level <= std::min(last, complete); ++level) {
        const CriteriaRow& r = table.Rows[level];
        if (r.TargetTime <= 0)
            faults << QStringLiteral("レベル %1 の目標タイムが %2 です。").arg(level).arg(r.TargetTime);
        if (r.MinimumTime <= 0)
            faults << QStringLiteral("レベル %1 の最低タイムが %2 です。").arg(level).arg(r.MinimumTime);
    }
    return faults;
}

QString CriteriaFileText(const CriteriaTable& table, int levelCount) {
    QString out = CriteriaHeaderTexts().join(u',') + QStringLiteral("\r\n");
    const int last = std::min(levelCount, kSlots - 1);
    for (int level = 1; level <= last; ++level) {
        const CriteriaRow& r = table.Rows[level];
        const QStringList fields = {
            QString::number(r.TargetTime), QString::number(r.MinimumTime),
            QString::number(r.ClearPoints), QString::number(r.ClearCount),
            common::SingleText(r.PointMultiplier), GeneralField(r.TooMuchCount),
            GeneralField(r.TooMuchPoints), GeneralField(r.JudgementDays),
            GeneralField(r.TooMuchDays), GeneralField(r.Spare10),
            GeneralField(r.Spare11), GeneralField(r.Spare12)};
        out += fields.join(u',') + QStringLiteral("\r\n");
    }
    return out;
}

bool SaveCriteria(const CriteriaTable& table, int levelCount, QString& errorMessage,
                  const QString& path) {
    return WriteCriteriaFile(CriteriaFileText(table, levelCount), errorMessage, path);
}

int BasePoints(long long t, int level) {
    if (!ValidLevel(level)) return 0;
    return CurvePoints(t, t, criteria()[level].TargetTime);
}

int RunPoints(long long t, int level) {
    if (!ValidLevel(level)) return 0;
    return MultipliedPoints(BasePoints(t, level), criteria()[level].PointMultiplier);
}

int StoredBasePoints(long long t, int level) {
    if (!ValidLevel(level)) return 0;
    return CurvePoints(t, FirstThreeCharacters(t), criteria()[level].TargetTime);
}

int StoredRunPoints(long long t, int level) {
    if (!ValidLevel(level)) return 0;
    return MultipliedPoints(StoredBasePoints(t, level), criteria()[level].PointMultiplier);
}

bool LevelCleared(int pupil, int level) {
    if (!ValidLevel(level) || pupil < 0 || pupil >= kPupilSlots) return false;
    const PupilLevelStats& s = stats().At(level, pupil);
    const CriteriaRow& c = criteria()[level];
    return s.PeriodPoints >= c.ClearPoints && s.PeriodRuns >= c.ClearCount;
}

bool TooMuchReached(int pupil, int level) {
    if (!ValidLevel(level) || pupil < 0 || pupil >= kPupilSlots) return false;
    const PupilLevelStats& s = stats().At(level, pupil);
    const CriteriaRow& c = criteria()[level];
    const double count = c.TooMuchCount.Value();
    const double points = c.TooMuchPoints.Value();
    return (count != 0 && s.TooMuchRuns >= count) ||
           (points != 0 && s.TooMuchPointsEarned >= points);
}

}  // namespace results
