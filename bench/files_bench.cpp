// tesselo-cli files over the whole country: every catalogue entry tested and sorted.
#include "bench/bench_app.h"
#include "queries/areaquery.h"

#include <benchmark/benchmark.h>

namespace {

void BM_FilesCountry(benchmark::State& state)
{
    BenchView();
    AreaQuery q;
    std::string error;
    ParseBoxQuery("20,122,46,154", q, error);
    size_t rows = 0;
    for (auto _ : state) {
        const std::vector<AreaFile> files = FindAreaFiles(q, EditionChoice::Both);
        rows = files.size();
        benchmark::DoNotOptimize(files.data());
    }
    state.counters["rows"] = static_cast<double>(rows);
}
BENCHMARK(BM_FilesCountry)->Unit(benchmark::kMillisecond);

} // namespace
