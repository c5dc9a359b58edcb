#pragma once
// romaji-admin history and restore: the maintenance log "成績変更記録.txt" as a
// numbered list, and a deleted record put back at its place from it.

#include "admin/commands.h"

#include <QString>

namespace admin {

// `romaji-admin history`: every line of the log, numbered from 1 (the number
// restore takes). Returns the exit code.
int History(const DataFolders& folders, QString& out, QString& err);

// `romaji-admin restore N`: puts the record that the deletion of history line
// N removed back where it stood, under the appenders' lock and through the
// journal, and logs it. Returns the exit code.
int Restore(const DataFolders& folders, const QString& number, QString& out, QString& err);

}  // namespace admin
