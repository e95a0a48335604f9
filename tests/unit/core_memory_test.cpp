#include <algorithm>
#include <array>

#include "data/examples.h"
#include "tests/unit/core_test_support.h"

namespace {

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
        state->pc = pc;
        auto expected = std::make_unique<MachineState>(*state);
        expected->pc = static_cast<int32_t>(static_cast<uint32_t>(pc) + 1);
        RecordingMessages messages;
        StepInstruction(*state, messages);
        EXPECT_TRUE(messages.shown.empty());
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
