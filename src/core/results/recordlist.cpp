#include "core/results/recordlist.h"

#include "core/common/dates.h"
#include "core/common/numbers.h"
#include "core/common/strings.h"
#include "core/results/resultsfile.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

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

// The parts of a line, each appended to `out`: a QString, or a width sum.
template <class Out>
void AppendDate(Out& out, double date) {
    out += QStringView(DateValueText(date));
}

template <class Out>
void AppendTime(Out& out, double time) {
    common::AppendRightPadded(out, DateValueText(time), 2, 9);
}

template <class Out>
void AppendNumber(Out& out, qint64 number, int numberWidth) {
    common::DecimalBuffer digits;
    common::AppendRightPadded(out, common::DecimalDigits(number, digits), numberWidth, numberWidth);
    out += QChar(u' ');
}

template <class Out>
void AppendLevel(Out& out, std::int16_t level) {
    common::DecimalBuffer digits;
    out += QStringView(u"ﾚﾍﾞﾙ");
    out += common::DecimalDigits(level, digits);
    out += common::kIdeographicSpace;
}

template <class Out>
void AppendResult(Out& out, std::int32_t result) {
    common::DecimalBuffer digits;
    common::AppendRightPadded(out, common::DecimalDigits(result, digits), 4, 5);
    out += QStringView(u"秒 ");
    out += common::kIdeographicSpace;
}

template <class Out>
void AppendPupil(Out& out, std::int16_t pupil, const PupilTables& tables) {
    const bool known = IsPupilNumber(pupil);
    const QChar ideographic = common::kIdeographicSpace;
    common::DecimalBuffer digits;
    common::AppendRightPadded(out, common::DecimalDigits(pupil, digits), 4, 4);
    out += QChar(u' ');
    // The name and five ideographic spaces, cut to six characters.
    const QString& name = known ? tables.Name[pupil] : QString();
    out += QStringView(name).left(6);
    for (qsizetype i = std::max<qsizetype>(name.size(), 1); i < 6; ++i) out += ideographic;
    out += QChar(u' ');
    if (known) out += QStringView(tables.GradeLabel[pupil]);
    out += QStringView(u"++");
}

template <class Out>
void AppendClassroom(Out& out, bool ownSchool, const QString& schoolName) {
    out += ownSchool ? QStringView(schoolName) : QStringView(u"他塾");
}

// The line of one record, written into a QString. Its parts come from
// `parts`, which either writes them or adds their widths, each distinct part
// measured once: the layout is here alone.
template <class Out, class Parts>
void WriteRecordLine(Out& out, Parts& parts, qint64 number, int numberWidth, const char* record,
                     const LogEntry& e, const QByteArray& schoolCode) {
    parts.Number(out, number, numberWidth);
    parts.Date(out, e.RecordDate);
    out += common::kIdeographicSpace;
    parts.Time(out, e.RecordTime);
    parts.Level(out, e.Level);
    parts.Result(out, e.Result);
    parts.Pupil(out, e.PupilNumber);
    parts.Classroom(out, std::memcmp(record + 24, schoolCode.constData(), 5) == 0);
}

// Writes every part as it is.
struct WrittenParts {
    const PupilTables& Tables;
    const QString& SchoolName;
    void Number(QString& out, qint64 number, int width) const { AppendNumber(out, number, width); }
    void Date(QString& out, double date) const { AppendDate(out, date); }
    void Time(QString& out, double time) const { AppendTime(out, time); }
    void Level(QString& out, std::int16_t level) const { AppendLevel(out, level); }
    void Result(QString& out, std::int32_t result) const { AppendResult(out, result); }
    void Pupil(QString& out, std::int16_t pupil) const { AppendPupil(out, pupil, Tables); }
    void Classroom(QString& out, bool own) const { AppendClassroom(out, own, SchoolName); }
};

// Measures each distinct part once: a day's date for the records of that
// day in a row, a time of day for every record at that second, a pupil, a
// level, a result for all their records. A line then costs a few lookups
// and its record number.
class MeasuredParts {
public:
    MeasuredParts(common::CharAdvances& advance, const PupilTables& tables, const QString& schoolName)
        : advance_(advance), tables_(tables), schoolName_(schoolName) {}

