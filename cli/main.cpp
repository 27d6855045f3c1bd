// tesselo-cli: the map's answers without its window, and the window driven from a script.
#include "app/app.h"
#include "cli/driver.h"
#include "cli/stats.h"
#include "geodata/geodata.h"
#include "geodata/meshdb.h"
#include "platform/kernel.h"
#include "geodata/meshcode.h"

#include <QApplication>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char kHelp[] =
    "Usage: tesselo-cli COMMAND [ARGUMENTS]\n"
    "\n"
    "Answers of the Tesselo map, without its window.\n"
    "\n"
    "Commands:\n"
    "  mesh LAT LON     the grid-square code digits of a point, as the status bar shows them:\n"
    "                   FIRST SECOND THIRD\n"
    "  rect CODE        the square of a 6- or 8-digit mesh code: SOUTH WEST NORTH EAST\n"
    "  stats            what the embedded data holds: one line NAME COUNT per collection, then\n"
    "                   elevation MIN MAX\n"
    "  drive [FILE]     run the main window off screen and execute the commands of FILE (or of\n"
    "                   standard input), one per line; '#' starts a comment:\n"
    "                     size W H            make the map area W x H pixels\n"
    "                     move X Y [right]    move the mouse to (X, Y), with the right button held\n"
    "                     print viewport      the projection state\n"
    "                     print window        size and caption of the main window\n"
    "                     print status N      the text of status-bar pane N\n"
    "                     zoom Z              set the zoom and repaint\n"
    "                     center LON LAT      set the centre and repaint\n"
    "                     wheel X Y N         N wheel notches at (X, Y); positive zooms in\n"
    "                     rdblclick X Y       right double-click: back to the whole country\n"
    "                     print relief        brightness and rows of relief painted\n"
    "                     print sheet CODE    where first-level sheet CODE was drawn: L,T,R,B\n"
    "                     tick                the start-up timer fires (the map replaces the\n"
    "                                         start-up picture)\n"
    "                     shot FILE           save what the map shows as PNG\n"
    "  --help           this text\n"
    "\n"
    "Exit status: 0 on success, 1 on a bad argument or a failed command.\n";

bool ParseDouble(const char* s, double& v)
{
    char* end = nullptr;
    errno = 0;
    v = std::strtod(s, &end);
    return end != s && *end == 0 && errno == 0 && std::isfinite(v);
}

int Fail(const std::string& message)
{
    std::cerr << "tesselo-cli: " << message << "\n";
    return 1;
}

int Drive(int argc, char** argv)
{
    if (argc > 3)
        return Fail("usage: tesselo-cli drive [FILE]");
    std::ifstream file;
    if (argc == 3) {
        file.open(argv[2]);
        if (!file)
            return Fail(std::string("cannot read ") + argv[2]);
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("XDG_RUNTIME_DIR")) {
        const std::string dir = "/tmp/tesselo-runtime-" + std::to_string(getuid());
        mkdir(dir.c_str(), 0700);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
    }
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    QApplication qt(qtArgc, qtArgv);
    PrepareProcess();
    PrepareScriptedRun();
    CTesseloApp app;
    if (!app.InitInstance({}))
        return Fail("the main window could not be created");
    Driver driver(app);
    return driver.Run(argc == 3 ? static_cast<std::istream&>(file) : std::cin, std::cout, std::cerr) ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_NUMERIC, "C");
    if (argc < 2)
        return Fail("no command (try --help)");
    const std::string cmd = argv[1];
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (cmd == "mesh") {
        double lat, lon;
        if (argc != 4 || !ParseDouble(argv[2], lat) || !ParseDouble(argv[3], lon))
            return Fail("usage: tesselo-cli mesh LAT LON (decimal degrees)");
        const MeshCodeParts p = PointToMeshCodes(lat, lon);
        std::printf("%d %d %d\n", p.first, p.second, p.third);
        return 0;
    }
    if (cmd == "rect") {
        char* end = nullptr;
        errno = 0;
        const long code = argc == 3 ? std::strtol(argv[2], &end, 10) : 0;
        if (argc != 3 || end == argv[2] || *end || errno || code < INT32_MIN || code > INT32_MAX)
            return Fail("usage: tesselo-cli rect CODE (a 6- or 8-digit mesh code)");
        GeoRect r;
        if (!MeshCodeToRect(static_cast<MeshCode>(code), r))
            return Fail(std::string("not a 6- or 8-digit mesh code: ") + argv[2]);
        std::printf("%.17g %.17g %.17g %.17g\n", r.south, r.west, r.north, r.east);
        return 0;
    }
    if (cmd == "stats") {
        if (argc != 2)
            return Fail("usage: tesselo-cli stats");
        g_hInstance = GetModuleHandle(nullptr);
        LoadGeodata();
        CMeshDB raster;
        raster.LoadElevationRaster();
        WriteStats(raster, std::cout);
        return 0;
    }
    if (cmd == "drive")
        return Drive(argc, argv);
    return Fail("unknown command: " + cmd + " (try --help)");
}
