// The Busicom 141-PF board's wiring (core/busicom.h): its shifters, the
// drum's TEST and index by the cycle count, the keys and switches on ROM
// chip 1, the printer and the lamps.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/busicom.h"
#include "core/mcs4_step.h"

namespace {

std::unique_ptr<Mcs4State> BusicomRunning(const std::vector<int32_t>& bytes, int32_t src = 0) {
    auto state = std::make_unique<Mcs4State>();
    for (size_t k = 0; k < bytes.size(); ++k) state->rom[k] = bytes[k];
    state->src = src;
    for (size_t k = 0; k < bytes.size(); ++k) StepMcs4<Mcs4Board::Busicom>(*state);
    return state;
}

TEST(BusicomBoard, ShiftersTakeTheDataOnTheirClocksRisingEdges) {
    // LDM 3, WRR twice (one rising edge: a 1 in), LDM 0, WRR, LDM 1, WRR (a
    // 0 in: a scan begins); the printer's clock likewise with 6, then 4.
    const auto s = BusicomRunning(
        {0xD3, 0xE2, 0xE2, 0xD0, 0xE2, 0xD1, 0xE2, 0xD0, 0xE2, 0xD6, 0xE2, 0xD0, 0xE2, 0xD4, 0xE2});
    EXPECT_EQ(s->keyShifter, 0b10);
    EXPECT_EQ(s->printShifter, 0b10);
    EXPECT_EQ(s->idleScans, 1);
    // Another chip's latch clocks nothing.
    EXPECT_EQ(BusicomRunning({0xD3, 0xE2}, 0x10)->keyShifter, 0);
}

// A loop that begins a scan each pass (LDM 1, WRR, LDM 0, WRR, JUN 000) is
// the idle loop; 8 of its scans with nothing printed and no key down make
// the calculator idle, and a feed starts the count again.
TEST(BusicomBoard, IdleAfterEightQuietScansOfTheIdleLoop) {
    auto s = std::make_unique<Mcs4State>();
    s->rom = {0xD1, 0xE2, 0xD0, 0xE2, 0x40, 0x00};
    const auto passes = [&s](int count) {
        for (int k = 0; k < 5 * count; ++k) StepMcs4<Mcs4Board::Busicom>(*s);
        return BusicomIdle(*s);
    };
    EXPECT_FALSE(passes(7));
    EXPECT_TRUE(passes(1));
    PressBusicomKey(*s, kBusicomKeys[0]);
    EXPECT_FALSE(BusicomIdle(*s));
    s->keysDown = {};
    busicom_detail::WritePrinter(*s, 0, 8);  // the paper fed
    EXPECT_FALSE(BusicomIdle(*s));
    EXPECT_EQ(s->idleScans, 8);
}

TEST(BusicomBoard, TheDrumTurnsWithTheCycles) {
    struct Case {
        int64_t cycles;
        int32_t test;
        int32_t index;  // bit 0 of ROM chip 2's lines
    };
    const std::vector<Case> cases = {
        {1, 1, 1},         {1295, 1, 1},
        {1296, 0, 1},      {2592, 0, 1},
        {2593, 1, 0},      {12 * 2593 + 1296, 0, 0},
        {13 * 2593, 1, 1}, {13 * 2593 + 1296, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.cycles);
        auto s = std::make_unique<Mcs4State>();
        s->rom[0] = 0xEA;  // RDR of chip 2, whose paper-advance button is down
        s->src = 0x20;
        s->romIn[2] = 8;
        s->cycles = c.cycles - 1;
        StepMcs4<Mcs4Board::Busicom>(*s);
        EXPECT_EQ(s->test, c.test);
        EXPECT_EQ(s->acc, 8 | c.index);
    }
}

TEST(BusicomBoard, AKeyComesUpOnceItsColumnIsReadAndTheSwitchesAreColumnsEightAndNine) {
    auto s = std::make_unique<Mcs4State>();
    PressBusicomKey(*s, *BusicomKeyByName("5"));   // column 5, row 1
    PressBusicomKey(*s, *BusicomKeyByName("CE"));  // column 7, row 2
    for (int k = 0; k < 7; ++k) StepBusicomSwitch(*s, BusicomSwitch::DecimalPoint);
    StepBusicomSwitch(*s, BusicomSwitch::Rounding);
    const auto readColumn = [&s](int32_t column) {
        s->keyShifter = 0x3FF & ~(1 << column);
        s->rom[0] = 0xEA;
        s->stack[0] = 0;
        s->src = 0x10;
        StepMcs4<Mcs4Board::Busicom>(*s);
        return s->acc;
    };
    EXPECT_EQ(readColumn(4), 0);
    EXPECT_TRUE(BusicomKeyDown(*s));
    EXPECT_EQ(readColumn(5), 2);
    EXPECT_EQ(readColumn(5), 0);
    EXPECT_EQ(readColumn(7), 4);
    EXPECT_FALSE(BusicomKeyDown(*s));
    EXPECT_EQ(readColumn(8), 8);
    EXPECT_EQ(BusicomSwitchText(BusicomSwitchPosition(*s, BusicomSwitch::DecimalPoint),
                                BusicomSwitch::DecimalPoint),
              "8");
    EXPECT_EQ(readColumn(9), 1);
    StepBusicomSwitch(*s, BusicomSwitch::Rounding);
    EXPECT_EQ(readColumn(9), 8);
    StepBusicomSwitch(*s, BusicomSwitch::Rounding);
    EXPECT_EQ(readColumn(9), 0);
}

TEST(BusicomBoard, HammersStrikeTheSectorsCharacterAndTheFeedMakesALine) {
    auto s = std::make_unique<Mcs4State>();
    s->printShifter = 1 << 17 | 1 << 1;  // column 15 and column 18
    s->linesPrinted = kBusicomPaperLines;
    // WMP of 2 in sector 4, then 1 (the red ribbon), then 8 (feed).
    s->rom = {0xD2, 0xE1, 0xD1, 0xE1, 0xD8, 0xE1};
    s->cycles = 4 * kBusicomSectorCycles;
    for (int k = 0; k < 6; ++k) StepMcs4<Mcs4Board::Busicom>(*s);
    EXPECT_EQ(BusicomLinesPrinted(*s), kBusicomPaperLines + 1);
    const std::optional<BusicomLine> line = BusicomTapeLine(*s, kBusicomPaperLines);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->text, "              4    III");
    EXPECT_TRUE(line->red);
    EXPECT_FALSE(BusicomTapeLine(*s, 0));
    EXPECT_EQ(BusicomLineOnDrum(*s).text, std::string(22, ' '));
}

TEST(BusicomBoard, LampsAreBankZeroChipOnesPort) {
    Mcs4State s;
    s.ramPorts[0] = 2;
    s.ramPorts[1] = 0b101;
    const BusicomLampState lamps = BusicomLamps(s);
    EXPECT_TRUE(lamps.memory);
    EXPECT_FALSE(lamps.overflow);
    EXPECT_TRUE(lamps.minus);
}

}  // namespace
