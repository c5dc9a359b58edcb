#include "results/filecheck.h"

#include "common/dates.h"
#include "results/resultsfile.h"

#include <QFile>

#include <cmath>

namespace results {
namespace {

// Records read at a time: a large file is never held whole.
constexpr qint64 kChunkRecords = 4096;

}  // namespace

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

ResultsFileReport CheckResultsFile(const QString& folder) {
    ResultsFileReport report;
    report.Path = ResultsFilePathIn(folder);
    report.JournalPath = JournalPath(folder);
    report.JournalPresent = JournalLeft(folder);

    QFile file(report.Path);
    report.Exists = file.exists();
    if (!report.Exists) {
        report.Readable = true;  // the program creates it empty
        return report;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        report.Error = file.errorString();
        return report;
    }
    report.Readable = true;
    report.Size = file.size();
    report.WholeRecords = report.Size / kRecordSize;
    report.TailBytes = static_cast<int>(report.Size % kRecordSize);

    long long number = 0;
    while (number < report.WholeRecords) {
        const qint64 want = std::min<qint64>(kChunkRecords, report.WholeRecords - number) * kRecordSize;
        const QByteArray chunk = file.read(want);
        if (chunk.size() < want) {
            // Shortened meanwhile (records maintenance), or a read error.
            if (file.error() != QFileDevice::NoError) {
                report.Readable = false;
                report.Error = file.errorString();
                return report;
            }
            report.WholeRecords = number + chunk.size() / kRecordSize;
        }
        for (qsizetype at = 0; at + kRecordSize <= chunk.size(); at += kRecordSize) {
            ++number;
            const LogEntry e = DecodeEntry(chunk.constData() + at);
            if (const auto fault = FaultOf(e)) {
                report.Faulty.push_back({number, *fault, e});
            } else if (!KeptInHistory(e)) {
                ++report.Unnamed;
            }
        }
        if (chunk.size() < want) break;
    }
    return report;
}

}  // namespace results
