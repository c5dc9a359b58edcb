#include "fakeplatform.h"
#include "practice/mainfrm.h"
#include "results/criteria.h"
#include "startup/flow.h"
#include "startup/runstate.h"
#include "startup/screenhost.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {
void Press(QWidget* w, int key, const QString& text) {
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &e);
}
}  // namespace

// One letter typed into the practice screen until the answer box has
// repainted: what a pupil waits for on every key.
static void BM_PracticeKeystroke(benchmark::State& state) {
    testing_support::FakePlatform fake;
    QTemporaryDir dir;
    fake.programFolder = dir.path();
    auto& rs = startup::runState();
    rs.Reset();
    startup::FillCourseList();
    rs.ProgramDataFolder = dir.path() + u'/';
    rs.CurrentLevel = 15;
    rs.CurrentPupil = 1;
    rs.ChooserDone = true;
    results::criteria()[15].TargetTime = 40;
    results::criteria()[15].MinimumTime = 60;

    auto& host = startup::ScreenHost::instance();
    host.show();
    startup::StartPracticeRun();
    auto* frm = host.Find<practice::MainFrm>();
    if (!frm) {
        state.SkipWithError("practice screen did not open");
        return;
    }
    frm->Keisan2Timer1_Timer();
    QLabel* box = frm->Keisan2Lbl1[0];
    int typed = 0;
    for (auto _ : state) {
        if (typed == 11) {  // stay below the twelve-letter limit
            state.PauseTiming();
            Press(frm, Qt::Key_Delete, QStringLiteral("\x7f"));
            typed = 0;
            state.ResumeTiming();
        }
        Press(frm, Qt::Key_A, QStringLiteral("a"));
        box->repaint();
        ++typed;
    }
    startup::ScreenHost::DestroyInstance();
}
BENCHMARK(BM_PracticeKeystroke);
