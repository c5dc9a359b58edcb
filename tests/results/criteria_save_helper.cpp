// A second process for the criteria-save fault tests: saves the criteria file
// the way the editor does, and can die at a chosen step of the save or run as
// a user without write access to the folder.
//
//   criteria_save_helper FILE TEXTFILE [STEP|-] [nobody]
//       replaces FILE with the UTF-8 text of TEXTFILE; STEP (a number of
//       SaveStep) ends the process with SIGKILL right after that step; "nobody"
//       gives up root first. Exit 0 when saved, 1 with the message on stdout
//       when the save failed, 2 on bad arguments.
//
// The steps are found in the calls the save makes through the file layer's
// test seam, whose hook runs before each call: the process is killed at the
// call that follows the step.

#include "criteriasavesteps.h"
#include "core/common/fileio.h"
#include "core/results/criteriagrid.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <csignal>
#include <cstdio>

#include <unistd.h>

namespace {

using common::IoCall;

// Kills the process at the first call after `step` of the save of `file`.
common::IoHook KillAfter(SaveStep step, const QString& file) {
    const QByteArray target = QFile::encodeName(file);
    const QByteArray newFile = target + ".new";
    const QByteArray backup = QFile::encodeName(results::CriteriaBackupPath(file));
    const QByteArray folder = QFile::encodeName(QFileInfo(file).path());
    return [=, writes = 0](IoCall call, long long, const QByteArray& path, std::size_t& bytes) mutable {
        const bool onNewFile = path.startsWith(newFile);
        bool kill = false;
        switch (step) {
        case SaveStep::NewFileCreated: kill = onNewFile && call != IoCall::Open; break;
        case SaveStep::NewFileHalfWritten:
            // The first write puts half the bytes down; the next one never comes.
            if (onNewFile && call == IoCall::Pwrite && writes++ == 0) bytes /= 2;
            else kill = onNewFile && call == IoCall::Pwrite;
            break;
        case SaveStep::NewFileFlushed: kill = onNewFile && call == IoCall::Close; break;
        case SaveStep::BackupWritten: kill = call == IoCall::Rename && path == backup; break;
        case SaveStep::BackupInPlace: kill = call == IoCall::Rename && path == target; break;
        case SaveStep::NewFileInPlace: kill = call == IoCall::Open && path == folder; break;
        case SaveStep::FolderFlushed: kill = call == IoCall::Close && path == folder; break;
        }
        if (kill) ::raise(SIGKILL);
        return 0;
    };
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 3) return 2;
    if (a.size() > 4 && a[4] == u"nobody" && ::geteuid() == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) return 2;
    }
    QFile textFile(a[2]);
    if (!textFile.open(QIODevice::ReadOnly)) return 2;
    const QString text = QString::fromUtf8(textFile.readAll());
    if (a.size() > 3 && a[3] != u"-") common::SetIoHook(KillAfter(static_cast<SaveStep>(a[3].toInt()), a[1]));
    QString error;
    if (results::WriteCriteriaFile(text, error, a[1])) return 0;
    std::printf("%s\n", error.toUtf8().constData());
    return 1;
}
