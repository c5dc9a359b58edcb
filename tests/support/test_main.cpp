// Test entry point: screens run on the offscreen platform with the Japanese font.
#include "fakeplatform.h"
#include "shell/flow.h"

#include <QApplication>
#include <QFont>

#include <gtest/gtest.h>

namespace {

// Where an event handler ended the program (the double throws ProgramEnded),
// the handler stops there and the event loop goes on with the next event, as
// the next test needs it to.
class TestApplication final : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const testing_support::ProgramEnded&) {
            return true;
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TestApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK JP"), 12));
    shell::InstallScreenFlow();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
