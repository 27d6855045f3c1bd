// Test entry for suites that need a Qt application: headless, under a comma-decimal locale so
// that C-locale number handling is checked as users run it.
#include "app/app.h"

#include <QApplication>
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const std::string dir = "/tmp/tesselo-runtime-" + std::to_string(getuid());
        mkdir(dir.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    }
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    PrepareProcess();
    return RUN_ALL_TESTS();
}
