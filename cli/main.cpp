// tesselo-cli: the map's answers without its window, and the window driven from a script.
#include "app/app.h"
#include "cli/demcommands.h"
#include "cli/driver.h"
#include "cli/stats.h"
#include "geodata/geodata.h"
#include "geodata/meshdb.h"
#include "geodata/places.h"
#include "platform/kernel.h"
#include "queries/readout.h"
#include "view/view.h"
#include "platform/cp932.h"
#include "geodata/meshcode.h"
#include "queries/placesearch.h"
#include "queries/areaquery.h"
#include "queries/areageojson.h"
#include "queries/municipalquery.h"
#include "geodata/catalogue.h"
#include "geodata/municipal.h"

#include <QApplication>
#include <algorithm>
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <optional>
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
    "                   FIRST SECOND THIRD (south and west edges belong to the square; exit\n"
    "                   status 1 outside the grid, 20 to 46 degrees north, 122 to 154 east)\n"
    "  rect CODE        the square of a 6- or 8-digit mesh code of the grid: SOUTH WEST NORTH EAST\n"
    "  readout LAT LON  the two status-bar texts for a pointer at that point\n"
    "  files ...        the DEM files of a point, a box or a mesh code (files --help)\n"
    "  check DIR ...    which of an area's DEM files a folder holds: present, missing, damaged\n"
    "                   (check --help)\n"
    "  convert IN... --out FILE.tif\n"
    "                   DEM files (XML, ZIP, folders) to one GeoTIFF (convert --help)\n"
    "  elevation DIR [LAT,LON ...]\n"
    "                   elevations of points from the DEM files of a folder (elevation --help)\n"
    "  where TEXT       prefectures and places whose name is or contains TEXT (ヶ and ケ, 屛 and\n"
    "                   屏, full- and half-width forms alike): KIND NAME LAT LON CODE PREFECTURE,\n"
    "                   tab-separated, exact matches first, at most 50\n"
    "  render ...       draw one map frame to a PNG file (render --help)\n"
    "  stats            what the embedded data holds: one line NAME COUNT per collection, then\n"
    "                   elevation MIN MAX\n"
    "  drive [FILE]     run the main window off screen and execute the commands of FILE (or of\n"
    "                   standard input, also for FILE '-'), one per line; '#' starts a comment:\n"
    "                     size W H            make the map area W x H pixels (1 to 10000 each)\n"
    "                     move X Y [right]    move the mouse to (X, Y), with the right button held\n"
    "                     print viewport      the projection state\n"
    "                     print window        size and caption of the main window\n"
    "                     print status N      the text of status-bar pane N\n"
    "                     zoom Z              set the zoom (0.6 to 1000) and repaint\n"
    "                     center LAT LON      set the centre and repaint\n"
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
    "                     box X1 Y1 X2 Y2     Shift + left press at (X1, Y1), drag, release at (X2, Y2):\n"
    "                                         the files of that box in the file list window\n"
    "                     mpress X Y          middle button down at (X, Y)\n"
    "                     mrelease X Y        middle button up there: the web map when pressed on\n"
    "                                         that pixel, unless a shown panel button is there\n"
    "                     mclick X Y          middle press and release on one pixel\n"
    "                     jump TEXT           open the jump dialog, type the rest of the line, press\n"
    "                                         its button: accepted LAT LON, or refused: MESSAGE (the\n"
    "                                         dialog kept it and was closed)\n"
    "                     jump-cancel         open the jump dialog and close it with the close box\n"
    "                     print list          the file list window: visible=0|1, its title, text=...\n"
    "                                         with \\\\, \\r and \\n escaped\n"
    "                     print weburl        the last address handed to the desktop (none opens)\n"
    "                     print marker        LON,LAT of the marker (-1,-1: none)\n"
    "                     print toggles       the five layer switches in panel order, as 0/1\n"
    "                     print focus         which window has the keyboard: view, list or none\n"
    "                     monkey SEED N       N random events from a generator seeded with SEED, any\n"
    "                                         64-bit number (moves, drags, wheel, clicks,\n"
    "                                         Alt+clicks, keys, jumps with random text), then\n"
    "                                         'monkey N ok' and the viewport\n"
    "  --help           this text\n"
    "  --version        the program's name and version\n"
    "\n"
    "Points are given as LAT,LON everywhere (print viewport and print marker answer LON,LAT).\n"
    "Options that take a value take it as the next argument or as --OPTION=VALUE.\n"
    "\n"
    "Exit status: 0 on success, 1 on a bad argument or a failed command; check and convert: 2\n"
    "when files are missing or damaged.\n";

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
        return Fail("usage: tesselo-cli drive [FILE|-]");
    std::ifstream file;
    // "-" is standard input, as with no FILE.
    const bool fromFile = argc == 3 && std::strcmp(argv[2], "-") != 0;
    if (fromFile) {
        file.open(argv[2]);
        if (!file)
            return Fail(std::string("cannot read ") + argv[2]);
    }
    return WithWindow(argv[0], [&](CTesseloApp& app) {
        Driver driver(app);
        return driver.Run(fromFile ? static_cast<std::istream&>(file) : std::cin, std::cout, std::cerr) ? 0 : 1;
    });
}

