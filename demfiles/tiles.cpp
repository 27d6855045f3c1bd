#include "demfiles/tiles.h"

#include <cpl_conv.h>
#include <cpl_error.h>
#include <cpl_string.h>
#include <cpl_vsi.h>
#include <gdal.h>
#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <fstream>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kMaxMercatorLat = 85.051128779806589;
constexpr double kEdgeSlack = 1e-9;  // of a tile: box edges meant to lie on a tile edge
const float kNoValue = std::numeric_limits<float>::quiet_NaN();

// What GSI asks users of processed DEM data to say.
const char kAttribution[] = "「基盤地図情報 数値標高モデル」（国土地理院）を加工して作成";

void Put3(uint32_t code, uint8_t* p)
{
    p[0] = static_cast<uint8_t>(code >> 16);
    p[1] = static_cast<uint8_t>(code >> 8);
    p[2] = static_cast<uint8_t>(code);
}

// Heights of one tile, row by row from the north, NaN where there is no value; null when the
// tile has none at all.
using Heights = std::shared_ptr<std::vector<float>>;

bool AnyValue(const std::vector<float>& h)
{
    return std::any_of(h.begin(), h.end(), [](float v) { return !std::isnan(v); });
}

// ---- Where the tiles go ----

class TileSink {
public:
    virtual ~TileSink() = default;
    virtual bool Put(int z, int64_t x, int64_t y, const std::string& png, std::string& error) = 0;
    // Ends the output with its description (name/value pairs); false with a message.
    virtual bool Finish(const std::vector<std::pair<std::string, std::string>>& metadata, std::string& error) = 0;
    virtual void Abort() = 0;
};

std::string JsonString(const std::string& s)
{
    std::string out = "\"";
    for (const char c : s) {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
            continue;
        }
        out += c;
    }
    return out + "\"";
}

// Z/X/Y.png under a folder, and metadata.json beside them with the fields of an MBTiles file.
class FolderSink : public TileSink {
public:
    explicit FolderSink(std::string root) : root_(std::move(root)) {}
    bool Put(int z, int64_t x, int64_t y, const std::string& png, std::string& error) override
    {
        const std::string dir = root_ + "/" + std::to_string(z) + "/" + std::to_string(x);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (made_.emplace(z, x).second) {
                std::error_code ec;
                fs::create_directories(dir, ec);
                if (ec) {
                    error = "cannot make " + dir + ": " + ec.message();
                    return false;
                }
            }
        }
        const std::string path = dir + "/" + std::to_string(y) + ".png";
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(png.data(), static_cast<std::streamsize>(png.size()));
        f.close();
        if (!f) {
            error = "cannot write " + path;
            return false;
        }
        return true;
    }
    bool Finish(const std::vector<std::pair<std::string, std::string>>& metadata, std::string& error) override
    {
        std::string json = "{\n";
        for (size_t i = 0; i < metadata.size(); ++i)
            json += "  " + JsonString(metadata[i].first) + ": " + JsonString(metadata[i].second) +
                    (i + 1 < metadata.size() ? ",\n" : "\n");
        json += "}\n";
        const std::string path = root_ + "/metadata.json";
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f << json;
        f.close();
        if (!f) {
            error = "cannot write " + path;
            return false;
        }
        return true;
    }
    void Abort() override {}

private:
    std::string root_;
    std::mutex mutex_;
    std::set<std::pair<int, int64_t>> made_;
};

