#include "common/platform.h"

#include <QCoreApplication>

#include <cstdlib>

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

void DoEvents() {
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace common
