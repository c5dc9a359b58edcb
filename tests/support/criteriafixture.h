#pragma once
// The same criteria row for every level of the course, as most screen tests want it.

#include "results/criteria.h"

#include <QString>

namespace testing_support {

struct UniformCriteria {
    int target = 30;
    int minimum = 60;
    int clearPoints = 20;
    int clearCount = 2;
    float multiplier = 1.5f;
    const char* judgementDays = "7";
    const char* tooMuchDays = "3";
    const char* tooMuchCount = "";
};

// Resets the table and gives levels 1..15 the row.
inline void SetUniformCriteria(const UniformCriteria& c) {
    auto& table = results::criteria();
    table.Reset();
    for (int level = 1; level <= 15; ++level) {
        auto& row = table[level];
        row.TargetTime = c.target;
        row.MinimumTime = c.minimum;
        row.ClearPoints = c.clearPoints;
        row.ClearCount = static_cast<std::int16_t>(c.clearCount);
        row.PointMultiplier = c.multiplier;
        row.JudgementDays.Text = QString::fromUtf8(c.judgementDays);
        row.TooMuchDays.Text = QString::fromUtf8(c.tooMuchDays);
        row.TooMuchCount.Text = QString::fromUtf8(c.tooMuchCount);
    }
}

}  // namespace testing_support
