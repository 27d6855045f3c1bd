#include "demfiles/convert.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>
#include <unistd.h>

namespace {

constexpr int64_t kBlock = 512;        // tile size of the output
constexpr int64_t kBandBlocks = 16;    // blocks side by side in one pass: bounds the memory
constexpr int64_t kGdalCacheBytes = int64_t{16} << 20;
constexpr double kEdgeSlack = 1e-6;    // of a cell: box edges meant to lie on a cell edge

int64_t FloorCells(double v)
{
    const double r = std::round(v);
    return static_cast<int64_t>(std::fabs(v - r) < kEdgeSlack ? r : std::floor(v));
}

int64_t CeilCells(double v)
{
    const double r = std::round(v);
    return static_cast<int64_t>(std::fabs(v - r) < kEdgeSlack ? r : std::ceil(v));
}

struct InputFile {
    DemSource source;
    MeshCells square;  // in 1 m cells
    int32_t fileUnits = 5;  // 1 m cells per cell of the file
    std::vector<DemSource> copies;  // more files of the same mesh code and kind, tried in turn
};

// Copies the cells of g that have a value into the block whose north-west corner is (bx, by)
// in output cells, each output cell taking the file cell that contains its centre.
void Paste(const DemGrid& g, const InputFile& f, const OutputGrid& grid, int64_t bx, int64_t by, int64_t w,
           int64_t h, float* cells)
{
    const int64_t s = grid.cellUnits, fs = f.fileUnits;
    // Doubled 1 m units keep the centres integral.
    const int64_t fileW2 = 2 * f.square.x0, fileE2 = 2 * (f.square.x0 + f.square.width);
    const int64_t fileS2 = 2 * f.square.y0, fileN2 = 2 * (f.square.y0 + f.square.height);
    const int64_t west2 = 2 * (grid.west + bx) * s, north2 = 2 * (grid.north - by) * s;
    int64_t c0 = 0, c1 = w;
    // Columns whose centre lies in the file: west2 + (2c+1)s in (fileW2, fileE2).
    c0 = std::max<int64_t>(0, (fileW2 - west2 - s) / (2 * s) - 1);
    c1 = std::min<int64_t>(w, (fileE2 - west2 - s) / (2 * s) + 2);
    for (int64_t r = 0; r < h; ++r) {
        const int64_t yc2 = north2 - (2 * r + 1) * s;
        if (yc2 <= fileS2 || yc2 >= fileN2)
            continue;
        const int64_t fr = (fileN2 - yc2) / (2 * fs);
        const float* src = g.values.data() + fr * g.width;
        float* dst = cells + r * w;
        if (s == fs) {
            int64_t a = c0, b = c1;
            while (a < b && west2 + (2 * a + 1) * s <= fileW2)
                ++a;
            while (b > a && west2 + (2 * (b - 1) + 1) * s >= fileE2)
                --b;
            if (a >= b)
                continue;
            const float* from = src + (west2 + (2 * a + 1) * s - fileW2) / (2 * fs);
            float* to = dst + a;
            for (int64_t i = 0; i < b - a; ++i) {
                const float v = from[i];
                to[i] = v != kNoData ? v : to[i];
            }
            continue;
        }
        for (int64_t c = c0; c < c1; ++c) {
            const int64_t xc2 = west2 + (2 * c + 1) * s;
            if (xc2 <= fileW2 || xc2 >= fileE2)
                continue;
            const float v = src[(xc2 - fileW2) / (2 * fs)];
            if (v != kNoData)
                dst[c] = v;
        }
    }
}

std::string TempName(const std::string& out, const char* what)
{
    return out + "." + std::to_string(getpid()) + "." + what + ".tif";
}

void Remove(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove(path, ec);
}

struct GdalCloser {
    void operator()(void* d) const
    {
        if (d)
            GDALClose(static_cast<GDALDatasetH>(d));
    }
};
using Dataset = std::unique_ptr<void, GdalCloser>;

std::string GdalError(const char* what)
{
    const char* msg = CPLGetLastErrorMsg();
    return std::string(what) + (msg && *msg ? std::string(": ") + msg : std::string());
}

class ProgressLine {
public:
    ProgressLine(bool on, std::FILE* err, size_t total) : on_(on), err_(err), total_(total) {}
    void Files(size_t done, uint64_t bytes)
    {
        if (!on_)
            return;
        const double t = Elapsed();
        if (t < 1.0)
            return;
        std::fprintf(err_, "\rconvert: %zu of %zu files, %.1f MB/s   ", done, total_, bytes / 1e6 / t);
        std::fflush(err_);
        shown_ = true;
    }
    void Writing(double fraction)
    {
        if (!on_ || Elapsed() < 1.0)
            return;
        std::fprintf(err_, "\rconvert: %zu of %zu files, writing %3d%%      ", total_, total_,
                     static_cast<int>(fraction * 100));
        std::fflush(err_);
        shown_ = true;
    }
    ~ProgressLine()
    {
        if (shown_)
            std::fputs("\n", err_);
    }

private:
    double Elapsed() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }
    bool on_;
    std::FILE* err_;
    size_t total_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

int GdalProgress(double fraction, const char*, void* arg)
{
    const auto* f = static_cast<const std::function<void(double)>*>(arg);
    if (*f)
        (*f)(fraction);
    return TRUE;
}

} // namespace

