// The assembler's diagnostics beyond single operands: the page rule at page
// ends, warnings, bytes placed twice or past 0xFFF, every error of a file in
// order, the image's shape, listing lines and their round trip.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "core/machine_state.h"
#include "display/disassembler.h"
#include "display/opcode_tables.h"
#include "tests/unit/asm_test_support.h"

namespace {

std::string Hex3(int32_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int32_t shift = 8; shift >= 0; shift -= 4) text += digits[(value >> shift) & 0xF];
    return text;
}

struct PageCase {
    int32_t address;  // of the JCN or ISZ
    int32_t target;
    bool accepted;
};

// The page a JCN or ISZ jumps within is that of the address after its two
// bytes, so an instruction whose second byte ends a page jumps in the next.
TEST(AsmDiagnostics, JcnAndIszTargetsOnThePageAfterTheInstruction) {
    const PageCase cases[] = {
        {0x0FC, 0x000, true},  {0x0FC, 0x0FF, true},  {0x0FC, 0x100, false},
        {0x0FD, 0x0FF, true},  {0x0FD, 0x100, false},  // ends at 0x0FE: page 0
        {0x0FE, 0x100, true},  {0x0FE, 0x1FF, true},  {0x0FE, 0x0FE, false},
        {0x0FE, 0x0FF, false},  // ends on the page's last byte
        {0x0FF, 0x100, true},  {0x0FF, 0x0FF, false}, {0xEFE, 0xF00, true},
        {0xEFE, 0xEFF, false}, {0xFFD, 0xFFF, true},  {0xFFD, 0x000, false},
        {0xFFE, 0x000, true},  {0xFFE, 0x0FF, true},  {0xFFE, 0xFFF, false},  // wraps to page 0
    };
    for (const PageCase& c : cases) {
        for (const std::string op : {"JCN AZ", "ISZ 3,"}) {
            const std::string source =
                " ORG " + Hex3(c.address) + "\n " + op + " " + Hex3(c.target) + "\n";
            const Assembly assembly = Assemble(source);
            EXPECT_EQ(assembly.HasErrors(), !c.accepted) << source << ErrorsOf(assembly);
            if (c.accepted) {
                ASSERT_EQ(assembly.image.size(), static_cast<size_t>(c.address + 2)) << source;
                EXPECT_EQ(assembly.image[static_cast<size_t>(c.address + 1)], c.target & 0xFF)
                    << source;
            } else {
                // The error names both pages.
                const AsmDiagnostic& error = FirstError(assembly);
                const int32_t after = (c.address + 2) & 0xFFF;
                EXPECT_EQ(error.line, 2);
                EXPECT_NE(error.message.find("page " + std::to_string(c.target >> 8)),
                          std::string::npos)
                    << error.message;
                EXPECT_NE(error.message.find("page " + std::to_string(after >> 8)),
                          std::string::npos)
                    << error.message;
                EXPECT_TRUE(assembly.image.size() <= static_cast<size_t>(c.address))
                    << "nothing placed for a failed statement";
            }
        }
    }
}

TEST(AsmDiagnostics, WarningsForWhatTheMachineDoesNotExecute) {
    struct Case {
        const char* source;
        const char* warnings;  // "line:column" of each, in order
    };
    const Case cases[] = {
        {" WPM", "1:2"},
        {" JCN 0 0", "1:6"},
        {" JCN 15 0", "1:6"},
        {" JCN 3 0\n JCN 5 0\n JCN 8 0", "1:6 2:6 3:6"},
        {" JCN 1 0\n JCN 2 0\n JCN 4 0\n JCN 9 0\n JCN 10 0\n JCN 12 0", ""},
        {" ORG 0xFF\n FIN 0P", "2:2"},
        {" ORG 0x1FF\n JIN 7P", "2:2"},
        {" ORG 0xFFF\n FIN 1P", "2:2"},
        {" ORG 0xFE\n FIN 0P\n JIN 0P", "3:2"},
        {" ORG 0x100\n FIN 0P", ""},
        {" ORG 0xFF\n SRC 0P", ""},
    };
    for (const Case& c : cases) {
        const Assembly assembly = Assemble(c.source);
        EXPECT_FALSE(assembly.HasErrors()) << c.source << ErrorsOf(assembly);
        std::string where;
        for (const AsmDiagnostic& d : assembly.diagnostics) {
            if (!where.empty()) where += ' ';
            where += std::to_string(d.line) + ":" + std::to_string(d.column);
        }
        EXPECT_EQ(where, c.warnings) << c.source << WarningsOf(assembly);
    }
    // A warning still places the bytes.
    EXPECT_EQ(Assemble(" WPM").image, std::vector<uint8_t>{0xE3});
    EXPECT_EQ(Assemble(" JCN 0 5").image, (std::vector<uint8_t>{0x10, 0x05}));
}

