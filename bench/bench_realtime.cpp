// A Run that keeps real time, as a user pressing the calculator's keys by
// hand runs it: 1x the chip's pace on the Busicom 141-PF board, in the real
// window. Over 10 seconds of the wall clock, the cycles executed must make
// 10 seconds of the chip's time (within 0.2 s), and the process must leave
// the processor alone between its waits (below 20 % of one core).

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <QTimer>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "bench/bench_programs.h"
#include "bench/bench_window.h"
#include "frontend/loading.h"
#include "frontend/run_control.h"

namespace {

using Clock = std::chrono::steady_clock;

double ProcessorSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The calculator's program when it is beside the project; else an endless
// loop on the plain MCS-4 system, which keeps real time all the same.
void RealTimeRun(benchmark::State& bench) {
    constexpr auto kWall = std::chrono::seconds(10);
    BenchWindow window;
    if (!window.Open()) {
        bench.SkipWithError("the main window could not be opened and painted");
        return;
    }
    Workbench& workbench = *window.workbench;
    const std::string rom = std::string(QUODLET_ROMS_DIR) + "/busicom_141-PF.bin";
    if (std::filesystem::exists(rom)) {
        SelectMachine(workbench, window.layer, MachineKind::Busicom);
        LoadProgramPath(workbench, window.layer, rom);
        bench.SetLabel("Busicom 141-PF program");
    } else {
        PlaceProgram(workbench.state, JunLoop());
        SelectMachine(workbench, window.layer, MachineKind::Mcs4);
        bench.SetLabel("endless JUN (no calculator ROM at " + rom + ")");
    }
    workbench.speed = 1;
    for (auto _ : bench) {
        const int64_t cyclesBefore = workbench.mcs4.cycles;
        const double processorBefore = ProcessorSeconds();
        const Clock::time_point start = Clock::now();
        // Escape "held" once the wall clock has run its 10 seconds: the Run
        // meets it at its next look, within the pace timer's period.
        QTimer::singleShot(kWall, Qt::PreciseTimer, [&window] { window.layer.HoldEscapeAfter(0); });
        RunProgram(workbench, window.layer);
        const double wall = std::chrono::duration<double>(Clock::now() - start).count();
        const double chip =
            static_cast<double>(workbench.mcs4.cycles - cyclesBefore) * kMcs4CycleNanoseconds / 1e9;
        bench.counters["wall_s"] = wall;
        bench.counters["chip_s"] = chip;
        bench.counters["chip_minus_wall_s"] = chip - wall;
        bench.counters["cpu_percent"] = 100.0 * (ProcessorSeconds() - processorBefore) / wall;
        window.layer.escapeHeldAfter = std::numeric_limits<int64_t>::max();
    }
}
BENCHMARK(RealTimeRun)
    ->Name("BM_RealTimeRun")
    ->Iterations(1)
    ->Repetitions(1)
    ->Unit(benchmark::kSecond);

}  // namespace
