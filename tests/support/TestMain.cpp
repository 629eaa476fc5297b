// The main of every test program: a QApplication on the offscreen platform
// (unless a display is asked for explicitly) and GoogleTest.
#include "platform/foundation/Threads.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Tests never touch the user's own store, settings or cloud folder: unless a
    // test says otherwise they live in a folder of this run, removed at the end.
    QTemporaryDir scratch;
    const QByteArray root = QFile::encodeName(scratch.path());
    setenv("ZOLT_STORE_DIR", (root + "/store").constData(), 0);
    setenv("ZOLT_DEFAULTS", (root + "/Defaults.plist").constData(), 0);
    setenv("ZOLT_CLOUD_DIR", (root + "/cloud").constData(), 0);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    // Jobs the tests started must not outlive the application object.
    foundation::waitForThreads(120.0);
    return result;
}
