#pragma once
// Lays out a demo school installation:
//   root/CAI/パスデータ.txt            -> points at root/CAIdata/
//   root/CAI/ローマ字/romaji           the program (copied from programBinary)
//   root/CAI/ローマ字/ローマ字形式.txt
//   root/CAI/起動/ルナリアc.exe         a stand-in launcher that simply exits
//   root/CAIdata/共通データ.txt, 新名簿.txt
//   root/CAIdata/音フォルダ/新音ファイル.txt and the WAV files   } copies of the default
//   root/CAIdata/ローマ字/タイム回数データ.txt                   } data (defaults/)
//   root/CAIdata/ローマ字/成績累積データ.dat
// The school's files are made by the school builder (schoolbuilder/).

#include "schoolbuilder.h"

#include <QDate>
#include <QString>

#include <vector>

namespace demo {

struct Options {
    QString programBinary;  // empty: no program copied (tests)
    QDate today;            // date the results history ends on
    bool withResults = true;
};

// False with errorText when something could not be written.
bool LayOutDemoSchool(const QString& root, const Options& options, QString& errorText);

// The parts: the installation with the settings and the roster; the sounds;
// the criteria and the results history.
bool LayOutBase(const QString& root, const Options& options, QString& errorText);
bool LayOutSounds(const QString& root, const Options& options, QString& errorText);
bool LayOutResults(const QString& root, const Options& options, QString& errorText);

// The demo school's common settings.
school::Settings Settings();
// The demo roster (demo/data/roster.txt) with the birth years of the school
// year of `today`.
bool Roster(const QDate& today, std::vector<school::Pupil>& pupils, QString& errorText);

}  // namespace demo
