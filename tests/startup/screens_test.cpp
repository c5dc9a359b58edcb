#include "core/common/random.h"
#include "demoschool.h"
#include "screens/startup/BASEFRM.h"
#include "screens/startup/Firstfrm.h"
#include "screens/kit/flow.h"
#include "screens/startup/frmver.h"
#include "core/common/runstate.h"
#include "shell/realplatform.h"
#include "shell/screenhost.h"

#include "screentest.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include <sys/wait.h>
#include <unistd.h>

using startup::Firstfrm;
using shell::ScreenHost;
using common::runState;

namespace {

// The program as it starts: nothing read, nobody signed in.
class ScreensTest : public testing_support::ScreenTest {
protected:
    ScreensTest() : ScreenTest(Start::Reset) {}
    void SetUp() override {
        ScreenTest::SetUp();
        fake.now = QDateTime(QDate(2026, 2, 28), QTime(9, 30, 0));
    }
    void TearDown() override {
        ScreenTest::TearDown();
        common::SetRandomSource({});
    }
    // A whole demo installation; the program folder is its CAI/ローマ字.
    void UseDemoSchool() {
        ASSERT_TRUE(dir.isValid());
        demo::Options options;
        options.today = fake.now.date();
        QString error;
        ASSERT_TRUE(demo::LayOutDemoSchool(dir.path(), options, error)) << error.toStdString();
        fake.programFolder = dir.path() + QStringLiteral("/CAI/ローマ字");
    }
    QList<kit::Screen*> Pages() { return ScreenHost::instance().Pages(); }
};

TEST_F(ScreensTest, SplashPreparesThenOpensTheNameScreenAndCloses) {
    UseDemoSchool();
    flow::ShowSplash();
    auto* splash = ScreenHost::instance().Find<Firstfrm>();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(Control<QLabel>(splash, "Label5")->text(), QStringLiteral("令和8年 2月 28日（土）"));
    EXPECT_EQ(Control<QLabel>(splash, "Label1")->text(), QStringLiteral("Just a moment, please."));
    EXPECT_EQ(Control<QLabel>(splash, "Image1")->pixmap().size(), QSize(640, 480));
    EXPECT_EQ(runState().SeasonColour, 0xFF8000u);
    EXPECT_FALSE(runState().DevLayout);
    // The configuration waits for the one-shot timer.
    EXPECT_TRUE(Control<QTimer>(splash, "Timer1")->isActive());
    EXPECT_TRUE(Control<QTimer>(splash, "Timer1")->isSingleShot());
    EXPECT_EQ(Control<QTimer>(splash, "Timer1")->interval(), 100);
    EXPECT_TRUE(runState().DataRoot.isEmpty());

    ASSERT_TRUE(QTest::qWaitFor([] { return !ScreenHost::instance().Find<Firstfrm>(); }, 5000));
    EXPECT_EQ(runState().DataRoot, dir.path() + QStringLiteral("/CAIdata/"));
    EXPECT_EQ(runState().SchoolCode, QStringLiteral("01234"));
    ASSERT_EQ(Pages().size(), 1);
    EXPECT_EQ(Pages()[0]->objectName(), QStringLiteral("namesel"));
    EXPECT_EQ(fake.endCount, 0);
}

TEST_F(ScreensTest, SplashEndsTheProgramWithTheFileErrorWhenConfigurationFails) {
    ASSERT_TRUE(dir.isValid());
    fake.programFolder = dir.path() + QStringLiteral("/CAI/ローマ字");  // no path file anywhere
    flow::ShowSplash();
    ASSERT_TRUE(QTest::qWaitFor([this] { return fake.endCount > 0; }, 5000));
    EXPECT_EQ(fake.endCount, 1);
    ASSERT_EQ(fake.messages.size(), 1);
    EXPECT_TRUE(fake.messages[0].text.contains(QStringLiteral("パスデータ.txt")));
    EXPECT_FALSE(fake.messages[0].title.isEmpty());
    // Nothing else was opened.
    ASSERT_EQ(Pages().size(), 1);
    EXPECT_NE(qobject_cast<Firstfrm*>(Pages()[0]), nullptr);
}

// A launcher or a script can tell a fatal end from a pupil leaving: the
// real platform ends with a failure status after a fatal error's message and
// with 0 when the pupil leaves. Each end runs in a process of its own.
TEST_F(ScreensTest, RealPlatformEndsWithAFailureStatusOnlyAfterAFatalError) {
    struct Case {
        const char* label;
        std::function<void()> end;
        int status;
    };
    const Case cases[] = {
        {"fatal error", [] { flow::FatalError(QStringLiteral("共通データ.txt が読めません。")); }, EXIT_FAILURE},
        {"pupil leaves", [] { common::platform().EndProgram(); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            shell::RealPlatform real;
            common::SetPlatform(&real);
            // The teacher reads the message and closes it.
            QTimer closer;
            QObject::connect(&closer, &QTimer::timeout, [] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->accept();
            });
            closer.start(10);
            c.end();
            ::_exit(99);  // the program went on after its end
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status)) << "signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
        EXPECT_EQ(WEXITSTATUS(status), c.status);
    }
}