// An MBTiles file (SQLite; rows counted from the south as that format has them), written under
// a temporary name beside the path and renamed at the end.
class MbtilesSink : public TileSink {
public:
    explicit MbtilesSink(std::string path) : path_(std::move(path)), part_(path_ + "." + std::to_string(getpid()) + ".part") {}
    ~MbtilesSink() override { Abort(); }
    bool Open(std::string& error)
    {
        fs::remove(part_);
        if (sqlite3_open_v2(part_.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK)
            return Fail("cannot write " + path_, error);
        const char* schema =
            "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; PRAGMA page_size=4096;"
            "CREATE TABLE metadata (name TEXT, value TEXT);"
            "CREATE UNIQUE INDEX metadata_name ON metadata (name);"
            "CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, tile_row INTEGER, tile_data BLOB);"
            "CREATE UNIQUE INDEX tile_index ON tiles (zoom_level, tile_column, tile_row);"
            "BEGIN;";
        if (!Exec(schema, error))
            return false;
        if (sqlite3_prepare_v2(db_, "INSERT OR REPLACE INTO tiles VALUES (?, ?, ?, ?)", -1, &insert_, nullptr) !=
            SQLITE_OK)
            return Fail("cannot write " + path_, error);
        return true;
    }
    bool Put(int z, int64_t x, int64_t y, const std::string& png, std::string& error) override
    {
        std::lock_guard<std::mutex> lock(mutex_);
        sqlite3_reset(insert_);
        sqlite3_bind_int(insert_, 1, z);
        sqlite3_bind_int64(insert_, 2, x);
        sqlite3_bind_int64(insert_, 3, (int64_t{1} << z) - 1 - y);
        sqlite3_bind_blob(insert_, 4, png.data(), static_cast<int>(png.size()), SQLITE_STATIC);
        if (sqlite3_step(insert_) != SQLITE_DONE)
            return Fail("cannot write " + path_, error);
        return true;
    }
    bool Finish(const std::vector<std::pair<std::string, std::string>>& metadata, std::string& error) override
    {
        sqlite3_stmt* m = nullptr;
        if (sqlite3_prepare_v2(db_, "INSERT INTO metadata VALUES (?, ?)", -1, &m, nullptr) != SQLITE_OK)
            return Fail("cannot write " + path_, error);
        for (const auto& [name, value] : metadata) {
            sqlite3_reset(m);
            sqlite3_bind_text(m, 1, name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(m, 2, value.c_str(), -1, SQLITE_TRANSIENT);
            if (sqlite3_step(m) != SQLITE_DONE) {
                sqlite3_finalize(m);
                return Fail("cannot write " + path_, error);
            }
        }
        sqlite3_finalize(m);
        if (!Exec("COMMIT;", error))
            return false;
        sqlite3_finalize(insert_);
        insert_ = nullptr;
        if (sqlite3_close(db_) != SQLITE_OK)
            return Fail("cannot write " + path_, error);
        db_ = nullptr;
        std::error_code ec;
        fs::rename(part_, path_, ec);
        if (ec)
            return Fail("cannot write " + path_ + ": " + ec.message(), error);
        return true;
    }
    void Abort() override
    {
        if (insert_)
            sqlite3_finalize(insert_);
        insert_ = nullptr;
        if (db_)
            sqlite3_close(db_);
        db_ = nullptr;
        std::error_code ec;
        fs::remove(part_, ec);
    }

private:
    bool Exec(const char* sql, std::string& error)
    {
        char* message = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK)
            return true;
        const std::string m = message ? message : "";
        sqlite3_free(message);
        return Fail("cannot write " + path_ + (m.empty() ? "" : ": " + m), error);
    }
    bool Fail(const std::string& message, std::string& error)
    {
        error = message;
        if (db_ && *sqlite3_errmsg(db_) && message.find(':') == std::string::npos)
            error += std::string(": ") + sqlite3_errmsg(db_);
        return false;
    }
    std::string path_, part_;
    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    std::mutex mutex_;
};

// ---- Encoding and writing on worker threads ----

struct TileJob {
    int z = 0;
    int64_t x = 0, y = 0;
    Heights heights;
};

// Encodes and writes tiles on threads of their own while the caller reads and samples; at most
// a few dozen tiles wait, so that memory stays bounded.
class TileWriters {
public:
    TileWriters(TileSink& sink, TileEncoding e, bool transparent, int size, unsigned threads)
        : sink_(sink), encoding_(e), transparent_(transparent), size_(size), limit_(8 * std::max(1u, threads))
    {
        for (unsigned t = 0; t < std::max(1u, threads); ++t)
            pool_.emplace_back([this] { Work(); });
    }
    ~TileWriters() { Close(); }
    void Add(TileJob job)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        room_.wait(lock, [&] { return queue_.size() < limit_ || !error_.empty(); });
        queue_.push_back(std::move(job));
        ready_.notify_one();
    }
    // Waits for every tile; false with the first error.
    bool Close(std::string* error = nullptr)
    {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            closing_ = true;
        }
        ready_.notify_all();
        for (std::thread& t : pool_)
            t.join();
        pool_.clear();
        if (error)
            *error = error_;
        return error_.empty();
    }
    bool Failed()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return !error_.empty();
    }
    size_t Written() const { return written_; }

