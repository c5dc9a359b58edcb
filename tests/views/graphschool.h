#pragma once
// The run state, criteria and clock of a school whose level menu the graph
// tests open: data in `folder`, the pupil signed in, the results file empty.

#include "criteriafixture.h"
#include "fakeplatform.h"
#include "menus/roster.h"
#include "results/statistics.h"
#include "startup/runstate.h"
#include "startup/screenhost.h"

#include <QDate>
#include <QString>

namespace testing_support {

inline const QDate kGraphToday(2026, 12, 10);

inline void SetUpGraphSchool(FakePlatform& fake, const QString& folder, int pupil, const QString& name) {
    startup::runState().Reset();
    results::criteria().Reset();
    results::stats().Reset();
    menus::roster().Reset();
    auto& s = startup::runState();
    s.ProgramTitle = QStringLiteral("ローマ字");
    s.DataRoot = folder + QStringLiteral("/");
    s.ProgramDataFolder = folder + QStringLiteral("/");
    s.CurrentPupil = pupil;
    s.CurrentPupilName = name;
    s.SignInTime = 36000;
    s.ChooserDone = true;
    startup::FillCourseList();
    SetUniformCriteria({});
    fake.now = QDateTime(kGraphToday, QTime(10, 5, 0));
    startup::ScreenHost::instance().show();
}

inline QString GraphResultsFile() {
    return startup::runState().ProgramDataFolder + QStringLiteral("成績累積データ.dat");
}

}  // namespace testing_support
