#pragma once
// Which levels the current pupil may start now. A level the pupil has
// practised too much lately is locked, until the final level of the course is
// cleared; nothing is stored, every refresh decides afresh from the statistics.

namespace results {

// Whether the current pupil has cleared the final level, as of the level
// menu's last availability refresh (read by the evaluation screen).
int& FinalLevelCleared();

// Sets FinalLevelCleared for the pupil (step one of every refresh).
void UpdateFinalLevelCleared(int pupil, int finalLevel);
// Whether level `level` is locked for the pupil, given FinalLevelCleared as
// last updated. The last level of the course is never asked about.
bool LevelLocked(int pupil, int level);

}  // namespace results
