#include "tests/unit/core_test_support.h"

namespace {

struct ArithmeticCase {
    const char* what;
    int32_t opcode;
    int32_t accumulator, carry, operand;  // operand: R5 and the RAM character SRC 00 selects
    int32_t wantAccumulator, wantCarry;
};

// Values above 15 are ones a user typed into a field.
constexpr ArithmeticCase ArithmeticCases[] = {
    {"ADD R5 with carry in", 0x85, 9, 1, 8, 2, 1},
    {"SUB R5, no borrow", 0x95, 5, 0, 3, 2, 1},
    {"SUB R5, borrow in", 0x95, 5, 1, 3, 1, 1},
    {"SUB R5 below zero", 0x95, 3, 0, 5, 14, 0},
    {"SBM like SUB", 0xE8, 3, 0, 5, 14, 0},
    {"ADM with carry in", 0xEB, 9, 1, 8, 2, 1},
    {"DAA leaves 9", 0xFB, 9, 0, 0, 9, 0},
    {"DAA adjusts C", 0xFB, 0xC, 0, 0, 2, 1},
    {"DAA on carry keeps it", 0xFB, 5, 1, 0, 11, 1},
    {"DAC of 0 borrows", 0xF8, 0, 1, 0, 15, 0},
    {"DAC of 1", 0xF8, 1, 0, 0, 0, 1},
    {"IAC wraps", 0xF2, 15, 0, 0, 0, 1},
    {"RAR", 0xF6, 1, 0, 0, 0, 1},
    {"RAL", 0xF5, 8, 1, 0, 1, 1},
    {"KBP 3 is no key", 0xFC, 3, 0, 0, 15, 0},
    {"KBP 8", 0xFC, 8, 1, 0, 4, 1},
    {"KBP typed 10", 0xFC, 0x10, 0, 0, 15, 0},
    {"TCS carry 0", 0xF9, 7, 0, 0, 9, 0},
    {"TCS carry 1", 0xF9, 7, 1, 0, 10, 0},
    {"TCC carry 1", 0xF7, 7, 1, 0, 1, 0},
    // Where the two carry rules part: ADD and IAC keep 0x100 whole, ADM and
    // DAC reduce the same sum to 0.
    {"ADD typed FF keeps 100", 0x85, 0xFF, 0, 1, 0x100, 0},
    {"ADM typed FF masks", 0xEB, 0xFF, 0, 1, 0, 0},
    {"IAC typed FF keeps 100", 0xF2, 0xFF, 0, 0, 0x100, 0},
    {"DAC typed F1 masks", 0xF8, 0xF1, 1, 0, 0, 0},
    {"CMA typed FF", 0xF4, 0xFF, 0, 0, 0xF0, 0},
    // One or more entries for every instruction that works on the
    // accumulator and the carry.
    {"NOP", 0x00, 9, 1, 3, 9, 1},
    {"ADD R5, no carry out", 0x85, 3, 0, 4, 7, 0},
    {"ADD R5 to 16", 0x85, 9, 0, 7, 0, 1},
    {"SUB R5, borrow out", 0x95, 5, 1, 5, 15, 0},
    {"LD R5", 0xA5, 9, 1, 3, 3, 1},
    {"LDM 7", 0xD7, 9, 1, 3, 7, 1},
    {"LDM 0", 0xD0, 9, 1, 3, 0, 1},
    {"RDM", 0xE9, 9, 1, 3, 3, 1},
    {"SBM, borrow in", 0xE8, 5, 1, 3, 1, 1},
    {"ADM, no carry out", 0xEB, 3, 0, 4, 7, 0},
    {"CLB", 0xF0, 9, 1, 3, 0, 0},
    {"CLC", 0xF1, 9, 1, 3, 9, 0},
    {"IAC ignores the carry", 0xF2, 7, 1, 0, 8, 0},
    {"CMC of 1", 0xF3, 9, 1, 3, 9, 0},
    {"CMC of 0", 0xF3, 9, 0, 3, 9, 1},
    {"CMA", 0xF4, 5, 1, 0, 10, 1},
    {"RAL, no carry out", 0xF5, 3, 0, 0, 6, 0},
    {"RAR, carry in", 0xF6, 2, 1, 0, 9, 0},
    {"TCC carry 0", 0xF7, 7, 0, 0, 0, 0},
    {"DAC of 5", 0xF8, 5, 0, 0, 4, 1},
    {"STC", 0xFA, 9, 0, 3, 9, 1},
    {"STC when set", 0xFA, 9, 1, 3, 9, 1},
    {"DAA of 10", 0xFB, 10, 0, 0, 0, 1},
    {"KBP 0", 0xFC, 0, 0, 0, 0, 0},
    {"KBP 1", 0xFC, 1, 0, 0, 1, 0},
    {"KBP 2", 0xFC, 2, 0, 0, 2, 0},
    {"KBP 4", 0xFC, 4, 0, 0, 3, 0},
    {"KBP 15", 0xFC, 15, 0, 0, 15, 0},
    // Every other value of more than one bit is no key either.
    {"KBP 5", 0xFC, 5, 0, 0, 15, 0},
    {"KBP 6", 0xFC, 6, 0, 0, 15, 0},
    {"KBP 7", 0xFC, 7, 0, 0, 15, 0},
    {"KBP 9", 0xFC, 9, 0, 0, 15, 0},
    {"KBP 10", 0xFC, 10, 0, 0, 15, 0},
    {"KBP 11", 0xFC, 11, 0, 0, 15, 0},
    {"KBP 12", 0xFC, 12, 0, 0, 15, 0},
    {"KBP 13", 0xFC, 13, 0, 0, 15, 0},
    {"KBP 14", 0xFC, 14, 0, 0, 15, 0},
};

TEST(CoreArithmetic, AccumulatorAndCarry) {
    for (const ArithmeticCase& c : ArithmeticCases) {
        SCOPED_TRACE(c.what);
        auto state = NewState();
        Place(*state, 0, {c.opcode});
        state->accumulator = c.accumulator;
        state->carry = c.carry;
        state->indexRegisters[5] = c.operand;
        state->ramCharacters[0] = c.operand;
        auto expected = std::make_unique<MachineState>(*state);
        expected->pc = 1;
        expected->accumulator = c.wantAccumulator;
        expected->carry = c.wantCarry;
        Step(*state);
        EXPECT_TRUE(SameState(*expected, *state));
    }
}

// A typed accumulator lets ADD double an unmasked value on every round until
// it passes the top of 32 bits; it must wrap to 0 rather than overflow.
TEST(CoreArithmetic, UnmaskedSumWrapsInsteadOfOverflowing) {
    auto state = NewState();
    Place(*state, 0, {0x80, 0xB0});  // ADD R0, XCH R0
    for (int32_t address = 2; address < 2 + 3 * 30; address += 3) {
        Place(*state, address, {0xA0, 0x80, 0xB0});  // LD R0, ADD R0, XCH R0
    }
    state->pc = 0;
    state->accumulator = 0xFF;
    state->indexRegisters[0] = 1;
    Step(*state, 2);
    ASSERT_EQ(state->indexRegisters[0], 0x100);
    uint32_t want = 0x100;
    for (int round = 0; round < 30; ++round) {
        Step(*state, 3);
        want <<= 1;
        ASSERT_EQ(static_cast<uint32_t>(state->indexRegisters[0]), want) << "round " << round;
        ASSERT_EQ(state->carry, 0);
    }
}

}  // namespace
