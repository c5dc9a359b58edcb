#pragma once
// The administrator's commands that set a school up and change its files:
//   init DATA_ROOT           lays out a new, empty school
//   roster import FILE.csv   writes 新名簿.txt from a spreadsheet's CSV
//   roster export FILE.csv   writes the roster back as CSV
//   teacher-pin set | clear  the teacher's PIN on this PC

#include <QString>
#include <QStringList>

#include <optional>

namespace admin {

// Runs `command` with its arguments when it is one of the commands above:
// the report goes to out, problems to err; returns the exit code (0 done,
// 1 refused, nothing changed, 2 a file cannot be read or written, or the
// command line is wrong). Nothing when the command is not one of them.
// programFolder is the folder of the tool, as for FindFolders.
std::optional<int> RunSetupCommand(const QString& command, const QStringList& arguments,
                                   const QString& programFolder, QString& out, QString& err);

QString SetupHelpText();

}  // namespace admin
