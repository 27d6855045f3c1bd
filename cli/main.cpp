// tesselo-cli: the map's answers without its window, and the window driven from a script.
#include "app/app.h"
#include "cli/driver.h"
#include "cli/stats.h"
#include "geodata/geodata.h"
#include "geodata/meshdb.h"
#include "geodata/places.h"
#include "platform/kernel.h"
#include "view/readout.h"
#include "view/view.h"
#include "platform/cp932.h"
#include "geodata/meshcode.h"
#include "navaids/placesearch.h"
#include "picking/areaquery.h"

#include <QApplication>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>

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
    "  readout LAT LON  the two status-bar texts for a pointer at that point\n"
    "  files ...        the DEM files of a point, a box or a mesh code (files --help)\n"
    "  where TEXT       places whose name is or contains TEXT: KIND NAME LAT LON CODE, tab-\n"
    "                   separated, exact matches first, at most 50\n"
    "  render ...       draw one map frame to a PNG file (render --help)\n"
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
    "                     key NAME            a key press: escape or one character\n"
    "                     print relief        brightness and rows of relief painted\n"
    "                     print frame         fineZoom and the panel buttons drawn in the last frame\n"
    "                     print tile10 I      code and screen rectangle of 10 m tile I (tile5: 5 m)\n"
    "                     print sheet CODE    where first-level sheet CODE was drawn: L,T,R,B\n"
    "                     tick                the start-up timer fires (the map replaces the\n"
    "                                         start-up picture)\n"
    "                     shot FILE           save what the map shows as PNG\n"
    "                     press X Y [alt]     left button down at (X, Y), an Alt key held or not\n"
    "                     release X Y [alt]   left button up there: a panel button, the web map or a pick\n"
    "                     click X Y [alt]     press and release on one pixel\n"
    "                     mpress X Y          middle button down at (X, Y)\n"
    "                     mrelease X Y        middle button up there: the web map when pressed on\n"
    "                                         that pixel, unless a shown panel button is there\n"
    "                     mclick X Y          middle press and release on one pixel\n"
    "                     jump TEXT           open the jump dialog, type the rest of the line, press\n"
    "                                         its button: accepted LAT LON, refused or unchanged\n"
    "                     jump-cancel         open the jump dialog and close it with the close box\n"
    "                     print list          the file list window: visible=0|1, its title, text=...\n"
    "                                         with \\\\, \\r and \\n escaped\n"
    "                     print weburl        the last address handed to the desktop (none opens)\n"
    "                     print marker        LON,LAT of the marker (-1,-1: none)\n"
    "                     print toggles       the five layer switches in panel order, as 0/1\n"
    "                     print focus         which window has the keyboard: view, list or none\n"
    "                     monkey SEED N       N random events from a seeded generator (moves, drags,\n"
    "                                         wheel, clicks, Alt+clicks, keys, jumps with random\n"
    "                                         text), then 'monkey N ok' and the viewport\n"
    "  --help           this text\n"
    "\n"
    "Exit status: 0 on success, 1 on a bad argument or a failed command.\n";

int Fail(const std::string& message)
{
    std::cerr << "tesselo-cli: " << message << "\n";
    return 1;
}

// The real main window started off screen, as a scripted run has it, handed to run.
int WithWindow(char* argv0, const std::function<int(CTesseloApp&)>& run)
{
    PrepareOffscreenEnvironment();
    int qtArgc = 1;
    char* qtArgv[] = {argv0, nullptr};
    QApplication qt(qtArgc, qtArgv);
    PrepareProcess();
    PrepareScriptedRun();
    CTesseloApp app;
    if (!app.InitInstance({}))
        return Fail("the main window could not be created");
    return run(app);
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
    return WithWindow(argv[0], [&](CTesseloApp& app) {
        Driver driver(app);
        return driver.Run(argc == 3 ? static_cast<std::istream&>(file) : std::cin, std::cout, std::cerr) ? 0 : 1;
    });
}

