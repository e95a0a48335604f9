#pragma once
// Running a program from the command line: the machine is loaded as the
// window loads a file, reset, and run under the Run's own rules with the
// runner's extra stops (a step count, an address to run until, breakpoints,
// an interrupt), optionally tracing every instruction. Then the state reached
// is written as readable text or as one JSON object.

#include <array>
#include <csignal>
#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/machine_state.h"
#include "core/messages.h"
#include "core/run_loop.h"

// The tool's exit status for a stop: 0 for the four ordinary ends, 2 for an
// instruction not executed, 130 for an interrupt.
int StopExitCode(RunStop stop);

inline constexpr int64_t kNoStepLimit = std::numeric_limits<int64_t>::max();

struct RunOptions {
    int64_t maxSteps = kNoStepLimit;  // at most this many instructions
    std::optional<int32_t> until;     // 0..0xFFF
    std::vector<int32_t> breaks;      // each 0..0xFFF
    bool trace = false;               // one line per instruction to the trace stream
};

struct RunOutcome {
    RunStop stop = RunStop::Bound;
    int64_t instructions = 0;  // how many were executed
};

// Puts a program image into ROM from address 0 as the window's File > Open
// does (at most 65536 bytes are taken) and returns the program's length,
// the image's size.
int32_t LoadImage(MachineState& state, std::span<const uint8_t> image);

// Runs from the state as it is (the caller resets it). An address of
// `until` or `breaks` stops the run before the instruction there, once at
// least one instruction was executed; addresses outside 0..0xFFF are never
// reached and are ignored. With options.trace, every instruction executed
// writes one line to `trace`. The interrupt flag, when given, is read
// before every instruction. state.running is 0 afterwards.
RunOutcome RunMachine(MachineState& state, int32_t programLength, const RunOptions& options,
                      Messages& messages, std::ostream& trace,
                      const volatile std::sig_atomic_t* interrupted = nullptr);

// The registers, accumulator, carry and RAM characters that differ between
// two states, as "R3=7 A=2 C=1 M[12]=5" (values and RAM addresses in hex);
// empty when none differ.
std::string DescribeChanges(const MachineState& before, const MachineState& after);

// The state reached, one line per item, hex as the window shows it.
std::string StateText(const MachineState& state, const RunOutcome& outcome);

// The state reached as one JSON object on one line (no line end): stop,
// instructions, every scalar but `running` by its field name, and every
// array but the program memory with all its entries.
std::string StateJson(const MachineState& state, const RunOutcome& outcome);
