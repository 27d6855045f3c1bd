#include "cli/demcommands.h"

#include "cli/commands.h"

#include "demfiles/check.h"
#include "demfiles/convert.h"
#include "demfiles/elevation.h"
#include "demfiles/tiles.h"
#include "geodata/geodata.h"
#include "geodata/meshcode.h"
#include "queries/areaquery.h"
#include "platform/cnumber.h"
#include "platform/kernel.h"

#include <cstdio>
#include <optional>
#include <iostream>
#include <set>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

bool OfEditions(EditionChoice editions, const DemName& n)
{
    return !((editions == EditionChoice::Dem10m && IsThirdLevel(n.kind)) ||
             (editions == EditionChoice::Dem5m && !IsFiveMeter(n.kind)));
}

// The area options of a command; false with the message printed.
bool AreaOf(const CommandSpec& spec, const ParsedArguments& a, AreaArguments& area, AreaSelection& selection)
{
    std::string error;
    if (!ReadAreaArguments(a, area, error)) {
        Fail(std::string(spec.name) + ": " + error);
        return false;
    }
    return !area.Given() || ResolveArea(spec.name, area, selection);
}

} // namespace

int DemCheck(const CommandSpec&, const ParsedArguments& a, char*)
{
    EditionChoice editions = EditionChoice::Both;
    CheckFormat format = CheckFormat::Text;
    std::string error;
    for (const auto& [name, v] : a.options) {
        if (name == "--edition") {
            editions = v == "10m" ? EditionChoice::Dem10m : v == "5m" ? EditionChoice::Dem5m : EditionChoice::Both;
        } else if (name == "--format") {
            format = v == "csv" ? CheckFormat::Csv : v == "json" ? CheckFormat::Json : CheckFormat::Text;
        }
    }
    AreaArguments area;
    std::string areaError;
    if (!ReadAreaArguments(a, area, areaError))
        return Fail("check: " + areaError);
    if (a.operands.size() != 1)
        return Fail("check: give one folder (try check --help)");
    FoundFiles found;
    if (access(a.operands[0].c_str(), F_OK) != 0 || !FindDemFiles({a.operands[0]}, found, error))
        return Fail("check: no such folder: " + a.operands[0]);
    AreaSelection selection;
    if (area.Given() && !ResolveArea("check", area, selection))
        return 1;
    ValidateFound(found);
    auto inArea = [&](const DemName& n) { return OfEditions(editions, n) && SelectionTakesSquare(selection, n.mesh); };
    for (const std::string& note : area.Given() ? FoundNotes(found, inArea) : FoundNotes(found))
        std::fprintf(stderr, "%s\n", note.c_str());
    if (!area.Given()) {
        const std::vector<CheckRow> rows = ListFound(found);
        std::fputs(FormatFoundRows(rows, format).c_str(), stdout);
        for (const std::string& line : TotalsByKind(rows))
            std::fprintf(stderr, "%s\n", line.c_str());
        if (rows.empty())
            std::fprintf(stderr, "no DEM file in %s\n", a.operands[0].c_str());
        return CountCheckRows(rows).damaged ? 2 : 0;
    }

    // One row per file: the catalogue repeats a file for each prefecture it touches.
    std::vector<ExpectedDemFile> expected;
    std::set<std::tuple<DemEdition, std::string_view, std::string_view>> seen;
    std::vector<AreaFile> listed = FindSelectionFiles(selection, editions);
    std::stable_sort(listed.begin(), listed.end(), [](const AreaFile& x, const AreaFile& y) {
        return std::tie(x.edition, x.zipName, x.xmlName) < std::tie(y.edition, y.zipName, y.xmlName);
    });
    for (const AreaFile& f : listed)
        if (seen.emplace(f.edition, f.zipName, f.xmlName).second)
            expected.push_back(ExpectedDemFile{f.edition == DemEdition::Dem10m ? "10m" : "5m", std::string(f.zipName),
                                               std::string(f.xmlName), f.mesh});
    const std::vector<CheckRow> rows = CompareWithCatalogue(expected, found, inArea);
    std::fputs(FormatCheckRows(rows, format).c_str(), stdout);
    const CheckTotals t = CountCheckRows(rows);
    std::fprintf(stderr, "%zu present, %zu covered, %zu missing, %zu unconfirmed, %zu damaged, %zu unlisted\n",
                 t.present, t.covered, t.missing, t.unconfirmed, t.damaged, t.unlisted);
    return t.missing || t.damaged ? 2 : 0;
}

