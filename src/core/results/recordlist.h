#pragma once
// The lines of the records list of records maintenance, the pupil choices
// of its edit panel and the checks of a change: built from the bytes of the
// results file and the roster's names, without widgets.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

namespace results {

// One roster entry as records maintenance needs it: the name without
// surrounding blanks, the grade label (empty for a grade without one).
struct PupilChoice {
    int Number = 0;
    QString Name;
    QString GradeLabel;
};

// The name table, the grade-label table (by pupil number 0..5000) and the
// Combo1 items, in roster order.
struct PupilTables {
    std::vector<QString> Name = std::vector<QString>(5001);
    std::vector<QString> GradeLabel = std::vector<QString>(5001);
    QStringList Choices;
};
PupilTables BuildPupilTables(const std::vector<PupilChoice>& roster);

// "12 /  name", the Combo1 item of a pupil.
QString PupilChoiceText(int number, const QString& name);

// One listed record: its line and the number of the record it shows, which
// opening, changing and deleting go by (never the line's position).
struct RecordLine {
    qint64 Number = 0;
    QString Text;
};

struct RecordList {
    QString CountText;  // "総レコード数:120"
    int NumberWidth = 4;
    std::vector<RecordLine> Lines;  // in file order, which is also their text order
};

// "総レコード数:" and the file length / 44, a fraction when not a multiple.
QString RecordCountText(qint64 fileBytes);
// Characters of the number field: 4 up to 9999 records, wider beyond, so the
// sorted list keeps the records in file order.
int RecordNumberWidth(qint64 records);
// The line of one record (44 bytes). `schoolCode` is the five-byte text the
// own classroom's records carry.
QString RecordListLine(qint64 number, int numberWidth, const char* record, const PupilTables& tables,
                       const QByteArray& schoolCode, const QString& schoolName);
// Every whole record of the file but those of level 0.
RecordList BuildRecordList(QByteArrayView fileBytes, const PupilTables& tables, const QString& schoolCode,
                           const QString& schoolName);

// A change as the teacher typed it: Text1(1) and the Combo1 text. Either the
// values to write or the message that says what is wrong.
struct ChangeInput {
    std::int32_t Result = 0;
    std::int16_t Pupil = 0;
    QString Problem;  // empty when the values can be written
};
ChangeInput CheckChange(const QString& resultText, const QString& pupilText);

// The texts of the "注意" messages of records maintenance.
QString RecordsChangedMessage();
// A failure before the commit: the record was not changed.
QString WriteFailedMessage(const QString& failureText);
// A failure after the commit: the change is done, perhaps not yet on disk.
QString NotFlushedMessage(const QString& failureText);
QString ReadFailedMessage(const QString& failureText);

}  // namespace results
