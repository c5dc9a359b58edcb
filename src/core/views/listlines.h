#pragma once
// The fixed-layout lines of the level menu's result lists (List5 of every
// column): rankings and the listings of runs. Plain text, one line per pupil
// or run; the list shows them in ascending text order.
//
// Shared with the per-pupil views: a pupil's name, grade and mark are looked
// up here once (PupilLookOf), so every list marks pupils alike.

#include <QString>

#include <cstdint>

namespace views {

// What the values of a view are (the level menu's ValueKind; 0 is taken as 1).
enum ValueKinds { kTimes = 1, kPoints = 2 };
// Which points rank first in points mode (PointsPeriod; 0 is taken as 1).
enum PointsPeriods { kTotalPointsFirst = 1, kTodayPointsFirst = 2 };

// "●": the lines of the pupil who is signed in.
inline const QString kCurrentMark = QStringLiteral("●");
// Grade of a record whose pupil is not looked up (pupil number 0, or a number
// outside the roster's range): no grade mark, and only "全学年" lets it pass.
inline constexpr int kNoGrade = -1000;

// What a list line shows of a pupil.
struct PupilLook {
    QString Name;         // as the roster holds it (blanks not yet trimmed); empty when not looked up
    int Grade = kNoGrade; // GradeNumber of the pupil's birth year
};

// The roster's name and grade of a pupil number. A number outside 0..5000,
// or one the roster does not hold (a pupil no longer in it), gives an empty
// name and kNoGrade. (The listings of runs look up no name for pupil number
// 0 at all: such a record names no pupil.)
PupilLook PupilLookOf(int pupil);

// The mark before a name: "●" for the signed-in pupil, else the grade mark
// (①..⑥, Ⅰ..Ⅲ, or an ideographic space).
QString MarkOf(int pupil, int grade, int currentPupil);

// Where a ranking line goes, which decides its rank field. The level lists
// write the rank without leading blanks, cut to its last two digits
// (123 -> "23"), and "--" for a pupil without a record; the graph panel's
// work lists right-align it in three characters (Right("   " & rank, 3)) and
// write "---".
enum class RankColumn { List, Graph };

// name5, the five-character name field: in rankings the name without
// trailing blanks and six ideographic spaces, in the listings of runs the name
// without leading and trailing blanks and four, cut to 5 characters (an empty
// name in a run line gives four ideographic spaces only).

// Ranking lines; `mark` as MarkOf gives it. The end mark is "●" when
// `current`, else an ideographic space.
//   times:   rank & mark & name5 & Right("    " & BestTime, 6) & " " & end mark
//            BestTime 99998: "*失敗*" in place of the time; 99999 (no record):
//            dashes in place of the rank and "------" in place of the time
//   points:  rank & mark & name5 & Right("    " & today, 3) & "/" & Right("    " & total, 5)
QString RankingTimeLine(int rank, const QString& mark, const QString& name, std::int32_t bestTime,
                        bool current, RankColumn column = RankColumn::List);
QString RankingPointsLine(int rank, const QString& mark, const QString& name, long long todayPoints,
                          long long totalPoints, RankColumn column = RankColumn::List);

// The three layouts of the listings of runs.
enum class RunLayout {
    TodayTimes,  // Right("      " & result & "秒", 5) & " " & HH:MM & mark & name5 & mark & points
    AllTimes,    // the same with MM/DD in place of HH:MM
    AllPoints,   // Right("      " & points, 5) & " " & MM/DD & mark & name5 & mark & result & "秒"
};

// A result of 90000 or more is a run without a time.
inline constexpr std::int32_t kNoTimeFrom = 90000;

// One run's line. A run without a time gets "　　× " & HH:MM (or MM/DD) & mark
// & name5 & mark whatever the layout. `date` and `time` are the record's date
// values; HH:MM is the time of day with two-digit hour and minute, MM/DD the
// month and day of the date.
QString RunLine(RunLayout layout, std::int32_t result, double date, double time, const QString& mark,
                const QString& name, int points);
// The same with the HH:MM or MM/DD field given: RunWhen of the record's date
// and time. A listing of thousands of runs over a few days writes each day's
// MM/DD once.
QString RunWhen(RunLayout layout, double date, double time);
QString RunLine(RunLayout layout, std::int32_t result, QStringView when, const QString& mark, const QString& name,
                int points);

}  // namespace views
