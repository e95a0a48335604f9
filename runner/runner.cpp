#include "runner/runner.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "core/hex.h"
#include "core/run_loop.h"
#include "debug/breakpoints.h"
#include "display/disassembler.h"
#include "display/opcode_tables.h"

namespace {

// The column a trace line's changes start in: wide enough for the longest
// listing text of an instruction ("000 50 30 JMS 030").
constexpr size_t kTraceTextWidth = 20;

// What a trace line compares: the registers, the accumulator, the carry
// and the RAM characters, copied before each instruction.
void CopyTraced(const MachineState& from, MachineState& to) {
    to.indexRegisters = from.indexRegisters;
    to.accumulator = from.accumulator;
    to.carry = from.carry;
    to.ramCharacters = from.ramCharacters;
}
void CopyTraced(const Mcs4State& from, Mcs4State& to) {
    to.regs = from.regs;
    to.acc = from.acc;
    to.cy = from.cy;
    to.ram = from.ram;
}

// A run with nothing to do besides the runner's stops.
struct NoExtra {};

// Before every instruction: the interrupt flag, the step count, the
// extra's own stops (it may change the state: the Busicom's keys), the stop
// addresses and the MCS-4 system's optional stops; with tracing, the
// instruction's listing text and the state it starts from. A template on
// the machine, the extra and tracing, so that a run without them pays
// nothing for them.
template <typename Cpu, bool kTrace, typename Extra = NoExtra>
struct RunnerObserver {
    using State = typename Cpu::State;
    RunnerObserver(const Breakpoints& breakpoints, const RunOptions& options,
                   const volatile std::sig_atomic_t* interruptFlag, Extra* extraStops)
        : extra(extraStops),
          breaks(breakpoints),
          until(options.until.value_or(-1)),
          maxSteps(options.maxSteps),
          stops(options.stops),
          anyStop(stops.undefinedOpcode || stops.stackOverflow),
          interrupted(interruptFlag) {}

    Extra* extra;
    const Breakpoints& breaks;
    int32_t until;  // -1 for none
    int64_t maxSteps;
    DebugStops stops;
    bool anyStop;
    const volatile std::sig_atomic_t* interrupted;
    // Tracing only.
    std::ostream* trace = nullptr;
    const OpcodeTables* tables = nullptr;
    const ProgramSymbols* symbols = nullptr;  // null when there are none
    std::unique_ptr<State> before;
    std::string label;  // "LABEL:" and a line end, or empty
    std::string line;

    RunStop StopBefore(State& state, int64_t executed) {
        if (*interrupted != 0) [[unlikely]]
            return RunStop::Interrupted;
        if (executed >= maxSteps) [[unlikely]]
            return RunStop::Steps;
        if constexpr (!std::is_same_v<Extra, NoExtra>) {
            if (const RunStop stop = extra->StopBefore(state); stop != RunStop::None) return stop;
        }
        const int32_t pc = Cpu::Pc(state);
        if (executed > 0) [[likely]] {
            // --until names the stop when it shares its address with a breakpoint.
            if (pc == until || HasBreakpoint(breaks, pc)) [[unlikely]] {
                return pc == until ? RunStop::Until : RunStop::Breakpoint;
            }
            if (anyStop) [[unlikely]] {
                if (const RunStop stop = OptionalStop<Cpu>(state, stops); stop != RunStop::None) {
                    return stop;
                }
            }
        }
        if constexpr (kTrace) {
            int32_t address = pc;
            label.clear();
            if (symbols != nullptr) {
                if (const std::string* name = symbols->LabelAt(pc)) label = *name + ":\n";
            }
            line = DisassembleLine(ViewOf(state), *tables, address, symbols, false);
            CopyTraced(state, *before);
        }
        return RunStop::None;
    }