const char kRenderHelp[] =
    "Usage: tesselo-cli render [--size WxH] [--zoom Z] [--center LON,LAT] [--5m] [--marker LON,LAT]\n"
    "                          --out FILE.png\n"
    "\n"
    "Draws one map frame as the window would show it and writes it as PNG: the relief at full\n"
    "brightness and every layer the zoom switches on, the projection that of a window of that size.\n"
    "\n"
    "  --size WxH        the map area in pixels (default 933x600)\n"
    "  --zoom Z          the zoom, 0.6 for the whole country up to 1000 (default 0.6)\n"
    "  --center LON,LAT  the point at the middle (default 138,34)\n"
    "  --5m              show the 5 m tiles (from zoom 4)\n"
    "  --marker LON,LAT  place the marker\n"
    "  --out FILE.png    where to write the picture\n";

bool ParsePair(const std::string& s, char sep, double& a, double& b)
{
    const auto at = s.find(sep);
    return at != std::string::npos && ParseDouble(s.substr(0, at), a) && ParseDouble(s.substr(at + 1), b);
}

int Render(int argc, char** argv)
{
    int width = 933, height = 600;
    double zoom = 0.6, lon = 138, lat = 34, mlon = -1, mlat = -1;
    bool fiveMeter = false;
    std::string out;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const bool more = i + 1 < argc;
        double w = 0, h = 0;
        if (a == "--help") {
            std::fputs(kRenderHelp, stdout);
            return 0;
        } else if (a == "--size" && more && ParsePair(argv[i + 1], 'x', w, h) && w >= 1 && h >= 1 && w <= 10000 &&
                   h <= 10000 && w == static_cast<int>(w) && h == static_cast<int>(h)) {
            width = static_cast<int>(w), height = static_cast<int>(h), ++i;
        } else if (a == "--zoom" && more && ParseDouble(argv[i + 1], zoom) && zoom > 0) {
            ++i;
        } else if (a == "--center" && more && ParsePair(argv[i + 1], ',', lon, lat)) {
            ++i;
        } else if (a == "--marker" && more && ParsePair(argv[i + 1], ',', mlon, mlat)) {
            ++i;
        } else if (a == "--5m") {
            fiveMeter = true;
        } else if (a == "--out" && more) {
            out = argv[++i];
        } else {
            return Fail("render: bad argument " + a + " (try render --help)");
        }
    }
    if (out.empty())
        return Fail("render: --out FILE.png is required");
    return WithWindow(argv[0], [&](CTesseloApp& app) {
        Driver driver(app);
        std::ostringstream ignored;
        std::string error;
        driver.Execute("size " + std::to_string(width) + " " + std::to_string(height), ignored, error);
        CTesseloView* view = app.MainFrame()->View();
        // The scales of a view whose initial update saw this client area.
        InitViewport(view->m_vp, width, height);
        ResizeViewport(view->m_vp, width, height);
        view->m_vp.zoom = zoom;
        view->m_vp.center = GeoPoint{lon, lat};
        view->m_marker = GeoPoint{mlon, mlat};
        view->m_show5m = fiveMeter;
        view->m_relief.brightness = 1.0;
        view->m_splash = false;
        UpdateVisibleCorners(view->m_vp);
        view->RepaintNow();
        if (!view->Surface().save(QString::fromStdString(out), "PNG"))
            return Fail("render: cannot write " + out);
        return 0;
    });
}

const char kFilesHelp[] =
    "Usage: tesselo-cli files (--at LAT,LON | --bbox S,W,N,E | --mesh CODE)\n"
    "                         [--edition 10m|5m|both] [--format text|csv|json] [--zips]\n"
    "\n"
    "Lists the DEM files of an area: per prefecture, the ZIP archive and the XML file inside it.\n"
    "\n"
    "  --at LAT,LON       the files whose squares contain the point\n"
    "  --bbox S,W,N,E     the files whose squares meet the box; squares that only touch its\n"
    "                     edges count\n"
    "  --mesh CODE        6 digits: that 10 m file and the 5 m files inside it; 8 digits: that\n"
    "                     5 m file and its 10 m parent\n"
    "  --edition E        10m, 5m or both (default both)\n"
    "  --format F         text (the file list's lines), csv (edition,prefecture,zip,xml,mesh)\n"
    "                     or json (default text)\n"
    "  --zips             only the distinct ZIP archives, with their number of XML files in the\n"
    "                     area (csv: edition,zip,files)\n"
    "\n"
    "Sorted by edition, prefecture, ZIP and XML. Standard error gets a last line with the number\n"
    "of files and ZIP archives.\n";

