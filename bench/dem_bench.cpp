// convert and tiles over synthetic full-size inputs that the benchmark writes itself: one 5 m
// archive of 100 XML files, one 10 m file, one 1 m archive of 100 XML files (a second-level
// square of 11250 x 7500 cells), and the floors any converter has to pay for each archive.
#include "demfiles/convert.h"
#include "demfiles/tiles.h"
#include "tests/demfiles/demtestfiles.h"

#include <cpl_conv.h>
#include <cpl_vsi.h>
#include <gdal.h>
#include <gdalwarper.h>
#include <ogr_srs_api.h>

#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

struct Inputs {
    std::string dir, zip5, zip10;
    std::vector<DemName> names5;
    std::vector<std::string> members5;  // /vsizip/ paths
};

struct Inputs1m {
    std::string dir, zip;
    std::vector<DemName> names;
    std::vector<std::string> members;  // /vsizip/ paths
};

std::string Full(int32_t mesh, DemKind kind)
{
    TestXml spec;
    spec.mesh = mesh;
    ExpectedGrid(kind, spec.width, spec.height);
    spec.crlf = true;
    spec.terrainSeed = static_cast<uint32_t>(mesh);
    return MakeDemXml(spec);
}

// Writes a ZIP archive through GDAL's /vsizip/ (DEFLATE, as GSI's are).
void WriteZip(const std::string& path, const std::vector<std::pair<std::string, std::string>>& members)
{
    for (const auto& [name, data] : members) {
        VSILFILE* f = VSIFOpenL(("/vsizip/" + path + "/" + name).c_str(), "wb");
        VSIFWriteL(data.data(), 1, data.size(), f);
        VSIFCloseL(f);
    }
}

const Inputs& MakeInputs()
{
    static Inputs in = [] {
        PrepareGdal();
        Inputs i;
        i.dir = TempDir("bench");
        i.zip5 = i.dir + "/" + DemZipName(533946, DemKind::Dem5A);
        i.zip10 = i.dir + "/" + DemZipName(533946, DemKind::Dem10B);
        std::vector<std::pair<std::string, std::string>> five;
        for (int r = 0; r < 10; ++r)
            for (int c = 0; c < 10; ++c) {
                const int32_t mesh = 53394600 + r * 10 + c;
                five.emplace_back(DemXmlName(mesh, DemKind::Dem5A), Full(mesh, DemKind::Dem5A));
                i.names5.push_back(DemName{mesh, DemKind::Dem5A});
                i.members5.push_back("/vsizip/" + i.zip5 + "/" + five.back().first);
            }
        WriteZip(i.zip5, five);
        WriteZip(i.zip10, {{DemXmlName(533946, DemKind::Dem10B), Full(533946, DemKind::Dem10B)}});
        return i;
    }();
    return in;
}

// Made only when a 1 m benchmark runs (1.4 GB of XML, minutes to write) and kept in the
// temporary folder for the next run.
const Inputs1m& MakeInputs1m()
{
    static Inputs1m in = [] {
        PrepareGdal();
        Inputs1m i;
        i.dir = (std::filesystem::temp_directory_path() / "tesselo-bench-1m").string();
        i.zip = i.dir + "/" + DemZipName(533946, DemKind::Dem1A);
        const std::string complete = i.dir + "/complete";
        const bool made = std::filesystem::exists(complete);
        if (!made) {
            std::filesystem::remove_all(i.dir);
            std::filesystem::create_directories(i.dir);
        }
        for (int r = 0; r < 10; ++r)
            for (int c = 0; c < 10; ++c) {
                const int32_t mesh = 53394600 + r * 10 + c;
                const std::string name = DemXmlName(mesh, DemKind::Dem1A, "20250401");
                if (!made)
                    WriteZip(i.zip, {{name, Full(mesh, DemKind::Dem1A)}});
                i.names.push_back(DemName{mesh, DemKind::Dem1A});
                i.members.push_back("/vsizip/" + i.zip + "/" + name);
            }
        if (!made)
            WriteFile(complete, "");
        return i;
    }();
    return in;
}