    void AfterStep(const State& state) {
        if constexpr (kTrace) {
            std::string changes = DescribeChanges(*before, state);
            if constexpr (Cpu::kMcs4) {
                if (!changes.empty()) changes += ' ';
                changes += "cycles=" + std::to_string(state.cycles);
            }
            if (!changes.empty()) {
                line.resize(std::max(line.size() + 1, kTraceTextWidth), ' ');
                line += changes;
            }
            line += '\n';
            if (!label.empty()) *trace << label;
            *trace << line;
        }
    }
};

// Flattened, so that the step and the observer are inlined into the loop
// whatever the build: the runner keeps the bare core's pace only so.
template <typename Cpu, typename Extra = NoExtra>
[[gnu::flatten]] RunOutcome Run(typename Cpu::State& state, int32_t programLength,
                                const RunOptions& options, Messages& messages, std::ostream& trace,
                                const volatile std::sig_atomic_t* interrupted,
                                Extra* extra = nullptr) {
    const volatile std::sig_atomic_t notInterrupted = 0;
    if (interrupted == nullptr) interrupted = &notInterrupted;
    auto breaks = std::make_unique<Breakpoints>();
    for (const int32_t address : options.breaks) SetBreakpoint(*breaks, address, true);

    RunOutcome outcome;
    if (!options.trace) {
        RunnerObserver<Cpu, false, Extra> observer(*breaks, options, interrupted, extra);
        outcome.stop = Cpu::Run(state, messages, programLength, observer, outcome.instructions);
    } else {
        auto tables = std::make_unique<OpcodeTables>();
        FillOpcodeTables(*tables, Cpu::kMcs4);
        RunnerObserver<Cpu, true, Extra> observer(*breaks, options, interrupted, extra);
        observer.trace = &trace;
        observer.tables = tables.get();
        if (options.symbols != nullptr && !options.symbols->Empty()) {
            observer.symbols = options.symbols;
        }
        observer.before = std::make_unique<typename Cpu::State>();
        outcome.stop = Cpu::Run(state, messages, programLength, observer, outcome.instructions);
        trace.flush();
    }
    state.running = 0;
    return outcome;
}

// Presses the Busicom's keys with the runner's fixed timing: a key goes
// down as the idle loop begins a scan, once a whole scan of that loop has
// begun with no key down since the last key; it stays down until the
// program reads its column. Switch steps come just before the next key.
// Collects every line the paper is fed by, and ends the run once the last
// key is up and the idle loop has begun 8 scans with nothing printed, after
// the scan that took the last key.
struct BusicomKeying {
    // More machine time than any calculation takes (60 s) with no idle-loop
    // scan begun keyless and no key read: the program is not the
    // calculator's, or is lost.
    static constexpr int64_t kStuckCycles = 60'000'000'000 / 10'800;

    BusicomKeying(const Mcs4State& state, std::span<const BusicomInput> keys,
                  std::vector<BusicomLine>& lines)
        : inputs(keys),
          tape(lines),
          scans(state.idleScans),
          fed(state.linesPrinted),
          lastPress(state.idleScans),
          progressCycles(state.cycles) {}

    std::span<const BusicomInput> inputs;
    std::vector<BusicomLine>& tape;
    size_t next = 0;
    int64_t scans;           // idle-loop scans seen
    int64_t fed;             // lines seen fed
    bool keyless = false;    // a scan has begun with no key down since the last press
    int64_t lastPress;       // the idle-loop scan the last key went down at
    int64_t progressCycles;  // the cycle count at the last keyless scan or key read

    void Collect(const Mcs4State& state) {
        for (fed = std::max(fed, state.linesPrinted - kBusicomPaperLines); fed < state.linesPrinted;
             ++fed) {
            tape.push_back(*BusicomTapeLine(state, fed));
        }
    }

    RunStop StopBefore(Mcs4State& state) {
        if (state.linesPrinted != fed) [[unlikely]]
            Collect(state);
        if (state.idleScans == scans) [[likely]] {
            return state.cycles - progressCycles > kStuckCycles ? RunStop::Stuck : RunStop::None;
        }
        scans = state.idleScans;
        if (BusicomKeyDown(state)) {
            keyless = false;
            return RunStop::None;
        }
        progressCycles = state.cycles;
        if (!keyless) {
            keyless = true;
        } else if (next < inputs.size()) {
            for (; next < inputs.size() && inputs[next].key == nullptr; ++next) {
                StepBusicomSwitch(state, inputs[next].step);
            }
            if (next < inputs.size()) {
                PressBusicomKey(state, *inputs[next++].key);
                lastPress = scans;
                keyless = false;
                return RunStop::None;
            }
        }
        const bool done =
            next == inputs.size() && BusicomIdle(state) && scans - lastPress >= kBusicomIdleScans;
        return done ? RunStop::Idle : RunStop::None;
    }
};

// The MCS-4 system tells the user nothing while it runs.
struct NoMessages : Messages {
    void Show(const std::string& /*title*/, const std::string& /*text*/) override {}
};

// The entries first..first+count-1 of an array as hex values separated by
// blanks, each padded to `width` digits.
template <typename Values>
std::string HexList(const Values& values, size_t first, size_t count, int32_t width) {
    std::string text;
    for (size_t i = first; i < first + count; ++i) {
        if (i != first) text += ' ';
        text += PaddedHex(values[i], width);
    }
    return text;
}

}  // namespace

