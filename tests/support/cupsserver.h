#pragma once
// A CUPS server of the test's own (scripts/cups-test-server.sh) with a PDF
// printer as the default: the programs print to it as a school prints to its
// printer, and the PDFs it writes are what the test reads. A suite starts it
// once and stops it at its end; a server that does not start fails the
// tests, it never skips them.
//
// The test target defines ROMAJI_SOURCE_DIR (the script) and
// ROMAJI_BINARY_DIR (where the server keeps its files).

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>

namespace testing_support {

// Runs a tool to its end; its output and error together.
inline QString RunTool(const QString& program, const QStringList& args, int* status = nullptr) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.waitForFinished(120000);
    if (status) *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromLocal8Bit(p.readAll());
}

class CupsTestServer {
public:
    // `name`: the server's folder under the build folder, one per suite and
    // process (ctest runs the tests of a suite side by side, each in a
    // process of its own with a server of its own).
    explicit CupsTestServer(const QString& name)
        : dir_(QStringLiteral(ROMAJI_BINARY_DIR "/") + name + u'-' + QString::number(QCoreApplication::applicationPid())) {}

    // Starts the server and points this process's printing at it.
    void Start() {
        output_ = RunTool(Script(), {QStringLiteral("start"), dir_}, &status_);
        if (status_ == 0) qputenv("CUPS_SERVER", (dir_ + QStringLiteral("/cups.sock")).toLocal8Bit());
    }
    void Stop() {
        RunTool(Script(), {QStringLiteral("stop"), dir_});
        QDir(dir_).removeRecursively();
    }
    bool Started() const { return status_ == 0; }
    // What the start said (the log of a server that did not come up).
    QString StartOutput() const { return output_; }

    QDir PdfFolder() const { return QDir(dir_ + QStringLiteral("/pdf")); }
    QStringList Pdfs() const { return PdfFolder().entryList({QStringLiteral("*.pdf")}, QDir::Files); }

    // Waits until CUPS has no job left and `count` PDFs stand in its folder;
    // their paths in job order.
    QStringList WaitForPdfs(int count) const {
        QElapsedTimer t;
        t.start();
        QStringList files;
        while (t.elapsed() < 120000) {
            files = Pdfs();
            const bool idle = RunTool(QStringLiteral("lpstat"), {QStringLiteral("-o")}).trimmed().isEmpty();
            if (idle && files.size() >= count) break;
            QThread::msleep(200);
        }
        static const QRegularExpression job(QStringLiteral("job_(\\d+)"));
        std::sort(files.begin(), files.end(), [](const QString& a, const QString& b) {
            return job.match(a).captured(1).toInt() < job.match(b).captured(1).toInt();
        });
        for (QString& f : files) f = PdfFolder().filePath(f);
        return files;
    }

    // The end of the server's error log, for a failure message.
    QString LogTail() const {
        return RunTool(QStringLiteral("tail"), {QStringLiteral("-n30"), dir_ + QStringLiteral("/log/error_log")});
    }

private:
    static QString Script() { return QStringLiteral(ROMAJI_SOURCE_DIR "/scripts/cups-test-server.sh"); }

    QString dir_;
    QString output_;
    int status_ = -1;
};

// A suite that prints: its server is started before the first test and
// stopped after the last; a test fails when there is no server.
template <class Base>
class PrintingSuite : public Base {
protected:
    static CupsTestServer& Server() {
        static CupsTestServer server(QStringLiteral("cups-print-test"));
        return server;
    }
    static void SetUpTestSuite() { Server().Start(); }
    static void TearDownTestSuite() { Server().Stop(); }
    void SetUp() override {
        Base::SetUp();
        ASSERT_TRUE(Server().Started()) << "The CUPS server did not start:\n" << Server().StartOutput().toStdString();
    }
};

}  // namespace testing_support
