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
    QString FoundFrom;          // how they were found, for the report
};

// The folder given on the command line: the data root (it holds
// 共通データ.txt, 新名簿.txt, 音フォルダ/ or the program's data folder
// "ローマ字"), or else the
// program's data folder (its parent is the data root). When none is given,
// the folders the program itself would use: the path file one level above
// `programFolder`. False with the message.
bool FindFolders(const QString& given, const QString& programFolder, DataFolders& folders,
                 QString& errorMessage);

// "データフォルダ: …（how it was found）": the line every command that reads
// the school's files starts its report with.
QString FolderLine(const DataFolders& folders);

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
