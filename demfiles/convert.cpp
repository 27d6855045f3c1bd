#include "demfiles/convert.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <gdal.h>
#include <ogr_srs_api.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <thread>
#include <unistd.h>

namespace {

volatile std::sig_atomic_t g_signal = 0;
int g_scopes = 0;
struct sigaction g_oldInt, g_oldTerm;

extern "C" void OnInterrupt(int sig)
{
    g_signal = sig;
}

constexpr int64_t kBlock = 512;        // tile size of the output
// Blocks side by side in one pass: bounds the memory. A second-level square on the 1 m grid
// (11250 cells) fits in one, so that no file straddles two bands and is read twice.
constexpr int64_t kBandBlocks = 24;
constexpr int64_t kGdalCacheBytes = int64_t{16} << 20;
constexpr double kEdgeSlack = 1e-6;    // of a cell: box edges meant to lie on a cell edge
constexpr std::chrono::milliseconds kStopGrace{600};  // after a signal, for the work to wind down

struct InputFile {
    DemSource source;
    MeshCells square;  // in 1 m cells
    int32_t fileUnits = 5;  // 1 m cells per cell of the file
    std::vector<DemSource> copies;  // more files of the same mesh code and kind, tried in turn
};

// Copies the cells of g that have a value into the cells of the block still without one (its
// north-west corner at (bx, by) in output cells), each output cell taking the file cell that
// contains its centre. Returns how many cells it gave a value.
size_t Paste(const DemGrid& g, const InputFile& f, const OutputGrid& grid, int64_t bx, int64_t by, int64_t w,
             int64_t h, float* cells)
{
    size_t given = 0;
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
            size_t n = 0;
            for (int64_t i = 0; i < b - a; ++i) {
                const bool take = to[i] == kNoData && from[i] != kNoData;
                n += take;
                to[i] = take ? from[i] : to[i];
            }
            given += n;
            continue;
        }
        for (int64_t c = c0; c < c1; ++c) {
            const int64_t xc2 = west2 + (2 * c + 1) * s;
            if (xc2 <= fileW2 || xc2 >= fileE2 || dst[c] != kNoData)
                continue;
            const float v = src[(xc2 - fileW2) / (2 * fs)];
            if (v != kNoData)
                dst[c] = v, ++given;
        }
    }
    return given;
}

// Everything this process writes beside out starts with this; GDAL's own temporary files
// (the overviews' .ovr.tmp, a warped copy) take the names of ours as their stem.
std::string TempPrefix(const std::string& out)
{
    return out + "." + std::to_string(getpid()) + ".";
}

std::string TempName(const std::string& out, const char* what)
{
    return TempPrefix(out) + what + ".tif";
}

void RemoveTemporaries(const std::string& out)
{
    namespace fs = std::filesystem;
    const fs::path prefix(TempPrefix(out));
    const fs::path dir = prefix.has_parent_path() ? prefix.parent_path() : fs::path(".");
    const std::string stem = prefix.filename().string();
    std::error_code ec;
    std::vector<fs::path> found;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().filename().string().compare(0, stem.size(), stem) == 0)
            found.push_back(it->path());
    for (const fs::path& p : found)
        fs::remove(p, ec);
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
    ProgressLine(bool on, std::FILE* err, size_t total, const char* command = "convert")
        : on_(on), err_(err), total_(total), command_(command)
    {
    }
    void Files(size_t done, uint64_t bytes)
    {
        if (!on_)
            return;
        const double t = Elapsed();
        if (t < 1.0)
            return;
        std::fprintf(err_, "\r%s: %zu of %zu files, %.1f MB/s   ", command_, done, total_, bytes / 1e6 / t);
        std::fflush(err_);
        shown_ = true;
    }
    void Writing(double fraction)
    {
        if (!on_ || Elapsed() < 1.0)
            return;
        std::fprintf(err_, "\r%s: %zu of %zu files, writing %3d%%      ", command_, total_, total_,
                     static_cast<int>(fraction * 100));
        std::fflush(err_);
        shown_ = true;
    }
    // Ends the line, so that what follows starts on its own.
    void End()
    {
        if (shown_)
            std::fputs("\n", err_);
        shown_ = false;
    }
    ~ProgressLine() { End(); }

