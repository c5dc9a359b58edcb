#include "core/practice/questions.h"

#include "core/common/random.h"
#include "core/common/strings.h"

#include <cmath>

namespace practice {

EntryRange LevelRange(int level) {
    // first entry, last entry
    static constexpr int kRanges[16][2] = {
        {1, 106},                                        // no level
        {1, 10},  {11, 20}, {1, 20},  {21, 30}, {1, 30},  // 1-5
        {31, 44}, {1, 44},  {45, 54}, {55, 69}, {1, 69},  // 6-10
        {70, 80}, {80, 90}, {70, 90}, {91, 106}, {1, 106}  // 11-15
    };
    const int l = (level >= 1 && level <= 15) ? level : 0;
    return {kRanges[l][0], kRanges[l][1] - kRanges[l][0] + 1};
}

int DrawEntry(int level, int previous) {
    const EntryRange r = LevelRange(level);
    if (r.Count <= 1) return r.First;
    for (;;) {
        const int n = r.First + static_cast<int>(std::floor(common::Rnd() * r.Count));
        // A source that returns 1.0 or more would leave the range.
        if (n < r.First || n >= r.First + r.Count) continue;
        if (n != previous) return n;
    }
}

bool IsCorrectAnswer(const QString& answer, const KanaEntry& question, int mode) {
    const QString a = common::TrimSpaces(answer);
    const QString k = common::TrimSpaces(question.Kunrei);
    const QString h = common::TrimSpaces(question.Hepburn);
    switch (mode) {
    case 1: return a == k;
    case 2: return a == h;
    default: return a == k || a == h;
    }
}

Spelling SpellingFor(const KanaEntry& question, int mode) {
    const QString k = common::TrimSpaces(question.Kunrei);
    const QString h = common::TrimSpaces(question.Hepburn);
    switch (mode) {
    case 1: return {k, k.toUpper()};
    case 2: return {h, h.toUpper()};
    default:
        if (k == h) return {k, k.toUpper()};
        return {k + QStringLiteral(" / ") + h, k.toUpper() + QStringLiteral(" / ") + h.toUpper()};
    }
}

}  // namespace practice
