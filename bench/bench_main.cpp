// The benchmarks' entry point. Two things happen before Google Benchmark
// takes the command line: a child spawned by the start-up benchmark
// (--startup-probe) goes its own way at once, so that it starts as the
// program itself would; and the benchmarks of the window get one
// QApplication for the whole process, on the offscreen platform unless
// another one is named.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <cstring>

#include "bench/bench_window.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 2 && std::strcmp(argv[1], kStartupProbeFlag) == 0) {
        return StartupProbeMain(argc, argv);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    QApplication application(argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
