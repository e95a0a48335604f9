// Steps the processor from any state a user can bring it into: pc typed up
// to 0xFFFF or stepped anywhere beyond, registers and accumulator typed up to
// 0xFF (and further), either carry, any stack slot and return addresses, and
// any program bytes around pc.
//
// Checked after every instruction: the stack pointer stays a slot, SRC
// latches nibbles, an instruction stops a Run exactly when it shows a
// message, and the spare entries behind each array keep their marks (a write
// there would stay inside the machine's memory, where the address checker
// cannot see it). At the end: RAM, status and ports hold nibbles, and the
// program memory was never written.
//
// An input that starts with 'M' steps the MCS-4 system instead, on the board
// its next byte chooses, from any state its fields can hold: after every
// instruction every field is within its width and the cycle count has grown
// by one or two; at the end Step Back retraces every instruction exactly, the
// state written as JSON and read back is the same state, and the program
// memory was never written.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "core/cpus.h"
#include "core/hex.h"
#include "core/instruction.h"
#include "core/machine_state.h"
#include "debug/debug_run.h"
#include "display/disassembler.h"
#include "display/opcode_tables.h"
#include "display/state_display.h"
#include "fuzz/fuzz_support.h"
#include "runner/state_json.h"

namespace {

constexpr int32_t kSpareMark = 0x5A5A;
constexpr uint32_t kMostSteps = 1024;

// A pc as the user can bring it about: typed (four digits), near the end of
// the 12-bit space, near the end of program memory, or anywhere after
// enough steps.
int32_t DecodePc(FuzzInput& input) {
    switch (input.Below(4)) {
        case 0: return static_cast<int32_t>(input.Word());
        case 1: return 0xFE0 + static_cast<int32_t>(input.Below(64));
        case 2: return 0xFFE0 + static_cast<int32_t>(input.Below(96));
        default: return static_cast<int32_t>(input.Long());
    }
}

// A typed field value: two digits mostly, sometimes four.
int32_t DecodeTyped(FuzzInput& input) {
    return static_cast<int32_t>(input.Flag() ? input.Word() : input.Byte());
}

void MarkSpares(MachineState& state) {
    state.addressStack[3] = kSpareMark;
    state.addressStack[4] = kSpareMark;
    state.ramCharacters[256] = kSpareMark;
    state.ramStatus[4] = kSpareMark;
    state.ramOutputPorts[4] = kSpareMark;
    state.romInputPorts[16] = kSpareMark;
    state.romOutputPorts[16] = kSpareMark;
}

template <size_t N>
void CheckNibbles(const std::array<int32_t, N>& entries, size_t used, const char* what) {
    for (size_t k = 0; k < used; ++k) {
        FuzzCheck(entries[k] >= 0 && entries[k] <= 0xF, what,
                  std::to_string(k) + "=" + std::to_string(entries[k]));
    }
}

// What every instruction must leave as it found it or within range.
void CheckAfterStep(const MachineState& state) {
    FuzzCheck(state.stackPointer >= 0 && state.stackPointer <= 2, "stack pointer",
              std::to_string(state.stackPointer));
    FuzzCheck(state.src1 >= 0 && state.src1 <= 0xF && state.src2 >= 0 && state.src2 <= 0xF,
              "SRC nibbles");
    FuzzCheck(state.ramBank >= 0 && state.ramBank <= 0xF, "DCL nibble");
    FuzzCheck(state.addressStack[3] == kSpareMark && state.addressStack[4] == kSpareMark &&
                  state.ramCharacters[256] == kSpareMark && state.ramStatus[4] == kSpareMark &&
                  state.ramOutputPorts[4] == kSpareMark && state.romInputPorts[16] == kSpareMark &&
                  state.romOutputPorts[16] == kSpareMark,
              "spare entry written");
}

// The memories instructions write hold nibbles; checked once at the end,
// since an instruction only ever stores a masked value.
void CheckMemories(const MachineState& state) {
    CheckNibbles(state.ramCharacters, 256, "RAM character");
    CheckNibbles(state.ramStatus, 4, "RAM status");
    CheckNibbles(state.ramOutputPorts, 4, "RAM output port");
    CheckNibbles(state.romOutputPorts, 16, "ROM output port");
}

struct Fixture {
    MachineState state;
    decltype(MachineState::RomImage) romBefore;  // as loaded, to prove it unwritten
    OpcodeTables tables;
    Fixture() { FillOpcodeTables(tables); }
};

// Every field within the values it can hold; the memories (RAM, status,
// ports), which hold thousands of entries, only when asked.
void CheckWidths(const Mcs4State& state, bool memories) {
    ForEachField(state, [memories](const auto& field, const auto& value) {
        if (field.role == FieldRole::Memory && !memories) return;
        if constexpr (std::is_arithmetic_v<std::remove_cvref_t<decltype(value)>>) {
            FuzzCheck(value >= field.lowest && value <= field.largest, "field width",
                      std::string(field.name) + "=" + std::to_string(value));
        } else {
            for (const auto entry : value) {
                FuzzCheck(entry >= field.lowest && entry <= field.largest, "field width",
                          std::string(field.name) + " entry " + std::to_string(entry));
            }
        }
    });
}

template <typename Cpu>
void StepMcs4System(FuzzInput& input) {
    static const std::unique_ptr<Mcs4State> start = std::make_unique<Mcs4State>();
    auto state = std::make_unique<Mcs4State>();
    // Any state the fields can hold, then program everywhere.
    ForEachField(*state, [&input](const auto& field, auto& value) {
        const auto pick = [&input, &field] {
            return field.largest <= 0xFF
                       ? static_cast<int64_t>(input.Byte()) % (field.largest + 1)
                       : static_cast<int64_t>(
                             input.Long() %
                             static_cast<uint64_t>(std::min<int64_t>(field.largest, 0xFFFFFF) + 1));
        };
        if constexpr (std::is_arithmetic_v<std::remove_cvref_t<decltype(value)>>) {
            value = static_cast<std::remove_cvref_t<decltype(value)>>(pick());
        } else if (field.role != FieldRole::Program) {
            const uint32_t seed = input.Byte();
            for (size_t k = 0; k < value.size(); ++k) {
                value[k] = static_cast<std::remove_cvref_t<decltype(value[k])>>(
                    (k * seed + seed / 16) % static_cast<size_t>(field.largest + 1));
            }
        }
    });
    state->running = 0;
    const uint32_t steps = 1 + input.Below(kMostSteps);
    for (size_t k = 0; !input.Empty(); ++k) {
        state->rom[k % kMcs4RomBytes] = static_cast<int32_t>(input.Byte());
    }
    CheckWidths(*state, true);
    const auto rom = state->rom;
    *start = *state;

    HistoryOf<Mcs4State> history;
    std::vector<Snapshot<Mcs4State>> before(steps);
    CountingMessages messages;
    for (uint32_t k = 0; k < steps; ++k) {
        TakeSnapshot(*state, before[k]);
        const int64_t cycles = state->cycles;
        StepRecorded<Cpu>(*state, messages, history);
        CheckWidths(*state, false);
        FuzzCheck(state->cycles == cycles + 1 || state->cycles == cycles + 2, "cycles");
    }
    CheckWidths(*state, true);
    FuzzCheck(state->rom == rom, "program memory written by an instruction");

    // The state through JSON and back.
    auto copy = std::make_unique<Mcs4State>();
    std::string why;
    FuzzCheck(ReadStateJson(StateJson(*state, MachineKind::Mcs4, {}), *copy, why), "JSON read",
              why);
    copy->rom = state->rom;
    Snapshot<Mcs4State> expected{};
    Snapshot<Mcs4State> actual{};
    TakeSnapshot(*state, expected);
    TakeSnapshot(*copy, actual);
    FuzzCheck(expected.bytes == actual.bytes, "JSON then --state is not the identity");

    for (uint32_t k = steps; k-- > 0;) {
        FuzzCheck(StepBackOn<Cpu>(history, *state), "Step Back refused");
        Snapshot<Mcs4State> now{};
        TakeSnapshot(*state, now);
        FuzzCheck(now.bytes == before[k].bytes, "Step Back yields the earlier state",
                  std::to_string(k));
    }
    FuzzCheck(!StepBackOn<Cpu>(history, *state), "Step Back beyond the start");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 0 && data[0] == 'M') {
        FuzzInput input(data + 1, size - 1);
        switch (input.Below(3)) {
            case 0: StepMcs4System<Mcs4Cpu<Mcs4Board::Plain>>(input); break;
            case 1: StepMcs4System<Mcs4Cpu<Mcs4Board::Exerciser>>(input); break;
            default: StepMcs4System<Mcs4Cpu<Mcs4Board::Busicom>>(input); break;
        }
        return 0;
    }
    static const std::unique_ptr<Fixture> fixture = std::make_unique<Fixture>();
    MachineState& state = fixture->state;
    FuzzInput input(data, size);

