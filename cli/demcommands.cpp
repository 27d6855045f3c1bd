#include "cli/demcommands.h"

#include "demfiles/check.h"
#include "demfiles/convert.h"
#include "demfiles/elevation.h"
#include "geodata/geodata.h"
#include "geodata/meshcode.h"
#include "queries/areaquery.h"
#include "platform/cnumber.h"
#include "platform/kernel.h"

#include <cstdio>
#include <iostream>
#include <set>
#include <string>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace {

int Fail(const std::string& message)
{
    std::fprintf(stderr, "tesselo-cli: %s\n", message.c_str());
    return 1;
}

// "--name value" and "--name=value" alike; flags take no value.
struct Arguments {
    std::vector<std::pair<std::string, std::string>> options;
    std::vector<std::string> positional;
    std::string error;
};

Arguments Split(int argc, char** argv, const std::set<std::string>& withValue, const std::set<std::string>& flags)
{
    Arguments a;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg.size() < 2 || arg.compare(0, 2, "--") != 0 || arg == "--") {
            a.positional.push_back(arg);
            continue;
        }
        const size_t eq = arg.find('=');
        const std::string name = arg.substr(0, eq);
        if (flags.count(name)) {
            if (eq != std::string::npos) {
                a.error = name + " takes no value";
                return a;
            }
            a.options.emplace_back(name, "");
        } else if (withValue.count(name)) {
            if (eq != std::string::npos) {
                a.options.emplace_back(name, arg.substr(eq + 1));
            } else if (i + 1 < argc) {
                a.options.emplace_back(name, argv[++i]);
            } else {
                a.error = name + " needs a value";
                return a;
            }
        } else {
            a.error = "bad argument " + arg;
            return a;
        }
    }
    return a;
}

bool Has(const Arguments& a, const std::string& name)
{
    for (const auto& o : a.options)
        if (o.first == name)
            return true;
    return false;
}

constexpr double kMargin = 1e-9;

// The same rule as the catalogue's area query: a mesh code takes its own files and those of
// its parent or children, a point or box the squares that meet it.
bool InArea(const AreaQuery& q, EditionChoice editions, const DemName& n)
{
    const bool five = IsFiveMeter(n.kind);
    if ((editions == EditionChoice::Dem10m && five) || (editions == EditionChoice::Dem5m && !five))
        return false;
    if (q.kind == AreaQuery::Kind::Mesh) {
        const bool fine = q.mesh >= 10000000;
        if (five)
            return fine ? n.mesh == q.mesh : n.mesh / 100 == q.mesh;
        return fine ? n.mesh == q.mesh / 100 : n.mesh == q.mesh;
    }
    GeoRect s;
    return MeshCodeToRect(n.mesh, s) && s.south <= q.box.north + kMargin && s.north >= q.box.south - kMargin &&
           s.west <= q.box.east + kMargin && s.east >= q.box.west - kMargin;
}

const char kCheckHelp[] =
    "Usage: tesselo-cli check DIR (--at LAT,LON | --bbox S,W,N,E | --mesh CODE)\n"
    "                         [--edition 10m|5m|both] [--format text|csv|json]\n"
    "\n"
    "Looks through DIR (its folders, ZIP archives and ZIP archives inside those) for the DEM\n"
    "files the catalogue lists for the area, and reads each one found. One row per listed file:\n"
    "  present   found and readable (with where it was found)\n"
    "  missing   not found\n"
    "  damaged   an archive that cannot be read, XML that does not parse, or a grid or mesh code\n"
    "            that does not match the file's name\n"
    "then an unlisted row for each DEM file of the area in DIR that the catalogue does not list.\n"
    "Files are matched by mesh code and kind (DEM5A ... DEM10B), not by date.\n"
    "\n"
    "  --at, --bbox, --mesh, --edition   as for files\n"
    "  --format F   text, csv (status,edition,zip,xml,mesh,path) or json (default text)\n"
    "  (--OPTION=VALUE works as well as --OPTION VALUE)\n"
    "\n"
    "Totals on standard error. Exit status 0 when nothing is missing or damaged, 2 when\n"
    "something is, 1 on a bad argument or a folder that does not exist.\n";