void ConvertOnce(benchmark::State& state, const std::string& input, const std::string& dir)
{
    ConvertOptions o;
    o.inputs = {input};
    o.out = dir + "/out.tif";
    for (auto _ : state) {
        if (ConvertDemFiles(o, stderr) != 0)
            state.SkipWithError("convert failed");
    }
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(o.out)) / 1e6;
}

void BM_ConvertMesh5m(benchmark::State& state)
{
    ConvertOnce(state, MakeInputs().zip5, MakeInputs().dir);
}
BENCHMARK(BM_ConvertMesh5m)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_Convert10m(benchmark::State& state)
{
    ConvertOnce(state, MakeInputs().zip10, MakeInputs().dir);
}
BENCHMARK(BM_Convert10m)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// Inflate every member of an archive and read each byte once, on both cores, then write the
// raster convert makes of it (prepared beforehand) with the same writer.
void ConvertFloor(benchmark::State& state, const std::string& zip, const std::vector<std::string>& members,
                  const std::vector<DemName>& names, const std::string& dir)
{
    ConvertOptions o;
    o.inputs = {zip};
    o.out = dir + "/floor-source.tif";
    ConvertDemFiles(o, stderr);
    const OutputGrid grid = GridFor(names, std::nullopt);
    std::vector<float> raster(static_cast<size_t>(grid.width * grid.height));
    GDALDatasetH ds = GDALOpen(o.out.c_str(), GA_ReadOnly);
    const CPLErr read = ds ? GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Read, 0, 0, static_cast<int>(grid.width),
                                          static_cast<int>(grid.height), raster.data(), static_cast<int>(grid.width),
                                          static_cast<int>(grid.height), GDT_Float32, 0, 0)
                           : CE_Failure;
    if (ds)
        GDALClose(ds);
    if (read != CE_None)
        state.SkipWithError("cannot read convert's raster");
    uint64_t checksum = 0;
    for (auto _ : state) {
        std::atomic<size_t> next{0};
        std::atomic<uint64_t> sum{0};
        auto work = [&] {
            std::vector<unsigned char> buf(1 << 16);
            uint64_t s = 0;
            for (size_t k; (k = next++) < members.size();) {
                VSILFILE* f = VSIFOpenL(members[k].c_str(), "rb");
                for (size_t n; (n = VSIFReadL(buf.data(), 1, buf.size(), f)) > 0;)
                    for (size_t j = 0; j < n; ++j)
                        s += buf[j];
                VSIFCloseL(f);
            }
            sum += s;
        };
        std::thread other(work);
        work();
        other.join();
        checksum = sum;
        std::string error;
        const bool ok = WriteDemRaster(
            dir + "/floor.tif", grid, 6668, 2,
            [&](int64_t x, int64_t y, int64_t w, int64_t h, float* cells) {
                for (int64_t r = 0; r < h; ++r)
                    std::copy_n(raster.data() + (y + r) * grid.width + x, w, cells + r * w);
                return true;
            },
            nullptr, error);
        if (!ok)
            state.SkipWithError(error.c_str());
    }
    benchmark::DoNotOptimize(checksum);
}