private:
    void Work()
    {
        const int channels = TileChannels(encoding_, transparent_);
        std::vector<uint8_t> pixels(static_cast<size_t>(size_) * size_ * channels);
        for (;;) {
            TileJob job;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                ready_.wait(lock, [&] { return !queue_.empty() || closing_; });
                if (queue_.empty())
                    return;
                job = std::move(queue_.front());
                queue_.pop_front();
                room_.notify_one();
                if (!error_.empty())
                    continue;
            }
            const std::vector<float>& h = *job.heights;
            for (size_t i = 0; i < h.size(); ++i)
                EncodeHeight(encoding_, transparent_, h[i], pixels.data() + i * channels);
            const std::string png = EncodePng(pixels.data(), size_, channels);
            std::string error = png.empty() ? "GDAL could not write a PNG tile" : "";
            if (!png.empty() && sink_.Put(job.z, job.x, job.y, png, error))
                ++written_;
            if (!error.empty()) {
                std::lock_guard<std::mutex> lock(mutex_);
                if (error_.empty())
                    error_ = error;
                room_.notify_all();
            }
        }
    }
    TileSink& sink_;
    TileEncoding encoding_;
    bool transparent_;
    int size_;
    size_t limit_;
    std::vector<std::thread> pool_;
    std::mutex mutex_;
    std::condition_variable ready_, room_;
    std::deque<TileJob> queue_;
    bool closing_ = false;
    std::string error_;
    std::atomic<size_t> written_{0};
};

// ---- Lower zooms from higher ones ----

// Tiles of the lower zooms, each the mean of the four pixels below each of its pixels that have
// a value. A tile is done when every child the area has at the zoom above has come in.
class Pyramid {
public:
    Pyramid(const GeoBox& box, int minZoom, int maxZoom, int size,
            std::function<void(int, int64_t, int64_t, const Heights&)> done)
        : minZoom_(minZoom), size_(size), done_(std::move(done))
    {
        for (int z = 0; z <= maxZoom; ++z)
            ranges_.push_back(TilesOver(box, z));
    }
    // A tile of the highest zoom, or of a lower one once made: written when it has a value,
    // and passed down.
    void Add(int z, int64_t x, int64_t y, const Heights& heights)
    {
        if (heights && z >= minZoom_)
            done_(z, x, y, heights);
        if (z <= minZoom_)
            return;
        const int64_t px = x >> 1, py = y >> 1;
        Pending& p = pending_[{z - 1, px, py}];
        if (heights) {
            if (!p.heights)
                p.heights = std::make_shared<std::vector<float>>(static_cast<size_t>(size_) * size_, kNoValue);
            Shrink(*heights, static_cast<int>(x & 1), static_cast<int>(y & 1), *p.heights);
            p.any = true;
        }
        if (++p.children < Children(z - 1, px, py))
            return;
        Heights made = p.any ? p.heights : nullptr;
        pending_.erase({z - 1, px, py});
        Add(z - 1, px, py, made);
    }
    bool Empty() const { return pending_.empty(); }

private:
    struct Pending {
        Heights heights;
        int children = 0;
        bool any = false;
    };
    int Children(int z, int64_t x, int64_t y) const
    {
        const TileRange& r = ranges_[z + 1];
        const int64_t cx = std::min(2 * x + 2, r.x1) - std::max(2 * x, r.x0);
        const int64_t cy = std::min(2 * y + 2, r.y1) - std::max(2 * y, r.y0);
        return static_cast<int>(std::max<int64_t>(0, cx) * std::max<int64_t>(0, cy));
    }
    // The quarter (qx, qy) of parent from child, each pixel the mean of its four with a value.
    void Shrink(const std::vector<float>& child, int qx, int qy, std::vector<float>& parent) const
    {
        const int half = size_ / 2, n = size_;
        for (int j = 0; j < half; ++j) {
            const float* a = child.data() + static_cast<size_t>(2 * j) * n;
            const float* b = a + n;
            float* out = parent.data() + static_cast<size_t>(qy * half + j) * n + qx * half;
            for (int i = 0; i < half; ++i) {
                const float v[4] = {a[2 * i], a[2 * i + 1], b[2 * i], b[2 * i + 1]};
                float sum = 0;
                int count = 0;
                for (const float h : v)
                    if (!std::isnan(h))
                        sum += h, ++count;
                out[i] = count ? sum / count : kNoValue;
            }
        }
    }
    int minZoom_, size_;
    std::function<void(int, int64_t, int64_t, const Heights&)> done_;
    std::vector<TileRange> ranges_;
    std::map<std::tuple<int, int64_t, int64_t>, Pending> pending_;
};