const char kRenderHelp[] =
    "Usage: tesselo-cli render [--size WxH] [--zoom Z] [--center LAT,LON] [--5m] [--marker LAT,LON]\n"
    "                          --out FILE.png\n"
    "\n"
    "Draws one map frame as the window would show it and writes it as PNG: the relief at full\n"
    "brightness and every layer the zoom switches on, the projection that of a window of that size.\n"
    "\n"
    "  --size WxH        the map area in pixels, 1 to 10000 each way (default 933x600)\n"
    "  --zoom Z          the zoom, 0.6 for the whole country up to 1000 (default 0.6)\n"
    "  --center LAT,LON  the point at the middle, inside the grid: 20 to 46 degrees north, 122 to\n"
    "                    154 east (default 34,138)\n"
    "  --5m              show the 5 m tiles (from zoom 4)\n"
    "  --marker LAT,LON  place the marker\n"
    "  --out FILE.png    where to write the picture\n"
    "\n"
    "Every option that takes a value also takes it as --OPTION=VALUE.\n";

bool ParsePair(const std::string& s, char sep, double& a, double& b)
{
    const auto at = s.find(sep);
    return at != std::string::npos && ParseDouble(s.substr(0, at), a) && ParseDouble(s.substr(at + 1), b);
}

// The arguments from `from` on, each "--name=value" split into "--name" and "value". flags: the
// options that take no value; "--flag=value" stays whole, to be refused as unknown.
std::vector<std::string> SplitOptions(int argc, char** argv, int from, std::initializer_list<const char*> flags)
{
    std::vector<std::string> out;
    for (int i = from; i < argc; ++i) {
        const std::string a = argv[i];
        const auto eq = a.find('=');
        const std::string name = a.substr(0, eq);
        const bool flag = std::any_of(flags.begin(), flags.end(), [&](const char* f) { return name == f; });
        if (a.rfind("--", 0) == 0 && eq != std::string::npos && !flag) {
            out.push_back(name);
            out.push_back(a.substr(eq + 1));
        } else {
            out.push_back(a);
        }
    }
    return out;
}

