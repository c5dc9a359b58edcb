#pragma once
// The platform seam on a real desktop.

#include "core/common/platform.h"
#include "shell/soundbackend.h"

#include <QElapsedTimer>

namespace shell {

class RealPlatform final : public common::Platform {
public:
    RealPlatform();

    QDateTime Now() override;
    float SecondsSinceMidnight() override;
    quint32 TickCount() override;
    int PlayWav(const QString& path, QString& errorText) override;
    common::MessageAnswer MessageBox(const QString& text, const QString& title,
                                     common::MessageButtons buttons) override;
    [[noreturn]] void EndProgram() override;
    [[noreturn]] void EndProgramAfterError() override;
    bool StartProgram(const QString& program, const QStringList& arguments,
                      QString& errorText) override;
    QString ProgramFolder() override;

protected:
    void RunPendingEvents() override;

private:
    QElapsedTimer clock_;  // the tick count: milliseconds since the platform was made
    SoundPlayer sound_;
};

}  // namespace shell
