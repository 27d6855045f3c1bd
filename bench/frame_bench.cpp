// Whole map frames as the window composes them: at 933 x 600, at 1920 x 1080 (HD) and at
// 3840 x 2160 (4K), each size with its floor, the fill and copy of a frame that size.
#include "bench/bench_app.h"
#include "render/tileaxes.h"
#include "view/view.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <string>

namespace {

void Frame(benchmark::State& state, int width, int height, double zoom, GeoPoint center, bool fiveMeter)
{
    CTesseloView* view = BenchView(width, height);
    view->m_vp.zoom = zoom;
    view->m_vp.center = center;
    view->m_show5m = fiveMeter;
    view->m_relief.brightness = 1.0;
    UpdateVisibleCorners(view->m_vp);
    // One frame first, outside RepaintNow, so that the timed frames (and a profiler that collects
    // RepaintNow alone) find the glyph caches as a running window has them.
    view->InvalidateRect(nullptr, true);
    view->UpdateWindow();
    for (auto _ : state)
        view->RepaintNow();
}

const GeoPoint kTokyo{139.767, 35.681};

// A new buffer of the frame's size, filled, and copied to the window: the least a frame drawn
// off screen costs (the frame context did just this before it drew on the window's own image).
void FrameFloor(benchmark::State& state, int width, int height)
{
    QImage window(width, height, QImage::Format_RGB32);
    CDC target(&window);
    for (auto _ : state) {
        CDC mem;
        mem.CreateCompatibleDC(&target);
        CBitmap buffer;
        buffer.CreateCompatibleBitmap(&target, width, height);
        CBitmap* previous = mem.SelectObject(&buffer);
        mem.FillSolidRect(RECT{0, 0, width, height}, RGB(0, 0, 0));
        target.BitBlt(0, 0, width, height, &mem, 0, 0, SRCCOPY);
        mem.SelectObject(previous);
    }
}

// Made once per catalogue, while the first map frame is shown.
void BM_TileAxes5m(benchmark::State& state)
{
    BenchView();
    for (auto _ : state) {
        TileAxes axes(g_dem5Tiles);
        benchmark::DoNotOptimize(&axes);
    }
}

} // namespace

BENCHMARK(BM_TileAxes5m)->Unit(benchmark::kMillisecond);

struct FrameSize {
    const char* name;
    int width, height;
};
const FrameSize kSizes[] = {{"", 933, 600}, {"HD", 1920, 1080}, {"4K", 3840, 2160}};

struct Scene {
    const char* name;
    double zoom;
    GeoPoint center;
    bool fiveMeter;
};
const Scene kScenes[] = {
    {"country", 0.6, GeoPoint{138, 34}, false}, {"zoom5", 5.0, GeoPoint{139.7, 35.6}, false},
    {"tokyo22", 22.0, kTokyo, false},           {"tokyo38", 38.0, kTokyo, false},
    {"dots5m", 4.0, GeoPoint{138, 36}, true},   {"rects5m", 15.0, kTokyo, true},
    {"codes230", 230.0, kTokyo, true},
};

// A fixed number of iterations (TESSELO_BENCH_ITERATIONS) gives the same frames to every run,
// as instruction counts under callgrind need.
benchmark::internal::Benchmark* Settings(benchmark::internal::Benchmark* b)
{
    // The CPU time of the whole process: a large frame's relief takes both cores.
    b->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
    if (const char* n = std::getenv("TESSELO_BENCH_ITERATIONS"); n && std::atoi(n) > 0)
        b->Iterations(std::atoi(n));
    return b;
}

// Each size's scenes, then its floor, so that the floor is measured beside them.
const bool kRegistered = [] {
    for (const FrameSize& size : kSizes) {
        for (const Scene& s : kScenes)
            Settings(benchmark::RegisterBenchmark((std::string("BM_Frame") + size.name + "/" + s.name).c_str(),
                                         [size, s](benchmark::State& state) {
                                             Frame(state, size.width, size.height, s.zoom, s.center, s.fiveMeter);
                                         }));
        Settings(benchmark::RegisterBenchmark((std::string("BM_FrameFloor") + size.name).c_str(),
                                              [size](benchmark::State& state) {
                                                  FrameFloor(state, size.width, size.height);
                                              }));
    }
    // The municipal borders' zooms, at the window's size.
    for (const Scene& s : {Scene{"tokyo26", 26.0, kTokyo, false}, Scene{"tokyo40", 40.0, kTokyo, false}})
        Settings(benchmark::RegisterBenchmark((std::string("BM_Frame/") + s.name).c_str(), [s](benchmark::State& state) {
            Frame(state, 933, 600, s.zoom, s.center, s.fiveMeter);
        }));
    return true;
}();