// "N files", "1 file".
std::string Count(size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

int Render(int argc, char** argv)
{
    int width = 933, height = 600;
    double zoom = 0.6, lon = 138, lat = 34, mlon = -1, mlat = -1;
    bool fiveMeter = false;
    std::string out;
    const std::vector<std::string> args = SplitOptions(argc, argv, 2, {"--help", "--5m"});
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool more = i + 1 < args.size();
        const std::string v = more ? args[i + 1] : std::string();
        double w = 0, h = 0;
        if (a == "--help") {
            std::fputs(kRenderHelp, stdout);
            return 0;
        } else if (a == "--size" && more) {
            if (!ParsePair(v, 'x', w, h) || !(w >= 1 && h >= 1 && w <= kMaxMapSide && h <= kMaxMapSide) ||
                w != static_cast<int>(w) || h != static_cast<int>(h))
                return Fail("render: --size wants WxH, whole numbers from 1 to " + std::to_string(kMaxMapSide) +
                            " (got '" + v + "')");
            width = static_cast<int>(w), height = static_cast<int>(h), ++i;
        } else if (a == "--zoom" && more) {
            if (!ParseDouble(v, zoom) || !(zoom >= kMinZoom && zoom <= kMaxZoom))
                return Fail("render: --zoom wants a number from 0.6 to 1000 (got '" + v + "')");
            ++i;
        } else if (a == "--center" && more) {
            if (!ParsePair(v, ',', lat, lon))
                return Fail("render: --center wants LAT,LON in decimal degrees (got '" + v + "')");
            if (!PointToMeshCodes(lat, lon))
                return Fail("render: --center " + v +
                            " lies outside the map's grid (20 to 46 degrees north, 122 to 154 east)");
            ++i;
        } else if (a == "--marker" && more) {
            if (!ParsePair(v, ',', mlat, mlon))
                return Fail("render: --marker wants LAT,LON in decimal degrees (got '" + v + "')");
            ++i;
        } else if (a == "--5m") {
            fiveMeter = true;
        } else if (a == "--out" && more) {
            out = args[++i];
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
    "Usage: tesselo-cli files (--at LAT,LON | --bbox S,W,N,E | --mesh CODE | --prefecture P |\n"
    "                          --municipality NAME [--prefecture P])\n"
    "                         [--edition 10m|5m|both] [--format text|csv|json|geojson] [--zips]\n"
    "\n"
    "Lists the DEM files of an area: per prefecture, the ZIP archive and the XML file inside it.\n"
    "\n"
    "  --at LAT,LON       the files of the one square of each edition that holds the point (south\n"
    "                     and west edges inside; 20 to 46 degrees north, 122 to 154 east)\n"
    "  --bbox S,W,N,E     the files whose squares meet the box; squares that only touch its\n"
    "                     edges count\n"
    "  --mesh CODE        6 digits: that 10 m file and the 5 m files inside it; 8 digits: that\n"
    "                     5 m file and its 10 m parent (a square of the grid: second-level digits\n"
    "                     0 to 7)\n"
    "  --prefecture P     every file listed under the prefecture: its name (東京都) or its\n"
    "                     number 1 to 47\n"
    "  --municipality NAME\n"
    "                     the files whose squares overlap the municipality's area (touching\n"
    "                     its border does not count): 箱根町, 千代田区, 札幌市中央区, or a\n"
    "                     designated city alone (札幌市: all its wards); with --prefecture\n"
    "                     only places in that prefecture\n"
    "  --edition E        10m, 5m or both (default both)\n"
    "  --format F         text (the file list's lines), csv (edition,prefecture,zip,xml,mesh),\n"
    "                     json, or geojson (a FeatureCollection of the squares) (default text)\n"
    "  --zips             only the distinct ZIP archives, with their number of XML files in the\n"
    "                     area (csv: edition,zip,files; geojson: the ZIP's second-level square)\n"
    "\n"
    "Sorted by edition, prefecture, ZIP and XML. Standard error gets a last line with the number\n"
    "of files and ZIP archives. A municipality name that fits several places, or none, is exit\n"
    "status 1 with the candidates or the nearest names on standard error. Every option that\n"
    "takes a value also takes it as --OPTION=VALUE.\n";

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
    bool geojson = false;
    std::optional<int32_t> prefecture;
    std::string municipality;
    std::string error;
    const std::vector<std::string> args = SplitOptions(argc, argv, 2, {"--help", "--zips"});
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const char* value = i + 1 < args.size() ? args[i + 1].c_str() : nullptr;
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
        } else if (a == "--prefecture") {
            if (prefecture)
                return Fail("files: give --prefecture once");
            prefecture = ParsePrefecture(v);
            if (!prefecture)
                return Fail("files: --prefecture wants a prefecture's name as in the table (東京都) or its number 1 to 47 "
                            "(got '" + v + "')");
        } else if (a == "--municipality") {
            if (!municipality.empty() || v.empty())
                return Fail("files: give --municipality once, with a name");
            municipality = v;
        } else if (a == "--format" && v == "geojson") {
            geojson = true;
        } else if (a == "--edition" && (v == "10m" || v == "5m" || v == "both")) {
            editions = v == "10m" ? EditionChoice::Dem10m : v == "5m" ? EditionChoice::Dem5m : EditionChoice::Both;
        } else if (a == "--format" && (v == "text" || v == "csv" || v == "json")) {
            format = v == "text" ? AreaFormat::Text : v == "csv" ? AreaFormat::Csv : AreaFormat::Json;
            geojson = false;
        } else {
            return Fail("files: bad argument " + a + " " + v + " (try files --help)");
        }
    }
    if (haveArea && (prefecture || !municipality.empty()))
        return Fail("files: give one of --at, --bbox, --mesh, --prefecture and --municipality");
    if (!haveArea && !prefecture && municipality.empty())
        return Fail("files: give --at, --bbox, --mesh, --prefecture or --municipality (try files --help)");
    LoadEmbeddedData();
    std::vector<AreaFile> found;
    if (!municipality.empty()) {
        if (!LoadMunicipalAreas())
            return Fail("files: the municipal areas are not embedded in this build");
        const MunicipalityMatch match = FindMunicipality(municipality, prefecture, g_municipalAreas);
        if (match.areas.empty()) {
            const bool several = !match.candidates.empty();
            const std::vector<std::string>& names = several ? match.candidates : match.suggestions;
            std::string message = "files: " + municipality + (several ? " fits several places" : " is no municipality") +
                                  (prefecture ? std::string(" in ") + kPrefectureNamesUtf8[*prefecture] : "") +
                                  (several ? "; name one of them, or add --prefecture:"
                                           : names.empty() ? "" : "; the nearest names:");
            for (const std::string& line : names)
                message += "\n  " + line;
            return Fail(message);
        }
        found = FindMunicipalityFiles(match.areas, editions);
    } else if (prefecture) {
        found = FindPrefectureFiles(*prefecture, editions);
    } else {
        found = FindAreaFiles(query, editions);
    }
    if (geojson)
        std::fputs(zips ? AreaZipsGeoJson(DistinctZips(found)).c_str() : AreaFilesGeoJson(found).c_str(), stdout);
    else
        std::fputs(zips ? FormatAreaZips(DistinctZips(found), format).c_str() : FormatAreaFiles(found, format).c_str(),
                   stdout);
    const AreaTotals totals = CountAreaFiles(found);
    std::cerr << Count(totals.xmlFiles, "file", "files") << ", " << Count(totals.zips, "ZIP archive", "ZIP archives")
              << "\n";
    return 0;
}