OutputGrid GridFor(const std::vector<DemName>& files, const std::optional<GeoBox>& box)
{
    OutputGrid g;
    g.cellUnits = 10;
    for (const DemName& n : files)
        g.cellUnits = std::min(g.cellUnits, CellMeters(n.kind));
    const double perDegree = static_cast<double>(kCellsPerDegree) / g.cellUnits;
    if (box) {
        g.west = FloorCells(box->west * perDegree);
        const int64_t east = CeilCells(box->east * perDegree);
        g.north = CeilCells(box->north * perDegree);
        const int64_t south = FloorCells(box->south * perDegree);
        g.width = std::max<int64_t>(1, east - g.west);
        g.height = std::max<int64_t>(1, g.north - south);
        return g;
    }
    int64_t w = INT64_MAX, e = INT64_MIN, s = INT64_MAX, n = INT64_MIN;
    for (const DemName& f : files) {
        MeshCells c;
        if (!MeshSquareCells(f.mesh, c))
            continue;
        w = std::min(w, c.x0), e = std::max(e, c.x0 + c.width);
        s = std::min(s, c.y0), n = std::max(n, c.y0 + c.height);
    }
    if (w > e)
        return g;
    // Second-level squares are whole 10 m cells, third-level ones whole 5 m cells, and a 10 m
    // file sets the 10 m grid only when no finer file is there.
    g.west = w / g.cellUnits, g.north = n / g.cellUnits;
    g.width = e / g.cellUnits - g.west, g.height = g.north - s / g.cellUnits;
    return g;
}

bool KnownEpsg(int epsg)
{
    PrepareGdal();
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    const bool ok = OSRImportFromEPSG(srs, epsg) == OGRERR_NONE;
    OSRDestroySpatialReference(srs);
    return ok;
}

