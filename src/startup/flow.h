#pragma once
// How the screens open one another. Every screen reaches another only through
// these calls, so the order of opening and closing lives in one place.

#include <QString>

namespace startup {

void ShowSplash();
// Shown after start-up: the name screen, loaded anew when not loaded.
void ShowNameScreen();
void UnloadNameScreen();
// The level menu: loaded when not loaded, then activated.
void ShowLevelMenu();
void UnloadLevelMenu();
// Takes the level menu off view but keeps it loaded (a run started from its
// buttons returns to it; its load-time figures stay).
void HideLevelMenu();
void OpenPracticeScreen();
void ClosePracticeScreen();
void OpenEvaluationScreen();
void ShowBackdrop();
void CloseBackdrop();
void ShowVersionBox();

// After a pupil confirmed a name: the course list, then the level menu.
void SetUpCourseList();
// The one way into a practice run.
void StartPracticeRun();

// A fatal start-up or file error: the message, then the program ends.
void FatalError(const QString& message, const QString& title = QString());

}  // namespace startup