// ---- The highest zoom from the raster ----

// Rows of the raster over one column band, asked for from north to south; rows no longer
// needed are let go.
class RowWindow {
public:
    RowWindow(DemCells& cells, int64_t x0, int64_t x1) : cells_(cells), x0_(x0), width_(x1 - x0) {}
    // Makes rows r0..r1 (inclusive, clipped to the raster) available; r0 never goes back.
    void Need(int64_t r0, int64_t r1)
    {
        const int64_t height = cells_.grid.height;
        r0 = std::clamp<int64_t>(r0, 0, height);
        r1 = std::clamp<int64_t>(r1 + 1, 0, height);
        if (r1 <= end_)
            return;
        if (r0 >= end_) {  // rows skipped over are never read
            rows_.clear();
            first_ = end_ = r0;
        } else if (r0 > first_) {
            rows_.erase(rows_.begin(), rows_.begin() + static_cast<ptrdiff_t>((r0 - first_) * width_));
            first_ = r0;
        }
        const size_t old = rows_.size();
        rows_.resize(static_cast<size_t>((r1 - first_) * width_), kNoData);
        if (width_ > 0)
            cells_.fill(x0_, end_, width_, r1 - end_, rows_.data() + old);
        end_ = r1;
    }
    // The cell at raster column x, row r, or null outside the raster or the rows held.
    const float* Row(int64_t r) const
    {
        if (r < first_ || r >= end_)
            return nullptr;
        return rows_.data() + (r - first_) * width_;
    }
    int64_t X0() const { return x0_; }
    int64_t Width() const { return width_; }

private:
    DemCells& cells_;
    int64_t x0_, width_;
    int64_t first_ = 0, end_ = 0;
    std::vector<float> rows_;
};

struct Axis {
    int64_t cell = 0;  // the cell whose centre is at or before the pixel's centre
    double f = 0;      // how far on towards the next cell's centre, 0..1
};

// The bilinear sample between the four nearest cell centres, from the rows above and below
// (null outside the raster) of a window whose first column is x0; cells without a value (or
// outside the raster) are left out and the weights of the others made to sum to one.
inline float Bilinear(const float* above, const float* below, int64_t x0, int64_t width, const Axis& col, double fy)
{
    double sum = 0, weight = 0;
    const int64_t c = col.cell - x0;
    auto add = [&](const float* r, double wy) {
        if (!r)
            return;
        if (c >= 0 && c < width && r[c] != kNoData) {
            const double wt = (1.0 - col.f) * wy;
            sum += wt * r[c];
            weight += wt;
        }
        if (c + 1 >= 0 && c + 1 < width && r[c + 1] != kNoData) {
            const double wt = col.f * wy;
            sum += wt * r[c + 1];
            weight += wt;
        }
    };
    add(above, 1.0 - fy);
    add(below, fy);
    return weight > 0 ? static_cast<float>(sum / weight) : kNoValue;
}

Axis AxisAt(double cells)
{
    const double c = std::floor(cells);
    return Axis{static_cast<int64_t>(c), cells - c};
}

bool EndsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string Number(double v, int decimals)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);  // the C locale is the program's
    return buf;
}

} // namespace

const char* TileEncodingName(TileEncoding e)
{
    switch (e) {
    case TileEncoding::Terrarium: return "terrarium";
    case TileEncoding::Mapbox: return "mapbox";
    case TileEncoding::Gsi: return "gsi";
    }
    return "";
}

double TileEncodingStep(TileEncoding e)
{
    switch (e) {
    case TileEncoding::Terrarium: return 1.0 / 256;
    case TileEncoding::Mapbox: return 0.1;
    case TileEncoding::Gsi: return 0.01;
    }
    return 0;
}

int TileChannels(TileEncoding e, bool transparent)
{
    return transparent && e != TileEncoding::Gsi ? 4 : 3;
}

