#pragma once
// The listings of runs in the level menu's columns: today's runs (among the
// last 1000 records of the results file) and all runs of a period (among the
// last 20000). Each run is one line in the list of its level; the points are
// the base points of the record's own result, without the multiplier.
//
// Read only, through results::ReadCommittedResults: a file not made yet holds
// no records; one that cannot be read gives no records and the error number,
// for one message (ReadFailureMessage).

#include "core/results/statistics.h"
#include "core/views/listlines.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

namespace views {

inline constexpr int kTodayRunsRecords = 1000;
inline constexpr int kAllRunsRecords = 20000;

// The periods of the all-runs listing (ListPeriod, list index of Combo2 + 1).
enum ListPeriods { kThisWeek = 1, kSinceLastWeek = 2, kOneMonth = 3, kOneYear = 4, kEverything = 5 };

// Weekday counted Sunday = 1 … Saturday = 7.
int WeekdayOf(const QDate& date);
// Days of a period: this week 7 on a Sunday, else weekday − 1 (weeks run
// Monday to Sunday); since last week the same + 7; 30; 365; 3650. A period
// outside 1 … 5 is taken as one month, the menu's starting choice.
int DaysBack(int listPeriod, int weekday);
// Whether a record dated `recordDate` lies in the period: later than the
// instant `now` (date and time of day, as a date value) less `daysBack` days.
bool InsideListPeriod(double recordDate, double now, int daysBack);

// The last `count` whole records of the results file, oldest first.
struct RecordScan {
    std::vector<results::LogEntry> Records;  // Points is not used by the listings
    long long RecordCount = 0;  // whole records in the file
    long long FirstRecord = 1;  // 1-based record number of Records[0]
    int Error = 0;              // errno of a failed open or read; 0 when everything was read
};
// Read through the one reader of the results file: the state last committed,
// a busy file or a read that overlapped a rewrite tried again.
RecordScan ReadLastRecords(int count, const QString& path = QString());

// The one message of a listing whose file could not be read: it names the file
// and the error. Title "注意".
QString ReadFailureMessage(const QString& path, int error);

struct RunListingChoice {
    int ValueKind = 1;  // 1 times, 2 points (0 is taken as 1); today's runs are always times
    QString GradeFilter = QStringLiteral("全学年");
    int CurrentPupil = 0;
    int LevelCount = 15;
    QDateTime Now;  // the platform's clock
};

// Called now and then with the record number reached and the record count,
// for the progress bar (maximum (count + 1) × 1.1).
using ListingProgress = std::function<void(long long recordNumber, long long recordCount)>;

// The records are read and sorted into their levels at once; a level's lines
// are written when asked for (a column shows them when it is first shown).
// A copy shares what was read.
class RunListing {
public:
    // Levels 0 … LevelCount (level 0 has no lines).
    int Levels() const;
    // The lines of a level, in file order (the list shows them in text
    // order); none outside 1 … LevelCount.
    QStringList LinesOf(int level) const;
    qsizetype CountOf(int level) const;

    long long RecordCount = 0;
    int Error = 0;  // as RecordScan

private:
    template <typename Take>
    friend RunListing ListRuns(const RunListingChoice&, int, RunLayout, Take&&, const ListingProgress&,
                               const QString&);
    struct Listed;
    std::shared_ptr<const Listed> listed_;
};

// A record is listed when its level is 1 … LevelCount, a run can have
// written it (results::ImpossibleRecord), and its pupil passes the grade
// filter (a record of pupil 0 or of a pupil not in the roster passes "全学年"
// only; its line has an empty name and no grade mark).
// Today's runs: records of the last 1000 dated today.
RunListing TodayRuns(const RunListingChoice& choice, const ListingProgress& progress = {},
                     const QString& path = QString());
// All runs: records of the last 20000 inside the period of `daysBack` days.
RunListing AllRuns(const RunListingChoice& choice, int daysBack, const ListingProgress& progress = {},
                   const QString& path = QString());

}  // namespace views
