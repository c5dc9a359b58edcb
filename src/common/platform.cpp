#include "common/platform.h"

#include <QCoreApplication>

#include <cstdlib>
#include <vector>

namespace common {
namespace {

// Used only when nothing was installed (command-line tools such as the demo
// school builder): real time, no sound, no dialogs.
class BarePlatform final : public Platform {
public:
    QDateTime Now() override { return QDateTime::currentDateTime(); }
    float SecondsSinceMidnight() override {
        return static_cast<float>(QTime::currentTime().msecsSinceStartOfDay() / 1000.0);
    }
    quint32 TickCount() override {
        return static_cast<quint32>(QDateTime::currentMSecsSinceEpoch());
    }
    int PlayWav(const QString&, QString& errorText) override {
        errorText = QStringLiteral("no sound back end");
        return 1;
    }
    MessageAnswer MessageBox(const QString& text, const QString& title, MessageButtons) override {
        qWarning("%s: %s", qPrintable(title), qPrintable(text));
        return MessageAnswer::Ok;
    }
    void EndProgram() override { std::exit(0); }
    void EndProgramAfterError() override { std::exit(EXIT_FAILURE); }
    bool StartProgram(const QString&, const QStringList&, QString& errorText) override {
        errorText = QStringLiteral("not supported");
        return false;
    }
    QString ProgramFolder() override { return QCoreApplication::applicationDirPath(); }
};

BarePlatform barePlatform;
Platform* current = &barePlatform;

}  // namespace

Platform& platform() { return *current; }

Platform* SetPlatform(Platform* p) {
    Platform* previous = current;
    current = p ? p : &barePlatform;
    return previous;
}

namespace {

// DoEvents calls running, the outermost first; and what waits for them all
// to return.
int eventsDepth = 0;
std::vector<std::function<void()>> afterEvents;

}  // namespace

void DoEvents() {
    if (!QCoreApplication::instance()) return;
    ++eventsDepth;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    if (--eventsDepth > 0) return;
    // Each in turn; one of them may ask for more (it runs at once then).
    while (!afterEvents.empty()) {
        const std::function<void()> then = std::move(afterEvents.front());
        afterEvents.erase(afterEvents.begin());
        then();
    }
}

void AfterDoEvents(std::function<void()> then) {
    if (eventsDepth == 0) then();
    else afterEvents.push_back(std::move(then));
}

}  // namespace common