void EncodeHeight(TileEncoding e, bool transparent, float height, uint8_t* pixel)
{
    const int channels = TileChannels(e, transparent);
    const bool none = std::isnan(height);
    if (channels == 4)
        pixel[3] = none ? 0 : 255;
    if (none && channels == 4) {
        pixel[0] = pixel[1] = pixel[2] = 0;
        return;
    }
    const double h = none ? 0.0 : height;
    switch (e) {
    case TileEncoding::Terrarium: {
        const double code = std::clamp(std::round((h + 32768.0) * 256.0), 0.0, 16777215.0);
        Put3(static_cast<uint32_t>(code), pixel);
        return;
    }
    case TileEncoding::Mapbox: {
        const double code = std::clamp(std::round((h + 10000.0) * 10.0), 0.0, 16777215.0);
        Put3(static_cast<uint32_t>(code), pixel);
        return;
    }
    case TileEncoding::Gsi: {
        if (none) {
            Put3(0x800000, pixel);
            return;
        }
        // 2^23 itself means no data, so the ends are one code short of it.
        const double code = std::clamp(std::round(h * 100.0), -8388607.0, 8388607.0);
        Put3(static_cast<uint32_t>(code < 0 ? code + 16777216.0 : code), pixel);
        return;
    }
    }
}

std::string EncodePng(const uint8_t* pixels, int size, int channels)
{
    PrepareGdal();
    GDALDriverH mem = GDALGetDriverByName("MEM"), png = GDALGetDriverByName("PNG");
    if (!mem || !png)
        return {};
    GDALDatasetH image = GDALCreate(mem, "", size, size, channels, GDT_Byte, nullptr);
    if (!image)
        return {};
    if (GDALDatasetRasterIO(image, GF_Write, 0, 0, size, size, const_cast<uint8_t*>(pixels), size, size, GDT_Byte,
                            channels, nullptr, channels, static_cast<GSpacing>(size) * channels, 1) != CE_None) {
        GDALClose(image);
        return {};
    }
    static std::atomic<uint64_t> serial{0};
    const std::string path = "/vsimem/tesselo-tile-" + std::to_string(serial++) + ".png";
    char** options = CSLSetNameValue(nullptr, "ZLEVEL", std::to_string(kTilePngLevel).c_str());
    GDALDatasetH written = GDALCreateCopy(png, path.c_str(), image, FALSE, options, nullptr, nullptr);
    CSLDestroy(options);
    GDALClose(image);
    std::string bytes;
    if (written) {
        GDALClose(written);
        vsi_l_offset length = 0;
        GByte* data = VSIGetMemFileBuffer(path.c_str(), &length, FALSE);
        if (data)
            bytes.assign(reinterpret_cast<const char*>(data), static_cast<size_t>(length));
    }
    VSIUnlink(path.c_str());
    VSIUnlink((path + ".aux.xml").c_str());
    return bytes;
}

double TileXOfLon(double lon, int z)
{
    return (lon + 180.0) / 360.0 * std::ldexp(1.0, z);
}

double TileYOfLat(double lat, int z)
{
    const double phi = std::clamp(lat, -kMaxMercatorLat, kMaxMercatorLat) * kPi / 180.0;
    return (1.0 - std::asinh(std::tan(phi)) / kPi) / 2.0 * std::ldexp(1.0, z);
}

double LonOfTileX(double x, int z)
{
    return x / std::ldexp(1.0, z) * 360.0 - 180.0;
}

double LatOfTileY(double y, int z)
{
    return std::atan(std::sinh(kPi * (1.0 - 2.0 * y / std::ldexp(1.0, z)))) * 180.0 / kPi;
}

TileRange TilesOver(const GeoBox& box, int z)
{
    const int64_t n = int64_t{1} << z;
    TileRange r;
    r.x0 = std::clamp<int64_t>(FloorNear(TileXOfLon(box.west, z), kEdgeSlack), 0, n);
    r.x1 = std::clamp<int64_t>(CeilNear(TileXOfLon(box.east, z), kEdgeSlack), 0, n);
    r.y0 = std::clamp<int64_t>(FloorNear(TileYOfLat(box.north, z), kEdgeSlack), 0, n);
    r.y1 = std::clamp<int64_t>(CeilNear(TileYOfLat(box.south, z), kEdgeSlack), 0, n);
    r.x1 = std::max(r.x1, r.x0), r.y1 = std::max(r.y1, r.y0);
    return r;
}

