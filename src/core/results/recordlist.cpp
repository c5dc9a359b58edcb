#include "core/results/recordlist.h"

#include "core/common/numbers.h"
#include "core/common/strings.h"
#include "core/results/resultsfile.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace results {
namespace {

constexpr int kLastPupil = 5000;
constexpr std::int32_t kLargestResult = 99999;

bool IsPupilNumber(long long n) { return n >= 0 && n <= kLastPupil; }

// A typed number as the change writes it: rounded to a whole number, halves
// to even, and kept only when that lies in first … last. Text that is no
// number, or a value far out of range, is not rounded at all (-1).
long long RoundedInRange(const QString& text, long long first, long long last) {
    const double value = common::IsNumber(text) ? common::LeadingNumber(text) : -1;
    if (!(value >= first - 0.5 && value <= last + 0.5)) return -1;
    const long long rounded = common::RoundHalfEven(value);
    return rounded >= first && rounded <= last ? rounded : -1;
}

}  // namespace

PupilTables BuildPupilTables(const std::vector<PupilChoice>& roster) {
    PupilTables t;
    for (const PupilChoice& p : roster) {
        if (!IsPupilNumber(p.Number)) continue;
        t.Name[p.Number] = p.Name;
        t.GradeLabel[p.Number] = p.GradeLabel;
        t.Choices << PupilChoiceText(p.Number, p.Name);
    }
    return t;
}

QString PupilChoiceText(int number, const QString& name) {
    return common::Dec(number) + QStringLiteral(" /  ") + name;
}

QString RecordCountText(qint64 fileBytes) {
    // A plain number for whole records; otherwise the fraction, with the
    // fifteen significant digits the platform writes a double with.
    return QStringLiteral("総レコード数:") +
           QString::number(static_cast<double>(fileBytes) / kRecordSize, 'g', 15);
}

int RecordNumberWidth(qint64 records) {
    return std::max<int>(4, static_cast<int>(common::Dec(records).size()));
}

namespace {

// The line of one record with its date already written: the list writes the
// same day's date for many records in a row, and writes it once for them.
QString RecordLineWithDate(qint64 number, int numberWidth, const char* record, const LogEntry& e,
                           const QString& dateText, const PupilTables& tables, const QByteArray& schoolCode,
                           const QString& schoolName) {
    const bool known = IsPupilNumber(e.PupilNumber);
    const bool ownSchool = std::memcmp(record + 24, schoolCode.constData(), 5) == 0;
    const QChar ideographic = common::kIdeographicSpace;
    common::DecimalBuffer digits;
    QString line;
    line.reserve(80);
    common::AppendRightPadded(line, common::DecimalDigits(number, digits), numberWidth, numberWidth);
    line += u' ';
    line += dateText;
    line += ideographic;
    common::AppendRightPadded(line, DateValueText(e.RecordTime), 2, 9);
    line += QStringLiteral("ﾚﾍﾞﾙ");
    line += common::DecimalDigits(e.Level, digits);
    line += ideographic;
    common::AppendRightPadded(line, common::DecimalDigits(e.Result, digits), 4, 5);
    line += QStringLiteral("秒 ");
    line += ideographic;
    common::AppendRightPadded(line, common::DecimalDigits(e.PupilNumber, digits), 4, 4);
    line += u' ';
    // The name and five ideographic spaces, cut to six characters.
    const QString& name = known ? tables.Name[e.PupilNumber] : QString();
    line += QStringView(name).left(6);
    for (qsizetype i = std::max<qsizetype>(name.size(), 1); i < 6; ++i) line += ideographic;
    line += u' ';
    if (known) line += tables.GradeLabel[e.PupilNumber];
    line += QStringLiteral("++");
    line += ownSchool ? schoolName : QStringLiteral("他塾");
    return line;
}

}  // namespace

QString RecordListLine(qint64 number, int numberWidth, const char* record, const PupilTables& tables,
                       const QByteArray& schoolCode, const QString& schoolName) {
    const LogEntry e = DecodeEntry(record);
    return RecordLineWithDate(number, numberWidth, record, e, DateValueText(e.RecordDate), tables, schoolCode,
                              schoolName);
}

RecordList BuildRecordList(QByteArrayView fileBytes, const PupilTables& tables, const QString& schoolCode,
                           const QString& schoolName) {
    RecordList list;
    list.CountText = RecordCountText(fileBytes.size());
    const qint64 records = fileBytes.size() / kRecordSize;
    const int width = list.NumberWidth = RecordNumberWidth(records);
    const QByteArray code = FiveByteText(schoolCode);
    list.Lines.reserve(static_cast<size_t>(records));
    bool haveDate = false;
    double lastDate = 0;
    QString dateText;
    const char* p = fileBytes.data();
    for (qint64 r = 1; r <= records; ++r, p += kRecordSize) {
        // Level 0 marks no run: such records stay unlisted.
        if (qFromLittleEndian<std::int16_t>(p + 18) == 0) continue;
        const LogEntry e = DecodeEntry(p);
        // Compared bit for bit: the same bits give the same text, NaN too.
        if (!haveDate || std::memcmp(&e.RecordDate, &lastDate, sizeof lastDate) != 0) {
            haveDate = true;
            lastDate = e.RecordDate;
            dateText = DateValueText(e.RecordDate);
        }
        list.Lines.push_back({r, RecordLineWithDate(r, width, p, e, dateText, tables, code, schoolName)});
    }
    return list;
}

ChangeInput CheckChange(const QString& resultText, const QString& pupilText) {
    ChangeInput in;
    // Both values are rounded as the change rounds them ("61.5" is written
    // as 62, "62.5" as 62); a result with a fraction is no mistake.
    const long long result = RoundedInRange(resultText, 0, kLargestResult);
    if (result < 0) {
        in.Problem = QStringLiteral("結果の秒数は 0 から 99999 までの整数で入れてください。");
        return in;
    }
    // The choice reads as the number before its first "/".
    const long long pupil = RoundedInRange(pupilText.section(u'/', 0, 0), 0, kLastPupil);
    if (!IsPupilNumber(pupil)) {
        in.Problem = QStringLiteral("生徒は 0 から 5000 までの番号で選んでください。");
        return in;
    }
    in.Result = static_cast<std::int32_t>(result);
    in.Pupil = static_cast<std::int16_t>(pupil);
    return in;
}

QString RecordsChangedMessage() {
    return QStringLiteral("成績データがほかのコンピュータで変更されています。一覧を読み直しました。"
                          "もう一度選んでください。");
}

QString WriteFailedMessage(const QString& failureText) {
    return QStringLiteral("成績データを書き換えられませんでした。記録は変わっていません。\n") + failureText;
}

QString NotFlushedMessage(const QString& failureText) {
    return QStringLiteral("成績データは書き換えましたが、ディスクに書き込まれていないかもしれません。\n") + failureText;
}

QString ReadFailedMessage(const QString& failureText) {
    return QStringLiteral("成績データを読めませんでした。\n") + failureText;
}

}  // namespace results