int StopExitCode(RunStop stop) {
    switch (stop) {
        case RunStop::Error: return 2;
        case RunStop::Interrupted: return 130;
        default: return 0;
    }
}

int32_t LoadImage(MachineState& state, std::span<const uint8_t> image) {
    const std::span<const uint8_t> program =
        image.first(std::min<size_t>(image.size(), kProgramBytes));
    std::copy(program.begin(), program.end(), state.RomImage.begin());
    return static_cast<int32_t>(program.size());
}

void LoadImage(Mcs4State& state, Mcs4Board board, std::span<const uint8_t> image) {
    const std::vector<int32_t> bytes(image.begin(),
                                     image.begin() + std::min<size_t>(image.size(), kMcs4RomBytes));
    LoadMcs4Rom(state, board, bytes.data(), static_cast<int32_t>(bytes.size()));
}

RunOutcome RunMachine(MachineState& state, int32_t programLength, const RunOptions& options,
                      Messages& messages, std::ostream& trace,
                      const volatile std::sig_atomic_t* interrupted) {
    return Run<CompatibleCpu>(state, programLength, options, messages, trace, interrupted);
}

RunOutcome RunMachine(Mcs4State& state, Mcs4Board board, const RunOptions& options,
                      std::ostream& trace, const volatile std::sig_atomic_t* interrupted) {
    NoMessages messages;
    switch (board) {
        case Mcs4Board::Exerciser:
            return Run<Mcs4Cpu<Mcs4Board::Exerciser>>(state, 0, options, messages, trace,
                                                      interrupted);
        case Mcs4Board::Busicom:
            return Run<Mcs4Cpu<Mcs4Board::Busicom>>(state, 0, options, messages, trace,
                                                    interrupted);
        case Mcs4Board::Plain: break;
    }
    return Run<Mcs4Cpu<Mcs4Board::Plain>>(state, 0, options, messages, trace, interrupted);
}

RunOutcome RunBusicomKeys(Mcs4State& state, std::span<const BusicomInput> inputs,
                          std::vector<BusicomLine>& tape, const RunOptions& options,
                          std::ostream& trace, const volatile std::sig_atomic_t* interrupted) {
    NoMessages messages;
    BusicomKeying keying(state, inputs, tape);
    const RunOutcome outcome =
        Run<Mcs4Cpu<Mcs4Board::Busicom>>(state, 0, options, messages, trace, interrupted, &keying);
    keying.Collect(state);
    return outcome;
}

std::string DescribeChanges(const MachineState& before, const MachineState& after) {
    std::string text;
    auto add = [&text](const std::string& item) {
        if (!text.empty()) text += ' ';
        text += item;
    };
    for (size_t r = 0; r < after.indexRegisters.size(); ++r) {
        if (before.indexRegisters[r] != after.indexRegisters[r]) {
            add("R" + std::to_string(r) + "=" + PlainHex(after.indexRegisters[r]));
        }
    }
    if (before.accumulator != after.accumulator) add("A=" + PlainHex(after.accumulator));
    if (before.carry != after.carry) add("C=" + PlainHex(after.carry));
    for (size_t m = 0; m < after.ramCharacters.size(); ++m) {
        if (before.ramCharacters[m] != after.ramCharacters[m]) {
            add("M[" + PaddedHex(static_cast<int32_t>(m), 2) +
                "]=" + PlainHex(after.ramCharacters[m]));
        }
    }
    return text;
}

std::string StateText(const MachineState& state, const RunOutcome& outcome) {
    std::string text;
    auto line = [&text](std::string_view name, const std::string& value) {
        text += name;
        text += ": ";
        text += value;
        text += '\n';
    };
    line("stop", std::string(StopWord(outcome.stop)));
    line("instructions", std::to_string(outcome.instructions));
    line("pc", PaddedHex(state.pc, 3));
    line("accumulator", PlainHex(state.accumulator));
    line("carry", PlainHex(state.carry));
    std::string registers;
    for (size_t r = 0; r < state.indexRegisters.size(); ++r) {
        if (r != 0) registers += ' ';
        registers += "R" + std::to_string(r) + "=" + PlainHex(state.indexRegisters[r]);
    }
    line("registers", registers);
    line("stack", HexList(state.addressStack, 0, 3, 3));
    line("stack pointer", PlainHex(state.stackPointer));
    line("src", PlainHex(state.src1) + PlainHex(state.src2));
    line("ram bank", PlainHex(state.ramBank));
    line("test", PlainHex(state.testFlag));
    line("ram status", HexList(state.ramStatus, 0, 4, 1));
    line("ram output ports", HexList(state.ramOutputPorts, 0, 4, 1));
    line("rom output ports", HexList(state.romOutputPorts, 0, 16, 1));
    for (size_t row = 0; row < 16; ++row) {
        line("ram " + PaddedHex(static_cast<int32_t>(row * 16), 2),
             HexList(state.ramCharacters, row * 16, 16, 1));
    }
    return text;
}

std::string DescribeChanges(const Mcs4State& before, const Mcs4State& after) {
    std::string text;
    auto add = [&text](const std::string& item) {
        if (!text.empty()) text += ' ';
        text += item;
    };
    for (size_t r = 0; r < after.regs.size(); ++r) {
        if (before.regs[r] != after.regs[r]) {
            add("R" + std::to_string(r) + "=" + PlainHex(after.regs[r]));
        }
    }
    if (before.acc != after.acc) add("A=" + PlainHex(after.acc));
    if (before.cy != after.cy) add("C=" + PlainHex(after.cy));
    for (size_t m = 0; m < after.ram.size(); ++m) {
        if (before.ram[m] != after.ram[m]) {
            add("M[" + PlainHex(static_cast<int32_t>(m >> 8)) + ":" +
                PaddedHex(static_cast<int32_t>(m & 0xFF), 2) + "]=" + PlainHex(after.ram[m]));
        }
    }
    return text;
}

std::string StateText(const Mcs4State& state, const RunOutcome& outcome) {
    std::string text;
    auto line = [&text](std::string_view name, const std::string& value) {
        text += name;
        text += ": ";
        text += value;
        text += '\n';
    };
    line("stop", std::string(StopWord(outcome.stop)));
    line("instructions", std::to_string(outcome.instructions));
    line("pc", PaddedHex(Mcs4Pc(state), 3));
    // Every field by the name --json gives it, each value in as many hex
    // digits as the field's widest; keyed arrays a line per group that is
    // not all zero, as "ram 1.2.3: ..." (bank, chip, register).
    ForEachField(state, [&](const auto& field, const auto& value) {
        if (field.role == FieldRole::Program || field.role == FieldRole::Control) return;
        const int32_t digits = static_cast<int32_t>(
            PlainHex(static_cast<int32_t>(std::min<int64_t>(field.largest, INT32_MAX))).size());
        if constexpr (std::is_arithmetic_v<std::remove_cvref_t<decltype(value)>>) {
            if (field.name == "cycles") {
                const auto microseconds = static_cast<int64_t>(static_cast<double>(value) *
                                                               kMcs4CycleNanoseconds / 1000.0);
                line(field.name, std::to_string(value) + " (" + std::to_string(microseconds) +
                                     " us at 740 kHz)");
            } else {
                line(field.name, PaddedHex(static_cast<int32_t>(value), digits));
            }
        } else if (field.keyed.group == 0) {
            line(field.name, HexList(value, 0, value.size(), digits));
        } else {
            const auto group = static_cast<size_t>(field.keyed.group);
            for (size_t start = 0; start < value.size(); start += group) {
                std::string entries;
                for (size_t k = start; k < start + group; ++k) entries += PlainHex(value[k]);
                if (entries == std::string(group, '0')) continue;
                line(std::string(field.name) + " " + KeyOfGroup(field.keyed, start / group),
                     entries);
            }
        }
    });
    return text;
}
