#pragma once
// Runs the built romaji-admin as an administrator would, and lays out the
// small school its tests look at.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace testing_support {

struct AdminRun {
    int exitCode = -1;
    QString out;
    QString err;
};

inline AdminRun RunAdmin(const QStringList& arguments, const QString& program = QStringLiteral(ROMAJI_ADMIN)) {
    QProcess p;
    p.start(program, arguments);
    AdminRun run;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) {
        p.kill();
        p.waitForFinished();
        run.err = QStringLiteral("romaji-admin did not finish: ") + p.errorString();
        return run;
    }
    run.exitCode = p.exitCode();
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

}  // namespace testing_support
