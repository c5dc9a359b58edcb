#pragma once
// Which entries a level asks, how the next question is drawn, and the rule
// that judges a typed answer.

#include "core/practice/kanatable.h"

#include <QString>

namespace practice {

inline constexpr int kQuestionsPerRun = 20;
inline constexpr int kMaxAnswerLength = 12;
inline constexpr int kHintSeconds = 10;

struct EntryRange {
    int First = 1;
    int Count = kEntryCount;
};

// Entry range of a level (1..15); any other number asks every entry.
EntryRange LevelRange(int level);
// Draws an entry of the level's range that differs from `previous`.
int DrawEntry(int level, int previous);

// Whether the answer (trimmed of spaces) is the question's spelling under the
// mode: 0 Kunrei or Hepburn, 1 Kunrei only, 2 Hepburn only. Exact and
// case-sensitive.
bool IsCorrectAnswer(const QString& answer, const KanaEntry& question, int mode);

// The correct spelling shown after a wrong answer, in lower and upper case.
struct Spelling {
    QString Lower;
    QString Upper;
};
Spelling SpellingFor(const KanaEntry& question, int mode);

}  // namespace practice
