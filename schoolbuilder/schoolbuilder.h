#pragma once
// A school's files, made for the tests, the benchmarks and the demo school:
// its folders laid out, and its settings, roster, criteria, sounds and
// results written with the program's own writers, so that what a test or a
// benchmark reads is what the PCs of a school read.
//
//   QTemporaryDir dir;
//   school::Builder school(school::FlatFolders(dir.path()));
//   school.Settings({.startMonth = 4, .classroom = QStringLiteral("01234中央教室")})
//       .Roster(school::MadeUpRoster({.entries = 5000, .listed = 2000, .schoolYear = 2026}))
//       .Criteria(school::UniformCriteria({.target = 30, .multiplier = 1.5f}))
//       .Results({{7, 1, 25, QDate(2026, 12, 10)},            // pupil 7, level 1, 25 s
//                 {8, 1, results::kNoResult, QDate(2026, 12, 9), QTime(9, 30)}})
//       .Load();  // and read in as the program reads it at start-up
//   ASSERT_TRUE(school.Ok()) << school.Error().toStdString();
//
// Each step writes its files at once (results are appended, everything else
// is written anew); after a failure the later steps do nothing and Error()
// says what failed.

#include "core/results/criteria.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <vector>

namespace school {

// Where a school's files lie; every folder name ends with '/'.
struct Folders {
    QString dataRoot;           // 共通データ.txt, 新名簿.txt, 音フォルダ/
    QString programDataFolder;  // タイム回数データ.txt, 成績累積データ.dat
};
// Everything in one folder, as the tests and the benchmarks set the run state.
Folders FlatFolders(const QString& folder);
// The data folders of an installation as the package and the demo lay it
// out: root/CAIdata/ the data root, root/CAIdata/ローマ字/ the program's
// data folder (the program itself lies in root/CAI/ローマ字).
Folders InstallationFolders(const QString& root);

// "共通データ.txt".
struct Settings {
    int startMonth = 4;                                    // the month the school year begins
    QString classroom = QStringLiteral("01234中央教室");  // code and name
    int listFlagTwo = 0;                                   // 1: entries flagged 2 are listed too
};

// One entry of "新名簿.txt", fields in file order.
struct Pupil {
    int number = 0;
    int birthYear = 0;  // the school year the pupil was born in
    QString name = {};
    int listingFlag = 0;  // 0 listed; 2 listed when listFlagTwo is 1; any other not listed
    int extraNumber1 = 0;
    int extraNumber2 = 0;
    QString extraText1 = {};
    QString extraText2 = {};
};
// The birth year that puts a pupil in `grade` in `schoolYear` (0 the last
// kindergarten year, 1..6 elementary, 7..9 junior high, 10..12 high school).
int BirthYear(int grade, int schoolYear);
// The teacher's entry: named "先生", listed.
Pupil Teacher(int number, int birthYear = 1990);

// A roster of made-up pupils numbered 1..entries: names of two to six kana,
// grades from kindergarten to high school, `listed` of them listed (spread
// evenly through the roster, the others flagged 1), and the teacher after
// them when `teacher` is a number. The same options give the same roster.
struct RosterOptions {
    int entries = 40;
    int listed = -1;  // -1: every entry
    int schoolYear = 2026;
    int teacher = 0;  // the teacher's number; 0: no teacher
    unsigned seed = 7;
};
std::vector<Pupil> MadeUpRoster(const RosterOptions& options);
// The numbers of the listed entries (flag 0), in roster order.
std::vector<int> ListedNumbers(const std::vector<Pupil>& roster);
// The text of "新名簿.txt" holding these entries, by the program's writer.
QString RosterText(const std::vector<Pupil>& pupils);
// A listed pupil given by grade rather than birth year.
struct PupilInGrade {
    int number = 0;
    QString name = {};
    int grade = 0;
};
// The roster tables as the program fills them when it reads a roster file
// of these pupils in their grades of `schoolYear` (names padded, grade
// labels, the display roster), with roster().SchoolYear = schoolYear; no
// file is read or written.
void SetRosterTables(int schoolYear, const std::vector<PupilInGrade>& pupils);

// The criteria of a course of `levels` levels with the same row for every
// level (slots beyond the course and slot 0 empty).
struct UniformRow {
    int target = 30;
    int minimum = 60;
    int clearPoints = 20;
    int clearCount = 2;
    float multiplier = 1.5f;
    QString judgementDays = QStringLiteral("7");
    QString tooMuchDays = QStringLiteral("3");
    QString tooMuchCount = {};
    QString tooMuchPoints = {};
};
inline constexpr int kCourseLevels = 15;
results::CriteriaTable UniformCriteria(const UniformRow& row, int levels = kCourseLevels);

// One run as the results file holds it.
struct Run {
    int pupil = 0;
    int level = 0;
    int result = 0;  // whole seconds; results::kNoResult for a time-out
    QDate date;
    QTime time = QTime(10, 0);
    QString school = QStringLiteral("01234");  // the classroom code
};
// Its 44 bytes as the run end appends them.
QByteArray RecordBytes(const Run& run);
QByteArray RecordBytes(const std::vector<Run>& runs);
// Appends the runs to a results file (made when missing). False with the
// reason in *error.
bool AppendRuns(const QString& resultsFile, const std::vector<Run>& runs, QString* error = nullptr);

// A made-up history of practice: `records` runs spread evenly over the
// `days` days up to `today` and, within a day, from 9:00 to 21:00, oldest
// first, as a school's file grows. Each run is by a pupil picked at random
// from `pupils` (every `regularEvery`-th run by `regularPupil`, when one is
// given), at a random level 1..levels, in fastest..slowest seconds; every
// `timeOutEvery`-th run timed out and every `otherSchoolEvery`-th run is
// another classroom's (code "99999"). The same options give the same runs.
struct HistoryOptions {
    int records = 1000;
    QDate today = QDate(2026, 12, 10);
    int days = 42;
    std::vector<int> pupils = {1};
    int regularPupil = 0;
    int regularEvery = 0;
    int levels = kCourseLevels;
    int fastest = 20;
    int slowest = 219;
    int timeOutEvery = 0;
    int otherSchoolEvery = 0;
    QString school = QStringLiteral("01234");
    unsigned seed = 7;
};
std::vector<Run> MadeUpHistory(const HistoryOptions& options);
// Pupils first .. last, for HistoryOptions::pupils.
std::vector<int> PupilRange(int first, int last);

// The folder of the default data the package installs (the build's
// share/romaji): the sounds and the criteria of a new school.
QString DefaultDataFolder();

class Builder {
public:
    // Makes the folders.
    explicit Builder(Folders folders);

