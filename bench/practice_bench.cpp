#include "fakeplatform.h"
#include "screens/practice/MainFrm.h"
#include "screens/kit/flow.h"
#include "schoolbuilder.h"
#include "core/common/runstate.h"
#include "core/startup/runstate.h"
#include "shell/screenhost.h"

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
    auto& rs = common::runState();
    rs.Reset();
    school::Builder school(school::FlatFolders(dir.path()));
    if (!school.Criteria(school::UniformCriteria({.target = 40, .minimum = 60})).Load().Ok()) std::abort();
    startup::FillCourseList();
    rs.CurrentLevel = 15;
    rs.CurrentPupil = 1;
    rs.ChooserDone = true;

    auto& host = shell::ScreenHost::instance();
    host.show();
    flow::StartPracticeRun();
    auto* frm = host.Find<practice::MainFrm>();
    if (!frm) {
        state.SkipWithError("practice screen did not open");
        return;
    }
    frm->Keisan2Timer1_Timer();
    auto* box = frm->findChild<QLabel*>(QStringLiteral("Keisan2Lbl1_0"));
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
    shell::ScreenHost::DestroyInstance();
}
BENCHMARK(BM_PracticeKeystroke);
