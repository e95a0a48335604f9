// The figures a user feels in the real window: how fast a Run goes against
// the bare core, how responsive the window stays during it, and what one
// Step with its refresh costs. All on the real QtLayer with the real main
// window built.

#include "bench/bench_window.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench/bench_programs.h"
#include "debug/history.h"
#include "display/symbols.h"
#include "frontend/app.h"
#include "frontend/controls.h"
#include "frontend/run_control.h"

using Clock = std::chrono::steady_clock;

bool BenchLayer::IsKeyDown(int32_t keyCode) {
    if (keyCode == KeyCode::kEscape && ++escapePolls > escapeHeldAfter) {
        QtLayer::IsKeyDown(keyCode);
        return true;
    }
    return QtLayer::IsKeyDown(keyCode);
}

std::string BenchLayer::OpenFileDialog(const std::string&, const std::string&, const std::string&) {
    return dialogAnswer;
}

namespace {

// Watches every event the application delivers.
class EventWatch : public QObject {
public:
    explicit EventWatch(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
    ~EventWatch() override { qApp->removeEventFilter(this); }
    EventWatch(const EventWatch&) = delete;
    EventWatch& operator=(const EventWatch&) = delete;

    // Starts measuring gaps from `start`, as if an event had been seen then.
    void Restart(Clock::time_point start) {
        last = start;
        longestGap = Clock::duration::zero();
        events = 0;
        paints = 0;
    }

    Clock::time_point last{};
    Clock::duration longestGap{};
    int64_t events = 0;
    int64_t paints = 0;  // paint events of the main window or its controls

    bool eventFilter(QObject* watched, QEvent* event) override {
        const Clock::time_point now = Clock::now();
        longestGap = std::max(longestGap, now - last);
        last = now;
        ++events;
        if (event->type() == QEvent::Paint && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->window() == window_) {
            ++paints;
        }
        return false;
    }

private:
    QWidget* window_;
};

}  // namespace

bool WaitForFirstPaint(QtLayer& layer, std::chrono::milliseconds limit) {
    QWidget* window = layer.MainWindowForTests();
    if (window == nullptr) return false;
    EventWatch watch(window);
    bool late = false;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &guard, [&late] { late = true; });
    guard.start(limit);
    // As the event loop waits: sleeping until something happens.
    while (watch.paints == 0 && !late) {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return watch.paints > 0;
}

bool BenchWindow::Open() {
    if (!StartMainWindow(*workbench, layer)) return false;
    return WaitForFirstPaint(layer, std::chrono::seconds(5));
}

namespace {

// Drives the lamps: port 1 takes the accumulator as it counts, so the lamps
// change after every second instruction.
//   000 FIM P0 40   src address 40: RAM output port 1
//   002 SRC P0
//   003 IAC
//   004 WMP
//   005 JUN 003
std::vector<int32_t> LampCounter() {
    return {0x20, 0x40, 0x21, 0xF2, 0xE1, 0x40, 0x03};
}

// The Run command on an endless program below programLength, Escape held
// after `steps` instructions: one Run per iteration, timed from the call to
// its return (the final refresh included). The bare core runs the same
// program for as many instructions right after, for the ratio.
void RunInWindow(benchmark::State& bench, const std::vector<int32_t>& program,
                 MachineKind machine = MachineKind::Compatible) {
    const int64_t steps = bench.range(0);
    BenchWindow window;
    if (!window.Open()) {
        bench.SkipWithError("the main window could not be opened and painted");
        return;
    }
    Workbench& workbench = *window.workbench;
    PlaceProgram(workbench.state, program);
    SelectMachine(workbench, window.layer, machine);
    SyncMcs4Rom(workbench);
    workbench.mcs4.test = 1;  // as in its bare core's run
    bool allRan = true;
    const auto run = [&] {
        workbench.state.pc = 0;
        workbench.mcs4.stack[static_cast<size_t>(workbench.mcs4.sp)] = 0;
        workbench.programLength = 32;
        window.layer.HoldEscapeAfter(steps / kSnapshotInterval);
        const int64_t pollsBefore = window.layer.escapePolls;
        const Clock::time_point start = Clock::now();
        RunProgram(workbench, window.layer);
        const double seconds = SecondsBetween(start, Clock::now());
        // One poll per event take; the one that saw Escape ran no instruction.
        allRan = allRan && window.layer.escapePolls - pollsBefore - 1 == steps / kSnapshotInterval;
        return seconds;
    };
    MeasureAgainstCore(bench, static_cast<double>(steps), run, [&program, steps, machine] {
        return IsMcs4(machine) ? Mcs4CoreSeconds(program, steps) : CoreSeconds(program, steps);
    });
    if (!allRan) bench.SkipWithError("a Run ended before Escape");
}

void BM_RunInWindow(benchmark::State& bench) {
    RunInWindow(bench, JunLoop());
}
// The MCS-4 system's Run in the window against its own bare core.
void BM_Mcs4RunInWindow(benchmark::State& bench) {
    RunInWindow(bench, JunLoop(), MachineKind::Mcs4);
}
void BM_RunInWindowLamps(benchmark::State& bench) {
    RunInWindow(bench, LampCounter());
}

// A Run of the endless JUN loop until an Escape press, posted to the window
// by another thread as a keyboard would deliver it. Meanwhile a 1 ms timer
// keeps something to process and asks a lamp to repaint, so every pump has
// work. Figures per iteration: the longest stretch without any event being
// processed, the delay from the press to the return of RunProgram (the
// iteration's time), and how many paints the window saw.
void BM_RunResponsiveness(benchmark::State& bench) {
    BenchWindow window;
    if (!window.Open()) {
        bench.SkipWithError("the main window could not be opened and painted");
        return;
    }
    Workbench& workbench = *window.workbench;
    PlaceProgram(workbench.state, JunLoop());
    QWidget* mainWindow = window.layer.MainWindowForTests();
    QWidget* lamp = window.layer.ControlWidgetForTests(Control::kFirstLamp);
    QTimer busy;
    QObject::connect(&busy, &QTimer::timeout, lamp, [lamp] { lamp->update(); });
    busy.start(1);
    EventWatch watch(mainWindow);
    Clock::duration longestGap{};
    Clock::duration longestDelay{};
    int64_t paints = 0;
    double runSeconds = 0;
    int64_t round = 0;
    for (auto _ : bench) {
        workbench.state.pc = 0;
        workbench.programLength = 32;
        // The press comes 100..180 ms into the Run, at a different phase of
        // the pump interval each time.
        const auto pressAfter = std::chrono::milliseconds(100 + 17 * (round++ % 5));
        Clock::time_point pressed{};
        const Clock::time_point start = Clock::now();
        watch.Restart(start);
        // Made here: a key event looks up the keyboard device, a QObject
        // that must belong to this thread. Posting hands it over.
        auto press = std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        std::thread keyboard([mainWindow, pressAfter, start, &pressed, &press] {
            std::this_thread::sleep_until(start + pressAfter);
            pressed = Clock::now();
            QCoreApplication::postEvent(mainWindow, press.release());
        });
        RunProgram(workbench, window.layer);
        const Clock::time_point end = Clock::now();
        keyboard.join();  // `pressed` is written before the event is posted
        longestGap = std::max(longestGap, watch.longestGap);
        longestDelay = std::max(longestDelay, end - pressed);
        paints += watch.paints;
        runSeconds += SecondsBetween(start, end);
        bench.SetIterationTime(SecondsBetween(pressed, end));
        // Let the key go again, then settle before the next round.
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(mainWindow, &release);
        QCoreApplication::processEvents();
    }
    bench.counters["max_gap_ms"] = std::chrono::duration<double, std::milli>(longestGap).count();
    bench.counters["max_escape_ms"] =
        std::chrono::duration<double, std::milli>(longestDelay).count();
    bench.counters["paints_per_s"] = static_cast<double>(paints) / runSeconds;
}

// What a step does to the listing and the RAM dump.
enum class StepCase {
    Follows,  // the listing only moves its selection
    Rebuilt,  // every step leaves the listing, which is rebuilt
    RamDump,  // the listing follows; every second step changes the RAM dump
    Named,    // Rebuilt with a label on every line and in every operand
};

// One Step command (StepInstruction, RefreshDisplay, FollowPc) on the real
// window, optionally followed by the painting it causes.
void BM_StepCommand(benchmark::State& bench) {
    const auto stepCase = static_cast<StepCase>(bench.range(0));
    const bool paint = bench.range(1) != 0;
    BenchWindow window;
    if (!window.Open()) {
        bench.SkipWithError("the main window could not be opened and painted");
        return;
    }
    Workbench& workbench = *window.workbench;
    std::vector<int32_t> program;
    switch (stepCase) {
        case StepCase::Follows:
            // 30 NOPs and JUN 000: every address stays in the 32-line listing.
            program.assign(0x1E, 0x00);
            program.insert(program.end(), {0x40, 0x00});
            break;
        case StepCase::Rebuilt:
        case StepCase::Named:
            // 000 JUN 800 and 800 JUN 000: every step leaves the listing.
            program.assign(0x802, 0x00);
            program[0x000] = 0x48;
            program[0x800] = 0x40;
            break;
        case StepCase::RamDump:
            // IAC, WRM fifteen times, JUN 000: each WRM writes a new value
            // into RAM character 00.
            for (int i = 0; i < 15; ++i) program.insert(program.end(), {0xF2, 0xE0});
            program.insert(program.end(), {0x40, 0x00});
            break;
    }
    PlaceProgram(workbench.state, program);
    if (stepCase == StepCase::Named) {
        std::vector<CodeLabel> labels;
        for (int32_t page = 0; page <= 0x800; page += 0x800) {
            for (int32_t k = 0; k < 32; ++k)
                labels.push_back({page + k, "L" + std::to_string(page + k)});
        }
        workbench.symbols = ProgramSymbols(std::move(labels), {});
    }
    ResetCpuCommand(workbench, window.layer);
    // One step beforehand shows that the listing does what this case needs.
    const std::string firstLine = window.layer.GetLine(Control::kCodeListing, 0);
    StepCommand(workbench, window.layer);
    const bool rebuilt = window.layer.GetLine(Control::kCodeListing, 0) != firstLine;
    if (rebuilt != (stepCase == StepCase::Rebuilt || stepCase == StepCase::Named)) {
        bench.SkipWithError("the listing did not behave as this case needs");
        return;
    }
    QCoreApplication::processEvents();
    EventWatch watch(window.layer.MainWindowForTests());
    watch.Restart(Clock::now());
    for (auto _ : bench) {
        StepCommand(workbench, window.layer);
        if (paint) QCoreApplication::processEvents();
    }
    if (paint && watch.paints == 0) bench.SkipWithError("nothing was painted");
    bench.counters["paints_per_step"] =
        static_cast<double>(watch.paints) / static_cast<double>(bench.iterations());
}

}  // namespace

BENCHMARK(BM_RunInWindow)
    ->Arg(1 << 24)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mcs4RunInWindow)
    ->Arg(1 << 24)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunInWindowLamps)
    ->Arg(1 << 22)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RunResponsiveness)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepCommand)
    ->ArgNames({"case", "paint"})
    ->ArgsProduct({{0, 1, 2, 3}, {0, 1}})
    ->UseRealTime()
    ->MinTime(0.3)
    ->Unit(benchmark::kMicrosecond);