int DemConvert(const CommandSpec& spec, const ParsedArguments& a, char*)
{
    ConvertOptions o;
    for (const auto& [name, v] : a.options) {
        double code = 0;
        if (name == "--out") {
            o.out = v;
        } else if (name == "--edition") {
            o.edition = v == "1m"    ? EditionPick::Dem1m
                        : v == "10m" ? EditionPick::Dem10m
                        : v == "5m"  ? EditionPick::Dem5m
                                     : EditionPick::Best;
        } else if (name == "--epsg") {
            if (!ParseNumberC(v, code) || code < 1 || code > 999999 || code != static_cast<int>(code))
                return Fail("convert: --epsg wants an EPSG code, a whole number (got '" + v + "')");
            o.epsg = static_cast<int>(code);
        } else if (name == "--resolution") {
            if (!ParseNumberC(v, code) || !(code > 0) || code > 1e6)
                return Fail("convert: --resolution wants a cell size in metres, more than 0 (got '" + v + "')");
            o.resolution = code;
        }
    }
    AreaArguments area;
    AreaSelection selection;
    if (!AreaOf(spec, a, area, selection))
        return 1;
    if (o.out.empty())
        return Fail("convert: --out FILE.tif is required");
    if (a.operands.empty())
        return Fail("convert: give at least one input (try convert --help)");
    if (area.Given()) {
        // A box with height and width is the extent itself; any other area, the rectangle around
        // the squares files lists for it. Either way the files are those the box rule takes.
        const AreaQuery& q = selection.query;
        std::optional<GeoRect> extent;
        if (selection.kind == AreaSelection::Kind::Query && q.kind == AreaQuery::Kind::Box &&
            q.box.north > q.box.south && q.box.east > q.box.west) {
            extent = q.box;
        } else {
            const EditionChoice editions = o.edition == EditionPick::Dem10m ? EditionChoice::Dem10m
                                           : o.edition == EditionPick::Best ? EditionChoice::Both
                                                                            : EditionChoice::Dem5m;
            extent = RectangleAround(FindSelectionFiles(selection, editions));
        }
        if (!extent)
            return Fail("convert: the area holds no square of the catalogue");
        o.bbox = GeoBox{extent->south, extent->west, extent->north, extent->east};
        o.inArea = [box = *extent](const DemName& n) { return BoxTakesSquare(box, n.mesh); };
    }
    o.inputs = a.operands;
    o.progress = !a.Has("--quiet") && isatty(STDERR_FILENO);
    return ConvertDemFiles(o, stderr);
}

