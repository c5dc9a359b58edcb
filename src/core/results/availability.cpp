#include "core/results/availability.h"

#include "core/common/sharedstate.h"
#include "core/results/criteria.h"

namespace results {

int& FinalLevelCleared() {
    static int& value = common::MakeShared<int>();
    return value;
}

void UpdateFinalLevelCleared(int pupil, int finalLevel) {
    FinalLevelCleared() = LevelCleared(pupil, finalLevel) ? 1 : 0;
}

bool LevelLocked(int pupil, int level) {
    // The lock does not ask whether the level is cleared: practising a level a
    // lot locks it either way, and only clearing the final level lifts every lock.
    return TooMuchReached(pupil, level) && FinalLevelCleared() == 0;
}

}  // namespace results
