// tesselo-cli's commands: the map's answers without its window, and the window driven from a script.
#include "cli/commands.h"

#include "app/app.h"
#include "cli/demcommands.h"
#include "cli/driver.h"
#include "cli/stats.h"
#include "geodata/catalogue.h"
#include "geodata/geodata.h"
#include "geodata/meshcode.h"
#include "geodata/meshdb.h"
#include "geodata/municipal.h"
#include "geodata/places.h"
#include "queries/placesearch.h"
#include "queries/areageojson.h"
#include "queries/areaquery.h"
#include "queries/municipalquery.h"
#include "platform/cp932.h"
#include "platform/kernel.h"
#include "queries/readout.h"
#include "view/view.h"

#include <QApplication>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

int Fail(const std::string& message)
{
    std::cerr << "tesselo-cli: " << message << "\n";
    return 1;
}

const Option kAtOption{"--at", "LAT,LON",
                       "the one square of each edition that holds the point (south and west\n"
                       "edges inside; 20 to 46 degrees north, 122 to 154 east)"};
const Option kBboxOption{"--bbox", "S,W,N,E",
                         "the squares whose inside overlaps the box: squares that only touch its\n"
                         "edges do not count; a box of no height or width (a line, a point) takes\n"
                         "the squares that hold that edge as --at holds a point"};
const Option kMeshOption{"--mesh", "CODE",
                         "6 digits: that 10 m square and the 5 m squares inside it; 8 digits: that\n"
                         "5 m square and its 10 m parent (a square of the grid: second-level digits\n"
                         "0 to 7)"};
const Option kPrefectureOption{"--prefecture", "P",
                               "the squares listed under the prefecture: its name (東京都 or 東京) or\n"
                               "its number 1 to 47"};
const Option kMunicipalityOption{"--municipality", "NAME",
                                 "the squares that overlap the municipality's area (touching its border\n"
                                 "does not count): 箱根町, 千代田区, 札幌市中央区, a designated city\n"
                                 "alone (札幌市: all its wards), with its prefecture in front\n"
                                 "(東京都北区) or behind as the candidates show it (\"伊達市 (北海道)\");\n"
                                 "with --prefecture only places in that prefecture"};

const std::vector<Option>& AreaOptions()
{
    static const std::vector<Option> options{kAtOption, kBboxOption, kMeshOption, kPrefectureOption,
                                             kMunicipalityOption};
    return options;
}

bool ReadAreaArguments(const ParsedArguments& a, AreaArguments& area, std::string& error)
{
    for (const auto& [name, v] : a.options) {
        if (name == kAtOption.name || name == kBboxOption.name || name == kMeshOption.name) {
            if (area.query) {
                error = "give one of --at, --bbox and --mesh";
                return false;
            }
            AreaQuery query;
            bool ok;
            if (name == kAtOption.name) {
                // Blanks around the numbers are the point's form; the area query takes the bare numbers.
                const std::optional<PointArgument> p = ParsePoint(v);
                ok = ParsePointQuery(p ? p->latText + "," + p->lonText : v, query, error);
            } else {
                ok = name == kBboxOption.name ? ParseBoxQuery(v, query, error) : ParseMeshQuery(v, query, error);
            }
            if (!ok) {
                error += " (got '" + v + "')";
                return false;
            }
            area.query = query;
        } else if (name == kPrefectureOption.name) {
            if (area.prefecture) {
                error = "give --prefecture once";
                return false;
            }
            area.prefecture = ParsePrefecture(v);
            if (!area.prefecture) {
                error = "--prefecture wants a prefecture's name (東京都 or 東京) or its number 1 to 47 (got '" + v + "')";
                return false;
            }
        } else if (name == kMunicipalityOption.name) {
            if (!area.municipality.empty() || ReadMunicipalityName(v).name.empty()) {
                error = "give --municipality once, with a name";
                return false;
            }
            area.municipality = v;
        }
    }
    if (area.query && (area.prefecture || !area.municipality.empty())) {
        error = "give one of --at, --bbox, --mesh, --prefecture and --municipality";
        return false;
    }
    return true;
}

