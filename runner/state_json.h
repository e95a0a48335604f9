#pragma once
// A machine's state as JSON, both ways: what `quodlet-run --json` prints
// and `--state` reads, so that a state printed by one run starts the next.
// The keys are the machine's field names (core/machine_state.h, core/mcs4.h),
// every field but program memory and `running`:
// - the compatible machine: every scalar as a number, every array as a list
//   of all its entries, spare ones included;
// - the MCS-4 system: the scalars and the lists `stack` [4], `regs` [16],
//   `bankSrc` [8], and `pc` (the register under `sp`) besides; `ram` and
//   `status` as objects keyed "bank.chip.register" with a string of 16 or 4
//   hex digits, character 0 first; `ramPorts` keyed "bank.chip", `romOut`
//   and `romIn` keyed by the chip, with numbers. Entries that are all zero
//   are left out.
// Printing adds "stop", "instructions" and, for the MCS-4 machines,
// "machine"; the runner adds the Busicom's "tape" and "red". Reading takes
// them all and ignores all but "machine".

#include <string>
#include <string_view>

#include "core/cpus.h"
#include "core/machine_state.h"
#include "core/mcs4.h"
#include "core/run_loop.h"

struct RunOutcome {
    RunStop stop = RunStop::Bound;
    int64_t instructions = 0;  // how many were executed
};

// One JSON object on one line, without a line end.
std::string StateJson(const MachineState& state, const RunOutcome& outcome);
std::string StateJson(const Mcs4State& state, MachineKind machine, const RunOutcome& outcome);

// Sets the fields a JSON object gives; the others keep their values. False,
// with `why` naming the key and what is wrong with it, for a text that is
// no JSON object, a key the machine has not, a value of the wrong kind or
// out of the field's range, or a "machine" of the other kind; `state` may
// then be changed in part.
bool ReadStateJson(std::string_view json, MachineState& state, std::string& why);
bool ReadStateJson(std::string_view json, Mcs4State& state, std::string& why);
