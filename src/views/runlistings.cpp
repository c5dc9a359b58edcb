#include "views/runlistings.h"

#include "common/dates.h"
#include "menus/roster.h"
#include "results/criteria.h"
#include "results/resultsfile.h"
#include "views/listlines.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace views {
namespace {

// A read refused while another PC holds the file is tried this many times,
// one second apart, before the listing shows what it has.
constexpr int kBusyTries = 3;
// How many records pass between two progress reports.
constexpr int kProgressStep = 250;

// Runs `step` (which returns -1 with errno set on failure) again after an
// interruption, and after a one-second wait while the file is busy; the error
// number once it gives up.
template <typename Step>
int Retry(Step&& step, long long& result) {
    for (int busy = 0;;) {
        result = step();
        if (result >= 0) return 0;
        const int error = errno;
        if (error == EINTR) continue;
        if (!results::IsBusyError(error) || ++busy >= kBusyTries) return error;
        results::WaitWithEvents(1000);
    }
}

template <typename Take>
RunListing ListRuns(const RunListingChoice& choice, int lastRecords, RunLayout layout, Take&& take,
                    const ListingProgress& progress, const QString& path) {
    RunListing listing;
    const int levelCount = std::clamp(choice.LevelCount, 0, results::kLevelSlots - 1);
    listing.Lines.resize(size_t(levelCount) + 1);
    const RecordScan scan = ReadLastRecords(lastRecords, path);
    listing.RecordCount = scan.RecordCount;
    listing.Error = scan.Error;

    long long number = scan.FirstRecord;
    for (const results::LogEntry& e : scan.Records) {
        if (progress && (number - scan.FirstRecord) % kProgressStep == 0) progress(number, scan.RecordCount);
        ++number;
        // Records naming a level without a column, or a pupil number without a
        // slot, are left out as the statistics leave them out.
        if (e.Level < 1 || e.Level > levelCount || e.PupilNumber < 0 || e.PupilNumber > menus::kMaxPupilNumber)
            continue;
        if (!take(e)) continue;
        // Pupil number 0 names no pupil: no lookup at all.
        const PupilLook look = e.PupilNumber == 0 ? PupilLook{} : PupilLookOf(e.PupilNumber);
        if (!menus::PassesGradeFilter(choice.GradeFilter, look.Grade)) continue;
        const QString mark = MarkOf(e.PupilNumber, look.Grade, choice.CurrentPupil);
        const int points = results::BasePoints(e.Result, e.Level);
        listing.Lines[size_t(e.Level)] << RunLine(layout, e.Result, e.RecordDate, e.RecordTime, mark, look.Name,
                                                  points);
    }
    if (progress) progress(scan.FirstRecord + qint64(scan.Records.size()) - 1, scan.RecordCount);
    return listing;
}

}  // namespace

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
    long long fd = -1;
    scan.Error = Retry([&] { return results::OpenResultsFileToRead(path); }, fd);
    if (fd < 0) return scan;
    results::FileDescriptor file(static_cast<int>(fd));

    struct stat info {};
    long long ok = 0;
    scan.Error = Retry([&] { return ::fstat(file.get(), &info) == 0 ? 0 : -1; }, ok);
    if (scan.Error != 0) return scan;
    scan.RecordCount = info.st_size / results::kRecordSize;
    const long long first = std::max(0LL, scan.RecordCount - std::max(0, count));  // 0-based
    scan.FirstRecord = first + 1;

    // Whole records only: a partial record at the end is still being written.
    const long long wanted = (scan.RecordCount - first) * results::kRecordSize;
    std::vector<char> bytes(size_t(std::max(0LL, wanted)));
    long long got = 0;
    while (got < wanted) {
        long long n = 0;
        scan.Error = Retry(
            [&] {
                return ::pread(file.get(), bytes.data() + got, size_t(wanted - got),
                               off_t(first * results::kRecordSize + got));
            },
            n);
        if (scan.Error != 0 || n == 0) break;  // n == 0: the file was shortened meanwhile
        got += n;
    }
    const long long records = got / results::kRecordSize;
    scan.Records.reserve(size_t(records));
    for (long long k = 0; k < records; ++k)
        scan.Records.push_back(results::DecodeEntry(bytes.data() + k * results::kRecordSize));
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
