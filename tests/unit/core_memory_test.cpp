#include <algorithm>
#include <array>

#include "data/examples.h"
#include "tests/unit/core_test_support.h"

namespace {

// A machine with a distinct value in every register and a known value in
// the RAM, status characters and ports the instructions below reach.
void MakeBusy(MachineState& state) {
    for (size_t n = 0; n < 16; ++n) {
        // R0..R15: 3 8 D 2 7 C 1 6 B 0 5 A F 4 9 E
        state.indexRegisters[n] = static_cast<int32_t>((n * 5 + 3) & 0xF);
    }
    state.accumulator = 6;
    state.carry = 1;
    state.src1 = 5;
    state.src2 = 9;
    state.ramCharacters[0x59] = 0xC;
    for (size_t i = 0; i < 4; ++i) state.ramStatus[i] = static_cast<int32_t>(11 + i);
    state.romInputPorts[5] = 7;
    state.running = 1;
}

struct EffectCase {
    const char* what;
    std::vector<int32_t> code;
    void (*effect)(MachineState&);  // what the instruction changes besides pc
};

// One or more entries for every instruction that moves data between the
// registers, the RAM and the ports.
const EffectCase EffectCases[] = {
    {"NOP", {0x00}, [](MachineState&) {}},
    {"FIM P2 A7",
     {0x24, 0xA7},
     [](MachineState& s) {
         s.indexRegisters[4] = 0xA;
         s.indexRegisters[5] = 7;
     }},
    {"FIM P7 3C",
     {0x2E, 0x3C},
     [](MachineState& s) {
         s.indexRegisters[14] = 3;
         s.indexRegisters[15] = 0xC;
     }},
    {"SRC P0",
     {0x21},
     [](MachineState& s) {
         s.src1 = 3;
         s.src2 = 8;
     }},
    {"SRC P3",
     {0x27},
     [](MachineState& s) {
         s.src1 = 1;
         s.src2 = 6;
     }},
    {"INC R9", {0x69}, [](MachineState& s) { s.indexRegisters[9] = 1; }},
    {"INC R12 wraps", {0x6C}, [](MachineState& s) { s.indexRegisters[12] = 0; }},
    {"LD R3", {0xA3}, [](MachineState& s) { s.accumulator = 2; }},
    {"XCH R4",
     {0xB4},
     [](MachineState& s) {
         s.accumulator = 7;
         s.indexRegisters[4] = 6;
     }},
    {"LDM 9", {0xD9}, [](MachineState& s) { s.accumulator = 9; }},
    {"WRM", {0xE0}, [](MachineState& s) { s.ramCharacters[0x59] = 6; }},
    {"WMP", {0xE1}, [](MachineState& s) { s.ramOutputPorts[1] = 6; }},
    {"WRR", {0xE2}, [](MachineState& s) { s.romOutputPorts[5] = 6; }},
    {"WR0", {0xE4}, [](MachineState& s) { s.ramStatus[0] = 6; }},
    {"WR1", {0xE5}, [](MachineState& s) { s.ramStatus[1] = 6; }},
    {"WR2", {0xE6}, [](MachineState& s) { s.ramStatus[2] = 6; }},
    {"WR3", {0xE7}, [](MachineState& s) { s.ramStatus[3] = 6; }},
    {"RDM", {0xE9}, [](MachineState& s) { s.accumulator = 0xC; }},
    {"RDR", {0xEA}, [](MachineState& s) { s.accumulator = 7; }},
    {"RD0", {0xEC}, [](MachineState& s) { s.accumulator = 11; }},
    {"RD1", {0xED}, [](MachineState& s) { s.accumulator = 12; }},
    {"RD2", {0xEE}, [](MachineState& s) { s.accumulator = 13; }},
    {"RD3", {0xEF}, [](MachineState& s) { s.accumulator = 14; }},
    {"DCL", {0xFD}, [](MachineState& s) { s.ramBank = 6; }},
};

TEST(CoreMemory, RegistersRamAndPorts) {
    for (const EffectCase& c : EffectCases) {
        SCOPED_TRACE(c.what);
        auto state = NewState();
        MakeBusy(*state);
        Place(*state, 0x0F0, c.code);
        auto expected = std::make_unique<MachineState>(*state);
        expected->pc = 0x0F0 + static_cast<int32_t>(c.code.size());
        c.effect(*expected);
        Step(*state);
        EXPECT_TRUE(SameState(*expected, *state));
    }
}

TEST(CoreMemory, StatusCharactersAreSharedByTheWholeRam) {
    auto state = NewState();
    Place(*state, 0,
          {0x20, 0x12, 0x21, 0xD9, 0xE6,    // FIM P0 12, SRC P0, LDM 9, WR2
           0x20, 0xEF, 0x21, 0xD0, 0xEE});  // FIM P0 EF, SRC P0, LDM 0, RD2
    Step(*state, 8);
    EXPECT_EQ(state->accumulator, 9);
    EXPECT_EQ(state->ramStatus[2], 9);
}

TEST(CoreMemory, RamCharacterAndPortsFollowSrc) {
    auto state = NewState();
    Place(*state, 0, {0x23, 0xE0, 0xE1, 0xE2, 0xD0, 0xE9});  // SRC P1, WRM, WMP, WRR, LDM 0, RDM
    state->indexRegisters[2] = 0x16;  // typed: SRC keeps the low nibbles, 6:B
    state->indexRegisters[3] = 0xB;
    state->accumulator = 0xFD;  // typed: written masked
    Step(*state, 6);
    EXPECT_EQ(state->src1, 6);
    EXPECT_EQ(state->src2, 0xB);
    EXPECT_EQ(state->ramCharacters[0x6B], 0xD);
    EXPECT_EQ(state->ramOutputPorts[1], 0xD);  // src1 4..7: the lamps' port
    EXPECT_EQ(state->romOutputPorts[6], 0xD);
    EXPECT_EQ(state->accumulator, 0xD);
}

// src1 and src2 are masked again where they address, whatever they hold.
TEST(CoreMemory, OutOfRangeSrcIsMaskedAtUse) {
    auto state = NewState();
    Place(*state, 0, {0xE0, 0xE1, 0xE2, 0xEA});  // WRM, WMP, WRR, RDR
    state->src1 = 0x1F;
    state->src2 = 0x23;
    state->accumulator = 7;
    state->romInputPorts[0xF] = 0x35;
    Step(*state, 4);
    EXPECT_EQ(state->ramCharacters[0xF3], 7);
    EXPECT_EQ(state->ramOutputPorts[3], 7);
    EXPECT_EQ(state->romOutputPorts[0xF], 7);
    EXPECT_EQ(state->accumulator, 5);
}

TEST(CoreMemory, ResetCpuKeepsProgramPortsBankAndSpareEntries) {
    auto state = NewState();
    FillEveryField(*state);
    auto expected = std::make_unique<MachineState>(*state);
    expected->pc = expected->accumulator = expected->carry = expected->stackPointer = 0;
    expected->testFlag = expected->src1 = expected->src2 = 0;
    expected->indexRegisters.fill(0);
    for (size_t i = 0; i < 4; ++i)
        expected->addressStack[i] = expected->ramStatus[i] = expected->ramOutputPorts[i] = 0;
    for (size_t i = 0; i < 256; ++i) expected->ramCharacters[i] = 0;
    ResetCpu(*state);
    EXPECT_TRUE(SameState(*expected, *state));
}

TEST(CoreMemory, ZeroRomClearsOnlyTheLoadableAddresses) {
    auto state = NewState();
    FillEveryField(*state);
    auto expected = std::make_unique<MachineState>(*state);
    for (size_t i = 0; i < 65536; ++i) expected->RomImage[i] = 0;
    ZeroRom(*state);
    EXPECT_TRUE(SameState(*expected, *state));
}

TEST(CoreMemory, FetchOutsideRomImageReadsZero) {
    for (const int32_t pc : {0x10001, 0x7FFFFFFF, -1}) {
        SCOPED_TRACE(pc);
        auto state = NewState();
        state->RomImage.fill(0xFF);  // would be rejected if read
        // So would the registers that follow the array in memory, should a
        // fetch read one entry past its end.
        state->indexRegisters.fill(0xFF);
        state->pc = pc;
        auto expected = std::make_unique<MachineState>(*state);
        expected->pc = static_cast<int32_t>(static_cast<uint32_t>(pc) + 1);
        Step(*state);
        EXPECT_TRUE(SameState(*expected, *state));
    }
}

// Each example stepped from a reset state until pc reaches its own length.
TEST(CoreMemory, ExamplesEndInTheirDocumentedStates) {
    struct Final {
        std::vector<int32_t> program;
        std::array<int32_t, 4> r0to3;
        int32_t carry;
    };
    const Final examples[] = {
        {{ExampleSum.begin(), ExampleSum.end()}, {6, 7, 1, 3}, 0},  // 13 as decimal digits in R2R3
        {{ExampleSquare.begin(), ExampleSquare.end()}, {5, 1, 1, 9}, 1},  // 25 = 0x19 in R2R3
    };
    for (const Final& example : examples) {
        auto state = NewState();
        Place(*state, 0, example.program);
        auto expected = std::make_unique<MachineState>(*state);
        const auto length = static_cast<int32_t>(example.program.size());
        for (int steps = 0; steps < 1000 && state->pc != length; ++steps) Step(*state);
        expected->pc = length;
        expected->carry = example.carry;
        std::copy(example.r0to3.begin(), example.r0to3.end(), expected->indexRegisters.begin());
        EXPECT_TRUE(SameState(*expected, *state)) << "example of " << length << " bytes";
    }
}

}  // namespace