TEST(AsmDiagnostics, TwoStatementsPlacingTheSameByte) {
    const Assembly assembly = Assemble(" FIM 0P 1\n ORG 1\n NOP\n ORG 2\n NOP\n ORG 0\n DB 9");
    EXPECT_EQ(ErrorsOf(assembly),
              "3:2: address 0x001 already holds a byte from line 1\n"
              "7:2: address 0x000 already holds a byte from line 1\n");
    // The bytes placed first stay.
    EXPECT_EQ(assembly.image, (std::vector<uint8_t>{0x20, 0x01, 0x00}));
}

TEST(AsmDiagnostics, CodeRunningPastTheTopAddress) {
    // The last byte is fine; one more is an error at that statement, and
    // the statements after it up to the next ORG are not reported again.
    const Assembly fits = Assemble(" ORG 0xFFE\n NOP\n NOP");
    EXPECT_EQ(ErrorsOf(fits), "");
    EXPECT_EQ(fits.image.size(), 0x1000u);

    const Assembly past = Assemble(" ORG 0xFFF\n JUN 0\n NOP\n NOP\n ORG 0xFFF\n DB 1, 2\n");
    EXPECT_EQ(ErrorsOf(past),
              "2:2: code runs past 0xFFF (this statement starts at 0xFFF)\n"
              "6:2: code runs past 0xFFF (this statement starts at 0xFFF)\n");
    EXPECT_TRUE(past.image.empty());

    const Assembly listing = Assemble("FFF 20 00 FIM P0 00\n");
    EXPECT_EQ(FirstError(listing).message.find("past 0xFFF") != std::string::npos, true)
        << ErrorsOf(listing);
}

TEST(AsmDiagnostics, EveryErrorOfTheFileInLineOrder) {
    const Assembly assembly = Assemble(
        " LDM 16\n"
        " NOP\n"
        "L: FROB\n"
        " JUN LATER+\n"
        "L: NOP\n"
        " WPM\n"
        " ORG 0x1000\n");
    EXPECT_EQ(assembly.diagnostics.size(), 6u);
    int32_t previous = 0;
    for (const AsmDiagnostic& d : assembly.diagnostics) {
        EXPECT_GE(d.line, previous);
        previous = d.line;
    }
    EXPECT_EQ(ErrorsOf(assembly),
              "1:6: a 4-bit value must be 0..15, not 16\n"
              "3:4: unknown instruction 'FROB'\n"
              "4:6: undefined name 'LATER'\n"
              "5:1: 'L' is already defined on line 3\n"
              "7:6: address 0x1000 is outside 0..0xFFF\n");
    EXPECT_EQ(WarningsOf(assembly), "6:2: WPM is not executed by this machine\n");
}

TEST(AsmDiagnostics, FormattedAsCompilersDo) {
    EXPECT_EQ(FormatDiagnostic("prog.asm", {12, 7, true, "undefined name 'X'", {}}),
              "prog.asm:12:7: error: undefined name 'X'");
    EXPECT_EQ(FormatDiagnostic("a/b.asm", {1, 1, false, "WPM is not executed by this machine", {}}),
              "a/b.asm:1:1: warning: WPM is not executed by this machine");
}

