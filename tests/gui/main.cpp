// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <QApplication>

#include "application.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (CTest's discovery at build time) needs no display.
    if (GTEST_FLAG_GET(list_tests)) {
        return RUN_ALL_TESTS();
    }
    QApplication app(argc, argv);
    extcalc::ui::setUpApplication(app);
    // Each test closes its own windows; only the exit test lets that end the loop.
    QApplication::setQuitOnLastWindowClosed(false);
    return RUN_ALL_TESTS();
}
