#include "core/views/runlistings.h"

#include "core/common/dates.h"
#include "core/menus/roster.h"
#include "core/results/criteria.h"
#include "core/results/resultsfile.h"
#include "core/views/listlines.h"

#include <algorithm>
#include <limits>

namespace views {
namespace {

// How many records pass between two progress reports.
constexpr int kProgressStep = 250;

}  // namespace

// What a listing read: the records, and by level the records it lists with
// what their lines show of the roster and the criteria as they were then.
struct RunListing::Listed {
    struct Run {
        std::int32_t At = 0;  // in Scan.Records
        std::int32_t Points = 0;
        std::int32_t Look = 0;  // in Looks
    };
    RecordScan Scan;
    // Each pupil's look once (a pupil has many runs); the first is no look.
    std::vector<PupilLook> Looks = std::vector<PupilLook>(1);
    RunLayout Layout = RunLayout::TodayTimes;
    int CurrentPupil = 0;
    std::vector<std::vector<Run>> ByLevel;
};

int RunListing::Levels() const { return listed_ ? int(listed_->ByLevel.size()) : 0; }

qsizetype RunListing::CountOf(int level) const {
    if (level < 0 || level >= Levels()) return 0;
    return qsizetype(listed_->ByLevel[size_t(level)].size());
}

QStringList RunListing::LinesOf(int level) const {
    QStringList lines;
    if (level < 0 || level >= Levels()) return lines;
    const Listed& l = *listed_;
    const std::vector<Listed::Run>& runs = l.ByLevel[size_t(level)];
    lines.reserve(qsizetype(runs.size()));
    // The MM/DD of the day last written: records come day by day.
    double whenDay = std::numeric_limits<double>::quiet_NaN();
    QString when;
    for (const Listed::Run& run : runs) {
        const results::LogEntry& e = l.Scan.Records[size_t(run.At)];
        const PupilLook& look = l.Looks[size_t(run.Look)];
        const QString mark = MarkOf(e.PupilNumber, look.Grade, l.CurrentPupil);
        if (l.Layout == RunLayout::TodayTimes || !(e.RecordDate == whenDay)) {
            whenDay = e.RecordDate;
            when = RunWhen(l.Layout, e.RecordDate, e.RecordTime);
        }
        lines << RunLine(l.Layout, e.Result, when, mark, look.Name, run.Points);
    }
    return lines;
}

template <typename Take>
RunListing ListRuns(const RunListingChoice& choice, int lastRecords, RunLayout layout, Take&& take,
                    const ListingProgress& progress, const QString& path) {
    auto listed = std::make_shared<RunListing::Listed>();
    const int levelCount = std::clamp(choice.LevelCount, 0, results::kLevelSlots - 1);
    listed->ByLevel.resize(size_t(levelCount) + 1);
    listed->Layout = layout;
    listed->CurrentPupil = choice.CurrentPupil;
    listed->Scan = ReadLastRecords(lastRecords, path);
    const RecordScan& scan = listed->Scan;
    RunListing listing;
    listing.RecordCount = scan.RecordCount;
    listing.Error = scan.Error;

    std::vector<std::int32_t> lookOf(menus::kMaxPupilNumber + 1, -1);  // in listed->Looks, by pupil
    long long number = scan.FirstRecord;
    for (std::size_t at = 0; at < scan.Records.size(); ++at) {
        const results::LogEntry& e = scan.Records[at];
        if (progress && (number - scan.FirstRecord) % kProgressStep == 0) progress(number, scan.RecordCount);
        ++number;
        // Records no run can have written are left out as the statistics
        // leave them out, and so are levels without a column.
        if (results::ImpossibleRecord(e) || e.Level < 1 || e.Level > levelCount) continue;
        if (!take(e)) continue;
        // Pupil number 0 names no pupil, nor does a number outside the
        // roster's range: no look at all.
        std::int32_t look = 0;
        if (e.PupilNumber > 0 && e.PupilNumber <= menus::kMaxPupilNumber) {
            std::int32_t& known = lookOf[size_t(e.PupilNumber)];
            if (known < 0) {
                known = std::int32_t(listed->Looks.size());
                listed->Looks.push_back(PupilLookOf(e.PupilNumber));
            }
            look = known;
        }
        if (!menus::PassesGradeFilter(choice.GradeFilter, listed->Looks[size_t(look)].Grade)) continue;
        listed->ByLevel[size_t(e.Level)].push_back(
            {std::int32_t(at), std::int32_t(results::BasePoints(e.Result, e.Level)), look});
    }
    if (progress) progress(scan.FirstRecord + qint64(scan.Records.size()) - 1, scan.RecordCount);
    listing.listed_ = std::move(listed);
    return listing;
}

int WeekdayOf(const QDate& date) { return date.dayOfWeek() % 7 + 1; }

int DaysBack(int listPeriod, int weekday) {
    switch (listPeriod) {
    case kThisWeek: return weekday == 1 ? 7 : weekday - 1;
    case kSinceLastWeek: return weekday == 1 ? 14 : weekday - 1 + 7;
    case kOneYear: return 365;
    case kEverything: return 3650;
    case kOneMonth:
    default: return 30;
    }
}

bool InsideListPeriod(double recordDate, double now, int daysBack) { return recordDate > now - daysBack; }

RecordScan ReadLastRecords(int count, const QString& path) {
    RecordScan scan;
    results::CommittedRead read;
    common::IoFailure failure;
    if (!results::ReadCommittedResults(path, results::RecordRange::NewestRecords(std::max(0, count)), read,
                                       failure)) {
        scan.Error = failure.Error;
        return scan;
    }
    // Record numbers are 64-bit: a file of more than 32767 records is read
    // from its newest records like any other.
    scan.RecordCount = read.FileBytes / results::kRecordSize;
    scan.FirstRecord = read.FirstRecord;
    const long long records = read.Bytes.size() / results::kRecordSize;
    scan.Records.reserve(size_t(records));
    for (long long k = 0; k < records; ++k)
        scan.Records.push_back(results::DecodeEntry(read.Bytes.data() + k * results::kRecordSize));
    return scan;
}

QString ReadFailureMessage(const QString& path, int error) {
    return results::ReadErrorMessage(path.isEmpty() ? results::ResultsFilePath() : path, error);
}

RunListing TodayRuns(const RunListingChoice& choice, const ListingProgress& progress, const QString& path) {
    const double today = common::DateValue(choice.Now.date());
    return ListRuns(choice, kTodayRunsRecords, RunLayout::TodayTimes,
                    [today](const results::LogEntry& e) { return e.RecordDate == today; }, progress, path);
}

RunListing AllRuns(const RunListingChoice& choice, int daysBack, const ListingProgress& progress,
                   const QString& path) {
    const double now = common::DateTimeValue(choice.Now);
    const RunLayout layout = choice.ValueKind == kPoints ? RunLayout::AllPoints : RunLayout::AllTimes;
    return ListRuns(choice, kAllRunsRecords, layout,
                    [now, daysBack](const results::LogEntry& e) {
                        return InsideListPeriod(e.RecordDate, now, daysBack);
                    },
                    progress, path);
}

}  // namespace views
