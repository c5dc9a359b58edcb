// Entry point of the core tests: no widget, so a QCoreApplication is enough
// (and the sanitizer build need not build the screens).
#include <QCoreApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
