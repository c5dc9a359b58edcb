#include "screens/kit/flow.h"

#include "core/common/platform.h"

#include <cassert>
#include <cstdlib>

namespace flow {
namespace {
Navigator* current = nullptr;

Navigator& nav() {
    assert(current && "the shell installs the screen flow before any screen opens");
    return *current;
}
}  // namespace

void SetNavigator(Navigator* navigator) { current = navigator; }

void ShowSplash() { nav().ShowSplash(); }
void ShowNameScreen() { nav().ShowNameScreen(); }
void UnloadNameScreen() { nav().UnloadNameScreen(); }
void ShowLevelMenu() { nav().ShowLevelMenu(); }
void UnloadLevelMenu() { nav().UnloadLevelMenu(); }
void HideLevelMenu() { nav().HideLevelMenu(); }
void OpenPracticeScreen() { nav().OpenPracticeScreen(); }
void ClosePracticeScreen() { nav().ClosePracticeScreen(); }
void OpenEvaluationScreen(const results::RunEndFlags& flags) { nav().OpenEvaluationScreen(flags); }
void OpenCriteriaEditor() { nav().OpenCriteriaEditor(); }
void OpenRecordsMaintenance() { nav().OpenRecordsMaintenance(); }
void ShowBackdrop() { nav().ShowBackdrop(); }
void CloseBackdrop() { nav().CloseBackdrop(); }
void ShowVersionBox() { nav().ShowVersionBox(); }
void SetUpCourseList() { nav().SetUpCourseList(); }
void StartPracticeRun() { nav().StartPracticeRun(); }
void RaiseScreen(kit::Screen* screen) { nav().RaiseScreen(screen); }
void CloseScreen(kit::Screen* screen) { nav().CloseScreen(screen); }
QWidget* DialogParent() { return nav().DialogParent(); }

void FatalError(const QString& message, const QString& title) {
    QString caption = title;
    if (caption.isEmpty()) caption = QStringLiteral("ローマ字");
    common::platform().MessageBox(message, caption, common::MessageButtons::Ok);
    common::platform().EndProgramAfterError();
    std::abort();  // not reached: no platform's end of the program returns
}

void EndIfFatal(const common::Outcome& outcome) {
    if (outcome.IsFatal()) FatalError(outcome.Message(), outcome.Title());
}

void Caution(const QString& text) {
    common::platform().MessageBox(text, QStringLiteral("注意"), common::MessageButtons::Ok);
}

}  // namespace flow