GeoBox GridExtent(const OutputGrid& grid)
{
    const double d = GridCellsPerDegree(grid);
    return GeoBox{static_cast<double>(grid.north - grid.height) / d, static_cast<double>(grid.west) / d,
                  static_cast<double>(grid.north) / d, static_cast<double>(grid.west + grid.width) / d};
}

int DefaultMaxZoom(double cellsPerDegree)
{
    for (int z = 0; z < kMaxTileZoom; ++z)
        if (360.0 / (256.0 * std::ldexp(1.0, z)) <= 1.0 / cellsPerDegree)
            return z;
    return kMaxTileZoom;
}

int DefaultMinZoom(const GeoBox& box, int maxZoom)
{
    for (int z = maxZoom; z > 0; --z)
        if (TilesOver(box, z).Count() <= 1)
            return z;
    return 0;
}

int MakeTiles(const TilesOptions& o, std::FILE* err)
{
    auto fail = [&](const std::string& message) {
        std::fprintf(err, "tesselo-cli: tiles: %s\n", message.c_str());
        return 1;
    };
    PrepareGdal();
    if (o.tileSize != 256 && o.tileSize != 512)
        return fail("the tile size is 256 or 512");
    if ((o.minZoom >= 0 && o.minZoom > kMaxTileZoom) || o.maxZoom > kMaxTileZoom ||
        (o.minZoom >= 0 && o.maxZoom >= 0 && o.minZoom > o.maxZoom))
        return fail("bad zoom range");
    const bool mbtiles = EndsWith(o.out, ".mbtiles");
    std::error_code ec;
    if (o.out.empty())
        return fail("--out is required");
    if (mbtiles && fs::is_directory(o.out, ec))
        return fail(o.out + " is a directory");
    if (!mbtiles && fs::exists(o.out, ec) && !fs::is_directory(o.out, ec))
        return fail(o.out + " is not a folder");

    DemCellOptions co = o.cells;
    co.command = "tiles";
    DemCells cells;
    if (!OpenDemCells(co, err, cells))
        return 1;
    const OutputGrid& grid = cells.grid;
    const GeoBox box = GridExtent(grid);
    const int maxZoom = o.maxZoom >= 0 ? o.maxZoom : DefaultMaxZoom(GridCellsPerDegree(grid));
    const int minZoom = o.minZoom >= 0 ? o.minZoom : std::min(maxZoom, DefaultMinZoom(box, maxZoom));
    if (minZoom > maxZoom)
        return fail("bad zoom range");

    std::unique_ptr<TileSink> sink;
    std::string error;
    if (mbtiles) {
        auto m = std::make_unique<MbtilesSink>(o.out);
        if (!m->Open(error))
            return fail(error);
        sink = std::move(m);
    } else {
        sink = std::make_unique<FolderSink>(o.out);
    }
    const unsigned threads = std::max(1u, co.threads);
    TileWriters writers(*sink, o.encoding, o.transparent, o.tileSize, threads);
    Pyramid pyramid(box, minZoom, maxZoom, o.tileSize,
                    [&](int z, int64_t x, int64_t y, const Heights& h) { writers.Add(TileJob{z, x, y, h}); });

    // The highest zoom in column bands of tiles, aligned so that lower tiles rarely wait long.
    const int n = o.tileSize;
    const double perDegree = GridCellsPerDegree(grid);
    const double tileCells = 360.0 / std::ldexp(1.0, maxZoom) * perDegree;
    int64_t band = 1;
    while (band * 2 * tileCells <= static_cast<double>(o.bandCells) && band < (int64_t{1} << maxZoom))
        band *= 2;
    const TileRange top = TilesOver(box, maxZoom);
    const size_t total = static_cast<size_t>(top.Count());
    size_t finished = 0;
    for (int64_t bx = top.x0 - top.x0 % band; bx < top.x1 && !writers.Failed(); bx += band) {
        const int64_t tx0 = std::max(bx, top.x0), tx1 = std::min(bx + band, top.x1);
        const int64_t columns = (tx1 - tx0) * n;
        // Where each pixel column falls between cell centres.
        std::vector<Axis> cols(static_cast<size_t>(columns));
        for (int64_t i = 0; i < columns; ++i) {
            const double lon = LonOfTileX(static_cast<double>(tx0) + (static_cast<double>(i) + 0.5) / n, maxZoom);
            cols[static_cast<size_t>(i)] = AxisAt(lon * perDegree - static_cast<double>(grid.west) - 0.5);
        }
        const int64_t c0 = std::clamp<int64_t>(cols.front().cell, 0, grid.width);
        const int64_t c1 = std::clamp<int64_t>(cols.back().cell + 2, 0, grid.width);
        RowWindow window(cells, c0, c1);
        std::vector<Axis> rows(static_cast<size_t>(n));
        for (int64_t ty = top.y0; ty < top.y1 && !writers.Failed(); ++ty) {
            for (int j = 0; j < n; ++j) {
                const double lat = LatOfTileY(static_cast<double>(ty) + (j + 0.5) / n, maxZoom);
                rows[static_cast<size_t>(j)] = AxisAt(static_cast<double>(grid.north) - lat * perDegree - 0.5);
            }
            // Dense rows are read for the whole row of tiles at once, sparse ones (a zoom much
            // coarser than the cells) two raster rows at a time.
            const bool dense = rows.back().cell - rows.front().cell <= 4 * static_cast<int64_t>(n);
            if (dense)
                window.Need(rows.front().cell, rows.back().cell + 1);
            std::vector<Heights> tiles(static_cast<size_t>(tx1 - tx0));
            for (auto& t : tiles)
                t = std::make_shared<std::vector<float>>(static_cast<size_t>(n) * n);
            for (int j = 0; j < n; ++j) {
                const Axis& row = rows[static_cast<size_t>(j)];
                if (!dense)
                    window.Need(row.cell, row.cell + 1);
                const float* above = window.Row(row.cell);
                const float* below = window.Row(row.cell + 1);
                for (int64_t t = 0; t < tx1 - tx0; ++t) {
                    float* out = tiles[static_cast<size_t>(t)]->data() + static_cast<size_t>(j) * n;
                    const Axis* col = cols.data() + t * n;
                    for (int i = 0; i < n; ++i)
                        out[i] = Bilinear(above, below, window.X0(), window.Width(), col[i], row.f);
                }
            }
            for (int64_t tx = tx0; tx < tx1; ++tx) {
                Heights& h = tiles[static_cast<size_t>(tx - tx0)];
                pyramid.Add(maxZoom, tx, ty, AnyValue(*h) ? h : nullptr);
                h.reset();
            }
            finished += static_cast<size_t>(tx1 - tx0);
            cells.writing(static_cast<double>(finished) / static_cast<double>(std::max<size_t>(1, total)));
        }
    }
    if (!writers.Close(&error)) {
        sink->Abort();
        return fail(error);
    }
    if (cells.usable() == 0) {
        sink->Abort();
        return fail("none of the DEM files could be read");
    }
    if (writers.Written() == 0) {
        sink->Abort();
        return fail("the files have no value in the area");
    }
    const double south = std::max(box.south, -kMaxMercatorLat), north = std::min(box.north, kMaxMercatorLat);
    const std::string name = fs::path(o.out).filename().replace_extension().string();
    const std::vector<std::pair<std::string, std::string>> metadata = {
        {"name", name.empty() ? "tiles" : name},
        {"format", "png"},
        {"type", "baselayer"},
        {"version", "1"},
        {"description", std::string("Heights of GSI's DEM as ") + TileEncodingName(o.encoding) + " tiles"},
        {"attribution", kAttribution},
        {"encoding", TileEncodingName(o.encoding)},
        {"tile_size", std::to_string(o.tileSize)},
        {"bounds", Number(box.west, 7) + "," + Number(south, 7) + "," + Number(box.east, 7) + "," + Number(north, 7)},
        {"center", Number((box.west + box.east) / 2, 7) + "," + Number((south + north) / 2, 7) + "," +
                       std::to_string(minZoom)},
        {"minzoom", std::to_string(minZoom)},
        {"maxzoom", std::to_string(maxZoom)},
    };
    if (!sink->Finish(metadata, error)) {
        sink->Abort();
        return fail(error);
    }
    return cells.damaged() ? 2 : 0;
}