const char kConvertHelp[] =
    "Usage: tesselo-cli convert INPUT... --out FILE.tif [--bbox S,W,N,E] [--edition 10m|5m|best]\n"
    "                           [--epsg CODE] [--quiet]\n"
    "\n"
    "Turns DEM files (XML files, ZIP archives, folders of them) into one Float32 GeoTIFF: tiled,\n"
    "DEFLATE-compressed, laid out as a Cloud Optimized GeoTIFF, nodata -9999, in EPSG:6668\n"
    "(JGD2011) on the grid of the finest edition used, cell edges on the mesh boundaries.\n"
    "\n"
    "  --out FILE.tif   where to write; written under a temporary name and renamed at the end\n"
    "  --bbox S,W,N,E   the extent, widened to whole cells (default: the squares of the inputs)\n"
    "  --edition E      5m or 10m: that edition only; best (default): 5 m where a 5 m file has a\n"
    "                   value (5A before 5B before 5C), else the 10 m cell under the cell's centre\n"
    "  --epsg CODE      warp into that system (bilinear), e.g. 6677\n"
    "  --quiet          no progress line\n"
    "  (--OPTION=VALUE works as well as --OPTION VALUE)\n"
    "\n"
    "Sea, データなし and cells without a value are -9999. Damaged inputs are named on standard\n"
    "error and skipped: exit status 2. Nothing to convert or a bad argument: exit status 1 and\n"
    "no output file.\n";

const char kElevationHelp[] =
    "Usage: tesselo-cli elevation DIR [--bilinear] [LAT,LON ...]\n"
    "\n"
    "The elevation at each point (points from standard input, one LAT,LON a line, when none are\n"
    "given), from the DEM files in DIR (folders and ZIP archives, looked through once):\n"
    "  LAT<TAB>LON<TAB>ELEVATION<TAB>EDITION<TAB>XML\n"
    "the value of the cell that contains the point from the finest file that has one (5A, 5B,\n"
    "5C, then 10 m), with two decimals; nan and empty fields when none has.\n"
    "\n"
    "  --bilinear   interpolate between the four nearest cell centres of one edition\n"
    "  --help       this text\n"
    "\n"
    "Damaged files are named on standard error and skipped. Exit status 1 on a bad argument or\n"
    "point, or a folder that does not exist; a bad point is reported before anything is\n"
    "answered, except on standard input, where it is reported in turn and the rest answered.\n";

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

int DemCheck(int argc, char** argv)
{
    const Arguments a = Split(argc, argv, {"--at", "--bbox", "--mesh", "--edition", "--format"}, {"--help"});
    if (Has(a, "--help")) {
        std::fputs(kCheckHelp, stdout);
        return 0;
    }
    if (!a.error.empty())
        return Fail("check: " + a.error + " (try check --help)");
    AreaQuery query;
    bool haveArea = false;
    EditionChoice editions = EditionChoice::Both;
    CheckFormat format = CheckFormat::Text;
    std::string error;
    for (const auto& [name, v] : a.options) {
        if (name == "--at" || name == "--bbox" || name == "--mesh") {
            if (haveArea)
                return Fail("check: give one of --at, --bbox and --mesh");
            haveArea = true;
            const bool ok = name == "--at"     ? ParsePointQuery(v, query, error)
                            : name == "--bbox" ? ParseBoxQuery(v, query, error)
                                               : ParseMeshQuery(v, query, error);
            if (!ok)
                return Fail("check: " + error + " (got '" + v + "')");
        } else if (name == "--edition" && (v == "10m" || v == "5m" || v == "both")) {
            editions = v == "10m" ? EditionChoice::Dem10m : v == "5m" ? EditionChoice::Dem5m : EditionChoice::Both;
        } else if (name == "--format" && (v == "text" || v == "csv" || v == "json")) {
            format = v == "text" ? CheckFormat::Text : v == "csv" ? CheckFormat::Csv : CheckFormat::Json;
        } else {
            return Fail("check: bad argument " + name + " " + v + " (try check --help)");
        }
    }
    if (a.positional.size() != 1)
        return Fail("check: give one folder (try check --help)");
    if (!haveArea)
        return Fail("check: give --at, --bbox or --mesh (try check --help)");
    FoundFiles found;
    if (access(a.positional[0].c_str(), F_OK) != 0 || !FindDemFiles({a.positional[0]}, found, error))
        return Fail("check: no such folder: " + a.positional[0]);
    ValidateFound(found);

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
    const std::vector<CheckRow> rows =
        CompareWithCatalogue(expected, found, [&](const DemName& n) { return InArea(query, editions, n); });
    std::fputs(FormatCheckRows(rows, format).c_str(), stdout);
    for (const CheckRow& r : rows)
        if (r.status == CheckStatus::Damaged || (r.status == CheckStatus::Unlisted && !r.reason.empty()))
            std::fprintf(stderr, "%s: %s\n", r.path.c_str(), r.reason.c_str());
    const CheckTotals t = CountCheckRows(rows);
    std::fprintf(stderr, "%zu present, %zu missing, %zu damaged, %zu unlisted\n", t.present, t.missing, t.damaged,
                 t.unlisted);
    return t.missing || t.damaged ? 2 : 0;
}

