#include "core/views/resultsexport.h"

#include "core/common/csv.h"
#include "core/common/dates.h"
#include "core/common/strings.h"
#include "core/common/textfile.h"
#include "core/results/criteria.h"
#include "core/results/filecheck.h"
#include "core/results/recordlist.h"
#include "core/results/resultsfile.h"

namespace views {

bool DateRange::Contains(double recordDate) const {
    if (From.isNull() && To.isNull()) return true;
    // A value that is no date lies in no range.
    if (!results::IsPossibleDate(recordDate)) return false;
    if (!From.isNull() && recordDate < common::DateValue(From)) return false;
    if (!To.isNull() && recordDate > common::DateValue(To)) return false;
    return true;
}

const QStringList& ExportColumns() {
    static const QStringList columns{
        QStringLiteral("日付"),     QStringLiteral("時刻"),   QStringLiteral("生徒番号"),
        QStringLiteral("氏名"),     QStringLiteral("学年"),   QStringLiteral("レベル"),
        QStringLiteral("レベル名"), QStringLiteral("タイム（秒）"), QStringLiteral("ポイント"),
        QStringLiteral("教室コード")};
    return columns;
}

QByteArray ResultsCsv(QByteArrayView resultsBytes, const ExportSchool& school, const DateRange& range,
                      long long* rows) {
    // Names and grade labels by pupil number, as records maintenance keeps them.
    const results::PupilTables tables =
        results::BuildPupilTables(menus::PupilChoicesOf(school.Roster, school.SchoolYear));
    const std::vector<QString>& names = tables.Name;
    const std::vector<QString>& labels = tables.GradeLabel;

    QString text = common::CsvRow(ExportColumns());
    long long written = 0;
    const qsizetype records = resultsBytes.size() / results::kRecordSize;
    for (qsizetype k = 0; k < records; ++k) {
        const results::CumulativeRecord r =
            results::DecodeRecord(resultsBytes.data() + k * results::kRecordSize);
        if (!range.Contains(r.RecordDate)) continue;
        const bool known = r.PupilNumber >= 0 && r.PupilNumber <= menus::kMaxPupilNumber;
        const bool named = r.Level >= 0 && r.Level < static_cast<int>(school.LevelNames.size());
        const QStringList fields{
            results::IsPossibleDate(r.RecordDate)
                ? common::DateFromValue(r.RecordDate).toString(QStringLiteral("yyyy-MM-dd"))
                : QString(),
            results::IsPossibleTimeOfDay(r.RecordTime)
                ? common::TimeFromValue(r.RecordTime).toString(QStringLiteral("HH:mm:ss"))
                : QString(),
            QString::number(r.PupilNumber),
            known ? names[r.PupilNumber] : QString(),
            known ? labels[r.PupilNumber] : QString(),
            QString::number(r.Level),
            named ? school.LevelNames[size_t(r.Level)] : QString(),
            r.Result == results::kNoResult ? QString() : QString::number(r.Result),
            // The points of one run in the listings: base points, no multiplier.
            QString::number(results::BasePoints(r.Result, r.Level)),
            common::TrimSpaces(common::FromShiftJis(r.SchoolCodeText)),
        };
        text += common::CsvRow(fields);
        ++written;
    }
    if (rows) *rows = written;
    return common::CsvFileBytes(text);
}

}  // namespace views
