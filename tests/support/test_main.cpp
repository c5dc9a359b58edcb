// Test entry point: screens run on the offscreen platform with the Japanese font.
#include "shell/flow.h"

#include <QApplication>
#include <QFont>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("Noto Sans CJK JP"), 12));
    shell::InstallScreenFlow();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
