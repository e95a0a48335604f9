#include "runner/runner.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <string>
#include <type_traits>

#include "core/hex.h"
#include "core/run_loop.h"
#include "debug/breakpoints.h"
#include "display/disassembler.h"
#include "display/opcode_tables.h"

namespace {

// The column a trace line's changes start in: wide enough for the longest
// listing text of an instruction ("000 50 30 JMS 030").
constexpr size_t kTraceTextWidth = 20;

// Before every instruction: the interrupt flag, the step count and the stop
// addresses; with tracing, the instruction's listing text and the state it
// starts from. A template on tracing, so that a run without it pays nothing
// for it.
template <bool kTrace>
struct RunnerObserver {
    RunnerObserver(const Breakpoints& breakpoints, int32_t untilAddress, int64_t stepLimit,
                   const volatile std::sig_atomic_t* interruptFlag)
        : breaks(breakpoints),
          until(untilAddress),
          maxSteps(stepLimit),
          interrupted(interruptFlag) {}

    const Breakpoints& breaks;
    int32_t until;  // -1 for none
    int64_t maxSteps;
    const volatile std::sig_atomic_t* interrupted;
    // Tracing only.
    std::ostream* trace = nullptr;
    const OpcodeTables* tables = nullptr;
    std::unique_ptr<MachineState> before;
    std::string line;

    RunStop StopBefore(const MachineState& state, int64_t executed) {
        if (*interrupted != 0) [[unlikely]]
            return RunStop::Interrupted;
        if (executed >= maxSteps) [[unlikely]]
            return RunStop::Steps;
        // --until names the stop when it shares its address with a breakpoint.
        if (executed > 0 && (state.pc == until || HasBreakpoint(breaks, state.pc))) [[unlikely]] {
            return state.pc == until ? RunStop::Until : RunStop::Breakpoint;
        }
        if constexpr (kTrace) {
            int32_t address = state.pc;
            line = DisassembleLine(state, *tables, address);
            // Only what a trace line reports is compared afterwards.
            before->indexRegisters = state.indexRegisters;
            before->accumulator = state.accumulator;
            before->carry = state.carry;
            before->ramCharacters = state.ramCharacters;
        }
        return RunStop::None;
    }

    void AfterStep(const MachineState& state) {
        if constexpr (kTrace) {
            const std::string changes = DescribeChanges(*before, state);
            if (!changes.empty()) {
                line.resize(std::max(line.size() + 1, kTraceTextWidth), ' ');
                line += changes;
            }
            line += '\n';
            *trace << line;
        }
    }
};

template <bool kTrace>
RunOutcome RunWith(RunnerObserver<kTrace>& observer, MachineState& state, int32_t programLength,
                   Messages& messages) {
    RunOutcome outcome;
    outcome.stop = RunInstructions(state, messages, programLength, observer, outcome.instructions);
    state.running = 0;
    return outcome;
}

// The entries first..first+count-1 of an array as hex values separated by
// blanks, each padded to `width` digits.
template <size_t N>
std::string HexList(const std::array<int32_t, N>& values, size_t first, size_t count,
                    int32_t width) {
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

RunOutcome RunMachine(MachineState& state, int32_t programLength, const RunOptions& options,
                      Messages& messages, std::ostream& trace,
                      const volatile std::sig_atomic_t* interrupted) {
    const volatile std::sig_atomic_t notInterrupted = 0;
    if (interrupted == nullptr) interrupted = &notInterrupted;

    auto breaks = std::make_unique<Breakpoints>();
    for (const int32_t address : options.breaks) SetBreakpoint(*breaks, address, true);
    const int32_t until = options.until.value_or(-1);

    if (!options.trace) {
        RunnerObserver<false> observer(*breaks, until, options.maxSteps, interrupted);
        return RunWith(observer, state, programLength, messages);
    }
    auto tables = std::make_unique<OpcodeTables>();
    FillOpcodeTables(*tables);
    RunnerObserver<true> observer(*breaks, until, options.maxSteps, interrupted);
    observer.trace = &trace;
    observer.tables = tables.get();
    observer.before = std::make_unique<MachineState>();
    const RunOutcome outcome = RunWith(observer, state, programLength, messages);
    trace.flush();
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

std::string StateJson(const MachineState& state, const RunOutcome& outcome) {
    std::string json = "{\"stop\":\"";
    json += StopWord(outcome.stop);
    json += "\",\"instructions\":";
    json += std::to_string(outcome.instructions);
    ForEachField(state, [&json](const auto& field, const auto& value) {
        if (field.role == FieldRole::Program || field.role == FieldRole::Control) return;
        json += ",\"";
        json += field.name;
        json += "\":";
        if constexpr (std::is_arithmetic_v<std::remove_cvref_t<decltype(value)>>) {
            json += std::to_string(value);
        } else {
            json += '[';
            for (size_t i = 0; i < value.size(); ++i) {
                if (i != 0) json += ',';
                json += std::to_string(value[i]);
            }
            json += ']';
        }
    });
    json += '}';
    return json;
}