void LoadEmbeddedData()
{
    g_hInstance = GetModuleHandle(nullptr);
    LoadGeodata();
}

bool ResolveArea(std::string_view command, const AreaArguments& area, AreaSelection& selection)
{
    const std::string cmd(command);
    LoadEmbeddedData();
    if (area.query) {
        selection.kind = AreaSelection::Kind::Query;
        selection.query = *area.query;
        return true;
    }
    // A prefecture's squares beyond the catalogue's rows are those of its municipalities.
    const bool areas = LoadMunicipalAreas();
    if (area.municipality.empty()) {
        selection.kind = AreaSelection::Kind::Prefecture;
        selection.prefecture = *area.prefecture;
        selection.areas = PrefectureAreas(*area.prefecture, g_municipalAreas);
        return true;
    }
    if (!areas) {
        Fail(cmd + ": the municipal areas are not embedded in this build");
        return false;
    }
    const MunicipalityMatch match = FindMunicipality(area.municipality, area.prefecture, g_municipalAreas);
    if (match.areas.empty()) {
        const bool several = !match.candidates.empty();
        const std::vector<std::string>& names = several ? match.candidates : match.suggestions;
        std::string message = cmd + ": " + area.municipality + (several ? " fits several places" : " is no municipality") +
                              (area.prefecture ? std::string(" in ") + kPrefectureNamesUtf8[*area.prefecture] : "") +
                              (several ? "; name one of them, or add --prefecture:"
                                       : names.empty() ? "" : "; the nearest names:");
        for (const std::string& line : names)
            message += "\n  " + line;
        Fail(message);
        return false;
    }
    selection.kind = AreaSelection::Kind::Municipality;
    selection.areas = match.areas;
    return true;
}

