// make_demo_school ROOT [PROGRAM]: lays out the demo school under ROOT.
#include "demoschool.h"

#include <QCoreApplication>
#include <QDate>

#include <cstdio>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: make_demo_school ROOT [PROGRAM]\n");
        return 2;
    }
    demo::Options options;
    options.programBinary = args.size() > 2 ? args[2] : QString();
    options.today = QDate::currentDate();
    QString error;
    if (!demo::LayOutDemoSchool(args[1], options, error)) {
        std::fprintf(stderr, "make_demo_school: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("Demo school laid out under %s\n", qPrintable(args[1]));
    return 0;
}
