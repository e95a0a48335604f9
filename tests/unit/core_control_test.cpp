#include "display/opcode_tables.h"
#include "tests/unit/core_test_support.h"

namespace {

struct JumpCase {
    const char* what;
    int32_t address;
    std::vector<int32_t> code;
    int32_t accumulator, carry;
    int32_t wantPc;
};

// R4R5 holds 0x3C, R6 0xF and R7 a typed 0x15 throughout; page-relative targets take the page after
// the instruction's own bytes.
const JumpCase JumpCases[] = {
    {"JCN AZ across the page end", 0x0FE, {0x14, 0x10}, 0, 0, 0x110},
    {"JCN AZ not taken", 0x0FE, {0x14, 0x10}, 1, 0, 0x100},
    {"JCN AZ sees a typed 10", 0x020, {0x14, 0x10}, 0x10, 0, 0x022},
    {"JCN AN", 0x020, {0x1C, 0x44}, 0x10, 0, 0x044},
    {"JCN TN never jumps", 0x020, {0x11, 0x44}, 0, 0, 0x022},
    {"JCN TZ always jumps", 0x020, {0x19, 0x44}, 0, 0, 0x044},
    {"JCN C1", 0x020, {0x12, 0x44}, 0, 1, 0x044},
    {"JCN C0 not taken", 0x020, {0x1A, 0x44}, 0, 1, 0x022},
    {"JCN above 0FFF stays below", 0x1234, {0x14, 0x56}, 0, 0, 0x256},
    {"JUN across the page end", 0x0FE, {0x40, 0x10}, 0, 0, 0x010},
    {"JUN high page", 0x000, {0x4F, 0xED}, 0, 0, 0xFED},
    {"JIN at the page end", 0x0FF, {0x35}, 0, 0, 0x13C},
    {"JIN masks a typed register", 0x020, {0x37}, 0, 0, 0x0F5},
    {"ISZ taken across the page end", 0x0FE, {0x74, 0x20}, 0, 0, 0x120},
    {"ISZ falls through on zero", 0x0FE, {0x76, 0x20}, 0, 0, 0x100},
};

TEST(CoreControl, JumpTargets) {
    for (const JumpCase& c : JumpCases) {
        SCOPED_TRACE(c.what);
        auto state = NewState();
        Place(*state, c.address, c.code);
        state->indexRegisters[4] = 0x3;
        state->indexRegisters[5] = 0xC;
        state->indexRegisters[6] = 0xF;
        state->indexRegisters[7] = 0x15;  // typed
        state->accumulator = c.accumulator;
        state->carry = c.carry;
        Step(*state);
        EXPECT_EQ(state->pc, c.wantPc);
    }
}

TEST(CoreControl, FinReadsThroughPairZeroInThePageAfterIt) {
    auto state = NewState();
    Place(*state, 0x0FF, {0x36});  // FIN P3
    state->RomImage[0x023] = 0xCD;
    state->RomImage[0x123] = 0xAB;
    state->indexRegisters[0] = 0x12;  // typed: only the low nibbles address
    state->indexRegisters[1] = 0x3;
    Step(*state);
    EXPECT_EQ(state->indexRegisters[6], 0xA);
    EXPECT_EQ(state->indexRegisters[7], 0xB);
    EXPECT_EQ(state->indexRegisters[0], 0x12);

    Place(*state, 0x0FF, {0x30});  // FIN P0 overwrites the pair it read through
    Step(*state);
    EXPECT_EQ(state->indexRegisters[0], 0xA);
    EXPECT_EQ(state->indexRegisters[1], 0xB);
}

TEST(CoreControl, StackIsThreeCircularSlots) {
    auto state = NewState();
    Place(*state, 0x000, {0x50, 0x10});  // JMS 010
    Place(*state, 0x010, {0x50, 0x20});  // JMS 020
    Place(*state, 0x020, {0x50, 0x30});  // JMS 030
    Place(*state, 0x030, {0x50, 0x40});  // JMS 040: overwrites the return to 002
    Place(*state, 0x040, {0xC1});        // BBL 1
    for (const int32_t address : {0x032, 0x022, 0x012}) Place(*state, address, {0xC1});
    state->pc = 0;
    Step(*state, 4);
    EXPECT_EQ(state->stackPointer, 1);
    EXPECT_EQ(state->addressStack[0], 0x032);
    EXPECT_EQ(state->addressStack[1], 0x012);
    EXPECT_EQ(state->addressStack[2], 0x022);
    for (const int32_t returnTo : {0x032, 0x022, 0x012, 0x000}) {
        Step(*state);
        EXPECT_EQ(state->pc, returnTo);
        EXPECT_EQ(state->accumulator, 1);
    }
    EXPECT_EQ(state->addressStack[0] | state->addressStack[1] | state->addressStack[2], 0);
}

TEST(CoreControl, BblAfterResetAndJmsKeepsTheFullPc) {
    auto state = NewState();
    Place(*state, 0x100, {0xC7});  // BBL 7
    Step(*state);
    EXPECT_EQ(state->pc, 0);
    EXPECT_EQ(state->stackPointer, 2);
    EXPECT_EQ(state->accumulator, 7);

    Place(*state, 0x1FFE, {0x52, 0x34});  // JMS 234, return address 2000 unmasked
    Step(*state);
    EXPECT_EQ(state->pc, 0x234);
    EXPECT_EQ(state->addressStack[2], 0x2000);
    EXPECT_EQ(state->stackPointer, 0);
}

bool IsRejected(int32_t opcode) {
    constexpr int32_t ExecutedConditions =
        1 << 0x1 | 1 << 0x2 | 1 << 0x4 | 1 << 0x9 | 1 << 0xA | 1 << 0xC;
    if (opcode >> 4 == 0x1) return (ExecutedConditions >> (opcode & 0xF) & 1) == 0;
    return (opcode >= 0x01 && opcode <= 0x0F) || opcode == 0xE3 || opcode == 0xFE || opcode == 0xFF;
}

// Executed instructions leave running alone and show nothing; rejected ones
// show one message, clear running, step past the opcode only and change
// nothing else.
TEST(CoreControl, EveryOpcodeEitherRunsOrIsRejectedCleanly) {
    for (int32_t opcode = 0; opcode < 256; ++opcode) {
        SCOPED_TRACE(opcode);
        auto state = NewState();
        Place(*state, 0x02A, {opcode, 0x55});
        state->running = 1;
        auto before = std::make_unique<MachineState>(*state);
        const auto shown = StepShowing(*state);
        if (!IsRejected(opcode)) {
            EXPECT_EQ(state->running, 1);
            EXPECT_TRUE(shown.empty());
            continue;
        }
        before->pc = 0x02B;
        before->running = 0;
        EXPECT_TRUE(SameState(*before, *state));
        ASSERT_EQ(shown.size(), 1U);
    }
}

bool AlwaysJumps(int32_t opcode) {
    const int32_t group = opcode >> 4;
    return group == 0x4 || group == 0x5 || group == 0xC || (group == 0x3 && (opcode & 1) != 0);
}

// The listing's length table against the core: every executed instruction
// that does not always jump moves pc past exactly its own bytes. The
// operand of a two-byte instruction is the low byte of the address after
// it, so that a JCN or ISZ lands there whether it jumps or not.
TEST(CoreControl, PcAdvancesByTheListedLength) {
    OpcodeTables tables;
    FillOpcodeTables(tables);
    int32_t checked = 0;
    for (int32_t opcode = 0; opcode < 256; ++opcode) {
        if (IsRejected(opcode) || AlwaysJumps(opcode)) continue;
        SCOPED_TRACE(opcode);
        auto state = NewState();
        Place(*state, 0x12A, {opcode, 0x2C});
        Step(*state);
        EXPECT_EQ(state->pc, 0x12A + tables.LengthTable[static_cast<size_t>(opcode)]);
        ++checked;
    }
    EXPECT_EQ(checked, 256 - 28 - 16 - 16 - 16 - 8);  // rejected, JUN, JMS, BBL, JIN
}

struct MessageCase {
    int32_t opcode;
    int32_t address;
    const char* title;
    const char* text;
};

const MessageCase MessageCases[] = {
    {0x10, 0, "Quodlet", "Unimplemented condition:0"},
    {0x13, 0, "Quodlet", "Unimplemented condition:3"},
    {0x15, 0, "Quodlet", "Unimplemented condition:5"},
    {0x16, 0, "Quodlet", "Unimplemented condition:6"},
    {0x17, 0, "Quodlet", "Unimplemented condition:7"},
    {0x18, 0, "Quodlet", "Unimplemented condition:8"},
    {0x1B, 0, "Quodlet", "Unimplemented condition:0B"},
    {0x1D, 0, "Quodlet", "Unimplemented condition:0D"},
    {0x1E, 0, "Quodlet", "Unimplemented condition:0E"},
    {0x1F, 0, "Quodlet", "Unimplemented condition:0F"},
    {0x01, 0x000, "i4004", "Unrecognized instruction:01 at PC=0001"},
    {0x0F, 0x0FE, "i4004", "Unrecognized instruction:0F at PC=00FF"},
    {0xE3, 0xABC, "i4004", "Unrecognized instruction:E3 at PC=0ABD"},
    {0xFE, 0x02A, "i4004", "Unrecognized instruction:FE at PC=002B"},
    {0xFF, 0xFFFF, "i4004", "Unrecognized instruction:FF at PC=10000"},
    {0xFF, 0x10000, "i4004", "Unrecognized instruction:FF at PC=10001"},
};

TEST(CoreControl, MessageTexts) {
    for (const MessageCase& c : MessageCases) {
        SCOPED_TRACE(c.text);
        auto state = NewState();
        Place(*state, c.address, {c.opcode});
        const auto shown = StepShowing(*state);
        ASSERT_EQ(shown.size(), 1U);
        EXPECT_EQ(shown[0].title, c.title);
        EXPECT_EQ(shown[0].text, c.text);
    }
}

TEST(CoreControl, OperandOfARejectedJcnRunsNext) {
    auto state = NewState();
    Place(*state, 0, {0x13, 0xD7});  // JCN 3 (rejected), then its operand is LDM 7
    EXPECT_EQ(StepShowing(*state, 2).size(), 1U);
    EXPECT_EQ(state->accumulator, 7);
    EXPECT_EQ(state->pc, 2);
}

}  // namespace