private:
    double Elapsed() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }
    bool on_;
    std::FILE* err_;
    size_t total_;
    const char* command_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

int GdalProgress(double fraction, const char*, void* arg)
{
    const auto* f = static_cast<const std::function<void(double)>*>(arg);
    if (*f)
        (*f)(fraction);
    return InterruptSignal() ? FALSE : TRUE;
}

std::string Files(size_t n)
{
    return std::to_string(n) + (n == 1 ? " file" : " files");
}

// What a user should know about the heights written: JGD2000 files taken as they lie, and
// heights of more than one reference side by side.
std::vector<std::string> HeightReferenceWarnings(const std::map<DemDatum, std::vector<int32_t>>& squares)
{
    std::vector<std::string> lines;
    if (const auto it = squares.find(DemDatum::Jgd2000); it != squares.end() && !it->second.empty())
        lines.push_back(Files(it->second.size()) + " labelled JGD2000 (fguuid:jgd2000.bl) placed on the mesh grid "
                        "unshifted: GSI lays such files out on the same mesh as the others");
    std::string counts;
    size_t kinds = 0;
    for (const auto& [datum, codes] : squares)
        if (!codes.empty()) {
            counts += (kinds++ ? ", " : "") + Files(codes.size()) + " " + DatumName(datum);
        }
    if (kinds > 1)
        lines.push_back("heights of more than one reference in one raster (" + counts +
                        "; they can differ by decimetres); the metadata HEIGHT_REFERENCE_* names the squares of each");
    return lines;
}

const char* SignalName(int sig)
{
    return sig == SIGINT ? "SIGINT" : sig == SIGTERM ? "SIGTERM" : "a signal";
}

// The extent of the grid in the target system, widened to multiples of res.
bool AlignedExtent(const OutputGrid& grid, int epsg, double res, double extent[4])
{
    OGRSpatialReferenceH from = OSRNewSpatialReference(nullptr), to = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(from, 6668);
    OSRSetAxisMappingStrategy(from, OAMS_TRADITIONAL_GIS_ORDER);
    OSRImportFromEPSG(to, epsg);
    OSRSetAxisMappingStrategy(to, OAMS_TRADITIONAL_GIS_ORDER);
    OGRCoordinateTransformationH t = OCTNewCoordinateTransformation(from, to);
    const double perDegree = static_cast<double>(kCellsPerDegree) / grid.cellUnits;
    bool ok = t && OCTTransformBounds(t, grid.west / perDegree, (grid.north - grid.height) / perDegree,
                                      (grid.west + grid.width) / perDegree, grid.north / perDegree, &extent[0],
                                      &extent[1], &extent[2], &extent[3], 21);
    if (t)
        OCTDestroyCoordinateTransformation(t);
    OSRDestroySpatialReference(from);
    OSRDestroySpatialReference(to);
    if (!ok || !std::isfinite(extent[0]) || !std::isfinite(extent[3]))
        return false;
    extent[0] = std::floor(extent[0] / res) * res, extent[1] = std::floor(extent[1] / res) * res;
    extent[2] = std::ceil(extent[2] / res) * res, extent[3] = std::ceil(extent[3] / res) * res;
    return true;
}

} // namespace

