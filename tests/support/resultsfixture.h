#pragma once
// Writes results records straight into a results file, for tests that need a
// history without running the practice screen.

#include "results/resultsfile.h"

#include <QDate>
#include <QFile>
#include <QString>
#include <QTime>

#include "common/dates.h"

namespace testing_support {

struct Run {
    int pupil;
    int level;
    int result;
    QDate date;
    QTime time = QTime(10, 0, 0);
    const char* school = "01234";  // the five-byte classroom code
};

// The 44 bytes of a run as the program appends them.
inline QByteArray RunRecord(const Run& r) {
    results::CumulativeRecord rec;
    rec.RecordDate = common::DateValue(r.date);
    rec.RecordTime = common::TimeValue(r.time);
    rec.PupilNumber = static_cast<std::int16_t>(r.pupil);
    rec.Level = static_cast<std::int16_t>(r.level);
    rec.Result = r.result;
    rec.SchoolCodeText = QByteArray(r.school);
    rec.ExtraText = QByteArray(5, ' ');
    rec.PointsText = QByteArray("0    ");
    rec.ReservedText = QByteArray(5, '\0');
    return results::EncodeRecord(rec);
}

inline void AppendRuns(const QString& file, std::initializer_list<Run> runs) {
    QFile f(file);
    if (!f.open(QIODevice::Append)) return;
    for (const Run& r : runs) f.write(RunRecord(r));
}

}  // namespace testing_support
