// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "application.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (CTest's discovery at build time) needs no display.
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    // However the tests are started (CTest, by hand, under a debugger), what the windows
    // remember (recent files, folders, window sizes) never reaches the user's own
    // settings or data: the standard folders point into ~/.qttest, and the settings of
    // this run live in a folder that goes with it. Tests that need a clean slate set a
    // folder of their own as well.
    QStandardPaths::setTestModeEnabled(true);
    const QTemporaryDir settings;
    if (!settings.isValid()) {
        return 1;
    }
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, settings.path());
    }
    QApplication app(argc, argv);
    extcalc::ui::setUpApplication(app);
    // Each test closes its own windows; only the exit test lets that end the loop.
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
