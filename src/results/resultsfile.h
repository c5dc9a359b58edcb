#pragma once
// The shared results file "成績累積データ.dat": 44-byte records, appended by
// every PC of the school under a whole-file lock.

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace results {

inline constexpr int kRecordSize = 44;

struct CumulativeRecord {
    double RecordDate = 0;
    double RecordTime = 0;
    std::int16_t PupilNumber = 0;
    std::int16_t Level = 0;
    std::int32_t Result = 0;
    QByteArray SchoolCodeText;  // 5 bytes, Shift-JIS, blank-padded
    QByteArray ExtraText;       // 5 bytes
    QByteArray PointsText;      // 5 bytes
    QByteArray ReservedText;    // 5 raw bytes
};

// Field by field, little-endian, at fixed offsets.
QByteArray EncodeRecord(const CumulativeRecord& r);
CumulativeRecord DecodeRecord(const char* bytes);  // kRecordSize bytes
// A text cut or blank-padded to 5 bytes of Shift-JIS.
QByteArray FiveByteText(const QString& text);

// Full path of the results file.
QString ResultsFilePath();

struct RunEndFlags {
    int AlreadyCleared = 0;
    int NewPersonalBest = 0;
    int NewSchoolBest = 0;
};
RunEndFlags& runEndFlags();

// Appends the record of the run that just ended (from RunState).
bool AppendResult();
// The run-end bookkeeping around the append.
bool RecordRunResult(int level);

}  // namespace results
