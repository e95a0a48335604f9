// The Qt tests share one QApplication, made before any test runs; each test
// builds its own QtLayer on it. Without a platform named, they run offscreen.

#include <gtest/gtest.h>

#include <QApplication>
#include <string>

#include "platform/qt/runtime_dir.h"

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::string why;  // as the program does: a runtime folder of the user's own for Qt
    EnsureRuntimeDirectory(why);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
