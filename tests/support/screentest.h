#pragma once
// Base fixture of the screen tests: the platform double installed, a
// temporary program data folder, the shared state reset, a standard run state
// (a signed-in third-grader of the demo classroom, the course list filled),
// the uniform criteria, and an empty screen host shown as main() shows it.
// `school` makes the school's files in the temporary folder.

#include "fakeplatform.h"
#include "schoolbuilder.h"
#include "sharedstate.h"

#include "common/runstate.h"
#include "results/criteria.h"
#include "shell/screenhost.h"
#include "startup/runstate.h"

#include <QDateTime>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace testing_support {

class ScreenTest : public ::testing::Test {
protected:
    static constexpr int kPupil = 7;
    FakePlatform fake;
    QTemporaryDir dir;
    school::Builder school{school::FlatFolders(dir.path())};
    QDate today = QDate(2026, 12, 10);

    void SetUp() override {
        ResetSharedState();
        auto& s = common::runState();
        s.ProgramTitle = QStringLiteral("ローマ字");
        s.ProgramDataFolder = dir.path() + QStringLiteral("/");
        s.DataRoot = dir.path() + QStringLiteral("/");
        s.SchoolCode = QStringLiteral("01234");
        s.SchoolName = QStringLiteral("中央教室");
        s.CurrentPupil = kPupil;
        s.CurrentPupilName = QStringLiteral("山田　太郎");
        s.CurrentGradeLabel = QStringLiteral("小３");
        // Signed in at 10:00, five minutes ago on both clocks.
        s.SignInTime = 36000;
        s.SignInTick = fake.ticks - 5 * 60000;
        s.ChooserDone = true;
        startup::FillCourseList();
        results::criteria() = school::UniformCriteria({});
        fake.now = QDateTime(today, QTime(10, 5, 0));
        fake.programFolder = dir.path();
        shell::ScreenHost::instance().show();
    }
    void TearDown() override { shell::ScreenHost::DestroyInstance(); }

    template <class T>
    T* Find() const {
        return shell::ScreenHost::instance().Find<T>();
    }
};

}  // namespace testing_support
