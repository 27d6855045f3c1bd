// tesselo-bench: Google Benchmark with a Qt application off screen, for the frame benchmarks.
#include "app/app.h"
#include "bench/bench_app.h"

#include <QApplication>
#include <benchmark/benchmark.h>

int main(int argc, char** argv)
{
    PrepareOffscreenEnvironment();
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    PrepareProcess();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    BenchApp().reset();
    return 0;
}
