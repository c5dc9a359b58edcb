#include "core/menus/roster.h"

#include "core/common/collation.h"
#include "core/common/numbers.h"
#include "core/common/platform.h"
#include "core/common/sharedstate.h"
#include "core/common/strings.h"
#include "core/common/textfile.h"
#include "core/startup/configuration.h"
#include "core/common/runstate.h"

#include <algorithm>
#include <array>
#include <limits>

namespace menus {
namespace {

// The last read of the roster: its path, its bytes and their entries.
struct RosterRead {
    QString path;
    QByteArray bytes;
    ParsedRoster parsed;
};

// The roster tables, and what the roster reads keep between them: the last
// read (the same bytes give the same entries) and the last fault reported, so
// that one fault is reported once and not on every build of the name list (a
// screen builds it twice as it opens); a clean read forgets it.
struct RosterState {
    Roster Tables;
    RosterRead LastRead;
    QString LastReport;
};

RosterState& State() {
    static RosterState& state = common::MakeShared<RosterState>();
    return state;
}

void Report(const QString& what, const QString& path, const common::Tell& tell) {
    const QString text = what + QStringLiteral("\n") + path;
    if (text == State().LastReport) return;
    State().LastReport = text;
    if (tell) tell(text);
}

// A text field held at exactly 20 characters. The empty fields, most of the
// extra texts, share one blank text instead of each making its own.
QString Fixed20(const QString& s) {
    static const QString kBlanks(kRosterNameLength, u' ');
    if (s.isEmpty()) return kBlanks;
    if (s.size() >= kRosterNameLength) return s.left(kRosterNameLength);
    QString held;
    held.reserve(kRosterNameLength);
    held.append(s).append(QStringView(kBlanks).left(kRosterNameLength - s.size()));
    return held;
}

// A numeric field as a 16-bit value (a fraction rounds half to even); nothing
// when it holds anything but a number or does not fit. An empty field reads
// as 0. Plain digits, nearly every field, are read directly: a large roster
// is read on every build of the name list.
std::optional<std::int16_t> Int16Field(const QString& item) {
    constexpr int kMin = std::numeric_limits<std::int16_t>::min();
    constexpr int kMax = std::numeric_limits<std::int16_t>::max();
    const qsizetype n = item.size();
    if (n == 0) return 0;
    if (n <= 6) {
        qsizetype i = item[0] == u'-' ? 1 : 0;
        int v = 0;
        for (; i < n && item[i] >= u'0' && item[i] <= u'9'; ++i) v = v * 10 + (item[i].unicode() - u'0');
        if (i == n && n > (item[0] == u'-' ? 1 : 0)) {
            if (item[0] == u'-') v = -v;
            if (v < kMin || v > kMax) return std::nullopt;
            return static_cast<std::int16_t>(v);
        }
    }
    if (!common::IsNumber(item)) return std::nullopt;
    const double v = common::LeadingNumber(item);
    if (!(v > kMin - 0.5 && v < kMax + 0.5)) return std::nullopt;
    return static_cast<std::int16_t>(common::RoundHalfEven(v));
}

// Line of the text at a position: 1 + the line ends before it.
class LineCounter {
public:
    explicit LineCounter(const QString& text) : text_(text) {}
    int LineAt(qsizetype pos) {
        for (; at_ < pos && at_ < text_.size(); ++at_) {
            const QChar c = text_[at_];
            if (c == u'\n' || (c == u'\r' && (at_ + 1 >= text_.size() || text_[at_ + 1] != u'\n'))) ++line_;
        }
        return line_;
    }

private:
    const QString& text_;
    qsizetype at_ = 0;
    int line_ = 1;
};

// Line ends, blanks and an old end-of-file mark after the last entry are not
// an entry of their own. One character after a final comma stays, so that an
// empty last field is still read as a field.
QString WithoutTrailingBlankLines(const QString& text) {
    auto trailing = [](QChar c) {
        return c == u'\r' || c == u'\n' || c == u' ' || c == u'\t' || c == QChar(0x1A);
    };
    qsizetype end = text.size();
    while (end > 0 && trailing(text[end - 1])) --end;
    if (end > 0 && end < text.size() && text[end - 1] == u',') ++end;
    return text.left(end);
}

}  // namespace

std::optional<std::int16_t> RosterNumberField(const QString& item) { return Int16Field(item); }

ParsedRoster ParseRoster(const QString& source) {
    ParsedRoster parsed;
    const QString text = WithoutTrailingBlankLines(source);
    common::ItemReader reader(text);
    LineCounter lines(text);
    std::array<QString, kRosterFieldCount> items;
    int position = 0;
    while (!reader.AtEnd()) {
        const int line = lines.LineAt(reader.Position());
        ++position;
        int count = 0;
        while (count < kRosterFieldCount) {
            auto item = reader.Next();
            if (!item) break;
            items[size_t(count++)] = std::move(*item);
        }
        if (count < kRosterFieldCount) {
            parsed.cutShort = true;
            parsed.cutShortAt = position;
            break;
        }
        // The numbers a pupil is known by: an entry whose number, birth year
        // or listing flag is no usable number is left out with a word, never
        // listed under a number its runs would not count for (0 marks a
        // deleted result). The two extra numbers are read by nothing.
        const auto number = Int16Field(items[0]);
        const auto birthYear = Int16Field(items[1]);
        const auto flag = Int16Field(items[5]);
        const auto fault = [&](const QString& field, const QString& value) {
            parsed.faults << QStringLiteral("%1行目：%2「%3」").arg(line).arg(field, value);
        };
        if (!number || *number < 1 || *number > kMaxPupilNumber) {
            fault(QStringLiteral("番号"), items[0]);
            continue;
        }
        if (!birthYear) {
            fault(QStringLiteral("生まれ年度"), items[1]);
            continue;
        }
        if (!flag) {
            fault(QStringLiteral("表示区分"), items[5]);
            continue;
        }
        PupilEntry e;
        e.Number = *number;
        e.BirthYear = *birthYear;
        e.ExtraNumber1 = Int16Field(items[2]).value_or(0);
        e.ExtraNumber2 = Int16Field(items[3]).value_or(0);
        e.Name = Fixed20(items[4]);
        e.ListingFlag = *flag;
        e.ExtraText1 = Fixed20(items[6]);
        e.ExtraText2 = Fixed20(items[7]);
        parsed.entries.push_back(std::move(e));
    }
    return parsed;
}

namespace {

// Every complete entry of the roster whose numbers fit, in file order. The
// faults of the file itself are reported here, to `tell`, on every read. The file is
// read whole each time; when its bytes are those of the last read, that
// read's entries serve again (the same bytes give the same entries), which
// spares a large school the parse on every build of the name list.
const std::vector<PupilEntry>& ReadRosterEntries(const common::Tell& tell) {
    static const std::vector<PupilEntry> kNone;
    RosterRead& read = State().LastRead;
    QString& lastPath = read.path;
    QByteArray& lastBytes = read.bytes;
    ParsedRoster& last = read.parsed;

    const QString path = RosterPath();
    QString error;
    const auto bytes = common::ReadFileBytes(path, &error);
    if (!bytes) {
        Report(QStringLiteral("名簿ファイルが読めません。"), path, tell);
        return kNone;
    }
    if (lastBytes.isNull() || path != lastPath || *bytes != lastBytes) {
        last = ParseRoster(common::FromShiftJis(*bytes));
        lastPath = path;
        lastBytes = *bytes;
        if (lastBytes.isNull()) lastBytes = QByteArray("");  // an empty file is a read too
    }
    QStringList what;
    if (!last.faults.isEmpty()) {
        constexpr int kShown = 10;
        what << QStringLiteral("名簿ファイルの次の行は、数の欄が正しくないので名前の一覧に出しません。");
        what << last.faults.mid(0, kShown);
        if (last.faults.size() > kShown)
            what << QStringLiteral("ほか %1 行").arg(last.faults.size() - kShown);
    }
    if (last.cutShort) what << QStringLiteral("名簿ファイルが途中で終わっています。");
    if (what.isEmpty())
        State().LastReport.clear();
    else
        Report(what.join(u'\n'), path, tell);
    return last.entries;
}

// The by-number tables of one entry; the grade label only where the grade has one.
void StoreByNumber(const PupilEntry& e, const QString& name) {
    Roster& r = roster();
    r.PupilName[e.Number] = name;
    r.PupilBirthYear[e.Number] = e.BirthYear;
    if (auto label = GradeLabel(GradeNumber(e.BirthYear))) r.PupilGradeLabel[e.Number] = *label;
}

}  // namespace

Roster& roster() { return State().Tables; }

QString& GradeFilterText() {
    static QString& text = common::MakeShared<QString>([] { return QStringLiteral("全学年"); });
    return text;
}

const QStringList& GradeFilterTexts() {
    static const QStringList texts{
        QStringLiteral("全学年"), QStringLiteral("中学生全体"), QStringLiteral("小学生全体"),
        QStringLiteral("中３"),   QStringLiteral("中２"),       QStringLiteral("中１"),
        QStringLiteral("小６"),   QStringLiteral("小５"),       QStringLiteral("小４"),
        QStringLiteral("小３"),   QStringLiteral("小２"),       QStringLiteral("小１")};
    return texts;
}

QString RosterPath() { return common::runState().DataRoot + QStringLiteral("新名簿.txt"); }

QString RosterFileText(const std::vector<PupilEntry>& entries) {
    common::ItemWriter out;
    for (const PupilEntry& e : entries)
        out.Number(static_cast<long long>(e.Number))
            .Number(static_cast<long long>(e.BirthYear))
            .Number(static_cast<long long>(e.ExtraNumber1))
            .Number(static_cast<long long>(e.ExtraNumber2))
            .Text(e.Name)
            .Number(static_cast<long long>(e.ListingFlag))
            .Text(e.ExtraText1)
            .Text(e.ExtraText2)
            .EndLine();
    return out.Result();
}

RosterReading ReadRosterFile(const QString& path) {
    RosterReading reading;
    const auto bytes = common::ReadFileBytes(path, &reading.error);
    if (!bytes) return reading;
    reading.readable = true;
    static_cast<ParsedRoster&>(reading) = ParseRoster(common::FromShiftJis(*bytes));
    return reading;
}

std::vector<PupilEntry> LoadRoster(const common::Tell& tell) { return StoreRoster(ReadRosterEntries(tell)); }

std::vector<PupilEntry> StoreRoster(const std::vector<PupilEntry>& entries) {
    Roster& r = roster();
    const bool flagTwoListed = startup::commonSettings().ListFlagTwo == 1;
    std::vector<PupilEntry> listed;
    int n = 0;
    for (const PupilEntry& e : entries) {
        StoreByNumber(e, e.Name);
        const bool isListed = e.ListingFlag == 0 || (e.ListingFlag == 2 && flagTwoListed);
        if (!isListed || n >= kMaxShownPupils) continue;
        r.ShownPupils[++n] = e.Number;
        listed.push_back(e);
        listed.back().ListingFlag = 0;
    }
    r.ShownPupilCount = n;
    return listed;
}

int SchoolYearOf(const QDate& today, int startMonth) {
    return today.month() < startMonth ? today.year() - 1 : today.year();
}

void ComputeSchoolYear() {
    roster().SchoolYear = SchoolYearOf(common::platform().Now().date(),
                                       startup::commonSettings().SchoolYearStartMonth);
}

int GradeNumber(int schoolYear, int birthYear) { return schoolYear - birthYear - 6; }
int GradeNumber(int birthYear) { return GradeNumber(roster().SchoolYear, birthYear); }

// The labels are made once; each use shares them.
std::optional<QString> GradeLabel(int grade) {
    static const std::array<QString, 11> kLabels = {
        QStringLiteral("幼３"), QStringLiteral("小１"), QStringLiteral("小２"), QStringLiteral("小３"),
        QStringLiteral("小４"), QStringLiteral("小５"), QStringLiteral("小６"), QStringLiteral("中１"),
        QStringLiteral("中２"), QStringLiteral("中３"), QStringLiteral("高１")};
    if (grade < 0 || grade > 10) return std::nullopt;
    return kLabels[size_t(grade)];
}

QString ListGradeLabel(int grade) {
    // Grades -3 (and below) .. 13 (and above).
    static const std::array<QString, 17> kLabels = {
        QStringLiteral("幼-"), QStringLiteral("幼1"), QStringLiteral("幼2"), QStringLiteral("幼3"),
        QStringLiteral("小1"), QStringLiteral("小2"), QStringLiteral("小3"), QStringLiteral("小4"),
        QStringLiteral("小5"), QStringLiteral("小6"), QStringLiteral("中1"), QStringLiteral("中2"),
        QStringLiteral("中3"), QStringLiteral("高1"), QStringLiteral("高2"), QStringLiteral("高3"),
        QStringLiteral("大+")};
    return kLabels[size_t(std::clamp(grade, -3, 13) + 3)];
}

QString GradeMark(int grade) {
    // Made once and shared: the listings mark thousands of lines.
    static const std::array<QString, 10> kMarks = {
        QString(common::kIdeographicSpace), QStringLiteral("①"), QStringLiteral("②"), QStringLiteral("③"),
        QStringLiteral("④"),  QStringLiteral("⑤"), QStringLiteral("⑥"), QStringLiteral("Ⅰ"),
        QStringLiteral("Ⅱ"),  QStringLiteral("Ⅲ")};
    return kMarks[grade >= 1 && grade <= 9 ? size_t(grade) : 0];
}

bool PassesGradeFilter(const QString& text, int grade) {
    if (text == QStringLiteral("全学年")) return true;
    if (text == QStringLiteral("小学生全体")) return grade >= 1 && grade <= 6;
    if (text == QStringLiteral("中学生全体")) return grade >= 7 && grade <= 9;
    // "小１".."小６", "中１".."中３": the label of exactly that grade.
    if ((grade >= 1 && grade <= 9) && text.size() == 2) return GradeLabel(grade) == text;
    return false;
}

QStringList LoadPupilPicker(const common::Tell& tell) {
    Roster& r = roster();
    QStringList lines;
    for (const PupilEntry& e : ReadRosterEntries(tell)) {
        StoreByNumber(e, common::TrimSpaces(e.Name));
        // Flag 2 stays off the picker whatever ListFlagTwo says.
        if (e.ListingFlag != 0) continue;
        lines << r.PupilGradeLabel[e.Number] + QStringLiteral(" /  ") + r.PupilName[e.Number] +
                     QStringLiteral("/") + common::Dec(e.Number);
    }
    common::SortAscending(lines);
    return lines;
}

std::vector<results::PupilChoice> PupilChoicesOf(const std::vector<PupilEntry>& entries, int schoolYear) {
    std::vector<results::PupilChoice> choices;
    choices.reserve(entries.size());
    for (const PupilEntry& e : entries)
        choices.push_back({e.Number, common::TrimSpaces(e.Name),
                           GradeLabel(GradeNumber(schoolYear, e.BirthYear)).value_or(QString())});
    return choices;
}

std::vector<results::PupilChoice> RecordsPupilChoices(const common::Tell& tell) {
    ComputeSchoolYear();
    return PupilChoicesOf(ReadRosterEntries(tell), roster().SchoolYear);
}

}  // namespace menus
