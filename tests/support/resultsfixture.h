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
};

inline void AppendRuns(const QString& file, std::initializer_list<Run> runs) {
    QFile f(file);
    if (!f.open(QIODevice::Append)) return;
    for (const Run& r : runs) {
        results::CumulativeRecord rec;
        rec.RecordDate = common::DateValue(r.date);
        rec.RecordTime = common::TimeValue(r.time);
        rec.PupilNumber = static_cast<std::int16_t>(r.pupil);
        rec.Level = static_cast<std::int16_t>(r.level);
        rec.Result = r.result;
        rec.SchoolCodeText = results::FiveByteText(QStringLiteral("01234"));
        rec.ExtraText = QByteArray(5, ' ');
        rec.PointsText = QByteArray("0    ");
        rec.ReservedText = QByteArray(5, '\0');
        f.write(results::EncodeRecord(rec));
    }
}

}  // namespace testing_support
