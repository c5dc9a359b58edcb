#pragma once
// The lines of the records list of records maintenance, the pupil choices
// of its edit panel and the checks of a change: built from the bytes of the
// results file and the roster's names, without widgets.

#include "core/common/strings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
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

// "総レコード数:" and the file length / 44, a fraction when not a multiple.
QString RecordCountText(qint64 fileBytes);
// Characters of the number field: 4 up to 9999 records, wider beyond, so the
// sorted list keeps the records in file order.
int RecordNumberWidth(qint64 records);
// The line of one record (44 bytes). `schoolCode` is the five-byte text the
// own classroom's records carry.
QString RecordListLine(qint64 number, int numberWidth, const char* record, const PupilTables& tables,
                       const QByteArray& schoolCode, const QString& schoolName);

// The records list: every whole record of the file but those of level 0, in
// file order, which is also their text order. It keeps the records as read
// and their numbers, and writes a line only when one is asked for, so a list
// of ten years' records costs the read and what the screen shows.
class RecordLines {
public:
    RecordLines() = default;

    qsizetype size() const { return qsizetype(numbers_.size()); }
    // The record numbers of the lines, in list order; opening, changing and
    // deleting go by them, never by a line's position.
    const std::vector<int>& Numbers() const { return numbers_; }
    qint64 Number(qsizetype line) const { return numbers_[std::size_t(line)]; }
    QString Line(qsizetype line) const;
    // The line that is widest in these advances (the first of equal ones),
    // found without writing the lines; -1 for an empty list.
    qsizetype Widest(common::CharAdvances& advance) const;
    const QString& CountText() const { return countText_; }  // "総レコード数:120"
    int NumberWidth() const { return numberWidth_; }

private:
    friend RecordLines BuildRecordList(QByteArrayView, std::shared_ptr<const PupilTables>, const QString&,
                                       const QString&, QByteArray);
    const char* Record(qsizetype line) const;

    QByteArray storage_;  // holds bytes_ when the caller hands its storage over
    QByteArrayView bytes_;
    std::shared_ptr<const PupilTables> tables_;
    QByteArray code_;
    QString schoolName_;
    std::vector<int> numbers_;
    QString countText_;
    int numberWidth_ = 4;
};

// The records list of `fileBytes`: one pass that keeps the numbers of the
// records to list. The bytes must stay as they are while the list is used:
// `storage`, when given, is the array that holds them and is kept with the
// list. Null tables stand for a roster without names.
RecordLines BuildRecordList(QByteArrayView fileBytes, std::shared_ptr<const PupilTables> tables,
                            const QString& schoolCode, const QString& schoolName, QByteArray storage = {});

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