    // "共通データ.txt" in the data root.
    Builder& Settings(const school::Settings& settings = {});
    // "新名簿.txt" in the data root.
    Builder& Roster(const std::vector<Pupil>& pupils);
    // "タイム回数データ.txt" as the criteria editor saves it: the header and
    // levels 1..levels of the table.
    Builder& Criteria(const results::CriteriaTable& table, int levels = kCourseLevels);
    // The criteria and the sound folder of a new school: copies of the
    // default data (what was there before is removed first).
    Builder& DefaultCriteria();
    Builder& DefaultSounds();
    // Appends the runs to "成績累積データ.dat" (no runs: an empty file is made
    // when there is none).
    Builder& Results(const std::vector<Run>& runs);

    // Reads the school in as the program does at start-up and on the name
    // screen, with its own readers: the run state's folders (DataRoot,
    // ProgramDataFolder, SoundFolder) and, of the files written here, the
    // classroom and the common settings, the criteria table, the sound
    // table, and the school year (from the platform's today) with the roster
    // tables.
    Builder& Load();

    bool Ok() const { return error_.isEmpty(); }
    const QString& Error() const { return error_; }
    const Folders& Where() const { return folders_; }
    QString ResultsFile() const;

private:
    bool Fail(const QString& error);

    Folders folders_;
    QString error_;
    bool settings_ = false;
    bool roster_ = false;
    bool criteria_ = false;
    bool sounds_ = false;
};

}  // namespace school