    void Number(common::WidthSum& out, qint64 number, int width) { AppendNumber(out, number, width); }
    void Date(common::WidthSum& out, double date) {
        // Compared bit for bit: the same bits give the same text, NaN too.
        if (!haveDate_ || std::memcmp(&date, &lastDate_, sizeof date) != 0) {
            haveDate_ = true;
            lastDate_ = date;
            dateWidth_ = Measure([&](common::WidthSum& w) { AppendDate(w, date); });
        }
        out.Width += dateWidth_;
    }
    void Time(common::WidthSum& out, double time) {
        // A time of day alone is written from its second of the day.
        if (std::floor(time) != 0) return AppendTime(out, time);
        Add(out, timeWidths_[std::size_t(common::SecondOfDayFromValue(time))],
            [&](common::WidthSum& w) { AppendTime(w, time); });
    }
    void Level(common::WidthSum& out, std::int16_t level) {
        Add(out, levelWidths_[std::size_t(level - std::numeric_limits<std::int16_t>::min())],
            [&](common::WidthSum& w) { AppendLevel(w, level); });
    }
    void Result(common::WidthSum& out, std::int32_t result) {
        if (result < 0 || result > kLargestResult) return AppendResult(out, result);
        Add(out, resultWidths_[std::size_t(result)], [&](common::WidthSum& w) { AppendResult(w, result); });
    }
    void Pupil(common::WidthSum& out, std::int16_t pupil) {
        if (!IsPupilNumber(pupil)) return AppendPupil(out, pupil, tables_);
        Add(out, pupilWidths_[std::size_t(pupil)], [&](common::WidthSum& w) { AppendPupil(w, pupil, tables_); });
    }
    void Classroom(common::WidthSum& out, bool own) {
        Add(out, classroomWidths_[own ? 1 : 0], [&](common::WidthSum& w) { AppendClassroom(w, own, schoolName_); });
    }

private:
    template <class Write>
    int Measure(Write&& write) {
        common::WidthSum width{advance_};
        write(width);
        return int(width.Width);
    }
    // Adds the width a part was measured at (`known`), measuring it the
    // first time (`known` < 0).
    template <class Write>
    void Add(common::WidthSum& out, int& known, Write&& write) {
        if (known < 0) known = Measure(write);
        out.Width += known;
    }

    common::CharAdvances& advance_;
    const PupilTables& tables_;
    const QString& schoolName_;
    bool haveDate_ = false;
    double lastDate_ = 0;
    long long dateWidth_ = 0;
    std::vector<int> timeWidths_ = std::vector<int>(86400, -1);
    std::vector<int> levelWidths_ = std::vector<int>(65536, -1);
    std::vector<int> resultWidths_ = std::vector<int>(kLargestResult + 1, -1);
    std::vector<int> pupilWidths_ = std::vector<int>(kLastPupil + 1, -1);
    int classroomWidths_[2] = {-1, -1};
};

const PupilTables& NoNames() {
    static const PupilTables none;
    return none;
}

}  // namespace

QString RecordListLine(qint64 number, int numberWidth, const char* record, const PupilTables& tables,
                       const QByteArray& schoolCode, const QString& schoolName) {
    QString line;
    line.reserve(80);
    WrittenParts parts{tables, schoolName};
    WriteRecordLine(line, parts, number, numberWidth, record, DecodeRunFields(record), schoolCode);
    return line;
}

const char* RecordLines::Record(qsizetype line) const {
    return bytes_.data() + (Number(line) - 1) * kRecordSize;
}

QString RecordLines::Line(qsizetype line) const {
    if (line < 0 || line >= size()) return {};
    return RecordListLine(Number(line), numberWidth_, Record(line), *tables_, code_, schoolName_);
}

qsizetype RecordLines::Widest(common::CharAdvances& advance) const {
    MeasuredParts parts(advance, *tables_, schoolName_);
    long long best = -1;
    qsizetype widest = -1;
    for (qsizetype i = 0; i < size(); ++i) {
        const char* record = Record(i);
        common::WidthSum width{advance};
        WriteRecordLine(width, parts, Number(i), numberWidth_, record, DecodeRunFields(record), code_);
        if (width.Width > best) {
            best = width.Width;
            widest = i;
        }
    }
    return widest;
}

RecordLines BuildRecordList(QByteArrayView fileBytes, std::shared_ptr<const PupilTables> tables,
                            const QString& schoolCode, const QString& schoolName, QByteArray storage) {
    RecordLines list;
    list.storage_ = std::move(storage);
    list.bytes_ = fileBytes;
    list.tables_ = tables ? std::move(tables) : std::shared_ptr<const PupilTables>(&NoNames(), [](auto*) {});
    list.code_ = FiveByteText(schoolCode);
    list.schoolName_ = schoolName;
    list.countText_ = RecordCountText(fileBytes.size());
    const qint64 records = fileBytes.size() / kRecordSize;
    list.numberWidth_ = RecordNumberWidth(records);
    list.numbers_.reserve(std::size_t(records));
    const char* p = fileBytes.data();
    for (qint64 r = 1; r <= records; ++r, p += kRecordSize)
        // Level 0 marks no run: such records stay unlisted.
        if (qFromLittleEndian<std::int16_t>(p + 18) != 0) list.numbers_.push_back(int(r));
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