namespace {

const Option kAreaEditionOption{"--edition", "E", "10m, 5m or both (default both)", "10m 5m both"};

// The area options, then the command's own.
std::vector<Option> WithAreaOptions(std::initializer_list<Option> own)
{
    std::vector<Option> all = AreaOptions();
    all.insert(all.end(), own.begin(), own.end());
    return all;
}

EditionChoice AreaEdition(const std::string& v)
{
    return v == "10m" ? EditionChoice::Dem10m : v == "5m" ? EditionChoice::Dem5m : EditionChoice::Both;
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

// "N files", "1 file".
std::string Count(size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

const char kOutsideGrid[] = "(20 to 46 degrees north, 122 to 154 east)";

int Mesh(const CommandSpec&, const ParsedArguments& a, char*)
{
    const std::optional<PointArgument> p =
        a.operands.size() == 2 ? ParsePoint(a.operands[0], a.operands[1]) : std::nullopt;
    if (!p)
        return Fail("usage: tesselo-cli mesh LAT LON (decimal degrees)");
    const std::optional<MeshCodeParts> parts = PointToMeshCodes(p->lat, p->lon);
    if (!parts)
        return Fail("mesh: " + a.operands[0] + " " + a.operands[1] + " lies outside the grid " + kOutsideGrid);
    std::printf("%04d %02d %02d\n", parts->first, parts->second, parts->third);
    return 0;
}

int Rect(const CommandSpec&, const ParsedArguments& a, char*)
{
    const char* text = a.operands.size() == 1 ? a.operands[0].c_str() : "";
    char* end = nullptr;
    errno = 0;
    const long code = std::strtol(text, &end, 10);
    if (a.operands.size() != 1 || end == text || *end || errno || code < INT32_MIN || code > INT32_MAX)
        return Fail("usage: tesselo-cli rect CODE (a 6- or 8-digit mesh code)");
    GeoRect r;
    if (!MeshCodeToRect(static_cast<MeshCode>(code), r))
        return Fail(std::string("not a 6- or 8-digit mesh code: ") + text);
    if (!IsGridMeshCode(static_cast<MeshCode>(code)))
        return Fail(std::string("rect: ") + text +
                    " is not a square of the grid (first-level rows 30 to 68, columns 22 to 53; second-level "
                    "digits 0 to 7)");
    std::printf("%.17g %.17g %.17g %.17g\n", r.south, r.west, r.north, r.east);
    return 0;
}

int Readout(const CommandSpec&, const ParsedArguments& a, char*)
{
    const std::optional<PointArgument> p =
        a.operands.size() == 2 ? ParsePoint(a.operands[0], a.operands[1]) : std::nullopt;
    if (!p)
        return Fail("usage: tesselo-cli readout LAT LON (decimal degrees)");
    const GeoPoint g{p->lon, p->lat};
    std::cout << Cp932ToUtf8(CoordinateText(g)) << "\n" << Cp932ToUtf8(MeshCodeText(g)) << "\n";
    return 0;
}

// The 5 m catalogue is a model of GSI's coverage, not its list: said wherever it answers.
static void NoteEstimatedRows(const std::vector<AreaFile>& found)
{
    if (std::any_of(found.begin(), found.end(), [](const AreaFile& f) { return f.edition == DemEdition::Dem5m; }))
        std::fputs("5 m rows are estimated: GSI publishes no list of its 5 m files (see files --help)\n", stderr);
}

int Files(const CommandSpec& spec, const ParsedArguments& a, char*)
{
    bool zips = false, geojson = false;
    EditionChoice editions = EditionChoice::Both;
    AreaFormat format = AreaFormat::Text;
    for (const auto& [name, v] : a.options) {
        if (name == "--edition") {
            editions = AreaEdition(v);
        } else if (name == "--format") {
            geojson = v == "geojson";
            format = v == "csv" ? AreaFormat::Csv : v == "json" ? AreaFormat::Json : AreaFormat::Text;
        } else if (name == "--zips") {
            zips = true;
        }
    }
    AreaArguments area;
    std::string error;
    if (!ReadAreaArguments(a, area, error))
        return Fail("files: " + error);
    if (!area.Given())
        return Fail(ArgumentError(spec, "give --at, --bbox, --mesh, --prefecture or --municipality"));
    AreaSelection selection;
    if (!ResolveArea("files", area, selection))
        return 1;
    const std::vector<AreaFile> found = FindSelectionFiles(selection, editions);
    if (geojson)
        std::fputs(zips ? AreaZipsGeoJson(DistinctZips(found)).c_str() : AreaFilesGeoJson(found).c_str(), stdout);
    else
        std::fputs(zips ? FormatAreaZips(DistinctZips(found), format).c_str() : FormatAreaFiles(found, format).c_str(),
                   stdout);
    NoteEstimatedRows(found);
    const AreaTotals totals = CountAreaFiles(found);
    std::cerr << Count(totals.xmlFiles, "file", "files") << ", " << Count(totals.zips, "ZIP archive", "ZIP archives")
              << "\n";
    return 0;
}

int Where(const CommandSpec&, const ParsedArguments& a, char*)
{
    if (a.operands.size() != 1 || a.operands[0].empty())
        return Fail("usage: tesselo-cli where TEXT (a place name or part of one, UTF-8)");
    const std::string& text = a.operands[0];
    // Only the gazetteers and the place index: the catalogues are not looked at.
    g_hInstance = GetModuleHandle(nullptr);
    LoadGazetteers();
    PlaceIndex index;
    LoadPlaceIndex(index);
    const std::vector<PlaceMatch> matches = FindPlaces(text, 50, index);
    for (const PlaceMatch& m : matches)
        std::cout << PlaceMatchLine(m) << "\n";
    if (matches.empty())
        return Fail("no place named " + text);
    return 0;
}

int Render(const CommandSpec&, const ParsedArguments& a, char* argv0)
{
    int width = 933, height = 600;
    double zoom = 0.6, lon = 138, lat = 34, mlon = -1, mlat = -1;
    bool fiveMeter = false;
    std::string out;
    for (const auto& [name, v] : a.options) {
        if (name == "--size") {
            const size_t x = v.find('x');
            double w = 0, h = 0;
            if (x == std::string::npos || !ParseDouble(v.substr(0, x), w) || !ParseDouble(v.substr(x + 1), h) ||
                !(w >= 1 && h >= 1 && w <= kMaxMapSide && h <= kMaxMapSide) || w != static_cast<int>(w) ||
                h != static_cast<int>(h))
                return Fail("render: --size wants WxH, whole numbers from 1 to " + std::to_string(kMaxMapSide) +
                            " (got '" + v + "')");
            width = static_cast<int>(w), height = static_cast<int>(h);
        } else if (name == "--zoom") {
            if (!ParseDouble(v, zoom) || !(zoom >= kMinZoom && zoom <= kMaxZoom))
                return Fail("render: --zoom wants a number from 0.6 to 1000 (got '" + v + "')");
        } else if (name == "--center") {
            const std::optional<PointArgument> p = ParsePoint(v);
            if (!p)
                return Fail("render: --center wants LAT,LON in decimal degrees (got '" + v + "')");
            if (!PointToMeshCodes(p->lat, p->lon))
                return Fail("render: --center " + v + " lies outside the map's grid " + kOutsideGrid);
            lat = p->lat, lon = p->lon;
        } else if (name == "--marker") {
            const std::optional<PointArgument> p = ParsePoint(v);
            if (!p)
                return Fail("render: --marker wants LAT,LON in decimal degrees (got '" + v + "')");
            mlat = p->lat, mlon = p->lon;
        } else if (name == "--5m") {
            fiveMeter = true;
        } else if (name == "--out") {
            out = v;
        }
    }
    if (out.empty())
        return Fail("render: --out FILE.png is required");
    return WithWindow(argv0, [&](CTesseloApp& app) {
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

int Stats(const CommandSpec&, const ParsedArguments&, char*)
{
    LoadEmbeddedData();
    CMeshDB raster;
    raster.LoadElevationRaster();
    WriteStats(raster, std::cout);
    return 0;
}

int Drive(const CommandSpec&, const ParsedArguments& a, char* argv0)
{
    if (a.operands.size() > 1)
        return Fail("usage: tesselo-cli drive [FILE|-]");
    std::ifstream file;
    // "-" is standard input, as with no FILE.
    const bool fromFile = a.operands.size() == 1 && a.operands[0] != "-";
    if (fromFile) {
        file.open(a.operands[0]);
        if (!file)
            return Fail("cannot read " + a.operands[0]);
    }
    return WithWindow(argv0, [&](CTesseloApp& app) {
        Driver driver(app);
        return driver.Run(fromFile ? static_cast<std::istream&>(file) : std::cin, std::cout, std::cerr) ? 0 : 1;
    });
}

std::vector<Command> MakeCommands()
{
    std::vector<Command> c;
    c.push_back({{.name = "mesh",
                  .operands = "LAT LON",
                  .summary = "the grid-square code digits of a point, as the status bar shows them:\n"
                             "FIRST SECOND THIRD (south and west edges belong to the square; exit\n"
                             "status 1 outside the grid, 20 to 46 degrees north, 122 to 154 east)",
                  .takesOperands = true},
                 Mesh});
    c.push_back({{.name = "rect",
                  .operands = "CODE",
                  .summary = "the square of a 6- or 8-digit mesh code of the grid: SOUTH WEST NORTH EAST",
                  .takesOperands = true},
                 Rect});
    c.push_back({{.name = "readout",
                  .operands = "LAT LON",
                  .summary = "the two status-bar texts for a pointer at that point",
                  .takesOperands = true},
                 Readout});
    c.push_back(
        {{.name = "files",
          .operands = "...",
          .summary = "the DEM files of a point, a box or a mesh code (files --help)",
          .usage = "(--at LAT,LON | --bbox S,W,N,E | --mesh CODE | --prefecture P |\n"
                   " --municipality NAME [--prefecture P])\n"
                   "[--edition 10m|5m|both] [--format text|csv|json|geojson] [--zips]",
          .about = "Lists the DEM files of an area: per prefecture, the ZIP archive and the XML file inside it.",
          .options = WithAreaOptions({
                      kAreaEditionOption,
                      {"--format", "F",
                       "text (the file list's lines), csv (edition,prefecture,zip,xml,mesh),\n"
                       "json, or geojson (a FeatureCollection of the squares) (default text)",
                       "text csv json geojson"},
                      {"--zips", "",
                       "only the distinct ZIP archives, with their number of XML files in the\n"
                       "area (csv: edition,zip,files; geojson: the ZIP's second-level square)"}}),
          .notes = "Sorted by edition, prefecture, ZIP and XML. Standard error gets a last line with the number\n"
                   "of files and ZIP archives. A municipality name that fits several places, or none, is exit\n"
                   "status 1 with the candidates or the nearest names on standard error.\n"
                   "\n"
                   "The 10 m rows are GSI's own list of its 10 m files (2025-01-29). The 5 m rows are an\n"
                   "estimate: GSI publishes no list of its 5 m files, so where DEM5A, DEM5B and DEM5C exist is\n"
                   "modelled (README, \"The embedded data\"); standard error says so whenever 5 m rows are listed."},
         Files});
    c.push_back(
        {{.name = "check",
          .operands = "DIR ...",
          .summary = "which of an area's DEM files a folder holds, or every DEM file in it\n(check --help)",
          .usage = "DIR [--at LAT,LON | --bbox S,W,N,E | --mesh CODE | --prefecture P |\n"
                   "     --municipality NAME [--prefecture P]]\n"
                   "[--edition 10m|5m|both] [--format text|csv|json]",
          .about = "Looks through DIR (its folders, ZIP archives and ZIP archives inside those, regional\n"
                   "packages included) for the DEM files the catalogue lists for the area, and reads each one\n"
                   "found. One row per listed file:\n"
                   "  present      found and readable (with where it was found)\n"
                   "  covered      not found, but a better kind of the same square is there (5B or 5C under\n"
                   "               5A, 10B under 10A, any 5 m under 1A), which convert uses: its path is given\n"
                   "  missing      a 10 m file not found\n"
                   "  unconfirmed  a 5 m file not found: GSI publishes no list of its 5 m squares, so the\n"
                   "               catalogue's 5 m files are an estimate and this one may not exist at all\n"
                   "  damaged      an archive that cannot be read, XML that does not parse, or a grid or mesh\n"
                   "               code that does not match the file's name\n"
                   "then an unlisted row for each DEM file of the area in DIR that the catalogue does not list\n"
                   "(DEM1A files, edition 1m, among them; for a prefecture or a municipality, files whose square\n"
                   "overlaps one of its municipalities). Files are matched by mesh code and kind (DEM1A ...\n"
                   "DEM10B), not by date. Of several copies of one file the newest edition is used (the date\n"
                   "in the XML's name, else the archive's, else the XML's own); the copies are counted and each\n"
                   "one not used is named on standard error.\n"
                   "\n"
                   "Without an area: every DEM file found in DIR, one row each, with its kind, edition, mesh\n"
                   "code, edition date, the reference of its heights (JGD2000, JGD2011, JGD2024), where it\n"
                   "is and how many copies of it there are; present or damaged; totals per kind.",
          .options = WithAreaOptions({kAreaEditionOption,
                                      {"--format", "F",
                                       "text, csv (status,edition,zip,xml,mesh,path,copies; without an area\n"
                                       "status,kind,edition,mesh,date,heights,path,copies) or json (default\n"
                                       "text)",
                                       "text csv json"}}),
          .notes = "Totals on standard error. Exit status 0 when nothing is missing or damaged (covered and\n"
                   "unconfirmed files do not count), 2 when something is, 1 on a bad argument or a folder\n"
                   "that does not exist.",
          .takesOperands = true},
         DemCheck});
    c.push_back(
        {{.name = "convert",
          .operands = "IN... --out FILE.tif",
          .summary = "DEM files (XML, ZIP, folders) to one GeoTIFF (convert --help)",
          .usage = "INPUT... --out FILE.tif\n"
                   "[--at LAT,LON | --bbox S,W,N,E | --mesh CODE | --prefecture P |\n"
                   " --municipality NAME [--prefecture P]]\n"
                   "[--edition 1m|5m|10m|best] [--epsg CODE [--resolution METRES]] [--quiet]",
          .about = "Turns DEM files (XML files, ZIP archives, folders of them) into one Float32 GeoTIFF: tiled,\n"
                   "DEFLATE-compressed, laid out as a Cloud Optimized GeoTIFF, nodata -9999, in EPSG:6668\n"
                   "(JGD2011) on the grid of the finest edition used (1/90000 degree cells for 1 m, 1/18000 for\n"
                   "5 m, 1/9000 for 10 m), cell edges on the mesh boundaries. Its metadata HEIGHT_REFERENCE\n"
                   "names the heights' reference (JGD2011, JGD2024; with both, the squares of each).\n"
                   "The extent: a --bbox with height and width widened to whole cells; for the other area options\n"
                   "the rectangle around the squares that files lists for that area and edition (--edition 5m\n"
                   "for the 5 m squares alone); by default the rectangle around the inputs' squares. Only inputs\n"
                   "whose squares overlap the extent's inside are read.",
          .options = WithAreaOptions({{"--out", "FILE.tif",
                       "where to write; written under temporary names beside it and renamed at\n"
                       "the end; a folder, another extension or an unwritable place is refused"},
                      {"--edition", "E",
                       "1m, 5m or 10m: that edition only; best (default): cell by cell the first\n"
                       "kind with a value of 1A, 5A, 5B, 5C, 10A, 10B, a coarser cell taken\n"
                       "where it holds the cell's centre",
                       "1m 5m 10m best"},
                      {"--epsg", "CODE", "warp into that system (bilinear), e.g. 6677"},
                      {"--resolution", "METRES", "with --epsg: cells of exactly that size, edges on its multiples"},
                      {"--quiet", "", "no progress line"}}),
          .notes = "Sea, データなし and cells without a value are -9999. Files labelled JGD2000 are placed on\n"
                   "the mesh grid unshifted, with a warning. Damaged inputs are named on standard error and\n"
                   "skipped: exit status 2. Nothing to convert or a bad argument: exit status 1 and no output\n"
                   "file. Interrupted (SIGINT, SIGTERM): temporary files removed, exit status 130 or 143.",
          .takesOperands = true},
         DemConvert});
    c.push_back(
        {{.name = "tiles",
          .operands = "IN... --out PATH",
          .summary = "DEM files to web terrain tiles: a folder or an MBTiles file (tiles --help)",
          .usage = "INPUT... --out PATH [--encoding terrarium|mapbox|gsi] [--zoom MIN-MAX]\n"
                   "[--tile-size 256|512] [--nodata zero|transparent] [--bbox S,W,N,E]\n"
                   "[--edition 1m|5m|10m|best] [--quiet]",
          .about = "Turns DEM files (XML files, ZIP archives, folders of them), read as convert reads them, into\n"
                   "web terrain tiles: PNG in Web Mercator (EPSG:3857), XYZ scheme, colours that encode heights,\n"
                   "for MapLibre GL (raster-dem sources), deck.gl, Cesium or QGIS. Each pixel of the highest zoom\n"
                   "is the bilinear sample of convert's raster at its centre; each lower zoom is made from the\n"
                   "one above it (the mean of the four pixels below a pixel that have a value).",
          .options = {{"--out", "PATH",
                       "ending in .mbtiles: one MBTiles file (its metadata names the encoding);\n"
                       "otherwise a folder of Z/X/Y.png with metadata.json"},
                      {"--encoding", "E",
                       "terrarium (default): height = R * 256 + G + B / 256 - 32768\n"
                       "mapbox (Terrain-RGB): height = -10000 + (R * 65536 + G * 256 + B) * 0.1\n"
                       "gsi (GSI's elevation tiles): x = R * 65536 + G * 256 + B, x * 0.01 m below\n"
                       "2^23, (x - 2^24) * 0.01 m above; (128, 0, 0) is no data",
                       "terrarium mapbox gsi"},
                      {"--zoom", "MIN-MAX",
                       "the zooms made, or one zoom Z (default: up to 17 for 1 m, 15 for 5 m and\n"
                       "14 for 10 m files, the finest edition used, down to the zoom at which the\n"
                       "area fits one tile)"},
                      {"--tile-size", "N", "256 (default) or 512 pixels", "256 512"},
                      {"--nodata", "M",
                       "zero (default): RGB tiles, no data as the code of 0 m; transparent: RGBA\n"
                       "tiles, no data as transparent pixels (terrarium and mapbox only). Zero is\n"
                       "the default because MapLibre GL and Mapbox GL read R, G and B alone: a\n"
                       "transparent pixel would be -32768 m (terrarium) or -10000 m (mapbox), a\n"
                       "wall along every coast, while GSI's no data is mostly sea",
                       "zero transparent"},
                      {"--bbox", "S,W,N,E", "the area, widened to whole cells (default: the squares of the inputs)"},
                      {"--edition", "E",
                       "1m, 5m or 10m: that edition only; best (default): the finest file\n"
                       "that has a value, cell by cell, as for convert",
                       "1m 5m 10m best"},
                      {"--quiet", "", "no progress line"}},
          .notes = "Tiles without any value are not written. Damaged inputs are named on standard error and\n"
                   "skipped: exit status 2. Nothing to make or a bad argument: exit status 1 (an MBTiles file\n"
                   "is then not written).",
          .takesOperands = true},
         DemWebTiles});
    c.push_back(
        {{.name = "elevation",
          .operands = "DIR [LAT,LON ...]",
          .summary = "elevations of points from the DEM files of a folder (elevation --help)",
          .usage = "DIR [--bilinear]\n"
                   "[--at LAT,LON | --bbox S,W,N,E | --mesh CODE | --prefecture P |\n"
                   " --municipality NAME [--prefecture P]] [LAT,LON ...]",
          .about = "The elevation at each point (points from standard input, one a line, when none are given),\n"
                   "from the DEM files in DIR (folders and ZIP archives, looked through once):\n"
                   "  LAT<TAB>LON<TAB>ELEVATION<TAB>EDITION<TAB>XML\n"
                   "the value of the cell that contains the point from the finest file that has one (1A, 5A,\n"
                   "5B, 5C, then 10A, 10B), with two decimals, EDITION 1m, 5m or 10m; nan and empty fields\n"
                   "when none has. Of several copies of one file the newest edition is used. A point is\n"
                   "LAT,LON, LAT LON or LAT<TAB>LON in decimal degrees, or a line of this output (its first two\n"
                   "fields), so that the output can be fed back.\n"
                   "The area options read only the files of the area's squares (those check would look at):\n"
                   "a point outside them answers nan. --at with no other point also asks for that point.",
          .options = WithAreaOptions({{"--bilinear", "",
                                       "interpolate between the four nearest cell centres of one edition; where a\n"
                                       "neighbour has no value of the edition of the point's cell (the edge of\n"
                                       "its coverage), the value of the point's cell itself"}}),
          .notes = "Damaged files and copies not used are named on standard error. Exit status 1 on a bad\n"
                   "argument or point, a folder that does not exist or holds no DEM file; a bad point is\n"
                   "reported before anything is answered, except on standard input, where it is reported in\n"
                   "turn and the rest answered.",
          .takesOperands = true},
         DemElevation});
    c.push_back({{.name = "where",
                  .operands = "TEXT",
                  .summary = "prefectures and places whose name is or contains TEXT (ヶ and ケ, 屛 and\n"
                             "屏, full- and half-width forms alike): KIND NAME LAT LON CODE PREFECTURE,\n"
                             "tab-separated, exact matches first, at most 50",
                  .takesOperands = true},
                 Where});
    c.push_back(
        {{.name = "render",
          .operands = "...",
          .summary = "draw one map frame to a PNG file (render --help)",
          .usage = "[--size WxH] [--zoom Z] [--center LAT,LON] [--5m] [--marker LAT,LON]\n--out FILE.png",
          .about = "Draws one map frame as the window would show it and writes it as PNG: the relief at full\n"
                   "brightness and every layer the zoom switches on, the projection that of a window of that size.",
          .options = {{"--size", "WxH", "the map area in pixels, 1 to 10000 each way (default 933x600)"},
                      {"--zoom", "Z", "the zoom, 0.6 for the whole country up to 1000 (default 0.6)"},
                      {"--center", "LAT,LON",
                       "the point at the middle, inside the grid: 20 to 46 degrees north, 122 to\n"
                       "154 east (default 34,138)"},
                      {"--5m", "", "show the 5 m tiles (from zoom 4)"},
                      {"--marker", "LAT,LON", "place the marker"},
                      {"--out", "FILE.png", "where to write the picture"}}},
         Render});
    c.push_back({{.name = "stats",
                  .summary = "what the embedded data holds: one line NAME COUNT per collection, then\n"
                             "elevation MIN MAX"},
                 Stats});
    c.push_back({{.name = "drive",
                  .operands = "[FILE]",
                  .summary = "run the main window off screen and execute the commands of FILE (or of\n"
                             "standard input, also for FILE '-'), one per line; '#' starts a comment:",
                  .takesOperands = true},
                 Drive});
    return c;
}

} // namespace

const std::vector<Command>& Commands()
{
    static const std::vector<Command> commands = MakeCommands();
    return commands;
}

const Command* FindCommand(const std::string& name)
{
    for (const Command& c : Commands())
        if (c.spec.name == name)
            return &c;
    return nullptr;
}

std::string MainHelp()
{
    // Built here so that the drive entry can carry the script commands' list.
    std::vector<std::string> summaries;
    std::vector<std::pair<std::string, std::string_view>> entries;
    summaries.reserve(Commands().size() + 1);
    for (const Command& c : Commands()) {
        std::string summary(c.spec.summary);
        if (c.run == Drive)
            summary += "\n" + TwoColumns(DriverHelpEntries(), 2, 22);
        while (!summary.empty() && summary.back() == '\n')
            summary.pop_back();
        summaries.push_back(summary);
        const std::string operands(c.spec.operands);
        entries.emplace_back(std::string(c.spec.name) + (operands.empty() ? "" : " " + operands), summaries.back());
    }
    entries.emplace_back("--help", "this text");
    entries.emplace_back("--version", "the program's name and version");
    return "Usage: tesselo-cli COMMAND [ARGUMENTS]\n"
           "\n"
           "Answers of the Tesselo map, without its window.\n"
           "\n"
           "Commands:\n" +
           TwoColumns(entries, 2, 19) +
           "\n"
           "Points are given as LAT,LON everywhere (print viewport and print marker answer LON,LAT);\n"
           "blanks after the comma are allowed.\n"
           "Options that take a value take it as the next argument or as --OPTION=VALUE.\n"
           "\n"
           "Exit status: 0 on success, 1 on a bad argument or a failed command; check, convert and\n"
           "tiles: 2 when files are missing or damaged.\n";
}
