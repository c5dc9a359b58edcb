#pragma once
// Base fixture of every screen test: the platform double installed, a
// temporary folder, the shared state reset, and an empty screen host shown as
// main() shows it. A fixture that starts signed in (the default) also gets a
// standard run state: a signed-in third-grader of the demo classroom, the
// course list filled, the uniform criteria, the program and data folders in
// the temporary folder. `school` makes the school's files in the temporary
// folder.
//
// Tests reach a screen's controls by their object names, through Control():
// the screens keep their controls to themselves.

#include "fakeplatform.h"
#include "schoolbuilder.h"
#include "core/common/sharedstate.h"

#include "core/common/runstate.h"
#include "core/results/criteria.h"
#include "shell/screenhost.h"
#include "core/startup/runstate.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace testing_support {

class ScreenTest : public ::testing::Test {
protected:
    enum class Start {
        Reset,     // the shared state as the program starts: nothing signed in, no folders
        SignedIn,  // the standard run state above
    };
    explicit ScreenTest(Start start = Start::SignedIn) : start_(start) {}

    static constexpr int kPupil = 7;
    FakePlatform fake;
    QTemporaryDir dir;
    school::Builder school{school::FlatFolders(dir.path())};
    QDate today = QDate(2026, 12, 10);

    void SetUp() override {
        common::ResetSharedState();
        if (start_ == Start::SignedIn) SignIn();
        shell::ScreenHost::instance().show();
    }
    void TearDown() override { shell::ScreenHost::DestroyInstance(); }

    template <class T>
    T* Find() const {
        return shell::ScreenHost::instance().Find<T>();
    }

public:
    // The control of `screen` (or of a window or panel) named `name`, of type
    // T: "List5_3" is element 3 of the control array List5. A name that no
    // control of that type has, or that more than one has, fails the test with
    // the name and ends it.
    template <class T = QWidget>
    static T* Control(const QObject* screen, const QString& name) {
        const QList<T*> found = screen ? screen->findChildren<T*>(name) : QList<T*>();
        if (found.size() == 1) return found.front();
        const std::string what = (found.isEmpty() ? "no control " : "more than one control ") +
                                 name.toStdString() + " of type " + T::staticMetaObject.className() + " on " +
                                 (screen ? screen->objectName().toStdString() : std::string("no screen"));
        ADD_FAILURE() << what;
        throw std::logic_error(what);
    }
    // Element `index` of the control array `name`.
    template <class T = QWidget>
    static T* Control(const QObject* screen, const QString& name, int index) {
        return Control<T>(screen, name + u'_' + QString::number(index));
    }

private:
    void SignIn() {
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
    }

    Start start_;
};

}  // namespace testing_support
