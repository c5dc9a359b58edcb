#include "core/common/platform.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

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
    [[noreturn]] void EndProgram() override { std::exit(0); }
    [[noreturn]] void EndProgramAfterError() override { std::exit(EXIT_FAILURE); }
    bool StartProgram(const QString&, const QStringList&, QString& errorText) override {
        errorText = QStringLiteral("not supported");
        return false;
    }
    QString ProgramFolder() override { return QCoreApplication::applicationDirPath(); }

protected:
    void RunPendingEvents() override {}  // no windows
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

void Platform::EndProgramAfterError() {
    EndProgram();
    std::abort();  // not reached: no platform's EndProgram returns
}

void Platform::DoEvents() {
    ++eventsDepth_;
    RunPendingEvents();
    if (--eventsDepth_ > 0) return;
    // Each in turn; one of them may ask for more (it runs at once then).
    while (!afterEvents_.empty()) {
        const std::function<void()> then = std::move(afterEvents_.front());
        afterEvents_.erase(afterEvents_.begin());
        then();
    }
}

void Platform::AfterDoEvents(std::function<void()> then) {
    if (eventsDepth_ == 0) then();
    else afterEvents_.push_back(std::move(then));
}

void DoEvents() { platform().DoEvents(); }

void AfterDoEvents(std::function<void()> then) { platform().AfterDoEvents(std::move(then)); }

void WaitWithEvents(int milliseconds) {
    Platform& p = platform();
    const quint32 start = p.TickCount();
    for (;;) {
        p.DoEvents();
        const quint32 elapsed = p.TickCount() - start;
        if (elapsed >= static_cast<quint32>(milliseconds)) return;
        const quint32 nap = std::min<quint32>(10, static_cast<quint32>(milliseconds) - elapsed);
        std::this_thread::sleep_for(std::chrono::milliseconds(nap));
    }
}

}  // namespace common
