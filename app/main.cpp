#include "app/app.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

namespace {

const char kUsage[] =
    "Usage: tesselo [FILE]\n"
    "       tesselo --version | --help\n"
    "\n"
    "Opens the map of Japan that lists the GSI 10 m and 5 m DEM files under a click. FILE, when\n"
    "given, is opened as the (empty) document; the map reads no data files.\n"
    "\n"
    "  --version  print the version and exit\n"
    "  --help     print this text and exit\n"
    "\n"
    "Qt's own options (-platform NAME, -display DISPLAY, ...) are taken as well.\n";

} // namespace

int main(int argc, char** argv)
{
    // Answered before Qt starts, so that they need no display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("tesselo %s\n", TESSELO_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    QApplication qt(argc, argv);
    PrepareProcess();
    CTesseloApp app;
    QStringList args = QApplication::arguments();
    args.removeFirst();
    if (!app.InitInstance(args))
        return 1;
    return QApplication::exec();
}
