#include "display/disassembler.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "frontend/controls.h"
#include "platform/headless/headless_layer.h"

namespace {

class Disassembler : public ::testing::Test {
protected:
    Disassembler() {
        FillOpcodeTables(tables);
        layer.OpenWindow(kMainWindow, kWindowWidth, kWindowHeight, kWindowTitle);
        layer.CreateControl(kMainWindow, ControlKind::List, Control::kCodeListing, 0, 0, 200, 400,
                            "", false);
    }

    // Writes bytes into ROM from `address` on.
    void Load(int32_t address, std::initializer_list<int32_t> bytes) {
        for (const int32_t byte : bytes) state->RomImage[static_cast<size_t>(address++)] = byte;
    }

    [[nodiscard]] std::string LineAt(int32_t address) {
        listingAddress = address;
        return DisassembleLine(*state, tables, listingAddress);
    }

    [[nodiscard]] const std::vector<std::string>& Lines() {
        return layer.controls[Control::kCodeListing].lines;
    }
    [[nodiscard]] int32_t Selected() { return layer.controls[Control::kCodeListing].selected; }

    void Fill(int32_t address) {
        listingAddress = address;
        FillCodeListing(*state, tables, listingAddress, layer);
    }
    void Follow(int32_t pc) {
        state->pc = pc;
        FollowPc(*state, tables, listingAddress, layer);
    }