OutputGrid GridFor(const std::vector<DemName>& files, const std::optional<GeoBox>& box)
{
    OutputGrid g;
    g.cellUnits = 10;
    for (const DemName& n : files)
        g.cellUnits = std::min(g.cellUnits, CellMeters(n.kind));
    const double perDegree = GridCellsPerDegree(g);
    if (box) {
        g.west = FloorNear(box->west * perDegree, kEdgeSlack);
        const int64_t east = CeilNear(box->east * perDegree, kEdgeSlack);
        g.north = CeilNear(box->north * perDegree, kEdgeSlack);
        const int64_t south = FloorNear(box->south * perDegree, kEdgeSlack);
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

bool MetricEpsg(int epsg)
{
    PrepareGdal();
    OGRSpatialReferenceH srs = OSRNewSpatialReference(nullptr);
    const bool ok = OSRImportFromEPSG(srs, epsg) == OGRERR_NONE && OSRIsProjected(srs) &&
                    OSRGetLinearUnits(srs, nullptr) == 1.0;
    OSRDestroySpatialReference(srs);
    return ok;
}

bool CheckOutputPath(const std::string& out, std::string& error)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory(out, ec)) {
        error = out + " is a directory";
        return false;
    }
    std::string ext = fs::path(out).extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext != ".tif" && ext != ".tiff") {
        error = out + ": the output is a GeoTIFF, give it a name ending in .tif or .tiff";
        return false;
    }
    // Whether a file can be made beside it, as the temporary files will be: the only test that
    // also holds for read-only file systems and for root.
    const std::string probe = TempName(out, "probe");
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot write " + out + ": " + std::strerror(errno);
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

Metadata HeightReferenceMetadata(const std::map<DemDatum, std::vector<int32_t>>& squares)
{
    Metadata m;
    std::string names;
    for (const auto& [datum, codes] : squares)
        if (!codes.empty())
            names += (names.empty() ? "" : ",") + std::string(DatumName(datum));
    if (names.empty())
        return m;
    m.emplace_back("HEIGHT_REFERENCE", names);
    if (names.find(',') == std::string::npos)
        return m;
    for (const auto& [datum, codes] : squares) {
        if (codes.empty())
            continue;
        std::vector<int32_t> sorted = codes;
        std::sort(sorted.begin(), sorted.end());
        sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
        std::string list;
        for (int32_t c : sorted)
            list += (list.empty() ? "" : ",") + std::to_string(c);
        m.emplace_back(std::string("HEIGHT_REFERENCE_") + DatumName(datum), list);
    }
    return m;
}

InterruptScope::InterruptScope()
{
    if (g_scopes++ > 0)
        return;
    g_signal = 0;
    struct sigaction sa {};
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, &g_oldInt);
    sigaction(SIGTERM, &sa, &g_oldTerm);
}

InterruptScope::~InterruptScope()
{
    if (--g_scopes > 0)
        return;
    sigaction(SIGINT, &g_oldInt, nullptr);
    sigaction(SIGTERM, &g_oldTerm, nullptr);
    g_signal = 0;
}

int InterruptSignal()
{
    return g_signal;
}

bool WriteDemRaster(const std::string& out, const OutputGrid& grid, int epsg, unsigned threads,
                    const BlockFiller& fill, const std::function<void(double)>& progress, std::string& error)
{
    RasterWriting how;
    how.epsg = epsg;
    how.threads = threads;
    how.progress = progress;
    return WriteDemRaster(out, grid, how, fill, error);
}

