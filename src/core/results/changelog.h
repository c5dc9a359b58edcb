#pragma once
// The maintenance log "成績変更記録.txt" of the program's data folder: one line
// for every change, deletion and restore of a stored result and for every
// journal put back or set aside. Shift-JIS, CR LF, items as the other text
// files write them; appended under the appenders' lock and never rewritten.
//
// A line: "date time","PC","signed-in name","operation", record number, then
//   変更            old record, new record, "nonce"
//   消去            old record, "消去", "nonce"
//   復元            "消去", new record, "nonce", number of the log line undone
//   ジャーナル適用   operation of the journal, "nonce"
//   ジャーナル退避   "reason", "name it was set aside under"
//   ジャーナル削除   "reason"
// where a record is seven items: "date", "time of day", pupil, level, result,
// "classroom code" and "the 44 bytes in hexadecimal" (which puts the exact
// record back). The nonce is the journal's: a journal put back after a crash
// names the operation that did not happen.

#include "core/common/fileio.h"

#include <QByteArray>
#include <QString>

#include <vector>

namespace results {

inline const QString kChangeLogFileName = QStringLiteral("成績変更記録.txt");

QString ChangeLogPath(const QString& folder);

enum class LogOp { Change, Delete, Restore, JournalApplied, JournalSetAside, JournalRemoved, Unknown };

struct ChangeLogEntry {
    QString When;  // "yyyy/MM/dd H:mm:ss"
    QString Pc;
    QString Name;
    LogOp Op = LogOp::Unknown;
    qint64 Number = 0;
    QByteArray Old;      // 44 bytes, or empty
    QByteArray New;      // 44 bytes, or empty
    QString Nonce;       // hexadecimal
    qint64 Undoes = 0;   // 復元: the log line (from 1) of the deletion it undoes
    QString Detail;      // ジャーナル適用: the journal's operation; 退避 and 削除: the reason
    QString SetAsideAs;  // ジャーナル退避
};

// An entry with the date and time, the PC's host name and the signed-in name
// (RunState's CurrentPupilName) filled in.
ChangeLogEntry NewLogEntry(LogOp op);
// The line as text, ending with CR LF.
QString ChangeLogLine(const ChangeLogEntry& entry);
// Appends one line and flushes it. The caller holds the appenders' lock.
bool AppendChangeLog(const QString& folder, const ChangeLogEntry& entry, common::IoFailure& failure);
// Every line of the log, in order; a missing log has none.
bool ReadChangeLog(const QString& folder, std::vector<ChangeLogEntry>& entries, common::IoFailure& failure);
std::vector<ChangeLogEntry> ParseChangeLog(const QByteArray& bytes);

// Whether the operation of line `index` (from 0) was undone by a journal put
// back after it (a crash between its rewrite and its commit).
bool RolledBack(const std::vector<ChangeLogEntry>& entries, size_t index);

// Where the deletion of line `line` (from 1) puts its record back: its record
// number then, moved by every deletion and restore logged after it. 0 with a
// reason when that line cannot be restored.
qint64 RestorePosition(const std::vector<ChangeLogEntry>& entries, qint64 line, QString& reason);

}  // namespace results
