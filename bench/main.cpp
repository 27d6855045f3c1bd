// tesselo-bench: Google Benchmark with a Qt application off screen, for the frame benchmarks.
#include "app/app.h"

#include <QApplication>
#include <benchmark/benchmark.h>
#include <cstdlib>

int main(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("XDG_RUNTIME_DIR", "/tmp", 0);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    PrepareProcess();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
