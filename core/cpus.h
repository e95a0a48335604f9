#pragma once
// The machines as the debugger and the front end see them: one type per
// processor and board, each saying how to execute one instruction, how to
// run, where the program counter is and what byte an address holds. Code
// that works on any machine is a template over one of these, so each gets
// its own loops with nothing to decide per instruction.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/instruction.h"
#include "core/machine_state.h"
#include "core/mcs4.h"
#include "core/mcs4_step.h"
#include "core/messages.h"
#include "core/run_loop.h"

// The machine that Quodlet has always emulated.
struct CompatibleCpu {
    using State = MachineState;
    static constexpr bool kMcs4 = false;
    static void Step(State& state, Messages& messages) { StepInstruction(state, messages); }
    // Under the Run's rules: bounded by programLength and 0xFFF.
    template <typename Observer>
    static RunStop Run(State& state, Messages& messages, int32_t programLength, Observer& observer,
                       int64_t& executed) {
        return RunInstructions(state, messages, programLength, observer, executed);
    }
    static int32_t Pc(const State& state) { return state.pc; }
    // The byte an instruction fetch finds there: 0 beyond program memory.
    static int32_t ByteAt(const State& state, int32_t address) {
        const auto index = static_cast<uint32_t>(address);
        return index < state.RomImage.size() ? state.RomImage[index] & 0xFF : 0;
    }
};

// The MCS-4 system on one of its boards. A run has no end of its own.
template <Mcs4Board board>
struct Mcs4Cpu {
    using State = Mcs4State;
    static constexpr bool kMcs4 = true;
    static constexpr Mcs4Board kBoard = board;
    static void Step(State& state, Messages& /*messages*/) { StepMcs4<board>(state); }
    template <typename Observer>
    static RunStop Run(State& state, Messages& /*messages*/, int32_t /*programLength*/,
                       Observer& observer, int64_t& executed) {
        return RunMcs4<board>(state, observer, executed);
    }
    static int32_t Pc(const State& state) { return Mcs4Pc(state); }
    static int32_t ByteAt(const State& state, int32_t address) {
        return state.rom[static_cast<size_t>(address & (kMcs4RomBytes - 1))];
    }
};

// The machines Quodlet offers: a machine is a processor plus how its board
// wires the pins.
enum class MachineKind : uint8_t {
    Compatible,  // the machine Quodlet has always emulated; the default
    Mcs4,        // the MCS-4 system, TEST and the ROM input lines the user's
    Exerciser,   // the MCS-4 system wired for Intel's 4001-0009 exerciser
    Busicom,     // the MCS-4 system on the Busicom 141-PF calculator's board
};

struct MachineInfo {
    MachineKind kind;
    std::string_view name;   // on the command line
    std::string_view title;  // in the window
};

inline constexpr std::array<MachineInfo, 4> kMachines = {{
    {MachineKind::Compatible, "compatible", "Compatible machine"},
    {MachineKind::Mcs4, "mcs4", "Intel MCS-4 system"},
    {MachineKind::Exerciser, "exerciser", "MCS-4 exerciser board"},
    {MachineKind::Busicom, "busicom", "Busicom 141-PF calculator"},
}};

inline const MachineInfo& InfoOf(MachineKind kind) {
    return kMachines[static_cast<size_t>(kind)];
}

// The machine of a name, or nothing for a name no machine has.
inline std::optional<MachineKind> MachineByName(std::string_view name) {
    for (const MachineInfo& machine : kMachines) {
        if (machine.name == name) return machine.kind;
    }
    return std::nullopt;
}

// "compatible, mcs4, exerciser, busicom": for a message.
inline std::string MachineNames() {
    std::string names;
    for (const MachineInfo& machine : kMachines) {
        if (!names.empty()) names += ", ";
        names += machine.name;
    }
    return names;
}

inline bool IsMcs4(MachineKind kind) {
    return kind != MachineKind::Compatible;
}

inline Mcs4Board BoardOf(MachineKind kind) {
    switch (kind) {
        case MachineKind::Exerciser: return Mcs4Board::Exerciser;
        case MachineKind::Busicom: return Mcs4Board::Busicom;
        default: return Mcs4Board::Plain;
    }
}

// Calls f with the processor type of a machine (CompatibleCpu or an
// Mcs4Cpu), so that what f does is compiled for each.
template <typename F>
decltype(auto) WithCpu(MachineKind kind, F&& f) {
    switch (kind) {
        case MachineKind::Mcs4: return f(Mcs4Cpu<Mcs4Board::Plain>{});
        case MachineKind::Exerciser: return f(Mcs4Cpu<Mcs4Board::Exerciser>{});
        case MachineKind::Busicom: return f(Mcs4Cpu<Mcs4Board::Busicom>{});
        case MachineKind::Compatible: break;
    }
    return f(CompatibleCpu{});
}