bool WriteDemRaster(const std::string& out, const OutputGrid& grid, int epsg, unsigned threads,
                    const BlockFiller& fill, const std::function<void(double)>& progress, std::string& error)
{
    PrepareGdal();
    // GDAL's block cache would otherwise grow to a share of the machine's memory.
    GDALSetCacheMax64(kGdalCacheBytes);
    if (grid.width <= 0 || grid.height <= 0 || grid.width > INT32_MAX || grid.height > INT32_MAX) {
        error = "the area has no cells or is too large";
        return false;
    }
    const std::string stagePath = TempName(out, "stage"), partPath = TempName(out, "part");
    auto fail = [&](const std::string& message) {
        error = message;
        Remove(stagePath);
        Remove(partPath);
        return false;
    };
    GDALDriverH gtiff = GDALGetDriverByName("GTiff"), cog = GDALGetDriverByName("COG");
    if (!gtiff || !cog)
        return fail("GDAL lacks the GTiff or COG driver");
    // First a plain tiled file, block by block; the COG driver then adds overviews and lays it
    // out with compression. Blocks with no value are not written (sparse).
    char** stageOptions = nullptr;
    stageOptions = CSLSetNameValue(stageOptions, "TILED", "YES");
    stageOptions = CSLSetNameValue(stageOptions, "BLOCKXSIZE", "512");
    stageOptions = CSLSetNameValue(stageOptions, "BLOCKYSIZE", "512");
    stageOptions = CSLSetNameValue(stageOptions, "SPARSE_OK", "TRUE");
    stageOptions = CSLSetNameValue(stageOptions, "BIGTIFF", "IF_NEEDED");
    CPLErrorReset();
    Dataset stage(GDALCreate(gtiff, stagePath.c_str(), static_cast<int>(grid.width), static_cast<int>(grid.height), 1,
                             GDT_Float32, stageOptions));
    CSLDestroy(stageOptions);
    if (!stage)
        return fail(GdalError(("cannot write " + out).c_str()));
    const double perDegree = static_cast<double>(kCellsPerDegree) / grid.cellUnits;
    double transform[6] = {static_cast<double>(grid.west) / perDegree, 1.0 / perDegree, 0,
                           static_cast<double>(grid.north) / perDegree, 0, -1.0 / perDegree};
    GDALSetGeoTransform(stage.get(), transform);
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(srs, 6668);
    GDALSetSpatialRef(stage.get(), srs);
    OSRDestroySpatialReference(srs);
    GDALRasterBandH band = GDALGetRasterBand(stage.get(), 1);
    GDALSetRasterNoDataValue(band, kNoData);
    const int64_t bandWidth = kBlock * kBandBlocks;
    std::vector<float> cells;
    for (int64_t x = 0; x < grid.width; x += bandWidth) {
        const int64_t w = std::min(bandWidth, grid.width - x);
        cells.resize(static_cast<size_t>(w * kBlock));
        for (int64_t y = 0; y < grid.height; y += kBlock) {
            const int64_t h = std::min(kBlock, grid.height - y);
            std::fill(cells.begin(), cells.begin() + w * h, kNoData);
            if (!fill(x, y, w, h, cells.data()))
                continue;
            if (GDALRasterIO(band, GF_Write, static_cast<int>(x), static_cast<int>(y), static_cast<int>(w),
                             static_cast<int>(h), cells.data(), static_cast<int>(w), static_cast<int>(h), GDT_Float32, 0,
                             0) != CE_None)
                return fail(GdalError(("cannot write " + out).c_str()));
        }
    }
    cells = {};
    CPLErrorReset();
    GDALFlushCache(stage.get());
    if (CPLGetLastErrorType() >= CE_Failure)
        return fail(GdalError(("cannot write " + out).c_str()));
    char** cogOptions = nullptr;
    cogOptions = CSLSetNameValue(cogOptions, "COMPRESS", "DEFLATE");
    cogOptions = CSLSetNameValue(cogOptions, "PREDICTOR", "YES");
    cogOptions = CSLSetNameValue(cogOptions, "BLOCKSIZE", "512");
    cogOptions = CSLSetNameValue(cogOptions, "BIGTIFF", "IF_SAFER");
    cogOptions = CSLSetNameValue(cogOptions, "SPARSE_OK", "TRUE");
    cogOptions = CSLSetNameValue(cogOptions, "NUM_THREADS", std::to_string(std::max(1u, threads)).c_str());
    cogOptions = CSLSetNameValue(cogOptions, "OVERVIEW_RESAMPLING", "AVERAGE");
    if (epsg != 6668) {
        cogOptions = CSLSetNameValue(cogOptions, "TARGET_SRS", ("EPSG:" + std::to_string(epsg)).c_str());
        cogOptions = CSLSetNameValue(cogOptions, "WARP_RESAMPLING", "BILINEAR");
    }
    CPLErrorReset();
    Dataset part(GDALCreateCopy(cog, partPath.c_str(), stage.get(), FALSE, cogOptions, GdalProgress,
                                const_cast<std::function<void(double)>*>(&progress)));
    CSLDestroy(cogOptions);
    if (!part)
        return fail(GdalError(("cannot write " + out).c_str()));
    part.reset();
    stage.reset();
    Remove(stagePath);
    std::error_code ec;
    std::filesystem::rename(partPath, out, ec);
    if (ec)
        return fail("cannot write " + out + ": " + ec.message());
    return true;
}