int DemElevation(const CommandSpec& spec, const ParsedArguments& a, char*)
{
    if (a.operands.empty())
        return Fail("elevation: give a folder (try elevation --help)");
    const bool bilinear = a.Has("--bilinear");
    AreaArguments area;
    AreaSelection selection;
    if (!AreaOf(spec, a, area, selection))
        return 1;
    std::vector<std::string> points(a.operands.begin() + 1, a.operands.end());
    // The point of --at is asked for when no other is.
    for (const auto& [name, v] : a.options)
        if (name == kAtOption.name && points.empty())
            points.push_back(v);
    // Every point is read before anything is looked up: a bad one is exit status 1 at once.
    auto parse = [](const std::string& text) {
        std::optional<PointArgument> p = ParsePointLine(text);
        if (p && !(p->lat >= -90 && p->lat <= 90 && p->lon >= -180 && p->lon <= 360))
            p.reset();
        return p;
    };
    FoundFiles found;
    std::string error;
    if (access(a.operands[0].c_str(), F_OK) != 0 || !FindDemFiles({a.operands[0]}, found, error))
        return Fail("elevation: no such folder: " + a.operands[0]);
    for (const DamagedSource& d : found.damaged)
        std::fprintf(stderr, "tesselo-cli: elevation: skipped %s: %s\n", d.shownPath.c_str(), d.reason.c_str());
    if (found.files.empty())
        return Fail("elevation: no DEM file in " + a.operands[0]);
    // An area leaves the files of its squares; a point outside them answers nan.
    if (area.Given())
        std::erase_if(found.files, [&](const DemSource& s) { return !SelectionTakesSquare(selection, s.name.mesh); });
    ElevationLookup lookup(found);
    auto answer = [&](const std::string& text) {
        const std::optional<PointArgument> p = parse(text);
        if (!p) {
            Fail("elevation: not a point (LAT,LON, LAT LON or LAT<TAB>LON): '" + text + "'");
            return false;
        }
        const ElevationAnswer e = lookup.At(p->lat, p->lon, bilinear);
        for (const std::string& d : lookup.TakeDamaged())
            std::fprintf(stderr, "tesselo-cli: elevation: skipped %s\n", d.c_str());
        for (const std::string& d : lookup.TakeNotUsed())
            std::fprintf(stderr, "tesselo-cli: elevation: %s\n", d.c_str());
        if (e.found)
            std::printf("%s\t%s\t%.2f\t%s\t%s\n", p->latText.c_str(), p->lonText.c_str(), e.value, e.edition,
                        e.xmlName.c_str());
        else
            std::printf("%s\t%s\tnan\t\t\n", p->latText.c_str(), p->lonText.c_str());
        return true;
    };
    if (points.size() > 0) {
        for (const std::string& p : points)
            if (!parse(p))
                return Fail("elevation: not a point (LAT,LON, LAT LON or LAT<TAB>LON): '" + p + "'");
        for (const std::string& p : points)
            answer(p);
        return 0;
    }
    std::string line;
    int status = 0;
    while (std::getline(std::cin, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        if (!answer(line))
            status = 1;
    }
    return status;
}

namespace {

// "MIN-MAX" or one zoom.
bool ParseZoomRange(const std::string& v, int& minZoom, int& maxZoom)
{
    auto zoom = [](const std::string& t, int& z) {
        if (t.empty() || t.size() > 2 || t.find_first_not_of("0123456789") != std::string::npos)
            return false;
        z = std::stoi(t);
        return z <= kMaxTileZoom;
    };
    const size_t dash = v.find('-');
    if (dash == std::string::npos)
        return zoom(v, minZoom) && zoom(v, maxZoom);
    return zoom(v.substr(0, dash), minZoom) && zoom(v.substr(dash + 1), maxZoom) && minZoom <= maxZoom;
}

} // namespace

int DemWebTiles(const CommandSpec&, const ParsedArguments& a, char*)
{
    TilesOptions o;
    for (const auto& [name, v] : a.options) {
        std::string error;
        AreaQuery q;
        if (name == "--out") {
            o.out = v;
        } else if (name == "--encoding") {
            o.encoding = v == "terrarium" ? TileEncoding::Terrarium : v == "mapbox" ? TileEncoding::Mapbox : TileEncoding::Gsi;
        } else if (name == "--zoom") {
            if (!ParseZoomRange(v, o.minZoom, o.maxZoom))
                return Fail("tiles: --zoom takes MIN-MAX or one zoom, 0 to " + std::to_string(kMaxTileZoom) + " (got '" +
                            v + "')");
        } else if (name == "--tile-size") {
            o.tileSize = v == "512" ? 512 : 256;
        } else if (name == "--nodata") {
            o.transparent = v == "transparent";
        } else if (name == "--bbox") {
            if (!ParseBoxQuery(v, q, error))
                return Fail("tiles: " + error + " (got '" + v + "')");
            o.cells.bbox = GeoBox{q.box.south, q.box.west, q.box.north, q.box.east};
        } else if (name == "--edition") {
            o.cells.edition = v == "10m"  ? EditionPick::Dem10m
                              : v == "5m" ? EditionPick::Dem5m
                              : v == "1m" ? EditionPick::Dem1m
                                          : EditionPick::Best;
        }
    }
    if (o.out.empty())
        return Fail("tiles: --out PATH is required");
    if (a.operands.empty())
        return Fail("tiles: give at least one input (try tiles --help)");
    o.cells.inputs = a.operands;
    o.cells.progress = !a.Has("--quiet") && isatty(STDERR_FILENO);
    return MakeTiles(o, stderr);
}
