#pragma once
// How the screens open one another. Every screen reaches another only through
// these calls, so the order of opening and closing lives in one place: the
// shell, which knows every screen, installs a Navigator at start; the screens
// below it only know these names.

#include "core/common/outcome.h"

#include <QString>

class QWidget;

namespace kit {
class Screen;
}

namespace results {
struct RunEndFlags;
}

namespace flow {

class Navigator {
public:
    virtual ~Navigator() = default;
    virtual void ShowSplash() = 0;
    virtual void ShowNameScreen() = 0;
    virtual void UnloadNameScreen() = 0;
    virtual void ShowLevelMenu() = 0;
    virtual void UnloadLevelMenu() = 0;
    virtual void HideLevelMenu() = 0;
    virtual void OpenPracticeScreen() = 0;
    virtual void ClosePracticeScreen() = 0;
    virtual void OpenEvaluationScreen(const results::RunEndFlags& flags) = 0;
    virtual void OpenCriteriaEditor() = 0;
    virtual void OpenRecordsMaintenance() = 0;
    virtual void ShowBackdrop() = 0;
    virtual void CloseBackdrop() = 0;
    virtual void ShowVersionBox() = 0;
    virtual void SetUpCourseList() = 0;
    virtual void StartPracticeRun() = 0;
    virtual void RaiseScreen(kit::Screen* screen) = 0;
    virtual void CloseScreen(kit::Screen* screen) = 0;
    // The window that modal dialogs of the screens are centred on.
    virtual QWidget* DialogParent() = 0;
};

// The shell installs its navigator at start (tests install the same one).
void SetNavigator(Navigator* navigator);

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
// The evaluation of the run just recorded, with the flags its recording gave.
void OpenEvaluationScreen(const results::RunEndFlags& flags);
// The teacher's screens of the level menu's data panel; each closes the menu
// and returns to it with its own "戻る".
void OpenCriteriaEditor();
void OpenRecordsMaintenance();
void ShowBackdrop();
void CloseBackdrop();
void ShowVersionBox();

// After a pupil confirmed a name: the course list, then the level menu.
void SetUpCourseList();
// The one way into a practice run.
void StartPracticeRun();

// Brings a screen's page to the front without activating it.
void RaiseScreen(kit::Screen* screen);
// Takes a screen off the host and deletes it (a screen closing itself).
void CloseScreen(kit::Screen* screen);
QWidget* DialogParent();

// A fatal start-up or file error: the message, then the program ends.
[[noreturn]] void FatalError(const QString& message, const QString& title = QString());
// Ends the program with the outcome's message when core code reported a
// fatal error; returns when the operation was done.
void EndIfFatal(const common::Outcome& outcome);
// What core code tells the user while it goes on: a "注意" message box. The
// screens give it to core code as its common::Tell.
void Caution(const QString& text);

}  // namespace flow
