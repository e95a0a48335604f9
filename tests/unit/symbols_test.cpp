// A program's symbols: from an assembly, their look-ups, and the symbols
// file written and read back, or refused.

#include "display/symbols.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "asm/asm_symbols.h"
#include "asm/assembler.h"
#include "asm_test_support.h"
#include "display/disassembler.h"

namespace {

// Line 3 has two labels; N is a constant; the DB line holds a FIM and a
// one-byte instruction.
constexpr char kSymbolsSource[] =
    "        JMS CONV\n"             // 000
    "N = 7\n"                        //
    "LOOP:   \n"                     //
    "AGAIN:  ISZ R1 LOOP\n"          // 002
    "        NOP\n"                  // 004
    "CONV:   FIM P0 0x12\n"          // 005
    "        DB 0x20, 0x30, 0xF2\n"  // 007: FIM P0 30, IAC
    "        BBL 0\n";               // 00A

ProgramSymbols SourceSymbols() {
    const Assembly assembly = Assemble(kSymbolsSource);
    EXPECT_FALSE(assembly.HasErrors());
    return SymbolsOf(assembly);
}

TEST(ProgramSymbolsTest, LookUps) {
    const ProgramSymbols symbols = SourceSymbols();
    struct Case {
        int32_t address;
        const char* label;  // LabelAt; nullptr for none
        std::string name;   // NameOf
        std::optional<int32_t> line;
        std::optional<int32_t> start;  // of the instruction holding it
    };
    const std::vector<Case> cases = {
        {0x000, nullptr, "000", 1, 0x000},    {0x001, nullptr, "001", 1, 0x000},
        {0x002, "LOOP", "LOOP", 4, 0x002},    {0x003, nullptr, "LOOP+1", 4, 0x002},
        {0x004, nullptr, "LOOP+2", 5, 0x004}, {0x005, "CONV", "CONV", 6, 0x005},
        {0x008, nullptr, "CONV+3", 7, 0x007}, {0x009, nullptr, "CONV+4", 7, 0x009},
        {0x00A, nullptr, "CONV+5", 8, 0x00A}, {0x00B, nullptr, "00B", std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        const std::string* label = symbols.LabelAt(c.address);
        EXPECT_EQ(label == nullptr ? "" : *label, c.label == nullptr ? "" : c.label);
        EXPECT_EQ(symbols.NameOf(c.address), c.name);
        EXPECT_EQ(symbols.LineOf(c.address), c.line);
        const std::optional<SourcePlace> place = symbols.PlaceOf(c.address);
        EXPECT_EQ(place ? std::optional(place->address) : std::nullopt, c.start);
    }
    EXPECT_EQ(symbols.FindLabel("again"), 0x002);
    EXPECT_EQ(symbols.FindLabel("Conv"), 0x005);
    EXPECT_EQ(symbols.FindLabel("N"), std::nullopt);  // a constant
    EXPECT_EQ(symbols.FindLabel("CON"), std::nullopt);
    EXPECT_EQ(symbols.AddressOfLine(7), 0x007);
    EXPECT_EQ(symbols.AddressOfLine(2), std::nullopt);  // places nothing
    EXPECT_EQ(symbols.AddressOfLine(9), std::nullopt);
}

TEST(ProgramSymbolsTest, TheFileReadsBackAsWritten) {
    const ProgramSymbols written = SourceSymbols();
    const std::string text = SymbolsFileText(written, "prog.asm");
    const Assembly assembly = Assemble(kSymbolsSource);
    ProgramSymbols read;
    std::string why;
    ASSERT_TRUE(ParseSymbolsFile(text, assembly.image, read, why)) << why;
    EXPECT_EQ(SymbolsFileText(read, "prog.asm"), text);
    // The image gives each instruction its length: the DB line's FIM.
    EXPECT_EQ(read.PlaceOf(0x008)->address, 0x007);
    EXPECT_EQ(read.PlaceOf(0x00A)->length, 1);
    // Comments, blanks, any order, lower-case hex; no image: one byte each.
    ASSERT_TRUE(ParseSymbolsFile("; x\n\n 01a  :12 ; ok\r\n1A Name\n0 :0\n", {}, read, why)) << why;
    EXPECT_EQ(read.NameOf(0x1A), "Name");
    EXPECT_EQ(read.LineOf(0x1A), 12);
    EXPECT_EQ(read.LineOf(0x1B), std::nullopt);
    EXPECT_EQ(read.LineOf(0x000), std::nullopt);
    ASSERT_TRUE(read.PlaceOf(0x000));
}

TEST(ProgramSymbolsTest, AMalformedFileIsRefusedSayingWhere) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"000 A\nZZZ B\n", "line 2: 'ZZZ' is no address 0..FFF in hex"},
        {"1000 A\n", "line 1: '1000' is no address"},
        {"-1 A\n", "line 1: '-1' is no address"},
        {"005\n", "line 1: address 005 has neither a name nor a :LINE"},
        {"005 A B\n", "line 1: 'B' follows the entry"},
        {"005 :x\n", "line 1: ':x' is no source line"},
        {"005 :\n", "line 1: ':' is no source line"},
        {"005 :-3\n", "line 1: ':-3' is no source line"},
        {"005 :99999999999\n", "is no source line"},
        {"005 :1\n005 :2\n", "line 2: address 005 has a line already"},
        {"005 A\x01\n", "line 1: the name 'A?' holds control characters"},
        {std::string("\x7F"
                     "ELF\x02\x01",
                     6),
         "line 1: '?ELF?"
         "?' is no address"},
    };
    for (const auto& [text, expected] : cases) {
        ProgramSymbols symbols({{7, "KEPT"}}, {});
        std::string why;
        EXPECT_FALSE(ParseSymbolsFile(text, {}, symbols, why)) << text;
        EXPECT_NE(why.find(expected), std::string::npos) << why;
        EXPECT_EQ(symbols.NameOf(7), "KEPT");
    }
}

}  // namespace

