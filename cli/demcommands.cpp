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

constexpr double kMargin = 1e-9;

// The same rule as the catalogue's area query: a mesh code takes its own files and those of
// its parent or children, a point or box the squares that meet it.
bool InArea(const AreaQuery& q, EditionChoice editions, const DemName& n)
{
    if ((editions == EditionChoice::Dem10m && IsThirdLevel(n.kind)) ||
        (editions == EditionChoice::Dem5m && !IsFiveMeter(n.kind)))
        return false;
    // An archive comes with its second-level code.
    const bool thirdLevel = n.mesh >= 10000000;
    if (q.kind == AreaQuery::Kind::Mesh) {
        const bool fine = q.mesh >= 10000000;
        if (thirdLevel)
            return fine ? n.mesh == q.mesh : n.mesh / 100 == q.mesh;
        return fine ? n.mesh == q.mesh / 100 : n.mesh == q.mesh;
    }
    GeoRect s;
    return MeshCodeToRect(n.mesh, s) && s.south <= q.box.north + kMargin && s.north >= q.box.south - kMargin &&
           s.west <= q.box.east + kMargin && s.east >= q.box.west - kMargin;
}

std::string Trimmed(std::string s)
{
    while (!s.empty() && (s.back() == '\r' || s.back() == '\n' || s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
    size_t a = 0;
    while (a < s.size() && (s[a] == ' ' || s[a] == '\t'))
        ++a;
    return s.substr(a);
}

} // namespace

int DemCheck(const CommandSpec&, const ParsedArguments& a, char*)
{
    AreaQuery query;
    bool haveArea = false;
    EditionChoice editions = EditionChoice::Both;
    CheckFormat format = CheckFormat::Text;
    std::string error;
    for (const auto& [name, v] : a.options) {
        if (name == "--edition") {
            editions = v == "10m" ? EditionChoice::Dem10m : v == "5m" ? EditionChoice::Dem5m : EditionChoice::Both;
        } else if (name == "--format") {
            format = v == "csv" ? CheckFormat::Csv : v == "json" ? CheckFormat::Json : CheckFormat::Text;
        } else if (IsAreaOption(name)) {
            if (haveArea)
                return Fail("check: give one of --at, --bbox and --mesh");
            haveArea = true;
            if (!ParseAreaOption(name, v, query, error))
                return Fail("check: " + error + " (got '" + v + "')");
        }
    }
    if (a.operands.size() != 1)
        return Fail("check: give one folder (try check --help)");
    FoundFiles found;
    if (access(a.operands[0].c_str(), F_OK) != 0 || !FindDemFiles({a.operands[0]}, found, error))
        return Fail("check: no such folder: " + a.operands[0]);
    ValidateFound(found);
    auto inArea = [&](const DemName& n) { return InArea(query, editions, n); };
    for (const std::string& note : haveArea ? FoundNotes(found, inArea) : FoundNotes(found))
        std::fprintf(stderr, "%s\n", note.c_str());
    if (!haveArea) {
        const std::vector<CheckRow> rows = ListFound(found);
        std::fputs(FormatFoundRows(rows, format).c_str(), stdout);
        for (const std::string& line : TotalsByKind(rows))
            std::fprintf(stderr, "%s\n", line.c_str());
        if (rows.empty())
            std::fprintf(stderr, "no DEM file in %s\n", a.operands[0].c_str());
        return CountCheckRows(rows).damaged ? 2 : 0;
    }

    g_hInstance = GetModuleHandle(nullptr);
    LoadGeodata();
    // One row per file: the catalogue repeats a file for each prefecture it touches.
    std::vector<ExpectedDemFile> expected;
    std::set<std::tuple<DemEdition, std::string_view, std::string_view>> seen;
    std::vector<AreaFile> listed = FindAreaFiles(query, editions);
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

int DemConvert(const CommandSpec&, const ParsedArguments& a, char*)
{
    ConvertOptions o;
    for (const auto& [name, v] : a.options) {
        std::string error;
        AreaQuery q;
        double code = 0;
        if (name == "--out") {
            o.out = v;
        } else if (name == "--bbox") {
            if (!ParseBoxQuery(v, q, error))
                return Fail("convert: " + error + " (got '" + v + "')");
            o.bbox = GeoBox{q.box.south, q.box.west, q.box.north, q.box.east};
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
    if (o.out.empty())
        return Fail("convert: --out FILE.tif is required");
    if (a.operands.empty())
        return Fail("convert: give at least one input (try convert --help)");
    o.inputs = a.operands;
    o.progress = !a.Has("--quiet") && isatty(STDERR_FILENO);
    return ConvertDemFiles(o, stderr);
}

int DemElevation(const CommandSpec&, const ParsedArguments& a, char*)
{
    if (a.operands.empty())
        return Fail("elevation: give a folder (try elevation --help)");
    const bool bilinear = a.Has("--bilinear");
    const std::vector<std::string> points(a.operands.begin() + 1, a.operands.end());
    // Every point is read before anything is looked up: a bad one is exit status 1 at once.
    auto parse = [](const std::string& text) {
        std::optional<PointArgument> p = ParsePoint(text);
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
    ElevationLookup lookup(found);
    auto answer = [&](const std::string& text) {
        const std::optional<PointArgument> p = parse(text);
        if (!p) {
            Fail("elevation: not a point LAT,LON: '" + text + "'");
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
                return Fail("elevation: not a point LAT,LON: '" + p + "'");
        for (const std::string& p : points)
            answer(p);
        return 0;
    }
    std::string line;
    int status = 0;
    while (std::getline(std::cin, line)) {
        if (Trimmed(line).empty())
            continue;
        if (!answer(Trimmed(line)))
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
