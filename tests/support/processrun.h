#pragma once
// Runs a program to its end as a user would from a shell, for tests of the
// command-line tools and the package: exit code and both outputs as text.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace testing_support {

struct ProcessRun {
    int exitCode = -1;  // -1 when it did not end normally in time
    QString out;
    QString err;
};

// input goes to the program's standard input, which is then closed.
inline ProcessRun RunProcess(const QString& program, const QStringList& arguments, int timeoutMs = 60000,
                             const QByteArray& input = QByteArray()) {
    QProcess p;
    p.start(program, arguments);
    p.write(input);
    p.closeWriteChannel();
    ProcessRun run;
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit) {
        p.kill();
        p.waitForFinished();
        run.err = program + QStringLiteral(" did not finish: ") + p.errorString();
        return run;
    }
    run.exitCode = p.exitCode();
    run.out = QString::fromUtf8(p.readAllStandardOutput());
    run.err = QString::fromUtf8(p.readAllStandardError());
    return run;
}

}  // namespace testing_support
