#include "core/results/filecheck.h"

#include "core/common/dates.h"
#include "core/results/journal.h"
#include "core/results/resultsfile.h"

#include <cmath>

#include <fcntl.h>
#include <sys/stat.h>

namespace results {

bool IsPossibleDate(double value) {
    static const double kLastDate = common::DateValue(QDate(9999, 12, 31));
    return std::isfinite(value) && value >= 0 && value == std::floor(value) && value <= kLastDate;
}

bool IsPossibleTimeOfDay(double value) { return std::isfinite(value) && value >= 0 && value < 1; }

std::optional<RecordFault> FaultOf(const LogEntry& e) {
    if (!HasSlot(e))
        return e.Level < 0 || e.Level >= kLevelSlots ? RecordFault::LevelOutsideSlots
                                                     : RecordFault::PupilOutsideSlots;
    if (e.Result < 0) return RecordFault::NegativeResult;
    if (e.RecordDate < 0) return RecordFault::NegativeDate;
    if (!IsPossibleDate(e.RecordDate) || !IsPossibleTimeOfDay(e.RecordTime))
        return RecordFault::ImpossibleDate;
    return std::nullopt;
}

namespace {

// What bears the journal's name, judged as the next writer will judge it.
void LookAtJournal(ResultsFileReport& report) {
    struct stat info {};
    common::IoFailure failure;
    const int look = common::LookAt(report.JournalPath, info, failure);
    if (look == ENOENT) return;
    if (look != 0) {
        report.Journal = JournalState::Unreadable;
        report.JournalReason = common::ErrorDescription(look);
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        report.Journal = JournalState::Foreign;
        report.JournalReason = QStringLiteral("ファイルではありません");
        return;
    }
    common::IoFile file;
    common::IoFailure ignored;
    const bool haveFile = file.OpenInDataFolder(report.Path, O_RDONLY, ignored);
    QByteArray bytes;
    JournalCheck check;
    const bool judged = common::ReadWholeFile(report.JournalPath, bytes, failure) &&
                        CheckJournal(bytes, haveFile ? &file : nullptr, check, failure);
    if (!judged) {
        report.Journal = JournalState::Unreadable;
        report.JournalReason = QString::fromLatin1(common::IoCallName(failure.Call)) + QStringLiteral(": ") +
                               common::ErrorDescription(failure.Error);
        return;
    }
    report.Journal = check.Verdict == JournalVerdict::Hot    ? JournalState::Hot
                     : check.Verdict == JournalVerdict::Torn ? JournalState::Torn
                                                             : JournalState::Foreign;
    report.JournalReason = check.Reason;
}

}  // namespace

ResultsFileReport CheckResultsFile(const QString& folder) {
    ResultsFileReport report;
    report.Path = ResultsFilePathIn(folder);
    report.JournalPath = JournalPath(folder);
    LookAtJournal(report);
    QStringList names;
    common::IoFailure listing;
    if (common::ListFolder(folder, names, listing)) {
        const QString setAside = kJournalFileName + u'.';
        for (const QString& name : names)
            if (name.startsWith(setAside)) report.SetAside << name;
    }
    report.OldCopyPresent = common::Exists(folder + kOldCopyName);
    std::vector<ChangeLogEntry> log;
    common::IoFailure logFailure;
    if (ReadChangeLog(folder, log, logFailure)) {
        for (ChangeLogEntry& e : log)
            if (e.Op == LogOp::JournalApplied || e.Op == LogOp::JournalSetAside || e.Op == LogOp::JournalRemoved)
                report.JournalEvents.push_back(std::move(e));
    } else {
        report.LogError = common::IoFailureText(logFailure);
    }

    struct stat info {};
    common::IoFailure ignored;
    report.Exists = common::LookAt(report.Path, info, ignored) == 0;
    if (!report.Exists && report.Journal != JournalState::Hot) {
        report.Readable = true;  // the program creates it empty
        return report;
    }
    CommittedRead read;
    common::IoFailure failure;
    if (!ReadCommittedResults(report.Path, RecordRange::All(), read, failure, false)) {
        report.Error = common::IoFailureText(failure);
        return report;
    }
    report.Readable = true;
    report.Size = read.FileBytes;
    report.WholeRecords = report.Size / kRecordSize;
    report.TailBytes = static_cast<int>(report.Size % kRecordSize);
    for (long long number = 1; number <= report.WholeRecords; ++number) {
        const LogEntry e = DecodeEntry(read.Bytes.data() + (number - 1) * kRecordSize);
        if (const auto fault = FaultOf(e)) {
            report.Faulty.push_back({number, *fault, e});
        } else if (!KeptInHistory(e)) {
            ++report.Unnamed;
        }
    }
    return report;
}

}  // namespace results