    std::unique_ptr<MachineState> state = std::make_unique<MachineState>();
    OpcodeTables tables;
    int32_t listingAddress = 0;
    HeadlessLayer layer;
};

// FIM P0 67; LD R0; CLC; ADD R1; DAA; XCH R3; LDM 0; RAL; XCH R2.
constexpr std::initializer_list<int32_t> kAddProgram = {0x20, 0x67, 0xA0, 0xF1, 0x81,
                                                        0xFB, 0xB3, 0xD0, 0xF5, 0xB2};

TEST_F(Disassembler, ListsAProgramFromAddressZero) {
    Load(0, kAddProgram);
    Fill(0);

    const std::vector<std::string> head = {
        "000 20 67 FIM P0 67", "002 A0    LD R0",  "003 F1    CLC",   "004 81    ADD R1",
        "005 FB    DAA",       "006 B3    XCH R3", "007 D0    LDM 0", "008 F5    RAL",
        "009 B2    XCH R2",    "00A 00    NOP",
    };
    ASSERT_EQ(Lines().size(), 32u);
    for (size_t i = 0; i < head.size(); ++i) EXPECT_EQ(Lines()[i], head[i]) << "line " << i;
    EXPECT_EQ(Lines()[10], "00B 00    NOP");
    EXPECT_EQ(Lines()[31], "020 00    NOP");
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(listingAddress, 0x21);  // just behind the last listed instruction
}

TEST_F(Disassembler, ListsJumpsAndConditionsWithTheirOperands) {
    Load(0, {0xD5, 0xB0, 0xA0, 0xB1, 0xA0, 0xF1, 0x83, 0xB3, 0x1A, 0x0B, 0x62, 0xA1, 0xF8, 0x14,
             0x12, 0xB1, 0x40, 0x04});
    Fill(0);

    const std::vector<std::string> expected = {
        "000 D5    LDM 5",     "001 B0    XCH R0", "002 A0    LD R0",   "003 B1    XCH R1",
        "004 A0    LD R0",     "005 F1    CLC",    "006 83    ADD R3",  "007 B3    XCH R3",
        "008 1A 0B JCN C0 0B", "00A 62    INC R2", "00B A1    LD R1",   "00C F8    DAC",
        "00D 14 12 JCN AZ 12", "00F B1    XCH R1", "010 40 04 JUN 004", "012 00    NOP",
    };
    ASSERT_EQ(Lines().size(), 32u);
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(Lines()[i], expected[i]) << "line " << i;
}

TEST_F(Disassembler, FormatsSingleLines) {
    struct Case {
        std::initializer_list<int32_t> bytes;
        int32_t address;
        std::string line;
    };
    const Case cases[] = {
        {{0x00}, 0x000, "000 00    NOP"},
        {{0x00}, 0x01F, "01F 00    NOP"},
        {{0x5A, 0x34}, 0x000, "000 5A 34 JMS A34"},
        {{0x40, 0x00}, 0x000, "000 40 00 JUN 000"},
        {{0x13, 0xFF}, 0x000, "000 13 FF ??? FF"},  // undefined, yet two bytes
        {{0x4F, 0xFF}, 0x000, "000 4F FF JUN FFF"},
        {{0x7F, 0x0A}, 0xABC, "ABC 7F 0A ISZ R15 0A"},  // the longest line
        {{0xDF}, 0x000, "000 DF    LDM 0F"},
        {{0x1F, 0x00}, 0xFFF, "FFF 1F 00 ??? 00"},
        // Next to the JUN and JMS rows, whose operand is a 12-bit target.
        {{0x3F}, 0x000, "000 3F    JIN P7"},
        {{0x2E, 0xAB}, 0x000, "000 2E AB FIM P14 AB"},
        {{0x60}, 0x000, "000 60    INC R0"},
    };
    for (const Case& c : cases) {
        state->RomImage.fill(0);
        Load(c.address, c.bytes);
        const std::string line = LineAt(c.address);
        EXPECT_EQ(line, c.line);
        EXPECT_LE(line.size(), 20u) << c.line;
        EXPECT_EQ(listingAddress, c.address + static_cast<int32_t>(c.bytes.size())) << c.line;
    }
}

// The MCS-4 system's listing names the chip's conditions (1 jumps when TEST
// is 0) and wraps at the end of its 4 KiB; the compatible one is unchanged.
TEST_F(Disassembler, TheMcs4ListingNamesTheChipsConditionsAndWraps) {
    OpcodeTables chip;
    FillOpcodeTables(chip, true);
    auto mcs4 = std::make_unique<Mcs4State>();
    mcs4->rom[0xFFF] = 0x11;
    mcs4->rom[0x000] = 0x22;
    mcs4->rom[0x001] = 0x3F;
    int32_t address = 0xFFF;
    EXPECT_EQ(DisassembleLine(ViewOf(*mcs4), chip, address), "FFF 11 22 JCN TZ 22");
    EXPECT_EQ(address, 0x001);
    EXPECT_EQ(DisassembleLine(ViewOf(*mcs4), chip, address), "001 3F    JIN P7");
    for (const auto& [opcode, text] :
         std::vector<std::pair<int32_t, std::string>>{{0x10, "JCN 0 05"},
                                                      {0x19, "JCN TN 05"},
                                                      {0x17, "JCN AZ|C1|TZ 05"},
                                                      {0x1D, "JCN AN&TN 05"},
                                                      {0x18, "JCN 8 05"}}) {
        EXPECT_EQ(InstructionText(chip, opcode, 5), text);
    }
    EXPECT_EQ(InstructionText(tables, 0x11, 5), "JCN TN 05");
    EXPECT_EQ(InstructionText(tables, 0x17, 5), "??? 05");
}

TEST_F(Disassembler, StartingMidInstructionDecodesTheOperandAsAnOpcode) {
    Load(0, {0x40, 0x22, 0x20, 0xD1});  // JUN 022 hides FIM P2 20 behind its opcode
    Fill(1);
    EXPECT_EQ(Lines()[0], "001 22 20 FIM P2 20");
    EXPECT_EQ(Lines()[1], "003 D1    LDM 1");
    EXPECT_EQ(Lines()[2], "004 00    NOP");
}

TEST_F(Disassembler, AddressesOfFourHexDigitsAndMoreKeepAllDigits) {
    Load(0x1000, {0x5A, 0x34});
    EXPECT_EQ(LineAt(0x1000), "1000 5A 34 JMS A34");
    EXPECT_EQ(listingAddress, 0x1002);
    Load(0xFFFF, {0x12, 0x34});  // the operand is entry 65536, the array's last
    EXPECT_EQ(LineAt(0xFFFF), "FFFF 12 34 JCN C1 34");
    EXPECT_EQ(listingAddress, 0x10001);
}

TEST_F(Disassembler, ReadsOutsideTheRomImageYieldZero) {
    // Entry 65536 is the last; its operand would lie beyond the array, where
    // the next field of the machine state follows in memory.
    Load(0x10000, {0x20});
    state->indexRegisters[0] = 0x55;
    EXPECT_EQ(LineAt(0x10000), "10000 20 00 FIM P0 00");
    EXPECT_EQ(listingAddress, 0x10002);
    EXPECT_EQ(LineAt(0x10001), "10001 00    NOP");
    EXPECT_EQ(LineAt(0x7FFFFFFF), "7FFFFFFF 00    NOP");
    // A negative address is shown as its unsigned pattern and reads 0.
    EXPECT_EQ(LineAt(-1), "FFFFFFFF 00    NOP");
    EXPECT_EQ(listingAddress, 0);
}

TEST_F(Disassembler, ListingAcrossTheEndOfTheRomImage) {
    Load(0xFFFE, {0x40, 0x12, 0x7A});
    Fill(0xFFFE);
    ASSERT_EQ(Lines().size(), 32u);
    EXPECT_EQ(Lines()[0], "FFFE 40 12 JUN 012");
    EXPECT_EQ(Lines()[1], "10000 7A 00 ISZ R10 00");
    EXPECT_EQ(Lines()[2], "10002 00    NOP");
    EXPECT_EQ(Lines()[31], "1001F 00    NOP");
    EXPECT_EQ(listingAddress, 0x10020);
}

TEST_F(Disassembler, FollowPcInsideTheListingMovesOnlyTheSelection) {
    Load(0, kAddProgram);
    Fill(0);
    const std::vector<std::string> before = Lines();
    state->RomImage[0] = 0xF0;  // a rebuild would show this change

    Follow(0);
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(Lines(), before);
    Follow(3);
    EXPECT_EQ(Selected(), 2);
    Follow(0x20);
    EXPECT_EQ(Selected(), 31);
    EXPECT_EQ(Lines(), before);
    EXPECT_EQ(listingAddress, 0x21);
}

TEST_F(Disassembler, FollowPcOutsideTheListingRebuildsAtPc) {
    Load(0, kAddProgram);
    Fill(0x100);
    Follow(0);
    ASSERT_EQ(Lines().size(), 32u);
    EXPECT_EQ(Lines()[0], "000 20 67 FIM P0 67");
    EXPECT_EQ(Selected(), 0);
    EXPECT_EQ(listingAddress, 0x21);

    Follow(0x21);  // one behind the last line
    EXPECT_EQ(Lines()[0], "021 00    NOP");
    EXPECT_EQ(Selected(), 0);
}

TEST_F(Disassembler, FollowPcIntoAnOperandRebuildsAtPc) {
    Load(0, kAddProgram);
    Fill(0);
    Follow(1);  // the 0x67 of FIM P0 67 has no line of its own
    EXPECT_EQ(Lines()[0], "001 67    INC R7");
    EXPECT_EQ(Lines()[1], "002 A0    LD R0");
    EXPECT_EQ(Selected(), 0);
}

TEST_F(Disassembler, FollowPcFindsAddressesOfFourHexDigitsAndMore) {
    Load(0x1000, {0x20, 0x11, 0xF0, 0xF2});
    Fill(0);
    Follow(0x1000);
    EXPECT_EQ(Lines()[0], "1000 20 11 FIM P0 11");
    state->RomImage[0x1000] = 0;  // a rebuild would show this change

    Follow(0x1003);
    EXPECT_EQ(Selected(), 2);
    EXPECT_EQ(Lines()[0], "1000 20 11 FIM P0 11");

    // 0x100 shares the first three characters of "1000 ..." but is not listed.
    Follow(0x100);
    EXPECT_EQ(Lines()[0], "100 00    NOP");
    EXPECT_EQ(Selected(), 0);

    Fill(0x10000);
    Follow(0x10005);
    EXPECT_EQ(Selected(), 5);
}

TEST_F(Disassembler, FollowPcOnAnEmptyListingBuildsIt) {
    Follow(0x10);
    ASSERT_EQ(Lines().size(), 32u);
    EXPECT_EQ(Lines()[0], "010 00    NOP");
    EXPECT_EQ(Selected(), 0);
}

}  // namespace