int ConvertDemFiles(const ConvertOptions& o, std::FILE* err)
{
    PrepareGdal();
    if (o.epsg != 6668 && !KnownEpsg(o.epsg)) {
        std::fprintf(err, "tesselo-cli: convert: unknown EPSG code %d\n", o.epsg);
        return 1;
    }
    FoundFiles found;
    std::string error;
    if (!FindDemFiles(o.inputs, found, error)) {
        std::fprintf(err, "tesselo-cli: convert: %s\n", error.c_str());
        return 1;
    }
    size_t damaged = 0;
    for (const DamagedSource& d : found.damaged) {
        std::fprintf(err, "tesselo-cli: convert: skipped %s: %s\n", d.shownPath.c_str(), d.reason.c_str());
        ++damaged;
    }
    // One file per mesh code and kind, of the editions asked for, in the box; its copies are
    // tried in the order of preference.
    std::vector<InputFile> inputs;
    std::vector<DemName> names;
    for (DemCopies& g : GroupCopies(found.files)) {
        const int32_t meters = CellMeters(g.name.kind);
        if ((o.edition == EditionPick::Dem1m && meters != 1) || (o.edition == EditionPick::Dem5m && meters != 5) ||
            (o.edition == EditionPick::Dem10m && meters != 10))
            continue;
        InputFile f{g.copies.front(), {}, meters, {}};
        if (!MeshSquareCells(g.name.mesh, f.square))
            continue;
        if (o.inArea && !o.inArea(g.name))
            continue;
        if (o.bbox) {
            // Only files that share cells with the box (touching it is not enough).
            const double d = kCellsPerDegree;
            if (f.square.x0 >= o.bbox->east * d - kEdgeSlack || f.square.x0 + f.square.width <= o.bbox->west * d + kEdgeSlack ||
                f.square.y0 >= o.bbox->north * d - kEdgeSlack || f.square.y0 + f.square.height <= o.bbox->south * d + kEdgeSlack)
                continue;
        }
        f.copies.assign(g.copies.begin() + 1, g.copies.end());
        inputs.push_back(std::move(f));
        names.push_back(g.name);
    }
    if (inputs.empty()) {
        std::fprintf(err, "tesselo-cli: convert: no DEM file to convert%s\n", o.inArea ? " in the area" : o.bbox ? " in the box" : "");
        return 1;
    }
    // Pasted from the least preferred kind to the most: each overwrites where it has a value.
    std::stable_sort(inputs.begin(), inputs.end(), [](const InputFile& a, const InputFile& b) {
        return KindPrecedes(b.source.name.kind, a.source.name.kind);
    });
    const OutputGrid grid = GridFor(names, o.bbox);

    ProgressLine line(o.progress, err, inputs.size());
    std::vector<std::unique_ptr<DemGrid>> decoded(inputs.size());
    std::vector<char> failed(inputs.size(), 0), named(inputs.size(), 0);
    size_t usable = 0, done = 0;
    uint64_t bytes = 0;
    int64_t lastBandX = -1;
    const unsigned threads = std::max(1u, o.threads);

    auto fill = [&](int64_t x, int64_t y, int64_t w, int64_t h, float* cells) {
        const int64_t s = grid.cellUnits;
        const int64_t west = (grid.west + x) * s, east = (grid.west + x + w) * s;
        const int64_t north = (grid.north - y) * s, south = (grid.north - y - h) * s;
        if (x != lastBandX) {
            for (auto& d : decoded)
                d.reset();
            lastBandX = x;
        }
        std::vector<size_t> here, todo;
        for (size_t i = 0; i < inputs.size(); ++i) {
            const MeshCells& m = inputs[i].square;
            if (failed[i] || m.x0 >= east || m.x0 + m.width <= west || m.y0 >= north || m.y0 + m.height <= south)
                continue;
            here.push_back(i);
            if (!decoded[i])
                todo.push_back(i);
        }
        // New files are read on all threads, each file by one.
        std::vector<std::string> errors(todo.size());
        std::vector<size_t> sizes(todo.size());
        std::vector<std::vector<std::string>> notUsed(todo.size());
        std::atomic<size_t> next{0};
        auto work = [&] {
            std::vector<DemSource> copies;
            for (size_t k; (k = next++) < todo.size();) {
                auto g = std::make_unique<DemGrid>();
                InputFile& in = inputs[todo[k]];
                copies.assign(1, in.source);
                copies.insert(copies.end(), in.copies.begin(), in.copies.end());
                std::vector<std::string> failed;
                const size_t used = LoadPreferredCopy(copies, *g, failed, &sizes[k]);
                for (const std::string& f : failed)
                    errors[k] += (errors[k].empty() ? "" : "; ") + f;
                if (used < copies.size()) {
                    decoded[todo[k]] = std::move(g);
                    for (size_t c = used + 1; c < copies.size(); ++c)
                        notUsed[k].push_back(NotUsedLine(copies[c], copies[used]));
                }
            }
        };
        std::vector<std::thread> pool;
        for (unsigned t = 1; t < std::min<size_t>(threads, todo.size()); ++t)
            pool.emplace_back(work);
        work();
        for (std::thread& t : pool)
            t.join();
        for (size_t k = 0; k < todo.size(); ++k) {
            const size_t i = todo[k];
            // A damaged copy is named (and makes the status 2) even when another copy stood in;
            // once, though a file on a band's edge is read again for the next band.
            if (!errors[k].empty() && !named[i]) {
                ++damaged;
                std::fprintf(err, "%stesselo-cli: convert: skipped %s\n", o.progress ? "\r" : "", errors[k].c_str());
            }
            for (const std::string& line : notUsed[k])
                if (!named[i])
                    std::fprintf(err, "%stesselo-cli: convert: %s\n", o.progress ? "\r" : "", line.c_str());
            named[i] = 1;
            if (!decoded[i])
                failed[i] = 1;
            else
                ++usable;
            ++done;
            bytes += sizes[k];
        }
        line.Files(std::min(done, inputs.size()), bytes);
        bool any = false;
        for (size_t i : here) {
            if (!decoded[i])
                continue;
            Paste(*decoded[i], inputs[i], grid, x, y, w, h, cells);
            any = true;
        }
        // Files that end in this row of blocks are not needed by the next one.
        for (size_t i : here)
            if (inputs[i].square.y0 >= south)
                decoded[i].reset();
        return any;
    };
    std::function<void(double)> progress = [&](double f) { line.Writing(f); };
    const bool ok = WriteDemRaster(o.out, grid, o.epsg, threads, fill, progress, error);
    if (!ok) {
        std::fprintf(err, "tesselo-cli: convert: %s\n", error.c_str());
        return 1;
    }
    if (usable == 0) {
        Remove(o.out);
        std::fprintf(err, "tesselo-cli: convert: none of the DEM files could be read\n");
        return 1;
    }
    return damaged ? 2 : 0;
}
