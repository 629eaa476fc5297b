// The main of every test program: a QApplication on the offscreen platform
// (unless a display is asked for explicitly) and GoogleTest.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Tests never touch the user's own store, settings or cloud folder.
    if (!std::getenv("ZOLT_STORE_DIR")) setenv("ZOLT_STORE_DIR", "/nonexistent/zolt-test-store", 1);
    if (!std::getenv("ZOLT_DEFAULTS")) setenv("ZOLT_DEFAULTS", "/nonexistent/zolt-test-defaults.plist", 1);
    if (!std::getenv("ZOLT_CLOUD_DIR")) setenv("ZOLT_CLOUD_DIR", "/nonexistent/zolt-test-cloud", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