TEST_F(ScreensTest, SplashSeedsTheGeneratorFromTheTimeOfDay) {
    auto firstDraw = [this](QTime t) {
        fake.SetTime(t);
        flow::ShowSplash();
        const double r = common::Rnd();
        ScreenHost::DestroyInstance();
        return r;
    };
    const double a = firstDraw(QTime(9, 30, 0));
    EXPECT_EQ(firstDraw(QTime(9, 30, 0)), a);
    EXPECT_NE(firstDraw(QTime(9, 30, 1)), a);
}

TEST_F(ScreensTest, DevLayoutIsDecidedFromTheProgramFolder) {
    fake.programFolder = QStringLiteral("/home/dev/VB0006/ローマ字");
    flow::ShowSplash();
    EXPECT_TRUE(runState().DevLayout);
}

TEST_F(ScreensTest, BackdropIsOnePageOnTopUntilClosed) {
    auto& host = ScreenHost::instance();
    host.Show(new kit::Screen);
    flow::ShowBackdrop();
    flow::ShowBackdrop();
    int backdrops = 0;
    for (auto* p : Pages()) backdrops += qobject_cast<startup::BASEFRM*>(p) != nullptr;
    EXPECT_EQ(backdrops, 1);
    auto* backdrop = host.Find<startup::BASEFRM>();
    ASSERT_NE(backdrop, nullptr);
    EXPECT_TRUE(backdrop->isVisible());
    // It covers what lies beneath.
    QWidget* atCentre = host.childAt(512, 384);
    EXPECT_TRUE(atCentre == backdrop || backdrop->isAncestorOf(atCentre));
    EXPECT_EQ(Control<QLabel>(backdrop, "Label1")->text(), QStringLiteral("Just a moment, please."));
    flow::CloseBackdrop();
    EXPECT_EQ(host.Find<startup::BASEFRM>(), nullptr);
    flow::CloseBackdrop();  // closing it again is harmless
}

TEST_F(ScreensTest, VersionBoxShowsTitleAndVersionCentredAndClosesOnOK) {
    runState().ProgramTitle = QStringLiteral("ローマ字");
    QString caption, title, version;
    QPoint centre;
    bool clicked = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<startup::frmver*>(QApplication::activeModalWidget());
        if (!box) return;
        caption = box->windowTitle();
        title = Control<QLabel>(box, "Label1")->text();
        version = Control<QLabel>(box, "Label2")->text();
        centre = box->frameGeometry().center();
        EXPECT_EQ(Control<QPushButton>(box, "Command1")->text(), QStringLiteral("O.K."));
        QTest::mouseClick(Control<QPushButton>(box, "Command1"), Qt::LeftButton);
        clicked = true;
    });
    flow::ShowVersionBox();  // returns once O.K. closed it
    ASSERT_TRUE(clicked);
    EXPECT_EQ(caption, QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(title, QStringLiteral("ローマ字"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Version\\d+\\.\\d+\\.\\d+$")).match(version).hasMatch())
        << version.toStdString();
    const QPoint screenCentre = QGuiApplication::primaryScreen()->availableGeometry().center();
    EXPECT_LE((centre - screenCentre).manhattanLength(), 1);
}

}  // namespace