TEST(AsmDiagnostics, TheImageRunsFromZeroToTheHighestByteWritten) {
    EXPECT_TRUE(Assemble("").image.empty());
    EXPECT_TRUE(Assemble("/ nothing\n X = 5\n ORG 0x100\nL:\n").image.empty());
    EXPECT_EQ(Assemble(" ORG 3\n DB 7").image, (std::vector<uint8_t>{0, 0, 0, 7}));
    EXPECT_EQ(Assemble(" ORG 0x20\n NOP\n ORG 0\n LDM 1").image.size(), 0x21u);
    const Assembly top = Assemble(" ORG 0xFFF\n DB 0xAB");
    ASSERT_EQ(top.image.size(), 0x1000u);
    EXPECT_EQ(top.image[0xFFF], 0xAB);
}

TEST(AsmDiagnostics, ListingHoldsEachStatementWithItsAddressAndBytes) {
    const Assembly assembly = Assemble(
        "/ a comment line is none\n"
        "START: FIM 0P 0x67 ; load\n"
        "N = 5\n"
        " ORG 0x10\n"
        "HERE:\n"
        " DB 1, 2, 3\n");
    ASSERT_EQ(assembly.listing.size(), 5u);
    const int32_t addresses[] = {0x000, 5, 0x010, 0x010, 0x010};
    const int32_t lines[] = {2, 3, 4, 5, 6};
    const std::vector<uint8_t> bytes[] = {{0x20, 0x67}, {}, {}, {}, {1, 2, 3}};
    for (size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(assembly.listing[k].address, addresses[k]) << k;
        EXPECT_EQ(assembly.listing[k].line, lines[k]) << k;
        EXPECT_EQ(assembly.listing[k].bytes, bytes[k]) << k;
    }
    EXPECT_EQ(assembly.listing[0].source, "START: FIM 0P 0x67 ; load");
}

// --- Listing lines --------------------------------------------------------

TEST(AsmListingLines, PlaceTheirBytesAtTheirAddress) {
    const Assembly assembly = Assemble(
        "000 20 67 FIM P0 67\n"
        "002 f2    iac\n"
        "003 40   04   JUN    004 / copied from the window\n"
        "005 01    HLT\n"      // the 4040's, placed all the same
        "006 FE    ???\n"      // undefined, one byte
        "007 13 AB ??? AB\n"   // undefined, two bytes
        "009 51 00 JMS 100\n"  // continues after it:
        " NOP\n"
        "DAA FB    DAA\n");
    EXPECT_EQ(ErrorsOf(assembly), "");
    ASSERT_EQ(assembly.image.size(), 0xDABu);
    const std::vector<uint8_t> head(assembly.image.begin(), assembly.image.begin() + 12);
    EXPECT_EQ(head, (std::vector<uint8_t>{0x20, 0x67, 0xF2, 0x40, 0x04, 0x01, 0xFE, 0x13, 0xAB,
                                          0x51, 0x00, 0x00}));
    EXPECT_EQ(assembly.image[0xDAA], 0xFB);
    EXPECT_TRUE(assembly.diagnostics.empty()) << "listing lines warn of nothing";
}

TEST(AsmListingLines, TextMustBeWhatTheListingShows) {
    struct Case {
        const char* source;
        int32_t column;
        const char* words;
    };
    const Case cases[] = {
        {"000 20 67 FIM P0 68", 11, "'FIM P0 67'"},
        {"000 20 67 FIM P2 67", 11, "'FIM P0 67'"},
        {"000 F2 DAA", 8, "'IAC'"},
        {"000 40 04 JUN 005", 11, "'JUN 004'"},
        {"000 13 00 ???", 11, "'??? 00'"},
        {"000 20 FIM P0 00", 5, "two bytes"},
        {"000 F2 00 IAC", 5, "one byte"},
        {"1000 F2 IAC", 1, "beyond 0xFFF"},
    };
    for (const Case& c : cases) {
        const Assembly assembly = Assemble(c.source);
        const AsmDiagnostic& error = FirstError(assembly);
        EXPECT_EQ(error.column, c.column) << c.source << ": " << error.message;
        EXPECT_NE(error.message.find(c.words), std::string::npos)
            << c.source << ": " << error.message;
        EXPECT_TRUE(assembly.image.empty()) << c.source;
    }
}

