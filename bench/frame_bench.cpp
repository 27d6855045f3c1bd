// Whole map frames at 933 x 600, as the window composes them.
#include "bench/bench_app.h"
#include "render/memdc.h"
#include "render/tileaxes.h"
#include "view/view.h"

#include <benchmark/benchmark.h>

namespace {

void Frame(benchmark::State& state, double zoom, GeoPoint center, bool fiveMeter)
{
    CTesseloView* view = BenchView();
    view->m_vp.zoom = zoom;
    view->m_vp.center = center;
    view->m_show5m = fiveMeter;
    view->m_relief.brightness = 1.0;
    UpdateVisibleCorners(view->m_vp);
    for (auto _ : state)
        view->RepaintNow();
}

const GeoPoint kTokyo{139.767, 35.681};

void BM_FrameFloor(benchmark::State& state)
{
    QImage window(933, 600, QImage::Format_RGB32);
    CDC target(&window);
    for (auto _ : state) {
        IMemDC mem(&target);
        RECT area = mem.Area();
        mem.FillSolidRect(area, RGB(0, 0, 0));
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
BENCHMARK_CAPTURE(Frame, country, 0.6, GeoPoint{138, 34}, false)->Name("BM_Frame/country");
BENCHMARK_CAPTURE(Frame, zoom5, 5.0, GeoPoint{139.7, 35.6}, false)->Name("BM_Frame/zoom5");
BENCHMARK_CAPTURE(Frame, tokyo22, 22.0, kTokyo, false)->Name("BM_Frame/tokyo22");
BENCHMARK_CAPTURE(Frame, tokyo26, 26.0, kTokyo, false)->Name("BM_Frame/tokyo26");
BENCHMARK_CAPTURE(Frame, tokyo38, 38.0, kTokyo, false)->Name("BM_Frame/tokyo38");
BENCHMARK_CAPTURE(Frame, tokyo40, 40.0, kTokyo, false)->Name("BM_Frame/tokyo40");
BENCHMARK_CAPTURE(Frame, dots5m, 4.0, GeoPoint{138, 36}, true)->Name("BM_Frame/dots5m");
BENCHMARK_CAPTURE(Frame, rects5m, 15.0, kTokyo, true)->Name("BM_Frame/rects5m");
BENCHMARK_CAPTURE(Frame, codes230, 230.0, kTokyo, true)->Name("BM_Frame/codes230");
BENCHMARK(BM_FrameFloor);