int Where(int argc, char** argv)
{
    if (argc != 3 || !argv[2][0])
        return Fail("usage: tesselo-cli where TEXT (a place name or part of one, UTF-8)");
    // Only the gazetteers and the place index: the catalogues are not looked at.
    g_hInstance = GetModuleHandle(nullptr);
    LoadGazetteers();
    PlaceIndex index;
    LoadPlaceIndex(index);
    const std::vector<PlaceMatch> matches = FindPlaces(argv[2], 50, index);
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
    if (cmd == "--version") {
        if (argc != 2)
            return Fail("usage: tesselo-cli --version");
        std::printf("tesselo-cli %s\n", TESSELO_VERSION);
        return 0;
    }
    if (cmd == "mesh") {
        double lat, lon;
        if (argc != 4 || !ParseDouble(argv[2], lat) || !ParseDouble(argv[3], lon))
            return Fail("usage: tesselo-cli mesh LAT LON (decimal degrees)");
        const std::optional<MeshCodeParts> p = PointToMeshCodes(lat, lon);
        if (!p)
            return Fail(std::string("mesh: ") + argv[2] + " " + argv[3] +
                        " lies outside the grid (20 to 46 degrees north, 122 to 154 east)");
        std::printf("%04d %02d %02d\n", p->first, p->second, p->third);
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
        if (!IsGridMeshCode(static_cast<MeshCode>(code)))
            return Fail(std::string("rect: ") + argv[2] +
                        " is not a square of the grid (first-level rows 30 to 68, columns 22 to 53; second-level "
                        "digits 0 to 7)");
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
    if (cmd == "check")
        return DemCheck(argc, argv);
    if (cmd == "convert")
        return DemConvert(argc, argv);
    if (cmd == "elevation")
        return DemElevation(argc, argv);
    if (cmd == "render")
        return Render(argc, argv);
    if (cmd == "drive")
        return Drive(argc, argv);
    return Fail("unknown command: " + cmd + " (try --help)");
}
