// Start-up and memory, measured on a fresh process: the benchmark starts a
// copy of itself as a probe, which does what the program does up to its
// event loop, waits for the window's first paint and reports when that
// happened; then it loads a 64 KiB program image through the real loader,
// runs it to its bound and reports its peak resident memory.

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <system_error>

#include "bench/bench_window.h"
#include "frontend/app.h"
#include "frontend/loading.h"
#include "frontend/run_control.h"

extern char** environ;

namespace {

int64_t MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// 64 KiB of one-byte instructions that run without a fault: NOP, IAC,
// LDM 5, XCH R3, INC R3, RAL, over and over.
bool WriteLargeImage(const std::string& path) {
    constexpr unsigned char kPattern[] = {0x00, 0xF2, 0xD5, 0xB3, 0x63, 0xF5};
    std::ofstream file(path, std::ios::binary);
    for (int32_t i = 0; i < 65536; ++i) {
        file.put(static_cast<char>(kPattern[static_cast<size_t>(i) % sizeof kPattern]));
    }
    return static_cast<bool>(file);
}

struct ProbeResult {
    bool ok = false;
    double startupMs = 0;
    double peakMb = 0;
    std::string failure;
};

// Starts the probe with its output on a pipe and reads its two lines.
ProbeResult RunProbe() {
    ProbeResult result;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        result.failure = "no pipe";
        return result;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    char program[] = "/proc/self/exe";
    char flag[sizeof kStartupProbeFlag];
    std::copy(std::begin(kStartupProbeFlag), std::end(kStartupProbeFlag), flag);
    char* arguments[] = {program, flag, nullptr};
    pid_t child = 0;
    const int64_t started = MonotonicNanoseconds();
    const int spawned = posix_spawn(&child, program, &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    std::string output;
    char buffer[256];
    for (ssize_t got = 0; (got = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) {
        output.append(buffer, static_cast<size_t>(got));
    }
    close(pipeEnds[0]);
    if (spawned != 0) {
        result.failure = "the probe could not be started";
        return result;
    }
    int status = 0;
    waitpid(child, &status, 0);
    std::istringstream lines(output);
    std::string word;
    int64_t painted = 0;
    int64_t peakKb = 0;
    while (lines >> word) {
        if (word == "painted") lines >> painted;
        if (word == "peak_kb") lines >> peakKb;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || painted == 0 || peakKb == 0) {
        result.failure = "the probe failed: " + output;
        return result;
    }
    result.ok = true;
    result.startupMs = static_cast<double>(painted - started) / 1e6;
    result.peakMb = static_cast<double>(peakKb) / 1024.0;
    return result;
}

void BM_StartUp(benchmark::State& bench) {
    double totalMs = 0;
    double peakMb = 0;
    for (auto _ : bench) {
        const ProbeResult probe = RunProbe();
        if (!probe.ok) {
            bench.SkipWithError(probe.failure.c_str());
            return;
        }
        bench.SetIterationTime(probe.startupMs / 1000.0);
        totalMs += probe.startupMs;
        peakMb = std::max(peakMb, probe.peakMb);
    }
    bench.counters["startup_ms"] = totalMs / static_cast<double>(bench.iterations());
    bench.counters["peak_MB"] = peakMb;
}

}  // namespace

int StartupProbeMain(int, char**) {
    BenchWindow window;
    // What main and RunQuodlet do up to the event loop, then the first paint.
    if (!window.Open()) return 1;
    std::printf("painted %lld\n", static_cast<long long>(MonotonicNanoseconds()));
    std::fflush(stdout);

    std::error_code error;
    const std::filesystem::path image = std::filesystem::temp_directory_path(error) /
                                        ("quodlet_bench_" + std::to_string(getpid()) + ".bin");
    if (error || !WriteLargeImage(image.string())) return 1;
    window.layer.dialogAnswer = image.string();
    Workbench& workbench = *window.workbench;
    LoadProgramFile(workbench, window.layer);
    std::filesystem::remove(image, error);
    if (workbench.programLength != 65536) return 1;
    ResetCpuCommand(workbench, window.layer);
    RunProgram(workbench, window.layer);
    if (workbench.state.pc != 0xFFF) return 1;

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak_kb %ld\n", usage.ru_maxrss);  // kilobytes on Linux
    return 0;
}

BENCHMARK(BM_StartUp)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);
