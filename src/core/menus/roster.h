#pragma once
// The school's roster "新名簿.txt" (in the data root, read only), the tables
// every screen looks pupils up in, the school year and the grade rules.

#include "core/common/outcome.h"
#include "core/results/recordlist.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace menus {

inline constexpr int kMaxPupilNumber = 5000;  // pupil numbers 0..5000
inline constexpr int kMaxShownPupils = 5000;  // listed entries kept at most
inline constexpr int kRosterFieldCount = 8;
inline constexpr int kRosterNameLength = 20;

// One roster entry, fields in file order.
struct PupilEntry {
    std::int16_t Number = 0;
    std::int16_t BirthYear = 0;  // the school year the pupil was born in
    std::int16_t ExtraNumber1 = 0;
    std::int16_t ExtraNumber2 = 0;
    QString Name;  // exactly 20 characters, blank-padded on the right
    std::int16_t ListingFlag = 0;  // 0 listed; 2 listed with ListFlagTwo; else not
    QString ExtraText1;  // 20 characters
    QString ExtraText2;  // 20 characters
};

// The roster tables, by pupil number, and the display roster.
struct Roster {
    std::vector<QString> PupilName = std::vector<QString>(kMaxPupilNumber + 1);
    std::vector<std::int16_t> PupilBirthYear = std::vector<std::int16_t>(kMaxPupilNumber + 1);
    std::vector<QString> PupilGradeLabel = std::vector<QString>(kMaxPupilNumber + 1);
    // Slots 1..ShownPupilCount: pupil numbers of the listed entries, in file order.
    std::vector<std::int16_t> ShownPupils = std::vector<std::int16_t>(kMaxShownPupils + 1);
    int ShownPupilCount = 0;
    // Set by ComputeSchoolYear; the grade numbers of every screen use it.
    int SchoolYear = 0;

    void Reset() { *this = Roster{}; }
};

Roster& roster();

// The grade-filter text the name screen chose; the level menu's own filter
// starts from it.
QString& GradeFilterText();
// The twelve texts of the grade-filter lists, in list order.
const QStringList& GradeFilterTexts();

// DataRoot + "新名簿.txt".
QString RosterPath();

// A numeric field of the roster as the reader takes it: a 16-bit value (a
// fraction rounds half to even); nothing when it holds anything but a number
// or does not fit. An empty field reads as 0.
std::optional<std::int16_t> RosterNumberField(const QString& item);

// The entries of one roster text whose numbers fit, in file order, and its
// faults: the entries left out for a number that cannot be a pupil's, each
// named by its line ("3行目：番号「abc」"), and whether the text ends inside an
// entry (and at which entry, counted from 1).
struct ParsedRoster {
    std::vector<PupilEntry> entries;
    QStringList faults;
    bool cutShort = false;
    int cutShortAt = 0;
};
ParsedRoster ParseRoster(const QString& text);

// The text of a roster file holding these entries, as a writer of delimited
// records writes it: one line of eight fields per entry, texts in double
// quotes (names and texts as given; the reader pads them to 20 characters),
// numbers bare, CR LF. The roster import writes 新名簿.txt with it.
QString RosterFileText(const std::vector<PupilEntry>& entries);

// One read of a roster file, without the tables and without any message:
// for tools that report on the file.
struct RosterReading : ParsedRoster {
    bool readable = false;
    QString error;  // why it cannot be read
};
RosterReading ReadRosterFile(const QString& path);

// Reads the roster: fills the by-number tables for every entry (a later entry
// of the same number wins) and the display roster, and returns the listed
// entries in file order. A missing or unreadable file, or one that ends in the
// middle of an entry, is told to `tell` (once, until another fault or a clean
// read); the entries read before the fault are kept. An entry whose number is
// not 1..5000, or whose number, birth year or listing flag holds anything but
// a 16-bit number, is left out of the tables and the list and named by its
// line in the same text. Listed entries beyond the 5000th are skipped.
std::vector<PupilEntry> LoadRoster(const common::Tell& tell);
// The tables LoadRoster fills, from entries as ParseRoster gives them: the
// by-number tables for every entry, the display roster of the listed ones
// (ListFlagTwo of the common settings applies); returns the listed entries.
std::vector<PupilEntry> StoreRoster(const std::vector<PupilEntry>& entries);

// The calendar year of `today`, less one before the school year's start month.
int SchoolYearOf(const QDate& today, int startMonth);
// Sets roster().SchoolYear from today's date and SchoolYearStartMonth.
void ComputeSchoolYear();

// SchoolYear - BirthYear - 6: 0 the last kindergarten year, 1..6 elementary,
// 7..9 junior high, 10..12 high school.
int GradeNumber(int schoolYear, int birthYear);
int GradeNumber(int birthYear);  // with roster().SchoolYear

// The stored grade label ("小３"); empty optional where a grade has none.
std::optional<QString> GradeLabel(int grade);
// The name list's label ("小3", "幼-", "大+").
QString ListGradeLabel(int grade);
// One character: ①..⑥, Ⅰ..Ⅲ, otherwise an ideographic space.
QString GradeMark(int grade);
bool PassesGradeFilter(const QString& text, int grade);

// The pupil picker's lines "label /  name/number" of the entries with listing
// flag 0, in ascending text order; refreshes the by-number tables on the way
// (names without surrounding blanks). A reader takes the pupil number as the
// text after the last "/".
QStringList LoadPupilPicker(const common::Tell& tell);

// The pupil choices of records maintenance: every entry of the roster in file
// order, its name without surrounding blanks and its grade label (none for a
// grade without one). Reads the file anew (its faults told as LoadRoster tells them).
std::vector<results::PupilChoice> RecordsPupilChoices(const common::Tell& tell);
// The same for given roster entries and school year (a tool reading another
// school's folder).
std::vector<results::PupilChoice> PupilChoicesOf(const std::vector<PupilEntry>& entries, int schoolYear);

}  // namespace menus
