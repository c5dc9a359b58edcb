#include "shell/realplatform.h"

#include "shell/screenhost.h"
#include "shell/soundbackend.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>

#include <cstdlib>

namespace shell {

RealPlatform::RealPlatform() { clock_.start(); }

QDateTime RealPlatform::Now() { return QDateTime::currentDateTime(); }

float RealPlatform::SecondsSinceMidnight() {
    return static_cast<float>(QTime::currentTime().msecsSinceStartOfDay() / 1000.0);
}

quint32 RealPlatform::TickCount() { return static_cast<quint32>(clock_.elapsed()); }

int RealPlatform::PlayWav(const QString& path, QString& errorText) { return sound_.PlayWavToEnd(path, errorText); }

common::MessageAnswer RealPlatform::MessageBox(const QString& text, const QString& title,
                                               common::MessageButtons buttons) {
    QMessageBox box(&ScreenHost::instance());
    box.setWindowTitle(title);
    box.setText(text);
    switch (buttons) {
    case common::MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case common::MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case common::MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Cancel: return common::MessageAnswer::Cancel;
    case QMessageBox::Yes: return common::MessageAnswer::Yes;
    case QMessageBox::No: return common::MessageAnswer::No;
    default: return common::MessageAnswer::Ok;
    }
}

void RealPlatform::RunPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

namespace {
[[noreturn]] void CloseEverythingAndExit(int status) {
    ScreenHost::instance().CloseAll();
    QApplication::closeAllWindows();
    std::exit(status);
}
}  // namespace

void RealPlatform::EndProgram() { CloseEverythingAndExit(EXIT_SUCCESS); }

void RealPlatform::EndProgramAfterError() { CloseEverythingAndExit(EXIT_FAILURE); }

bool RealPlatform::StartProgram(const QString& program, const QStringList& arguments,
                                QString& errorText) {
    if (!QFileInfo(program).isExecutable()) {
        errorText = QStringLiteral("%1 が見つかりません").arg(program);
        return false;
    }
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setWorkingDirectory(QFileInfo(program).absolutePath());
    if (!process.startDetached()) {
        errorText = process.errorString();
        return false;
    }
    return true;
}

QString RealPlatform::ProgramFolder() { return QCoreApplication::applicationDirPath(); }

}  // namespace shell