void LoadEmbeddedData()
{
    g_hInstance = GetModuleHandle(nullptr);
    LoadGeodata();
}

int Files(int argc, char** argv)
{
    AreaQuery query;
    bool haveArea = false, zips = false;
    EditionChoice editions = EditionChoice::Both;
    AreaFormat format = AreaFormat::Text;
    std::string error;
    for (int i = 2; i < argc; ++i) {
        const std::string a = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (a == "--help") {
            std::fputs(kFilesHelp, stdout);
            return 0;
        }
        if (a == "--zips") {
            zips = true;
            continue;
        }
        if (!value)
            return Fail("files: " + a + " needs a value (try files --help)");
        ++i;
        const std::string v = value;
        if (a == "--at" || a == "--bbox" || a == "--mesh") {
            if (haveArea)
                return Fail("files: give one of --at, --bbox and --mesh");
            haveArea = true;
            const bool ok = a == "--at"     ? ParsePointQuery(v, query, error)
                            : a == "--bbox" ? ParseBoxQuery(v, query, error)
                                            : ParseMeshQuery(v, query, error);
            if (!ok)
                return Fail("files: " + error + " (got '" + v + "')");
        } else if (a == "--edition" && (v == "10m" || v == "5m" || v == "both")) {
            editions = v == "10m" ? EditionChoice::Dem10m : v == "5m" ? EditionChoice::Dem5m : EditionChoice::Both;
        } else if (a == "--format" && (v == "text" || v == "csv" || v == "json")) {
            format = v == "text" ? AreaFormat::Text : v == "csv" ? AreaFormat::Csv : AreaFormat::Json;
        } else {
            return Fail("files: bad argument " + a + " " + v + " (try files --help)");
        }
    }
    if (!haveArea)
        return Fail("files: give --at, --bbox or --mesh (try files --help)");
    LoadEmbeddedData();
    const std::vector<AreaFile> found = FindAreaFiles(query, editions);
    std::fputs(zips ? FormatAreaZips(DistinctZips(found), format).c_str() : FormatAreaFiles(found, format).c_str(),
               stdout);
    const AreaTotals totals = CountAreaFiles(found);
    std::fprintf(stderr, "%zu files, %zu ZIP archives\n", totals.xmlFiles, totals.zips);
    return 0;
}

int Where(int argc, char** argv)
{
    if (argc != 3 || !argv[2][0])
        return Fail("usage: tesselo-cli where TEXT (a place name or part of one, UTF-8)");
    // Only the gazetteers: the catalogues are not looked at.
    g_hInstance = GetModuleHandle(nullptr);
    LoadGazetteers();
    const std::vector<PlaceMatch> matches = FindPlaces(argv[2], 50);
    for (const PlaceMatch& m : matches)
        std::cout << PlaceMatchLine(m) << "\n";
    if (matches.empty())
        return Fail(std::string("no place named ") + argv[2]);
    return 0;
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
    if (cmd == "readout") {
        double lat, lon;
        if (argc != 4 || !ParseDouble(argv[2], lat) || !ParseDouble(argv[3], lon))
            return Fail("usage: tesselo-cli readout LAT LON (decimal degrees)");
        std::cout << Cp932ToUtf8(CoordinateText(GeoPoint{lon, lat})) << "\n"
                  << Cp932ToUtf8(MeshCodeText(GeoPoint{lon, lat})) << "\n";
        return 0;
    }
    if (cmd == "stats") {
        if (argc != 2)
            return Fail("usage: tesselo-cli stats");
        LoadEmbeddedData();
        CMeshDB raster;
        raster.LoadElevationRaster();
        WriteStats(raster, std::cout);
        return 0;
    }
    if (cmd == "files")
        return Files(argc, argv);
    if (cmd == "where")
        return Where(argc, argv);
    if (cmd == "render")
        return Render(argc, argv);
    if (cmd == "drive")
        return Drive(argc, argv);
    return Fail("unknown command: " + cmd + " (try --help)");
}
