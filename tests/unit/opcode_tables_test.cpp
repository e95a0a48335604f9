#include "display/opcode_tables.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Splits a blank-separated word list.
std::vector<std::string> Words(const std::string& list) {
    std::istringstream in(list);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// The text of an opcode, derived from the instruction groups rather than
// listed: register and pair numbers, conditions and immediate values are
// computed from the low nibble.
std::string TextByGroupRule(int32_t opcode) {
    const int32_t n = opcode & 0x0F;
    const std::string decimal = std::to_string(n);
    switch (opcode >> 4) {
        case 0x0: {
            const std::vector<std::string> names =
                Words("NOP HLT BBS LCR OR4 OR5 AN6 AN7 DB0 DB1 SB0 SB1 EIN DIN RPM");
            return n < 15 ? names[static_cast<size_t>(n)] : "???";
        }
        case 0x1:
            switch (n) {
                case 1: return "JCN TN";
                case 2: return "JCN C1";
                case 4: return "JCN AZ";
                case 9: return "JCN TZ";
                case 10: return "JCN C0";
                case 12: return "JCN AN";
                default: return "???";
            }
        case 0x2: return n % 2 == 0 ? "FIM P" + decimal : "SRC P" + std::to_string(n - 1);
        case 0x3: return (n % 2 == 0 ? "FIN P" : "JIN P") + std::to_string(n / 2);
        case 0x4: return "JUN ";
        case 0x5: return "JMS ";
        case 0x6: return "INC R" + decimal;
        case 0x7: return "ISZ R" + decimal;
        case 0x8: return "ADD R" + decimal;
        case 0x9: return "SUB R" + decimal;
        case 0xA: return "LD R" + decimal;
        case 0xB: return "XCH R" + decimal;
        case 0xC: return "BBL " + decimal;
        case 0xD: {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(n));
            return "LDM " + (n < 10 ? decimal : std::string(hex));
        }
        case 0xE:
            return Words("WRM WMP WRR WPM WR0 WR1 WR2 WR3 SBM RDM RDR ADM RD0 RD1 RD2 RD3")
                [static_cast<size_t>(n)];
        default: {
            const std::vector<std::string> names =
                Words("CLB CLC IAC CMC CMA RAL RAR TCC DAC TCS STC DAA KBP DCL");
            return n < 14 ? names[static_cast<size_t>(n)] : "???";
        }
    }
}

// Two bytes for JCN (any condition), FIM, JUN, JMS and ISZ.
int32_t LengthByGroupRule(int32_t opcode) {
    const bool jcn = opcode >= 0x10 && opcode <= 0x1F;
    const bool fim = opcode >= 0x20 && opcode <= 0x2E && opcode % 2 == 0;
    const bool junJms = opcode >= 0x40 && opcode <= 0x5F;
    const bool isz = opcode >= 0x70 && opcode <= 0x7F;
    return jcn || fim || junJms || isz ? 2 : 1;
}

OpcodeTables FilledTables() {
    OpcodeTables tables;
    FillOpcodeTables(tables);
    return tables;
}

TEST(OpcodeTables, EveryEntryFollowsItsGroupRule) {
    const OpcodeTables tables = FilledTables();
    for (int32_t opcode = 0; opcode < 256; ++opcode) {
        const auto index = static_cast<size_t>(opcode);
        EXPECT_EQ(tables.MnemonicTable[index], TextByGroupRule(opcode))
            << "text of opcode 0x" << std::hex << opcode;
        EXPECT_EQ(tables.LengthTable[index], LengthByGroupRule(opcode))
            << "length of opcode 0x" << std::hex << opcode;
    }
}

TEST(OpcodeTables, NamedEntries) {
    struct Case {
        int32_t opcode;
        std::string text;
        int32_t length;
    };
    const Case cases[] = {
        {0x00, "NOP", 1},     {0x0F, "???", 1},    {0xFE, "???", 1},     {0xFF, "???", 1},
        {0x10, "???", 2},     {0x1F, "???", 2},    {0x2A, "FIM P10", 2}, {0x2B, "SRC P10", 1},
        {0x3A, "FIN P5", 1},  {0x3B, "JIN P5", 1}, {0xDA, "LDM 0A", 1},  {0xD9, "LDM 9", 1},
        {0xCA, "BBL 10", 1},  {0x40, "JUN ", 2},   {0x4F, "JUN ", 2},    {0x5F, "JMS ", 2},
        {0x7F, "ISZ R15", 2}, {0xE3, "WPM", 1},    {0xFD, "DCL", 1},
    };
    const OpcodeTables tables = FilledTables();
    for (const Case& c : cases) {
        const auto index = static_cast<size_t>(c.opcode);
        EXPECT_EQ(tables.MnemonicTable[index], c.text) << "opcode 0x" << std::hex << c.opcode;
        EXPECT_EQ(tables.LengthTable[index], c.length) << "opcode 0x" << std::hex << c.opcode;
    }
}

}  // namespace
