// The Source window's figures: opening a 2,000-line source with its window,
// and a Step with both windows repainting. On the real QtLayer with the real
// main window built.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bench/bench_window.h"
#include "frontend/controls.h"
#include "frontend/loading.h"
#include "frontend/run_control.h"

namespace {

constexpr int32_t kSourceLines = 2000;

// A 2,000-line source without warnings: a comment, then labelled runs of IAC
// with comments, and a JUN back to the start; every step moves the current
// line down by one.
std::string WriteSource(const std::string& name) {
    const std::string path =
        (std::filesystem::temp_directory_path() / (name + std::to_string(::getpid()) + ".asm"))
            .string();
    std::ofstream file(path);
    file << "; a long source for the benchmarks\n";
    for (int32_t line = 1; line < kSourceLines - 1; ++line) {
        if (line % 20 == 1) {
            file << "L" << line << ":   IAC             ; a labelled line\n";
        } else {
            file << "        IAC             ; line " << line << "\n";
        }
    }
    file << "        JUN L1\n";
    return path;
}

// LoadProgramPath with its Source window, and the painting it causes, two
// files in turn so that every load is of another program. The first load,
// which opens the window, is taken on its own (`first_open_ms`).
void BM_OpenSourceWithItsWindow(benchmark::State& bench) {
    BenchWindow window;
    if (!window.Open()) {
        bench.SkipWithError("the main window could not be opened and painted");
        return;
    }
    const std::string paths[2] = {WriteSource("quodlet_bench_a"), WriteSource("quodlet_bench_b")};
    const auto start = std::chrono::steady_clock::now();
    LoadProgramPath(*window.workbench, window.layer, paths[1]);
    QCoreApplication::processEvents();
    bench.counters["first_open_ms"] =
        1000.0 * SecondsBetween(start, std::chrono::steady_clock::now());
    if (window.layer.CountLines(SourceControl::kLines) != kSourceLines) {
        bench.SkipWithError("the source did not reach its window");
        return;
    }
    int32_t next = 0;
    for (auto _ : bench) {
        LoadProgramPath(*window.workbench, window.layer, paths[next]);
        QCoreApplication::processEvents();
        next = 1 - next;
    }
    for (const std::string& path : paths) std::filesystem::remove(path);
}

// One Step with the main window and the Source window both repainting.
void BM_StepWithSourceWindow(benchmark::State& bench) {
    BenchWindow window;
    if (!window.Open()) {
        bench.SkipWithError("the main window could not be opened and painted");
        return;
    }
    const std::string path = WriteSource("quodlet_bench_step");
    LoadProgramPath(*window.workbench, window.layer, path);
    QCoreApplication::processEvents();
    for (auto _ : bench) {
        StepCommand(*window.workbench, window.layer);
        QCoreApplication::processEvents();
    }
    if (window.workbench->currentLine < 0) bench.SkipWithError("no current line was marked");
    std::filesystem::remove(path);
}

}  // namespace

BENCHMARK(BM_OpenSourceWithItsWindow)->UseRealTime()->MinTime(0.5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepWithSourceWindow)->UseRealTime()->MinTime(0.5)->Unit(benchmark::kMicrosecond);
