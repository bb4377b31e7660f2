// Shared entry point: a Qt application object exists for every test, under the offscreen platform.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // gtest_discover_tests runs the binary at build time without ctest's environment.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
