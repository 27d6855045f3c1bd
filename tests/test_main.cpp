// Test entry for suites that need a Qt application: headless, under a comma-decimal locale so
// that C-locale number handling is checked as users run it.
#include "app/app.h"

#include <QApplication>
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    PrepareOffscreenEnvironment();
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    PrepareProcess();
    return RUN_ALL_TESTS();
}
