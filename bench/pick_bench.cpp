// Picks as a click makes them, up to the finished list text; no window is shown and the
// highlight's repaint (a whole frame, measured by the frame benchmarks) is left out.
#include "bench/bench_app.h"
#include "geodata/catalogue.h"
#include "picking/filelist.h"

#include <algorithm>
#include <benchmark/benchmark.h>

namespace {

// A frame of the 5 m layer over Tokyo, and the pixels of a 9 x 9 grid over it to click on.
std::vector<POINT> Prepare(double zoom, bool fiveMeter)
{
    CTesseloView* view = BenchView();
    view->m_vp.zoom = zoom;
    view->m_vp.center = GeoPoint{139.767, 35.681};
    view->m_show5m = fiveMeter;
    UpdateVisibleCorners(view->m_vp);
    view->RepaintNow();
    std::vector<POINT> points;
    for (int i = 1; i <= 9; ++i)
        for (int j = 1; j <= 9; ++j)
            points.push_back(POINT{933 * i / 10, 568 * j / 10});
    return points;
}

void Pick(benchmark::State& state, DemEdition edition, bool scan)
{
    const bool five = edition == DemEdition::Dem5m;
    const std::vector<POINT> points = Prepare(five ? 60.0 : 30.0, five);
    const MapViewport& vp = BenchView()->m_drawnVp;
    const auto& tiles = five ? g_dem5Tiles : g_dem10Tiles;
    const auto& files = five ? g_dem5Files : g_dem10Files;
    size_t i = 0, lines = 0;
    for (auto _ : state) {
        const POINT p = points[i++ % points.size()];
        const TileHits hits = scan ? CollectHitsScan(tiles, vp, p) : CollectHits(tiles, vp, p);
        std::string text = FileListText(BuildRows(files, edition, hits.names), edition, g_prefectures);
        if (five)
            text = FrameFileList5m(text);
        lines += static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
        benchmark::DoNotOptimize(text);
    }
    state.counters["lines"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kAvgIterations);
}

// The first pick after loading also makes the indexes over the tiles and the catalogue.
void BM_PickFirst5m(benchmark::State& state)
{
    const std::vector<POINT> points = Prepare(60.0, true);
    const MapViewport& vp = BenchView()->m_drawnVp;
    for (auto _ : state) {
        ReadDemCatalogue(DemEdition::Dem5m, nullptr, 0);  // reads nothing; the indexes go out of date
        const TileHits hits = CollectHits(g_dem5Tiles, vp, points[40]);
        benchmark::DoNotOptimize(BuildRows(g_dem5Files, DemEdition::Dem5m, hits.names));
    }
}

} // namespace

BENCHMARK_CAPTURE(Pick, 5m, DemEdition::Dem5m, false)->Name("BM_Pick5m")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(Pick, 10m, DemEdition::Dem10m, false)->Name("BM_Pick10m")->Unit(benchmark::kMicrosecond);
// The same picks with every tile tested, for comparison.
BENCHMARK_CAPTURE(Pick, 5mScan, DemEdition::Dem5m, true)->Name("BM_Pick5mScan")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PickFirst5m)->Unit(benchmark::kMillisecond);
