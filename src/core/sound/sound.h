#pragma once
// Sound effects: the sound list "新音ファイル.txt" and the players. Every sound
// plays to its end before the program goes on (through the platform seam).

#include "core/common/outcome.h"

#include <QString>
#include <QStringList>

#include <array>

namespace sound {

struct SoundKind {
    QString Name;
    std::array<QString, 21> Files{};  // 1..20 used: base names without ".wav"
    QString Count;                    // as text; empty = no count
};

// Kinds 1..10 (slot 0 unused).
struct SoundTable {
    std::array<SoundKind, 11> Kinds{};
    void Reset() { *this = SoundTable{}; }
};

SoundTable& soundTable();

// Reads SoundFolder + "新音ファイル.txt". False with a message naming the file
// when it cannot be read.
bool LoadSoundTable(QString& errorMessage);
// The names of the answer-sound kinds ("正解音2", "間違い音2") for which the
// sound list gives nothing to play.
QStringList MissingAnswerSounds();
// When answer sounds are missing, what the start-up tells the teacher, naming
// the sound list, before a pupil's fourth answer ends the program; empty
// when none is missing.
QString MissingAnswerSoundsWarning();
// Plays SoundFolder + baseName + ".wav" to its end; 0 when played.
int PlaySoundFile(const QString& baseName, QString* errorText = nullptr);

// Kind 2 and kind 4, failures counted: the fourth failure in a row is fatal,
// with the message "音声がでません。先生を呼びなさい。" and the error text.
common::Outcome PlayCorrectSound();
common::Outcome PlayWrongSound();
void PlayPersonalBestSound();  // kind 8
void PlayMinimumTimeSound();   // kind 10
void PlaySchoolBestSound();    // "最高1.wav"
void PlayPassSound();          // "合格.wav"
void PlayWarningSound();       // "警告1.wav"

}  // namespace sound