void BM_ConvertFloor(benchmark::State& state)
{
    const Inputs& in = MakeInputs();
    ConvertFloor(state, in.zip5, in.members5, in.names5, in.dir);
}
BENCHMARK(BM_ConvertFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// 84 million cells on the 1 m grid: to be within 1.5 times its floor.
void BM_Convert1m(benchmark::State& state)
{
    ConvertOnce(state, MakeInputs1m().zip, MakeInputs1m().dir);
}
BENCHMARK(BM_Convert1m)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_Convert1mFloor(benchmark::State& state)
{
    const Inputs1m& in = MakeInputs1m();
    ConvertFloor(state, in.zip, in.members, in.names, in.dir);
}
BENCHMARK(BM_Convert1mFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// One second-level square of 5 m files to terrarium tiles of zooms 9 to 15 in a folder.
void BM_Tiles5m(benchmark::State& state)
{
    const Inputs& in = MakeInputs();
    TilesOptions o;
    o.cells.inputs = {in.zip5};
    o.out = in.dir + "/tiles";
    size_t tiles = 0;
    for (auto _ : state) {
        std::filesystem::remove_all(o.out);
        if (MakeTiles(o, stderr) != 0)
            state.SkipWithError("tiles failed");
    }
    for ([[maybe_unused]] const auto& e : std::filesystem::recursive_directory_iterator(o.out))
        tiles += e.path().extension() == ".png";
    state.counters["tiles"] = static_cast<double>(tiles);
}
BENCHMARK(BM_Tiles5m)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// The same tiles from convert's raster (made beforehand) by GDAL's warper, bilinear, one tile at
// a time on both cores, encoded and written as PNG by the same writer at the same level.
void BM_TilesFloor(benchmark::State& state)
{
    const Inputs& in = MakeInputs();
    ConvertOptions c;
    c.inputs = {in.zip5};
    c.out = in.dir + "/tiles-floor-source.tif";
    ConvertDemFiles(c, stderr);
    const GeoBox box = GridExtent(GridFor(in.names5, std::nullopt));
    const int maxZoom = 15, minZoom = DefaultMinZoom(box, maxZoom), n = 256;
    struct Tile {
        int z;
        int64_t x, y;
    };
    std::vector<Tile> all;
    for (int z = minZoom; z <= maxZoom; ++z) {
        const TileRange r = TilesOver(box, z);
        for (int64_t y = r.y0; y < r.y1; ++y)
            for (int64_t x = r.x0; x < r.x1; ++x)
                all.push_back({z, x, y});
    }
    OGRSpatialReferenceH mercator = OSRNewSpatialReference(nullptr);
    OSRImportFromEPSG(mercator, 3857);
    char* mercatorWkt = nullptr;
    OSRExportToWkt(mercator, &mercatorWkt);
    const std::string out = in.dir + "/tiles-floor";
    size_t written = 0;
    for (auto _ : state) {
        std::filesystem::remove_all(out);
        std::atomic<size_t> next{0}, count{0};
        auto work = [&] {
            GDALDatasetH src = GDALOpen(c.out.c_str(), GA_ReadOnly);
            GDALDriverH mem = GDALGetDriverByName("MEM");
            std::vector<float> h(static_cast<size_t>(n) * n);
            std::vector<uint8_t> rgb(h.size() * 3);
            for (size_t k; (k = next++) < all.size();) {
                const Tile& t = all[k];
                const double size = 2 * 20037508.342789244 / std::ldexp(1.0, t.z);
                GDALDatasetH dst = GDALCreate(mem, "", n, n, 1, GDT_Float32, nullptr);
                double transform[6] = {-20037508.342789244 + t.x * size, size / n, 0,
                                       20037508.342789244 - t.y * size, 0, -size / n};
                GDALSetGeoTransform(dst, transform);
                GDALSetProjection(dst, mercatorWkt);
                GDALRasterBandH band = GDALGetRasterBand(dst, 1);
                GDALSetRasterNoDataValue(band, -9999);
                GDALFillRaster(band, -9999, 0);
                GDALReprojectImage(src, nullptr, dst, nullptr, GRA_Bilinear, 0, 0.0, nullptr, nullptr, nullptr);
                const CPLErr read = GDALRasterIO(band, GF_Read, 0, 0, n, n, h.data(), n, n, GDT_Float32, 0, 0);
                GDALClose(dst);
                if (read != CE_None)
                    continue;
                bool any = false;
                for (size_t i = 0; i < h.size(); ++i) {
                    const bool none = h[i] == -9999.0f;
                    any |= !none;
                    EncodeHeight(TileEncoding::Terrarium, false, none ? NAN : h[i], rgb.data() + 3 * i);
                }
                if (!any)
                    continue;
                const std::string png = EncodePng(rgb.data(), n, 3);
                const std::string dir = out + "/" + std::to_string(t.z) + "/" + std::to_string(t.x);
                std::filesystem::create_directories(dir);
                std::ofstream(dir + "/" + std::to_string(t.y) + ".png", std::ios::binary) << png;
                ++count;
            }
            GDALClose(src);
        };
        std::thread other(work);
        work();
        other.join();
        written = count;
    }
    CPLFree(mercatorWkt);
    OSRDestroySpatialReference(mercator);
    state.counters["tiles"] = static_cast<double>(written);
}
BENCHMARK(BM_TilesFloor)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace
