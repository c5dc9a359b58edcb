// A second process for the criteria-save fault tests: saves the criteria file
// the way the editor does, and can die at a chosen step of the save or run as
// a user without write access to the folder.
//
//   criteria_save_helper FILE TEXTFILE [STEP|-] [nobody]
//       replaces FILE with the UTF-8 text of TEXTFILE; STEP (a number of
//       results::CriteriaSaveStep) ends the process with SIGKILL right after
//       that step; "nobody" gives up root first. Exit 0 when saved, 1 with the
//       message on stdout when the save failed, 2 on bad arguments.

#include "results/criteriagrid.h"

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>

#include <unistd.h>

namespace {

int killAt = -1;

void KillAtStep(results::CriteriaSaveStep step) {
    if (static_cast<int>(step) == killAt) ::raise(SIGKILL);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 3) return 2;
    if (a.size() > 3 && a[3] != u"-") killAt = a[3].toInt();
    if (a.size() > 4 && a[4] == u"nobody" && ::geteuid() == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) return 2;
    }
    QFile textFile(a[2]);
    if (!textFile.open(QIODevice::ReadOnly)) return 2;
    const QString text = QString::fromUtf8(textFile.readAll());
    results::SetCriteriaSaveHook(KillAtStep);
    QString error;
    if (results::WriteCriteriaFile(text, error, a[1])) return 0;
    std::printf("%s\n", error.toUtf8().constData());
    return 1;
}
