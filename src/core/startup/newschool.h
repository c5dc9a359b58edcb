#pragma once
// What a new school starts from: the default sound folder and criteria that
// the package installs (under /usr/share/romaji, laid out like a data root),
// copied into a school's data root by romaji-admin init and by the demo
// school; and the folder of the files only the administrator writes.

#include <QString>
#include <QStringList>

namespace startup {

// The name of the program folder in the layouts the package and the demo
// school make, and so of the program's data folder in their data roots.
QString InstalledProgramFolderName();

// The folder of the default data for a program in programFolder: the
// share/romaji beside an installed program (/usr/lib/romaji/ローマ字 ->
// /usr/share/romaji), or that of a build folder (build/share/romaji beside
// build/romaji). Empty when there is none.
QString FindDefaultDataFolder(const QString& programFolder);

// Copies the default sound folder ("音フォルダ/" of defaults) into dataRoot
// (ends with '/'), and the default criteria ("ローマ字/タイム回数データ.txt" of
// defaults) into programDataFolder (ends with '/'). A file that is there
// already is never overwritten: false with the message. The paths made are
// added to made.
bool CopyDefaultSounds(const QString& defaults, const QString& dataRoot, QStringList& made,
                       QString& errorMessage);
bool CopyDefaultCriteria(const QString& defaults, const QString& programDataFolder, QStringList& made,
                         QString& errorMessage);

// The folder of the files only the administrator writes (the teacher's PIN;
// the package's path file lies there too): /etc/romaji, or the folder named
// by the environment variable ROMAJI_CONFIG_DIR (for tests, which must not
// write /etc).
QString SystemConfigFolder();

}  // namespace startup
