#include "core/menus/rostercsv.h"

#include "core/common/csv.h"
#include "core/common/strings.h"
#include "core/common/textfile.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <map>
#include <optional>

namespace menus {
namespace {

enum Column { Number, Name, BirthYear, ListingFlag, Extra1, Extra2, ExtraText1, ExtraText2, kColumnCount };

struct ColumnInfo {
    const char16_t* header;  // as the export writes it
    const char16_t* english;
    bool required;
};

constexpr std::array<ColumnInfo, kColumnCount> kColumns = {{
    {u"番号", u"number", true},
    {u"名前", u"name", true},
    {u"生まれ年度", u"birth year", true},
    {u"表示区分", u"listing flag", true},
    {u"予備の数1", u"extra number 1", false},
    {u"予備の数2", u"extra number 2", false},
    {u"予備の文字1", u"extra text 1", false},
    {u"予備の文字2", u"extra text 2", false},
}};

QString HeaderOf(int column) { return QString::fromUtf16(kColumns[size_t(column)].header); }

// A header cell's column, or -1.
int ColumnOf(const QString& cell) {
    const QString text = common::TrimSpaces(cell);
    for (int c = 0; c < kColumnCount; ++c)
        if (text == HeaderOf(c) || text.compare(QString::fromUtf16(kColumns[size_t(c)].english),
                                                Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

// The text of a CSV file: UTF-8 with a byte-order mark, UTF-8 that decodes
// cleanly, or else Shift-JIS, which then must decode cleanly itself.
std::optional<QString> Decode(const QByteArray& bytes, QString& encoding) {
    static const QByteArray kBom("\xEF\xBB\xBF");
    const bool bom = bytes.startsWith(kBom);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bom ? bytes.mid(kBom.size()) : bytes);
    if (!utf8.hasError()) {
        encoding = bom ? QStringLiteral("UTF-8（BOM 付き）") : QStringLiteral("UTF-8");
        return text;
    }
    if (bom) return std::nullopt;
    text = common::FromShiftJis(bytes);
    if (text.contains(QChar::ReplacementCharacter)) return std::nullopt;
    encoding = QStringLiteral("Shift-JIS");
    return text;
}

// The first character of text that Shift-JIS cannot hold, if any.
std::optional<QString> NotInShiftJis(const QString& text) {
    if (common::FromShiftJis(common::ToShiftJis(text)) == text) return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString c = text.mid(i, n);
        if (common::FromShiftJis(common::ToShiftJis(c)) != c) return c;
        i += n - 1;
    }
    return text.left(1);
}

class RowChecker {
public:
    RowChecker(int line, QStringList& errors) : line_(line), errors_(errors) {}

    // A whole number the roster's reader takes as a 16-bit value inside
    // [low, high]; what it must be is told otherwise.
    std::optional<std::int16_t> Whole(const QString& cell, int column, bool emptyIsZero, int low = -32768,
                                      int high = 32767) {
        static const QRegularExpression kInteger(QStringLiteral("^-?[0-9]+$"));
        const QString text = cell.trimmed();
        if (text.isEmpty() && emptyIsZero) return 0;
        auto value = kInteger.match(text).hasMatch() ? RosterNumberField(text) : std::nullopt;
        if (value && (*value < low || *value > high)) value.reset();
        if (!value) Fault(column, text, QStringLiteral("は %1～%2 の整数でなければなりません。").arg(low).arg(high));
        return value;
    }

    // A text the roster can hold as the program reads it.
    std::optional<QString> Text(const QString& cell, int column, bool required) {
        const QString text = common::TrimSpaces(cell);
        if (text.isEmpty() && required) {
            errors_ << QStringLiteral("%1行目：%2が空です。").arg(line_).arg(HeaderOf(column));
            return std::nullopt;
        }
        if (text.contains(u'"') || text.contains(u'\r') || text.contains(u'\n')) {
            Fault(column, text, QStringLiteral("にダブルクォーテーション（\"）や改行は使えません。"));
            return std::nullopt;
        }
        if (const auto c = NotInShiftJis(text)) {
            Fault(column, text, QStringLiteral("に Shift-JIS にない文字「%1」があります。").arg(*c));
            return std::nullopt;
        }
        if (text.size() > kRosterNameLength) {
            Fault(column, text,
                  QStringLiteral("は %1 文字です。プログラムは %2 文字までしか持てません。")
                      .arg(text.size())
                      .arg(kRosterNameLength));
            return std::nullopt;
        }
        return text;
    }

    void Fault(int column, const QString& value, const QString& what) {
        errors_ << QStringLiteral("%1行目：%2「%3」%4").arg(line_).arg(HeaderOf(column), value, what);
    }

private:
    int line_;
    QStringList& errors_;
};

// One checked row, as it goes into the roster.
struct Row {
    int Line = 0;
    std::int16_t Number = 0;
    std::int16_t BirthYear = 0;
    std::int16_t ExtraNumber1 = 0;
    std::int16_t ExtraNumber2 = 0;
    QString Name;
    std::int16_t ListingFlag = 0;
    QString ExtraText1;
    QString ExtraText2;
};

std::optional<Row> CheckRow(const common::CsvRecord& record, const std::array<int, kColumnCount>& at,
                            QStringList& errors) {
    const auto cell = [&](int column) {
        return at[size_t(column)] < 0 ? QString() : record.Fields.value(at[size_t(column)]);
    };
    RowChecker check(record.Line, errors);
    const qsizetype before = errors.size();
    Row row;
    row.Line = record.Line;
    if (const auto n = check.Whole(cell(Number), Number, false, 1, kMaxPupilNumber)) row.Number = *n;
    if (const auto name = check.Text(cell(Name), Name, true)) row.Name = *name;
    static const QRegularExpression kYear(QStringLiteral("^[0-9]{4}$"));
    const QString year = cell(BirthYear).trimmed();
    if (!kYear.match(year).hasMatch())
        check.Fault(BirthYear, year, QStringLiteral("は西暦 4 けたの数でなければなりません。"));
    else
        row.BirthYear = *RosterNumberField(year);
    if (const auto f = check.Whole(cell(ListingFlag), ListingFlag, true)) row.ListingFlag = *f;
    if (const auto v = check.Whole(cell(Extra1), Extra1, true)) row.ExtraNumber1 = *v;
    if (const auto v = check.Whole(cell(Extra2), Extra2, true)) row.ExtraNumber2 = *v;
    if (const auto t = check.Text(cell(ExtraText1), ExtraText1, false)) row.ExtraText1 = *t;
    if (const auto t = check.Text(cell(ExtraText2), ExtraText2, false)) row.ExtraText2 = *t;
    // Cells under no heading: a spreadsheet may leave empty ones.
    for (qsizetype i = 0; i < record.Fields.size(); ++i) {
        const bool isNamed = std::find(at.begin(), at.end(), int(i)) != at.end();
        if (!isNamed && !record.Fields[i].trimmed().isEmpty())
            errors << QStringLiteral("%1行目：%2列目に見出しのない値「%3」があります。")
                          .arg(record.Line)
                          .arg(i + 1)
                          .arg(record.Fields[i].trimmed());
    }
    if (errors.size() != before) return std::nullopt;
    return row;
}

// The entry the program keeps for a row: texts padded to 20 characters.
bool SameEntry(const PupilEntry& e, const Row& r) {
    const auto held = [](const QString& s) { return s + QString(kRosterNameLength - s.size(), u' '); };
    return e.Number == r.Number && e.BirthYear == r.BirthYear && e.ExtraNumber1 == r.ExtraNumber1 &&
           e.ExtraNumber2 == r.ExtraNumber2 && e.Name == held(r.Name) && e.ListingFlag == r.ListingFlag &&
           e.ExtraText1 == held(r.ExtraText1) && e.ExtraText2 == held(r.ExtraText2);
}

bool IsEmptyRow(const common::CsvRecord& record) {
    for (const QString& f : record.Fields)
        if (!common::TrimSpaces(f).isEmpty()) return false;
    return true;
}

}  // namespace

RosterImport RosterFromCsv(const QByteArray& csv) {
    RosterImport result;
    const QString kEmpty = QStringLiteral("ファイルが空です。見出しの行（%1、%2、%3、%4）と生徒の行が要ります。")
                               .arg(HeaderOf(Number), HeaderOf(Name), HeaderOf(BirthYear), HeaderOf(ListingFlag));
    if (csv.isEmpty() || csv == QByteArray("\xEF\xBB\xBF")) {
        result.Errors << kEmpty;
        return result;
    }
    const auto text = Decode(csv, result.Encoding);
    if (!text) {
        result.Errors << QStringLiteral("文字コードが読めません。UTF-8 か Shift-JIS の CSV ファイルにしてください。");
        return result;
    }
    std::vector<common::CsvRecord> records;
    int faultLine = 0;
    if (!common::ReadCsv(*text, records, faultLine)) {
        result.Errors << QStringLiteral("%1行目：ダブルクォーテーション（\"）の囲みが閉じていません。").arg(faultLine);
        return result;
    }
    std::erase_if(records, IsEmptyRow);
    if (records.empty()) {
        result.Errors << kEmpty;
        return result;
    }

    // The header row: which field holds which column.
    const common::CsvRecord& header = records.front();
    std::array<int, kColumnCount> at;
    at.fill(-1);
    for (qsizetype i = 0; i < header.Fields.size(); ++i) {
        const QString cell = common::TrimSpaces(header.Fields[i]);
        if (cell.isEmpty()) continue;
        const int column = ColumnOf(cell);
        if (column < 0) {
            result.Errors << QStringLiteral("%1行目：知らない見出し「%2」があります（%3列目）。")
                                 .arg(header.Line)
                                 .arg(cell)
                                 .arg(i + 1);
        } else if (at[size_t(column)] >= 0) {
            result.Errors << QStringLiteral("%1行目：見出し「%2」が二つあります。").arg(header.Line).arg(cell);
        } else {
            at[size_t(column)] = int(i);
        }
    }
    QStringList missing;
    for (int c = 0; c < kColumnCount; ++c)
        if (kColumns[size_t(c)].required && at[size_t(c)] < 0) missing << HeaderOf(c);
    if (!missing.isEmpty())
        result.Errors << QStringLiteral("%1行目：見出しに %2 の列がありません。").arg(header.Line).arg(missing.join(u'、'));
    if (!result.Errors.isEmpty()) return result;
    if (records.size() == 1) {
        result.Errors << QStringLiteral("見出しの行のほかに生徒の行がありません。");
        return result;
    }

    std::vector<Row> rows;
    std::map<int, int> lineOfNumber;
    for (size_t i = 1; i < records.size(); ++i) {
        const auto row = CheckRow(records[i], at, result.Errors);
        if (!row) continue;
        const auto [where, fresh] = lineOfNumber.emplace(row->Number, row->Line);
        if (!fresh) {
            result.Errors << QStringLiteral("%1行目：番号 %2 は %3行目にもあります。")
                                 .arg(row->Line)
                                 .arg(row->Number)
                                 .arg(where->second);
            continue;
        }
        rows.push_back(*row);
    }
    if (!result.Errors.isEmpty()) return result;

    // The roster as the program's writer of delimited records writes it, then
    // read back by the program's own reader: what a PC will read is exactly
    // what the file held.
    std::vector<PupilEntry> entries;
    for (const Row& r : rows)
        entries.push_back({r.Number, r.BirthYear, r.ExtraNumber1, r.ExtraNumber2, r.Name, r.ListingFlag,
                           r.ExtraText1, r.ExtraText2});
    const QByteArray bytes = common::ToShiftJis(RosterFileText(entries));
    const ParsedRoster read = ParseRoster(common::FromShiftJis(bytes));
    bool same = read.faults.isEmpty() && !read.cutShort && read.entries.size() == rows.size();
    for (size_t i = 0; same && i < rows.size(); ++i) {
        if (SameEntry(read.entries[i], rows[i])) continue;
        result.Errors << QStringLiteral("%1行目：名簿に書くと、読み直したときに違う内容になります。").arg(rows[i].Line);
        same = false;
    }
    if (!same) {
        if (result.Errors.isEmpty())
            result.Errors << QStringLiteral("名簿に書くと、読み直したときに違う内容になります。");
        return result;
    }
    result.RosterBytes = bytes;
    result.Entries = read.entries;

    const bool teacher = std::any_of(rows.begin(), rows.end(), [](const Row& r) { return r.Name == u"先生"; });
    if (!teacher)
        result.Warnings << QStringLiteral("名前が「先生」の行がありません。レベル選択画面の「データ処理」を使える人がいなくなります。");
    return result;
}

QByteArray RosterCsv(const std::vector<PupilEntry>& entries) {
    QStringList header;
    for (int c = 0; c < kColumnCount; ++c) header << HeaderOf(c);
    QString text = common::CsvRow(header);
    // The roster holds texts at 20 characters, padded with blanks on the right.
    const auto unpadded = [](QString s) {
        while (s.endsWith(u' ')) s.chop(1);
        return s;
    };
    for (const PupilEntry& e : entries)
        text += common::CsvRow({QString::number(e.Number), unpadded(e.Name), QString::number(e.BirthYear),
                                QString::number(e.ListingFlag), QString::number(e.ExtraNumber1),
                                QString::number(e.ExtraNumber2), unpadded(e.ExtraText1), unpadded(e.ExtraText2)});
    return common::CsvFileBytes(text);
}

}  // namespace menus