int DemConvert(int argc, char** argv)
{
    const Arguments a = Split(argc, argv, {"--out", "--bbox", "--edition", "--epsg"}, {"--help", "--quiet"});
    if (Has(a, "--help")) {
        std::fputs(kConvertHelp, stdout);
        return 0;
    }
    if (!a.error.empty())
        return Fail("convert: " + a.error + " (try convert --help)");
    ConvertOptions o;
    bool quiet = false;
    for (const auto& [name, v] : a.options) {
        std::string error;
        AreaQuery q;
        double code = 0;
        if (name == "--out" && !v.empty()) {
            o.out = v;
        } else if (name == "--bbox") {
            if (!ParseBoxQuery(v, q, error))
                return Fail("convert: " + error + " (got '" + v + "')");
            o.bbox = GeoBox{q.box.south, q.box.west, q.box.north, q.box.east};
        } else if (name == "--edition" && (v == "10m" || v == "5m" || v == "best")) {
            o.edition = v == "10m" ? EditionPick::Dem10m : v == "5m" ? EditionPick::Dem5m : EditionPick::Best;
        } else if (name == "--epsg" && ParseNumberC(v, code) && code >= 1 && code <= 999999 &&
                   code == static_cast<int>(code)) {
            o.epsg = static_cast<int>(code);
        } else if (name == "--quiet") {
            quiet = true;
        } else {
            return Fail("convert: bad argument " + name + " " + v + " (try convert --help)");
        }
    }
    if (o.out.empty())
        return Fail("convert: --out FILE.tif is required");
    if (a.positional.empty())
        return Fail("convert: give at least one input (try convert --help)");
    o.inputs = a.positional;
    o.progress = !quiet && isatty(STDERR_FILENO);
    return ConvertDemFiles(o, stderr);
}

int DemElevation(int argc, char** argv)
{
    const Arguments a = Split(argc, argv, {}, {"--help", "--bilinear"});
    if (Has(a, "--help")) {
        std::fputs(kElevationHelp, stdout);
        return 0;
    }
    if (!a.error.empty())
        return Fail("elevation: " + a.error + " (try elevation --help)");
    if (a.positional.empty())
        return Fail("elevation: give a folder (try elevation --help)");
    const bool bilinear = Has(a, "--bilinear");
    std::vector<std::string> points(a.positional.begin() + 1, a.positional.end());
    // Every point is read before anything is looked up: a bad one is exit status 1 at once.
    auto parse = [](const std::string& text, double& lat, double& lon, std::string& latText, std::string& lonText) {
        const size_t comma = text.find(',');
        if (comma == std::string::npos)
            return false;
        latText = Trimmed(text.substr(0, comma));
        lonText = Trimmed(text.substr(comma + 1));
        return ParseNumberC(latText, lat) && ParseNumberC(lonText, lon) && lat >= -90 && lat <= 90 && lon >= -180 &&
               lon <= 360;
    };
    FoundFiles found;
    std::string error;
    if (access(a.positional[0].c_str(), F_OK) != 0 || !FindDemFiles({a.positional[0]}, found, error))
        return Fail("elevation: no such folder: " + a.positional[0]);
    for (const DamagedSource& d : found.damaged)
        std::fprintf(stderr, "tesselo-cli: elevation: skipped %s: %s\n", d.shownPath.c_str(), d.reason.c_str());
    ElevationLookup lookup(found);
    auto answer = [&](const std::string& text) {
        double lat, lon;
        std::string latText, lonText;
        if (!parse(text, lat, lon, latText, lonText)) {
            Fail("elevation: not a point LAT,LON: '" + text + "'");
            return false;
        }
        const ElevationAnswer e = lookup.At(lat, lon, bilinear);
        for (const std::string& d : lookup.TakeDamaged())
            std::fprintf(stderr, "tesselo-cli: elevation: skipped %s\n", d.c_str());
        if (e.found)
            std::printf("%s\t%s\t%.2f\t%s\t%s\n", latText.c_str(), lonText.c_str(), e.value, e.edition,
                        e.xmlName.c_str());
        else
            std::printf("%s\t%s\tnan\t\t\n", latText.c_str(), lonText.c_str());
        return true;
    };
    if (points.size() > 0) {
        for (const std::string& p : points) {
            double lat, lon;
            std::string x, y;
            if (!parse(p, lat, lon, x, y))
                return Fail("elevation: not a point LAT,LON: '" + p + "'");
        }
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
