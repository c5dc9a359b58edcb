#pragma once
// The platform seam on a real desktop.

#include "common/platform.h"

namespace shell {

class RealPlatform final : public common::Platform {
public:
    QDateTime Now() override;
    float SecondsSinceMidnight() override;
    quint32 TickCount() override;
    int PlayWav(const QString& path, QString& errorText) override;
    common::MessageAnswer MessageBox(const QString& text, const QString& title,
                                     common::MessageButtons buttons) override;
    void EndProgram() override;
    void EndProgramAfterError() override;
    bool StartProgram(const QString& program, const QStringList& arguments,
                      QString& errorText) override;
    QString ProgramFolder() override;
};

}  // namespace shell