namespace {

// Labels on every page edge the listing knows: JCN and ISZ name a label on
// the page after them, FIM on its own page.
constexpr char kLabelledSource[] =
    "START:  JMS ROUT\n"      // 000
    "        FIM P2 TABLE\n"  // 002
    "        JUN MAIN\n"      // 004
    "        ORG 0xF0\n"
    "TABLE:  LDM 1\n"  // 0F0
    "        ORG 0xFC\n"
    "MAIN:   ISZ R2 MAIN\n"   // 0FC
    "        JCN C0 ROUT\n"   // 0FE: the page of 100
    "ROUT:   FIM P0 LOCAL\n"  // 100
    "        FIM P0 0xF0\n"   // 102: F0 on page 1 is no label
    "BAD:    JUN BAD\n"       // 104: a name that reads as hex is not shown
    "LOCAL:  BBL 0\n";        // 106

const ProgramSymbols kNoSymbols;

// The listing of the whole program, one line per instruction.
std::vector<std::string> ListingOf(const Assembly& assembly, bool mcs4,
                                   const ProgramSymbols* symbols) {
    OpcodeTables tables;
    FillOpcodeTables(tables, mcs4);
    std::vector<int32_t> rom(kMcs4RomBytes, 0);
    std::copy(assembly.image.begin(), assembly.image.end(), rom.begin());
    const ProgramView view{rom.data(), kMcs4RomBytes, mcs4};
    std::vector<std::string> lines;
    for (int32_t address = 0; address < static_cast<int32_t>(assembly.image.size());) {
        lines.push_back(DisassembleLine(view, tables, address, symbols));
    }
    return lines;
}

TEST(ListingLabelsTest, NamesOperandsAndLinesOnBothMachines) {
    for (const bool mcs4 : {false, true}) {
        SCOPED_TRACE(mcs4 ? "MCS-4" : "compatible");
        AsmOptions options;
        options.machine = mcs4 ? AsmMachine::kMcs4 : AsmMachine::kCompatible;
        const Assembly assembly = Assemble(kLabelledSource, options);
        ASSERT_EQ(ErrorsOf(assembly), "");
        const ProgramSymbols symbols = SymbolsOf(assembly);
        const std::vector<std::string> plain = ListingOf(assembly, mcs4, nullptr);
        const std::vector<std::string> lines = ListingOf(assembly, mcs4, &symbols);
        const std::vector<std::string> empty = ListingOf(assembly, mcs4, &kNoSymbols);
        EXPECT_EQ(empty, plain);
        ASSERT_EQ(lines.size(), plain.size());
        // The lines that differ from the plain listing, by address.
        const std::map<std::string, std::string> named = {
            {"000", "000 51 00 START: JMS ROUT"},    {"002", "002 22 F0 FIM P2 TABLE"},
            {"004", "004 40 FC JUN MAIN"},           {"0F0", "0F0 D1    TABLE: LDM 1"},
            {"0FC", "0FC 72 FC MAIN: ISZ R2 MAIN"},  {"0FE", "0FE 1A 00 JCN C0 ROUT"},
            {"100", "100 20 06 ROUT: FIM P0 LOCAL"}, {"106", "106 C0    LOCAL: BBL 0"},
        };
        for (size_t k = 0; k < plain.size(); ++k) {
            const auto found = named.find(plain[k].substr(0, 3));
            EXPECT_EQ(lines[k], found == named.end() ? plain[k] : found->second);
        }
        EXPECT_EQ(plain[plain.size() - 2], "104 41 04 JUN 104");  // BAD reads as hex

        // Each line assembles to its bytes again, its text checked too.
        std::string listing;
        for (const std::string& line : lines) listing += line + "\n";
        const Assembly again = Assemble(listing, options);
        EXPECT_EQ(ErrorsOf(again) + WarningsOf(again), "");
        EXPECT_EQ(again.image, assembly.image);
    }
}

TEST(ListingLabelsTest, ANameOnlyWhereItReadsBackAsTheAddress) {
    const std::vector<std::pair<std::string, bool>> names = {
        {"CONV", true}, {"_x1", true}, {"LEVEL3", true}, {"BAD", false}, {"C0", false},
        {"R5", false},  {"P2", false}, {"R0R1", false},  {"A.B", false}, {"", false},
    };
    for (const auto& [name, shown] : names) EXPECT_EQ(ShowsName(name), shown) << name;
    // Past 0xFFF, where no label can be, the compatible machine's listing
    // names nothing: a JUN there would read as another page's.
    OpcodeTables tables;
    FillOpcodeTables(tables);
    const ProgramSymbols symbols({{0x004, "HERE"}}, {});
    EXPECT_EQ(InstructionText(tables, 0x40, 0x04, 0x0FF0, symbols), "JUN HERE");
    EXPECT_EQ(InstructionText(tables, 0x40, 0x04, 0x1000, symbols), "JUN 004");
    EXPECT_EQ(InstructionText(tables, 0x1A, 0x04, 0x0FF0, symbols), "JCN C0 04");
    // Nor does an opcode the machine's tables do not name.
    EXPECT_EQ(InstructionText(tables, 0x10, 0x04, 0x000, symbols),
              InstructionText(tables, 0x10, 4));
}

}  // namespace
