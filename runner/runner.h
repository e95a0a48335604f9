#pragma once
// Running a program from the command line: the machine is loaded as the
// window loads a file, reset, and run under its own rules with the runner's
// extra stops (a step count, an address to run until, breakpoints, the
// MCS-4 system's optional stops, an interrupt), optionally tracing every
// instruction. Then the state reached is written as readable text or as one
// JSON object (runner/state_json.h).

#include <csignal>
#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "core/busicom.h"
#include "core/cpus.h"
#include "core/machine_state.h"
#include "core/mcs4.h"
#include "core/messages.h"
#include "core/run_loop.h"
#include "debug/debug_run.h"
#include "display/symbols.h"
#include "runner/state_json.h"

// The tool's exit status for a stop: 2 for an instruction the compatible
// machine does not execute, 130 for an interrupt, 0 for every other end.
int StopExitCode(RunStop stop);

inline constexpr int64_t kNoStepLimit = std::numeric_limits<int64_t>::max();

struct RunOptions {
    int64_t maxSteps = kNoStepLimit;  // at most this many instructions
    std::optional<int32_t> until;     // 0..0xFFF
    std::vector<int32_t> breaks;      // each 0..0xFFF
    DebugStops stops;                 // the MCS-4 system's optional stops
    bool trace = false;               // one line per instruction to the trace stream
    // The program's labels, for the trace: its operands named as the
    // listing names them, and a "LABEL:" line before an instruction at a
    // label. Null or empty: none.
    const ProgramSymbols* symbols = nullptr;
};

// Puts a program image into ROM from address 0 as the window's File > Open
// does (at most 65536 bytes are taken) and returns the program's length,
// the image's size.
int32_t LoadImage(MachineState& state, std::span<const uint8_t> image);
// The same for the MCS-4 system's ROM, as the board wires it (at most 4096
// bytes are taken).
void LoadImage(Mcs4State& state, Mcs4Board board, std::span<const uint8_t> image);

// Runs from the state as it is (the caller resets it). An address of
// `until` or `breaks` stops the run before the instruction there, once at
// least one instruction was executed; addresses outside 0..0xFFF are never
// reached and are ignored. With options.trace, every instruction executed
// writes one line to `trace`, after a "LABEL:" line at a label. The interrupt flag, when given, is
// read before every instruction. `running` is 0 afterwards. The compatible machine also stops under
// the Run's rules (programLength, 0xFFF, an instruction it does not execute); the MCS-4 system runs
// until a stop.
RunOutcome RunMachine(MachineState& state, int32_t programLength, const RunOptions& options,
                      Messages& messages, std::ostream& trace,
                      const volatile std::sig_atomic_t* interrupted = nullptr);
RunOutcome RunMachine(Mcs4State& state, Mcs4Board board, const RunOptions& options,
                      std::ostream& trace, const volatile std::sig_atomic_t* interrupted = nullptr);

// Runs the Busicom board from the state as it is, pressing `inputs` one
// after another with fixed timing: a key goes down when the program's idle
// loop begins a keyboard scan after a whole scan of it with no key down,
// and stays down until the program reads its column. The run ends with
// RunStop::Idle once the last key is up and the idle loop has begun 8
// scans with nothing printed after the one that took the last key; with
// RunStop::Stuck when for 60 s of machine time the idle loop begins no scan
// without a key down (a key is never read, or nothing scans); or at one of
// the runner's stops. Every line the paper was fed by
// meanwhile is added to `tape`.
RunOutcome RunBusicomKeys(Mcs4State& state, std::span<const BusicomInput> inputs,
                          std::vector<BusicomLine>& tape, const RunOptions& options,
                          std::ostream& trace,
                          const volatile std::sig_atomic_t* interrupted = nullptr);

// The registers, accumulator, carry and RAM characters that differ between
// two states, as "R3=7 A=2 C=1 M[12]=5" (values and RAM addresses in hex;
// the MCS-4 system's RAM as M[bank:address]); empty when none differ.
std::string DescribeChanges(const MachineState& before, const MachineState& after);
std::string DescribeChanges(const Mcs4State& before, const Mcs4State& after);

// The state reached, one line per item, hex as the window shows it.
std::string StateText(const MachineState& state, const RunOutcome& outcome);
std::string StateText(const Mcs4State& state, const RunOutcome& outcome);