TEST(AsmListingLines, OtherLinesAreStatements) {
    // Too few address digits, no text, a one-digit byte: statements, and so
    // errors or instructions of their own.
    EXPECT_EQ(Assemble("ADD 12").image, std::vector<uint8_t>{0x8C});
    EXPECT_EQ(Assemble("DAA").image, std::vector<uint8_t>{0xFB});
    EXPECT_EQ(FirstError(Assemble("00 F2 IAC")).message, "unknown instruction '00'");
    // JIN P7 (0x3F), next to the JUNs' 12-bit rule, is one byte.
    const Assembly jin = Assemble("000 3F JIN P7");
    EXPECT_TRUE(jin.diagnostics.empty()) << ErrorsOf(jin);
    EXPECT_EQ(jin.image, std::vector<uint8_t>{0x3F});
    // Bytes without text are data.
    EXPECT_EQ(Assemble("000 F2 ; IAC").image, std::vector<uint8_t>{0xF2});
}

// Random images: the window's listing of the whole image assembles back to
// the identical bytes.
TEST(AsmListingLines, RandomImagesRoundTripThroughTheWindowsListing) {
    OpcodeTables tables;
    FillOpcodeTables(tables);
    auto state = std::make_unique<MachineState>();
    std::mt19937 random(4004);
    for (int32_t round = 0; round < 60; ++round) {
        const size_t size = round == 0 ? 0x1000 : 1 + random() % 0x1000;
        std::vector<uint8_t> image(size);
        for (uint8_t& byte : image) byte = static_cast<uint8_t>(random());
        // An instruction that would end past 0xFFF is left out of the image.
        state->RomImage.fill(0);
        std::copy(image.begin(), image.end(), state->RomImage.begin());
        std::string listing;
        int32_t address = 0;
        while (static_cast<size_t>(address) < size) {
            const int32_t opcode = image[static_cast<size_t>(address)];
            if (address + tables.LengthTable[static_cast<size_t>(opcode)] > 0x1000) {
                image.resize(static_cast<size_t>(address));
                break;
            }
            listing += DisassembleLine(*state, tables, address) + "\n";
        }
        if (static_cast<size_t>(address) > image.size()) image.resize(static_cast<size_t>(address));

        const Assembly assembly = Assemble(listing);
        ASSERT_EQ(ErrorsOf(assembly), "") << "round " << round;
        EXPECT_EQ(assembly.image, image) << "round " << round;
    }
}

// --- Large inputs (correctness only; the speed is measured by hand) --------

TEST(AsmLargeInputs, AVeryLongLineGivesOneClearError) {
    std::string line = " DB 1";
    while (line.size() < 200000) line += ",1";
    const Assembly assembly = Assemble(line + "\n NOP\n");
    EXPECT_EQ(ErrorsOf(assembly), "1:2: code runs past 0xFFF (this statement starts at 0x000)\n");

    const Assembly name = Assemble(" JUN " + std::string(200000, 'A'));
    ASSERT_EQ(name.diagnostics.size(), 1u);
    EXPECT_LT(name.diagnostics[0].message.size(), 120u) << "the name is cut short in the message";
}

TEST(AsmLargeInputs, ManyLinesRunningPastTheTopGiveOneError) {
    std::string source;
    for (int32_t k = 0; k < 100000; ++k) source += " NOP\n";
    const Assembly assembly = Assemble(source);
    EXPECT_EQ(ErrorsOf(assembly),
              "4097:2: code runs past 0xFFF (this statement starts at 0x1000)\n");
    EXPECT_EQ(assembly.image.size(), 0x1000u);
}

}  // namespace
