#pragma once
// Whether the current pupil has cleared the final level, as of the level
// menu's last availability refresh.

namespace results {
int& FinalLevelCleared();
}
