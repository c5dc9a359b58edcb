#include "shell/flow.h"

#include "core/common/platform.h"
#include "screens/kit/flow.h"
#include "screens/menus/namesel.h"
#include "screens/menus/seisekitime1.h"
#include "screens/practice/MainFrm.h"
#include "core/menus/roster.h"
#include "screens/results/FrmData.h"
#include "screens/results/FrmSyuuryou.h"
#include "screens/results/FrmTimeData.h"
#include "shell/screenhost.h"
#include "screens/startup/BASEFRM.h"
#include "screens/startup/Firstfrm.h"
#include "screens/startup/frmver.h"
#include "core/startup/runstate.h"
#include "screens/views/graphpanel.h"
#include "screens/views/resultlistings.h"

namespace shell {
namespace {

class ScreenFlow final : public flow::Navigator {
public:
    void ShowSplash() override { host().Show(new startup::Firstfrm); }
    void ShowNameScreen() override {
        auto* screen = host().Find<menus::namesel>();
        if (!screen) screen = new menus::namesel;
        host().Show(screen);
    }
    void UnloadNameScreen() override {
        if (auto* screen = host().Find<menus::namesel>()) host().Close(screen);
    }
    void ShowLevelMenu() override {
        auto* menu = host().Find<menus::seisekitime1>();
        if (!menu) {
            menu = new menus::seisekitime1;
            // The result listings work on the menu's columns and switches; the
            // per-pupil graph panel builds its panel on the menu, gives way
            // when the listings switch their view, and takes over when their
            // "個人ﾀｲﾑ" asks for one pupil's times. Both live as the menu's
            // children.
            auto* listings = new views::ResultListings(menu);
            auto* graphs = new views::GraphPanel(menu);
            QObject::connect(listings, &views::ResultListings::ViewSwitching, graphs,
                             &views::GraphPanel::HideForOtherView);
            QObject::connect(listings, &views::ResultListings::PupilTimesRequested, graphs,
                             &views::GraphPanel::PerPupilTimes);
        }
        host().Show(menu);
    }
    void UnloadLevelMenu() override {
        if (auto* menu = host().Find<menus::seisekitime1>()) host().Close(menu);
    }
    void HideLevelMenu() override {
        if (auto* menu = host().Find<menus::seisekitime1>()) menu->hide();
    }
    void OpenPracticeScreen() override {
        // One practice screen at a time: a run starts on a fresh screen.
        if (auto* old = host().Find<practice::MainFrm>()) host().Close(old);
        host().Show(new practice::MainFrm);
    }
    void ClosePracticeScreen() override {
        if (auto* screen = host().Find<practice::MainFrm>()) host().Close(screen);
    }
    void OpenEvaluationScreen(const results::RunEndFlags& flags) override {
        // Created for one run: the screen of an earlier run never comes back.
        if (auto* old = host().Find<results::FrmSyuuryou>()) host().Close(old);
        host().Show(new results::FrmSyuuryou(flags));
    }
    void OpenCriteriaEditor() override {
        // Created for one visit; the level menu is loaded anew on the way back.
        if (auto* old = host().Find<results::FrmTimeData>()) host().Close(old);
        host().Show(new results::FrmTimeData);
        UnloadLevelMenu();
    }
    void OpenRecordsMaintenance() override {
        // Created for one visit; the level menu is built anew on the way back.
        if (auto* old = host().Find<results::FrmData>()) host().Close(old);
        host().Show(new results::FrmData([] { return menus::RecordsPupilChoices(flow::Caution); }));
        UnloadLevelMenu();
    }
    void ShowBackdrop() override {
        auto* backdrop = host().Find<startup::BASEFRM>();
        if (!backdrop) backdrop = new startup::BASEFRM;
        host().Show(backdrop);
        common::DoEvents();
    }
    void CloseBackdrop() override {
        if (auto* backdrop = host().Find<startup::BASEFRM>()) host().Close(backdrop);
    }
    void ShowVersionBox() override {
        startup::frmver box(&host());  // centres itself on the screen
        box.exec();
    }
    void SetUpCourseList() override {
        startup::FillCourseList();
        ShowLevelMenu();
    }
    void StartPracticeRun() override {
        startup::ResetRunFields();
        common::DoEvents();
        OpenPracticeScreen();
    }
    void RaiseScreen(kit::Screen* screen) override { host().Raise(screen); }
    void CloseScreen(kit::Screen* screen) override { host().Close(screen); }
    QWidget* DialogParent() override { return &host(); }

private:
    static ScreenHost& host() { return ScreenHost::instance(); }
};

}  // namespace

void InstallScreenFlow() {
    static ScreenFlow flow;
    flow::SetNavigator(&flow);
}

}  // namespace shell
