#include "startup/flow.h"

#include "common/platform.h"
#include "menus/seisekitime1.h"
#include "menus/namesel.h"
#include "practice/mainfrm.h"
#include "results/FrmSyuuryou.h"
#include "startup/BASEFRM.h"
#include "startup/Firstfrm.h"
#include "startup/frmver.h"
#include "startup/runstate.h"
#include "startup/screenhost.h"

namespace startup {

void ShowSplash() { ScreenHost::instance().Show(new Firstfrm); }
void ShowNameScreen() {
    auto& host = ScreenHost::instance();
    auto* screen = host.Find<menus::namesel>();
    if (!screen) screen = new menus::namesel;
    host.Show(screen);
}
void UnloadNameScreen() {
    auto& host = ScreenHost::instance();
    if (auto* screen = host.Find<menus::namesel>()) host.Close(screen);
}
void ShowLevelMenu() {
    auto& host = ScreenHost::instance();
    auto* menu = host.Find<menus::seisekitime1>();
    host.Show(menu ? menu : new menus::seisekitime1);
}
void UnloadLevelMenu() {
    auto& host = ScreenHost::instance();
    if (auto* menu = host.Find<menus::seisekitime1>()) host.Close(menu);
}
void HideLevelMenu() {
    if (auto* menu = ScreenHost::instance().Find<menus::seisekitime1>()) menu->hide();
}
void OpenPracticeScreen() {
    auto& host = ScreenHost::instance();
    // One practice screen at a time: a run starts on a fresh screen.
    if (auto* old = host.Find<practice::MainFrm>()) host.Close(old);
    host.Show(new practice::MainFrm);
}
void ClosePracticeScreen() {
    auto& host = ScreenHost::instance();
    if (auto* screen = host.Find<practice::MainFrm>()) host.Close(screen);
}
void OpenEvaluationScreen() {
    auto& host = ScreenHost::instance();
    // Created for one run: the screen of an earlier run never comes back.
    if (auto* old = host.Find<results::FrmSyuuryou>()) host.Close(old);
    host.Show(new results::FrmSyuuryou);
}
void ShowBackdrop() {
    auto& host = ScreenHost::instance();
    auto* backdrop = host.Find<BASEFRM>();
    if (!backdrop) backdrop = new BASEFRM;
    host.Show(backdrop);
    common::DoEvents();
}

void CloseBackdrop() {
    auto& host = ScreenHost::instance();
    if (auto* backdrop = host.Find<BASEFRM>()) host.Close(backdrop);
}

void ShowVersionBox() {
    frmver box(&ScreenHost::instance());  // centres itself on the screen
    box.exec();
}

void SetUpCourseList() {
    FillCourseList();
    ShowLevelMenu();
}

void StartPracticeRun() {
    ResetRunFields();
    common::DoEvents();
    OpenPracticeScreen();
}

void FatalError(const QString& message, const QString& title) {
    QString caption = title;
    if (caption.isEmpty()) caption = QStringLiteral("ローマ字");
    common::platform().MessageBox(message, caption, common::MessageButtons::Ok);
    common::platform().EndProgram();
}

}  // namespace startup