bool WriteDemRaster(const std::string& out, const OutputGrid& grid, const RasterWriting& how, const BlockFiller& fill,
                    std::string& error)
{
    PrepareGdal();
    // GDAL's block cache would otherwise grow to a share of the machine's memory.
    GDALSetCacheMax64(kGdalCacheBytes);
    if (grid.width <= 0 || grid.height <= 0 || grid.width > INT32_MAX || grid.height > INT32_MAX) {
        error = "the area has no cells or is too large";
        return false;
    }
    const std::string stagePath = TempName(out, "stage"), partPath = TempName(out, "part");
    Dataset stage, part;
    auto fail = [&](const std::string& message) {
        error = InterruptSignal() ? std::string("stopped by ") + SignalName(InterruptSignal()) : message;
        part.reset();
        stage.reset();
        RemoveTemporaries(out);
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
    stage.reset(GDALCreate(gtiff, stagePath.c_str(), static_cast<int>(grid.width), static_cast<int>(grid.height), 1,
                           GDT_Float32, stageOptions));
    CSLDestroy(stageOptions);
    if (!stage)
        return fail(GdalError(("cannot write " + out).c_str()));
    const double perDegree = GridCellsPerDegree(grid);
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
            if (InterruptSignal())
                return fail("");
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
    if (InterruptSignal())
        return fail("");
    Metadata metadata;
    std::string refusal;
    if (how.filled && !how.filled(metadata, refusal))
        return fail(refusal);
    for (const auto& [key, value] : metadata)
        GDALSetMetadataItem(stage.get(), key.c_str(), value.c_str(), nullptr);
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
    cogOptions = CSLSetNameValue(cogOptions, "NUM_THREADS", std::to_string(std::max(1u, how.threads)).c_str());
    cogOptions = CSLSetNameValue(cogOptions, "OVERVIEW_RESAMPLING", "AVERAGE");
    if (how.epsg != 6668) {
        cogOptions = CSLSetNameValue(cogOptions, "TARGET_SRS", ("EPSG:" + std::to_string(how.epsg)).c_str());
        cogOptions = CSLSetNameValue(cogOptions, "WARP_RESAMPLING", "BILINEAR");
        if (how.resolution > 0) {
            double extent[4];
            if (!AlignedExtent(grid, how.epsg, how.resolution, extent)) {
                CSLDestroy(cogOptions);
                return fail("cannot place the area in EPSG:" + std::to_string(how.epsg));
            }
            char text[256];
            std::snprintf(text, sizeof text, "%.17g", how.resolution);
            cogOptions = CSLSetNameValue(cogOptions, "RES", text);
            std::snprintf(text, sizeof text, "%.17g,%.17g,%.17g,%.17g", extent[0], extent[1], extent[2], extent[3]);
            cogOptions = CSLSetNameValue(cogOptions, "EXTENT", text);
        }
    }
    CPLErrorReset();
    part.reset(GDALCreateCopy(cog, partPath.c_str(), stage.get(), FALSE, cogOptions, GdalProgress,
                              const_cast<std::function<void(double)>*>(&how.progress)));
    CSLDestroy(cogOptions);
    if (!part || InterruptSignal())
        return fail(GdalError(("cannot write " + out).c_str()));
    part.reset();
    stage.reset();
    Remove(stagePath);
    if (InterruptSignal())
        return fail("");
    std::error_code ec;
    std::filesystem::rename(partPath, out, ec);
    if (ec)
        return fail("cannot write " + out + ": " + ec.message());
    return true;
}

namespace {

// What the filler of OpenDemCells keeps between blocks.
struct CellState {
    CellState(const DemCellOptions& o, std::FILE* e, size_t total)
        : err(e), command(o.command), progress(o.progress), threads(std::max(1u, o.threads)),
          line(o.progress, e, total, o.command)
    {
    }
    std::FILE* err;
    const char* command;
    bool progress;
    unsigned threads;
    std::vector<InputFile> inputs;
    OutputGrid grid;
    std::vector<std::unique_ptr<DemGrid>> decoded;
    std::vector<char> failed, reported;
    std::vector<char> shown;         // gave the raster at least one value
    std::vector<DemDatum> datums;    // of the copy read
    size_t usable = 0, done = 0, damaged = 0;
    uint64_t bytes = 0;
    int64_t lastBandX = -1;
    ProgressLine line;
};

} // namespace

bool OpenDemCells(const DemCellOptions& o, std::FILE* err, DemCells& cells)
{
    PrepareGdal();
    std::string error;
    FoundFiles found;
    if (!FindDemFiles(o.inputs, found, error)) {
        std::fprintf(err, "tesselo-cli: %s: %s\n", o.command, error.c_str());
        return false;
    }
    size_t damaged = 0;
    for (const DamagedSource& d : found.damaged) {
        std::fprintf(err, "tesselo-cli: %s: skipped %s: %s\n", o.command, d.shownPath.c_str(), d.reason.c_str());
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
        std::fprintf(err, "tesselo-cli: %s: no DEM file to convert%s\n", o.command,
                     o.inArea ? " in the area" : o.bbox ? " in the box" : "");
        return false;
    }
    // Pasted from the most preferred kind to the least: each fills what is still empty, and
    // a file that fills nothing has no height in the raster.
    std::stable_sort(inputs.begin(), inputs.end(), [](const InputFile& a, const InputFile& b) {
        return KindPrecedes(a.source.name.kind, b.source.name.kind);
    });

    auto state = std::make_shared<CellState>(o, err, inputs.size());
    state->inputs = std::move(inputs);
    state->grid = GridFor(names, o.bbox);
    state->decoded.resize(state->inputs.size());
    state->failed.assign(state->inputs.size(), 0);
    state->reported.assign(state->inputs.size(), 0);
    state->shown.assign(state->inputs.size(), 0);
    state->datums.assign(state->inputs.size(), DemDatum::Jgd2011);
    state->damaged = damaged;
    cells.grid = state->grid;
    cells.usable = [state] { return state->usable; };
    cells.damaged = [state] { return state->damaged; };
    cells.writing = [state](double f) { state->line.Writing(f); };
    cells.fill = [state](int64_t x, int64_t y, int64_t w, int64_t h, float* cells) {
        CellState& st = *state;
        auto& inputs = st.inputs;
        auto& decoded = st.decoded;
        auto& failed = st.failed;
        const OutputGrid& grid = st.grid;
        const unsigned threads = st.threads;
        const int64_t s = grid.cellUnits;
        const int64_t west = (grid.west + x) * s, east = (grid.west + x + w) * s;
        const int64_t north = (grid.north - y) * s, south = (grid.north - y - h) * s;
        if (x != st.lastBandX) {
            for (auto& d : decoded)
                d.reset();
            st.lastBandX = x;
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
            for (size_t k; !InterruptSignal() && (k = next++) < todo.size();) {
                auto g = std::make_unique<DemGrid>();
                InputFile& in = inputs[todo[k]];
                copies.assign(1, in.source);
                copies.insert(copies.end(), in.copies.begin(), in.copies.end());
                std::vector<std::string> failed;
                const size_t used = LoadPreferredCopy(copies, *g, failed, &sizes[k]);
                for (const std::string& f : failed)
                    errors[k] += (errors[k].empty() ? "" : "; ") + f;
                if (used < copies.size()) {
                    st.datums[todo[k]] = g->datum;
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
        if (InterruptSignal())
            return false;
        for (size_t k = 0; k < todo.size(); ++k) {
            const size_t i = todo[k];
            if (!decoded[i])
                failed[i] = 1;
            // A file read again for another column band is named and counted once.
            if (st.reported[i])
                continue;
            st.reported[i] = 1;
            // A damaged copy is named (and makes the status 2) even when another copy stood in.
            if (!errors[k].empty()) {
                ++st.damaged;
                std::fprintf(st.err, "%stesselo-cli: %s: skipped %s\n", st.progress ? "\r" : "", st.command, errors[k].c_str());
            }
            for (const std::string& line : notUsed[k])
                std::fprintf(st.err, "%stesselo-cli: %s: %s\n", st.progress ? "\r" : "", st.command, line.c_str());
            if (decoded[i])
                ++st.usable;
            ++st.done;
            st.bytes += sizes[k];
        }
        st.line.Files(std::min(st.done, inputs.size()), st.bytes);
        bool any = false;
        for (size_t i : here) {
            if (!decoded[i] || !Paste(*decoded[i], inputs[i], grid, x, y, w, h, cells))
                continue;
            st.shown[i] = 1;
            any = true;
        }
        // Files that end in this row of blocks, or north of it, are not needed by the next one.
        for (size_t i = 0; i < inputs.size(); ++i)
            if (decoded[i] && inputs[i].square.y0 >= south)
                decoded[i].reset();
        return any;
    };
    cells.heights = [state] {
        std::map<DemDatum, std::vector<int32_t>> squares;
        for (size_t i = 0; i < state->inputs.size(); ++i)
            if (state->shown[i])
                squares[state->datums[i]].push_back(state->inputs[i].source.name.mesh);
        return squares;
    };
    return true;
}

int ConvertDemFiles(const ConvertOptions& o, std::FILE* err)
{
    PrepareGdal();
    std::string error;
    if (!CheckOutputPath(o.out, error)) {
        std::fprintf(err, "tesselo-cli: convert: %s\n", error.c_str());
        return 1;
    }
    if (o.epsg != 6668 && !KnownEpsg(o.epsg)) {
        std::fprintf(err, "tesselo-cli: convert: unknown EPSG code %d\n", o.epsg);
        return 1;
    }
    if (o.resolution > 0 && (o.epsg == 6668 || !MetricEpsg(o.epsg))) {
        std::fprintf(err, "tesselo-cli: convert: --resolution needs --epsg with a projected system in metres "
                          "(e.g. 6677); EPSG:6668 keeps the cells of the mesh\n");
        return 1;
    }
    DemCells cells;
    if (!OpenDemCells(DemCellOptions{o.inputs, o.bbox, o.inArea, o.edition, o.progress, o.threads, "convert"}, err, cells))
        return 1;
    // The heights' reference of every file that gave the raster a value, known once all are read.
    std::map<DemDatum, std::vector<int32_t>> squares;
    RasterWriting how;
    how.epsg = o.epsg;
    how.resolution = o.resolution;
    how.threads = o.threads;
    how.progress = cells.writing;
    how.filled = [&](Metadata& metadata, std::string& refusal) {
        if (cells.usable() == 0) {
            refusal = "none of the DEM files could be read";
            return false;
        }
        squares = cells.heights();
        metadata = HeightReferenceMetadata(squares);
        return true;
    };
    bool ok;
    int sig;
    {
        // From here on temporary files exist: a signal stops the work and they are removed.
        InterruptScope scope;
        // GDAL asks its progress callback only between chunks of its work, which take seconds
        // on a busy machine: a stop it has not heeded by then ends the process here.
        std::atomic<bool> finished{false};
        std::thread watchdog([&] {
            using namespace std::chrono;
            steady_clock::time_point since{};
            for (; !finished; std::this_thread::sleep_for(milliseconds(20))) {
                const int caught = InterruptSignal();
                if (!caught)
                    continue;
                if (since == steady_clock::time_point{})
                    since = steady_clock::now();
                if (steady_clock::now() - since < kStopGrace)
                    continue;
                RemoveTemporaries(o.out);
                std::fprintf(err, "%stesselo-cli: convert: stopped by %s; temporary files removed, %s not written\n",
                             o.progress ? "\n" : "", SignalName(caught), o.out.c_str());
                std::fflush(err);
                _exit(128 + caught);
            }
        });
        ok = WriteDemRaster(o.out, cells.grid, how, cells.fill, error);
        sig = InterruptSignal();
        finished = true;
        watchdog.join();
    }
    const size_t damaged = cells.damaged();
    cells = DemCells{};  // ends the progress line
    if (sig) {
        std::fprintf(err, "tesselo-cli: convert: stopped by %s; temporary files removed, %s not written\n",
                     SignalName(sig), o.out.c_str());
        return 128 + sig;
    }
    if (!ok) {
        std::fprintf(err, "tesselo-cli: convert: %s\n", error.c_str());
        return 1;
    }
    for (const std::string& w : HeightReferenceWarnings(squares))
        std::fprintf(err, "tesselo-cli: convert: warning: %s\n", w.c_str());
    return damaged ? 2 : 0;
}