    ZeroRom(state);
    state.RomImage[65536] = 0;
    ResetCpu(state);
    MarkSpares(state);
    state.pc = DecodePc(input);
    state.accumulator = DecodeTyped(input);
    state.carry = static_cast<int32_t>(input.Byte() & 1);
    state.testFlag = static_cast<int32_t>(input.Byte() & 1);
    for (int32_t& r : state.indexRegisters) r = DecodeTyped(input);
    state.stackPointer = static_cast<int32_t>(input.Below(3));
    for (size_t k = 0; k < 3; ++k) state.addressStack[k] = static_cast<int32_t>(input.Long());
    state.src1 = static_cast<int32_t>(input.Below(16));
    state.src2 = static_cast<int32_t>(input.Below(16));
    const uint32_t ramSeed = input.Byte();
    for (size_t k = 0; k < 256; ++k)
        state.ramCharacters[k] = static_cast<int32_t>((k * ramSeed + ramSeed / 16) & 0xF);
    const uint32_t steps = 1 + input.Below(kMostSteps);

    // The rest is program: placed a little before pc, or from address 0
    // (where jumps and calls land), wrapping at the end of program memory.
    const int64_t pcIndex = static_cast<uint32_t>(state.pc);
    int64_t place = input.Flag() ? 0 : pcIndex - static_cast<int64_t>(input.Below(32));
    place = std::clamp<int64_t>(place, 0, 65536);
    while (!input.Empty()) {
        state.RomImage[static_cast<size_t>(place)] = static_cast<int32_t>(input.Byte());
        place = place == 65536 ? 0 : place + 1;
    }
    std::copy(state.RomImage.begin(), state.RomImage.end(), fixture->romBefore.begin());

    CountingMessages messages;
    for (uint32_t k = 0; k < steps; ++k) {
        // A Run sets running; an instruction clears it exactly when it
        // reports that it cannot be executed.
        state.running = 1;
        const int32_t shown = messages.count;
        StepInstruction(state, messages);
        FuzzCheck((state.running == 0) == (messages.count == shown + 1),
                  "running cleared without one message, or the other way round");
        CheckAfterStep(state);
    }
    CheckMemories(state);
    // The listing line where the program stopped starts with its address.
    int32_t address = state.pc;
    const std::string line = DisassembleLine(state, fixture->tables, address);
    FuzzCheck(line.rfind(PaddedHex(state.pc, 3) + " ", 0) == 0, "listing line address", line);
    FuzzCheck(std::equal(state.RomImage.begin(), state.RomImage.end(), fixture->romBefore.begin()),
              "program memory written by an instruction");
    return 0;
}
