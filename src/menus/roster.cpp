#include "menus/roster.h"

#include "common/numbers.h"
#include "common/platform.h"
#include "common/strings.h"
#include "common/textfile.h"
#include "startup/configuration.h"
#include "startup/runstate.h"

#include <algorithm>
#include <limits>

namespace menus {
namespace {

const QString kCaution = QStringLiteral("注意");

void Report(const QString& what, const QString& path) {
    common::platform().MessageBox(what + QStringLiteral("\n") + path, kCaution,
                                  common::MessageButtons::Ok);
}

// A text field held at exactly 20 characters.
QString Fixed20(const QString& s) {
    return s.size() >= kRosterNameLength ? s.left(kRosterNameLength)
                                         : s + QString(kRosterNameLength - s.size(), u' ');
}

// A numeric field as a 16-bit value (a fraction rounds half to even); nothing
// when it does not fit.
std::optional<std::int16_t> Int16Field(const QString& item) {
    const double v = common::LeadingNumber(item);
    if (!(v > std::numeric_limits<std::int16_t>::min() - 0.5 &&
          v < std::numeric_limits<std::int16_t>::max() + 0.5))
        return std::nullopt;
    return static_cast<std::int16_t>(common::RoundHalfEven(v));
}

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

// Every complete entry of the roster whose numbers fit, in file order. The
// faults of the file itself are reported here, once per read.
std::vector<PupilEntry> ReadRosterEntries() {
    const QString path = RosterPath();
    std::vector<PupilEntry> entries;
    QString error;
    const auto text = common::ReadShiftJisFile(path, &error);
    if (!text) {
        Report(QStringLiteral("名簿ファイルが読めません。"), path);
        return entries;
    }
    common::ItemReader reader(WithoutTrailingBlankLines(*text));
    while (!reader.AtEnd()) {
        QStringList items;
        while (items.size() < kRosterFieldCount) {
            auto item = reader.Next();
            if (!item) break;
            items << *item;
        }
        if (items.size() < kRosterFieldCount) {
            Report(QStringLiteral("名簿ファイルが途中で終わっています。"), path);
            break;
        }
        const auto number = Int16Field(items[0]);
        const auto birthYear = Int16Field(items[1]);
        const auto extra1 = Int16Field(items[2]);
        const auto extra2 = Int16Field(items[3]);
        const auto flag = Int16Field(items[5]);
        if (!number || !birthYear || !extra1 || !extra2 || !flag) continue;
        if (*number < 0 || *number > kMaxPupilNumber) continue;
        PupilEntry e;
        e.Number = *number;
        e.BirthYear = *birthYear;
        e.ExtraNumber1 = *extra1;
        e.ExtraNumber2 = *extra2;
        e.Name = Fixed20(items[4]);
        e.ListingFlag = *flag;
        e.ExtraText1 = Fixed20(items[6]);
        e.ExtraText2 = Fixed20(items[7]);
        entries.push_back(std::move(e));
    }
    return entries;
}

// The by-number tables of one entry; the grade label only where the grade has one.
void StoreByNumber(const PupilEntry& e, const QString& name) {
    Roster& r = roster();
    r.PupilName[e.Number] = name;
    r.PupilBirthYear[e.Number] = e.BirthYear;
    if (auto label = GradeLabel(GradeNumber(e.BirthYear))) r.PupilGradeLabel[e.Number] = *label;
}

}  // namespace

Roster& roster() {
    static Roster r;
    return r;
}

QString& GradeFilterText() {
    static QString text = QStringLiteral("全学年");
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

QString RosterPath() { return startup::runState().DataRoot + QStringLiteral("新名簿.txt"); }

std::vector<PupilEntry> LoadRoster() {
    Roster& r = roster();
    const bool flagTwoListed = startup::commonSettings().ListFlagTwo == 1;
    std::vector<PupilEntry> listed;
    int n = 0;
    for (PupilEntry& e : ReadRosterEntries()) {
        if (e.ListingFlag == 2 && flagTwoListed) e.ListingFlag = 0;
        StoreByNumber(e, e.Name);
        if (e.ListingFlag != 0 || n >= kMaxShownPupils) continue;
        r.ShownPupils[++n] = e.Number;
        listed.push_back(std::move(e));
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

std::optional<QString> GradeLabel(int grade) {
    static const char16_t kFullWidthDigits[] = u"０１２３４５６";
    auto digit = [](int d) { return QString(QChar(kFullWidthDigits[d])); };
    if (grade == 0) return QStringLiteral("幼") + digit(3);
    if (grade >= 1 && grade <= 6) return QStringLiteral("小") + digit(grade);
    if (grade >= 7 && grade <= 9) return QStringLiteral("中") + digit(grade - 6);
    if (grade == 10) return QStringLiteral("高") + digit(1);
    return std::nullopt;
}

QString ListGradeLabel(int grade) {
    if (grade < -2) return QStringLiteral("幼-");
    if (grade <= 0) return QStringLiteral("幼") + QString::number(grade + 3);
    if (grade <= 6) return QStringLiteral("小") + QString::number(grade);
    if (grade <= 9) return QStringLiteral("中") + QString::number(grade - 6);
    if (grade <= 12) return QStringLiteral("高") + QString::number(grade - 9);
    return QStringLiteral("大+");
}

QString GradeMark(int grade) {
    if (grade >= 1 && grade <= 6) return QString(QChar(0x2460 + grade - 1));  // ①..⑥
    if (grade >= 7 && grade <= 9) return QString(QChar(0x2160 + grade - 7));  // Ⅰ..Ⅲ
    return QString(common::kIdeographicSpace);
}

bool PassesGradeFilter(const QString& text, int grade) {
    if (text == QStringLiteral("全学年")) return true;
    if (text == QStringLiteral("小学生全体")) return grade >= 1 && grade <= 6;
    if (text == QStringLiteral("中学生全体")) return grade >= 7 && grade <= 9;
    // "小１".."小６", "中１".."中３": the label of exactly that grade.
    if ((grade >= 1 && grade <= 9) && text.size() == 2) return GradeLabel(grade) == text;
    return false;
}

QCollator ListCollator() {
    QCollator c(QLocale(QLocale::Japanese, QLocale::Japan));
    c.setCaseSensitivity(Qt::CaseInsensitive);
    return c;
}

void SortAscending(QStringList& texts) {
    const QCollator collator = ListCollator();
    std::vector<std::pair<QCollatorSortKey, qsizetype>> keys;
    keys.reserve(texts.size());
    for (qsizetype i = 0; i < texts.size(); ++i) keys.emplace_back(collator.sortKey(texts[i]), i);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    QStringList sorted;
    sorted.reserve(texts.size());
    for (const auto& k : keys) sorted << texts[k.second];
    texts = std::move(sorted);
}

QStringList LoadPupilPicker() {
    Roster& r = roster();
    QStringList lines;
    for (const PupilEntry& e : ReadRosterEntries()) {
        StoreByNumber(e, common::TrimSpaces(e.Name));
        // Flag 2 stays off the picker whatever ListFlagTwo says.
        if (e.ListingFlag != 0) continue;
        lines << r.PupilGradeLabel[e.Number] + QStringLiteral(" /  ") + r.PupilName[e.Number] +
                     QStringLiteral("/") + common::Dec(e.Number);
    }
    SortAscending(lines);
    return lines;
}

}  // namespace menus
