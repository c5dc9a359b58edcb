#pragma once
// The administrator's commands: a report on the school's data files and an
// export of the results for spreadsheet programs. Nothing here changes a file
// of the school.

#include <QString>
#include <QStringList>

namespace admin {

// Exit codes: all is well, something needs attention, a file cannot be read
// (or the command line is wrong).
inline constexpr int kExitWell = 0;
inline constexpr int kExitAttention = 1;
inline constexpr int kExitUnreadable = 2;

// The folders of one run of a command.
struct DataFolders {
    QString DataRoot;           // ends with '/'
    QString ProgramDataFolder;  // ends with '/'
};

// The program's data folder given on the command line (its parent is the data
// root), or, when none is given, the folders the program itself would use:
// the path file one level above `programFolder`. False with the message.
bool FindFolders(const QString& given, const QString& programFolder, DataFolders& folders,
                 QString& errorMessage);

// `romaji-admin check`: the report goes to `out`; returns the exit code.
int Check(const DataFolders& folders, QString& out);

struct ExportRequest {
    QString From;  // YYYY-MM-DD or YYYY/MM/DD; empty for an open end
    QString To;
    QString Output;
};
// `romaji-admin export`: writes the CSV file; what it did goes to `out`,
// errors to `err`. Returns the exit code.
int Export(const DataFolders& folders, const ExportRequest& request, QString& out, QString& err);

QString HelpText();

}  // namespace admin
