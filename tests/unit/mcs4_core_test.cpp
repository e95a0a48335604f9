// The MCS-4 system's processor, by the rules of Intel's documents: the
// cases follow the reference's tables.

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <memory>
#include <vector>

#include "core/mcs4.h"
#include "core/mcs4_step.h"
#include "tests/unit/core_test_support.h"

namespace {

std::unique_ptr<Mcs4State> Mcs4At(int32_t address, const std::vector<int32_t>& bytes) {
    auto state = std::make_unique<Mcs4State>();
    for (size_t k = 0; k < bytes.size(); ++k) {
        state->rom[(static_cast<size_t>(address) + k) & 0xFFF] = bytes[k];
    }
    state->stack[0] = address;
    return state;
}

void Execute(Mcs4State& state, int count = 1) {
    for (int k = 0; k < count; ++k) StepMcs4<Mcs4Board::Plain>(state);
}

TEST(Mcs4Core, AllSixteenJcnConditionsByIntelsEquation) {
    // Bit 0: TEST = 0, bit 1: carry = 1, bit 2: ACC = 0, OR-ed; bit 3 inverts
    // the OR. Each condition under all eight combinations of the inputs.
    for (int32_t condition = 0; condition < 16; ++condition) {
        for (int32_t inputs = 0; inputs < 8; ++inputs) {
            const int32_t test = inputs & 1;
            const int32_t carry = inputs >> 1 & 1;
            const int32_t acc = (inputs & 4) != 0 ? 0 : 5;
            auto s = Mcs4At(0x120, {0x10 | condition, 0x40});
            s->test = test;
            s->cy = carry;
            s->acc = acc;
            Execute(*s);
            const bool any = ((condition & 1) != 0 && test == 0) ||
                             ((condition & 2) != 0 && carry == 1) ||
                             ((condition & 4) != 0 && acc == 0);
            const bool jumps = any != ((condition & 8) != 0);
            EXPECT_EQ(Mcs4Pc(*s), jumps ? 0x140 : 0x122)
                << "condition " << condition << " test " << test << " carry " << carry << " acc "
                << acc;
            EXPECT_EQ(s->cycles, 2);
        }
    }
    // The named ones, as the chip and the Busicom source have them.
    auto tz = Mcs4At(0, {0x11, 0x40});  // TZ jumps with TEST at 0
    Execute(*tz);
    EXPECT_EQ(Mcs4Pc(*tz), 0x40);
    auto tn = Mcs4At(0, {0x19, 0x40});  // TN does not
    Execute(*tn);
    EXPECT_EQ(Mcs4Pc(*tn), 0x02);
}

TEST(Mcs4Core, PageRelativeTargetsUseTheIncrementedPcWithTheWrap) {
    struct Case {
        const char* what;
        int32_t address;
        std::vector<int32_t> bytes;
        int32_t pc;
    };
    const Case cases[] = {
        {"JCN at xFE jumps into the next page", 0x2FE, {0x18, 0x10}, 0x310},
        {"JCN at xFF takes its operand from the next page", 0x2FF, {0x18, 0x10}, 0x310},
        {"JCN at FFE lands in page 0", 0xFFE, {0x18, 0x10}, 0x010},
        {"ISZ at FFF lands in page 0", 0xFFF, {0x70, 0x33}, 0x033},
        {"JIN at xFF jumps in the next page", 0x4FF, {0x31}, 0x5AB},
        {"JIN at FFF jumps in page 0", 0xFFF, {0x31}, 0x0AB},
        {"a NOP at FFF runs on into 000", 0xFFF, {0x00}, 0x000},
        {"JMS at FFE returns to 000", 0xFFE, {0x50, 0x20}, 0x020},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto s = Mcs4At(c.address, c.bytes);
        s->regs[0] = 0xA;
        s->regs[1] = 0xB;
        Execute(*s);
        EXPECT_EQ(Mcs4Pc(*s), c.pc);
    }
    auto jms = Mcs4At(0xFFE, {0x50, 0x20});
    Execute(*jms);
    EXPECT_EQ(jms->stack[0], 0x000);  // the return, wrapped
    // FIN at FFF reads page 0 through P0, in two cycles.
    auto fin = Mcs4At(0xFFF, {0x32});
    fin->rom[0x012] = 0xC5;
    fin->regs[1] = 2;
    fin->regs[0] = 1;
    Execute(*fin);
    EXPECT_EQ(fin->regs[2], 0xC);
    EXPECT_EQ(fin->regs[3], 0x5);
    EXPECT_EQ(fin->cycles, 2);
}

TEST(Mcs4Core, FourAddressRegistersOneOfThemThePc) {
    // A fourth nested JMS puts the new pc where the oldest return was.
    auto s = Mcs4At(0x000, {0x50, 0x10});
    for (const int32_t sub : {0x10, 0x20, 0x30}) {
        s->rom[static_cast<size_t>(sub)] = 0x50;
        s->rom[static_cast<size_t>(sub + 1)] = static_cast<int32_t>(sub + 0x10);
    }
    s->rom[0x40] = 0xC1;
    Execute(*s, 4);
    EXPECT_EQ(Mcs4Pc(*s), 0x040);
    EXPECT_EQ(s->sp, 0);
    EXPECT_EQ(s->depth, 3);
    EXPECT_EQ(s->stack, (std::array<int32_t, 4>{0x040, 0x012, 0x022, 0x032}));
    // The three newest returns still work, then the register below is the
    // one that has been counting the pc.
    s->rom[0x32] = s->rom[0x22] = s->rom[0x12] = 0xC0;
    Execute(*s);
    EXPECT_EQ(Mcs4Pc(*s), 0x032);
    Execute(*s, 2);
    EXPECT_EQ(Mcs4Pc(*s), 0x012);
    EXPECT_EQ(s->depth, 0);
    Execute(*s);
    EXPECT_EQ(Mcs4Pc(*s), 0x041);  // where the deepest routine's BBL left it
    EXPECT_EQ(s->depth, 0);

    // After reset a BBL at 001 returns to 000; the exerciser's WRR; BBL 15
    // runs four times before it goes on at 002.
    auto ex = Mcs4At(0x000, {0xE2, 0xCF});
    for (int k = 0; k < 4; ++k) {
        Execute(*ex, 2);
        EXPECT_EQ(Mcs4Pc(*ex), k < 3 ? 0x000 : 0x002) << "pass " << k;
    }
    EXPECT_EQ(ex->acc, 0xF);
}

TEST(Mcs4Core, BanksLatchesStatusAndPorts) {
    // DCL takes ACC & 7: DCL 3 and DCL 4 are banks 3 and 4, DCL 0xB is 3.
    for (const auto& [acc, bank] :
         std::vector<std::pair<int32_t, int32_t>>{{3, 3}, {4, 4}, {0xB, 3}, {7, 7}, {8, 0}}) {
        auto s = Mcs4At(0, {0xFD, 0x20, 0x5A, 0x21, 0xE0, 0xE5, 0xE1});  // DCL FIM SRC WRM WR1 WMP
        s->acc = acc;
        Execute(*s, 3);
        s->acc = 9;
        Execute(*s, 3);
        EXPECT_EQ(s->cr, bank);
        EXPECT_EQ(s->bankSrc[static_cast<size_t>(bank)], 0x5A);
        EXPECT_EQ(s->ram[static_cast<size_t>(bank << 8 | 0x5A)], 9) << acc;
        EXPECT_EQ(s->status[static_cast<size_t>(bank << 6 | 0x5 << 2 | 1)], 9) << acc;
        EXPECT_EQ(s->ramPorts[static_cast<size_t>(bank << 2 | 1)], 9) << acc;
    }
    // Only the selected bank receives SRC: bank 1 reads at its older address.
    auto s = Mcs4At(0, {0xFD, 0x20, 0x11, 0x21, 0xD1, 0xFD, 0x20, 0x22, 0x21, 0xD0, 0xFD, 0x20,
                        0x33, 0x21, 0xD1, 0xFD, 0xE9, 0xEF});
    s->ram[1 << 8 | 0x22] = 7;
    s->status[1 << 6 | 0x2 << 2 | 3] = 4;
    s->ram[1 << 8 | 0x33] = 1;
    Execute(*s, 13);
    EXPECT_EQ(s->src, 0x33);
    EXPECT_EQ(s->bankSrc[0], 0x33);
    EXPECT_EQ(s->bankSrc[1], 0x22);
    Execute(*s);
    EXPECT_EQ(s->acc, 7);  // RDM in bank 1 at 22, not at 33
    Execute(*s);
    EXPECT_EQ(s->acc, 4);  // RD3 of bank 1's chip 0, register 2
}

TEST(Mcs4Core, RomPortsReadTheInputLinesNeverTheLatch) {
    auto s = Mcs4At(0, {0x20, 0x70, 0x21, 0xE2, 0xEA});  // FIM P0 70; SRC P0; WRR; RDR
    s->acc = 0xC;
    s->romIn[7] = 0x5;
    s->romIn[0] = 0x9;
    Execute(*s, 4);
    EXPECT_EQ(s->romOut[7], 0xC);
    EXPECT_EQ(s->acc, 0x5);
}

TEST(Mcs4Core, CyclesAndTheUndefinedOpcodes) {
    // Two cycles: JCN, FIM, FIN (even opcodes of 2x and 3x), JUN, JMS, ISZ.
    const auto cycles = [](int32_t opcode) {
        const int32_t group = opcode >> 4;
        const bool even = (opcode & 1) == 0;
        return group == 1 || group == 4 || group == 5 || group == 7 ||
                       ((group == 2 || group == 3) && even)
                   ? 2
                   : 1;
    };
    for (int32_t opcode = 0; opcode < 256; ++opcode) {
        auto s = Mcs4At(0x300, {opcode, 0x00});
        Execute(*s);
        EXPECT_EQ(s->cycles, cycles(opcode)) << opcode;
        if (IsUndefinedMcs4Opcode(opcode) || opcode == 0xE3) {
            auto before = Mcs4At(0x300, {opcode, 0x00});
            before->stack[0] = 0x301;
            before->cycles = 1;
            EXPECT_TRUE(SameState(*before, *s)) << opcode;
        }
    }
}

TEST(Mcs4Core, ResetKeepsTheProgramAndTheInputs) {
    auto s = Mcs4At(0, {0x12});
    FillEveryField(*s);
    s->test = 1;
    // The program, the inputs and what is outside the Busicom's chips.
    auto expected = std::make_unique<Mcs4State>();
    expected->rom = s->rom;
    expected->romIn = s->romIn;
    expected->test = 1;
    expected->running = s->running;
    expected->keysDown = s->keysDown;
    expected->switches = s->switches;
    expected->printLine = s->printLine;
    expected->printRed = s->printRed;
    expected->paper = s->paper;
    expected->linesPrinted = s->linesPrinted;
    ResetMcs4(*s, Mcs4Board::Plain);
    EXPECT_TRUE(SameState(*expected, *s));
    // The exerciser's TEST follows RAM bank 0, chip 0's port, cleared too;
    // the Busicom's is the drum's, 1 as a sector begins.
    ResetMcs4(*s, Mcs4Board::Exerciser);
    EXPECT_EQ(s->test, 0);
    ResetMcs4(*s, Mcs4Board::Busicom);
    EXPECT_EQ(s->test, 1);
}

// Intel's exerciser, wired as its README says: the first four passes of its
// loop end where they are known to.
TEST(Mcs4Core, TheExerciserRunsItsFirstFourPasses) {
    std::ifstream file(QUODLET_ROMS_DIR "/mcs4_exerciser_4001-0009.bin", std::ios::binary);
    if (!file) GTEST_SKIP() << "the exerciser ROM is not in " QUODLET_ROMS_DIR;
    std::vector<int32_t> image;
    for (char c = 0; file.get(c);) image.push_back(static_cast<uint8_t>(c));
    auto s = std::make_unique<Mcs4State>();
    LoadMcs4Rom(*s, Mcs4Board::Exerciser, image.data(), static_cast<int32_t>(image.size()));
    ResetMcs4(*s, Mcs4Board::Exerciser);
    std::vector<std::pair<int64_t, int64_t>> passes;  // instructions, cycles
    for (int64_t n = 1; passes.size() < 4 && n < 100000; ++n) {
        const int32_t pc = Mcs4Pc(*s);
        const bool last = (pc == 0x0DC || pc == 0x0D5) && s->rom[static_cast<size_t>(pc)] == 0x40;
        StepMcs4<Mcs4Board::Exerciser>(*s);
        if (last) passes.emplace_back(n, s->cycles);
    }
    EXPECT_EQ(passes, (std::vector<std::pair<int64_t, int64_t>>{
                          {4395, 5235}, {8738, 10399}, {12966, 15440}, {17307, 20601}}));
}

}  // namespace
