#pragma once
// The default data a new school starts from: the sound folder (the sound list
// and the WAV files) and the criteria of the fifteen levels. make_default_data
// writes them at build time into a folder laid out like a data root
// (音フォルダ/, ローマ字/タイム回数データ.txt); the package installs that
// folder as /usr/share/romaji, and romaji-admin init and the demo school copy
// from it.

#include <QString>

namespace defaults {

// The sound list "新音ファイル.txt" and the WAV files, into folder (ends with '/').
bool WriteSounds(const QString& folder, QString& errorText);

// "タイム回数データ.txt" from the readable source criteria.csv, written as the
// criteria editor writes it.
bool WriteCriteria(const QString& source, const QString& path, QString& errorText);

}  // namespace defaults
