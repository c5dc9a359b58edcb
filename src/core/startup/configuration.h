#pragma once
// Finding the installation folders and reading the start-up files
// "パスデータ.txt" (one level above the program folder) and "共通データ.txt"
// (in the data root).
//
//   P                  the program folder (folder of the executable, no trailing '/')
//   P/../パスデータ.txt  item 1 = DataRoot (ends with '/'; a relative one is
//                      taken from the folder that holds パスデータ.txt)
//   DataRoot/共通データ.txt, DataRoot/新名簿.txt, DataRoot/音フォルダ/
//   DataRoot/<name of P>/  the program's own data (criteria, results)

#include "core/common/outcome.h"

#include <QString>

namespace startup {

// Items 1 and 3 of "共通データ.txt", used by the roster code.
struct CommonSettings {
    int SchoolYearStartMonth = 4;
    int ListFlagTwo = 0;
    void Reset();
};

CommonSettings& commonSettings();

// The development layout: the program folder contains "VB0006" and not "VORLEX".
bool IsDevLayout(const QString& programFolder);

struct Folders {
    QString DataRoot;
    QString ProgramFolderName;
    QString ProgramDataFolder;
    QString SoundFolder;
};

// Folder names derived from the program folder and item 1 of "パスデータ.txt"
// (already resolved), as LoadConfiguration sets them. The names are joined
// without adding separators: a data root without its trailing '/' gives
// paths that lead nowhere, and the start-up stops at "共通データ.txt".
Folders DeriveFolders(const QString& programFolder, const QString& dataRootItem, bool devLayout);

// Item 2 of "共通データ.txt": when its first five characters read as a
// number other than 0, they are the classroom code and the rest is the name;
// otherwise the whole text is the name and there is no code.
void SplitClassroomText(const QString& text, QString& schoolCode, QString& schoolName);

// Item 1 of "パスデータ.txt" one level above the program folder, as a folder
// name of this machine (a relative one taken from the folder that holds the
// path file). False with a message naming the file when it cannot be read, has
// too few items or an empty first item.
bool ReadDataRoot(const QString& programFolder, QString& dataRoot, QString& errorMessage);

// The classroom and the settings of DataRoot + "共通データ.txt". False with a
// message naming the file when it cannot be read, has too few items or a start
// month outside 1..12 (a data root without its trailing '/' says so too).
struct CommonFile {
    CommonSettings Settings;
    QString SchoolCode;
    QString SchoolName;
};
bool ReadCommonFile(const QString& dataRoot, CommonFile& common, QString& errorMessage);
// The text of a "共通データ.txt" that ReadCommonFile reads back as these
// settings: the start month, the classroom text, ListFlagTwo, and 0 for the
// seven items that are read and not used; one item a line.
QString CommonFileText(int startMonth, const QString& classroom, int listFlagTwo = 0);

// Reads the configuration of the installation into common::RunState and the common
// settings, then the criteria and the sound list. Uses the program folder of
// the platform and common::RunState::DevLayout (set by the splash). False with a
// message naming the file and the error when something cannot be read;
// `tell` hears of answer sounds the sound list lacks.
bool LoadConfiguration(QString& errorMessage, const common::Tell& tell);

}  // namespace startup
