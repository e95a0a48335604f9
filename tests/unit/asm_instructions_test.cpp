// The assembler's statements: every instruction with every operand kind and
// bound, numbers, expressions, labels, constants and directives.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "data/opcode_data.h"
#include "tests/unit/asm_test_support.h"

namespace {

struct Encoding {
    const char* source;
    std::vector<uint8_t> bytes;
};

class Encodes : public ::testing::TestWithParam<Encoding> {};

TEST_P(Encodes, ToTheBytes) {
    const Assembly assembly = Assemble(GetParam().source);
    EXPECT_EQ(ErrorsOf(assembly), "") << GetParam().source;
    EXPECT_EQ(assembly.image, GetParam().bytes) << GetParam().source;
}

INSTANTIATE_TEST_SUITE_P(
    Instructions, Encodes,
    ::testing::Values(
        Encoding{"NOP", {0x00}},
        // Register pairs in both forms, first and last.
        Encoding{"FIM 0P 0x67", {0x20, 0x67}}, Encoding{"FIM 7P 255", {0x2E, 0xFF}},
        Encoding{"FIM R0R1, 0", {0x20, 0x00}}, Encoding{"FIM r14r15 0b1010", {0x2E, 0x0A}},
        Encoding{"SRC 1P", {0x23}}, Encoding{"SRC R14R15", {0x2F}}, Encoding{"FIN 2P", {0x34}},
        Encoding{"FIN 0p", {0x30}}, Encoding{"JIN 3P", {0x37}}, Encoding{"JIN R14R15", {0x3F}},
        // 12-bit addresses at both ends.
        Encoding{"JUN 0", {0x40, 0x00}}, Encoding{"JUN 0xFFF", {0x4F, 0xFF}},
        Encoding{"JMS 0x123", {0x51, 0x23}}, Encoding{"jms 0FFFH", {0x5F, 0xFF}},
        // JCN by name and number; ISZ by register number and name.
        Encoding{"JCN TN 0", {0x11, 0x00}}, Encoding{"JCN C1 0", {0x12, 0x00}},
        Encoding{"JCN AZ 0", {0x14, 0x00}}, Encoding{"JCN tz 0", {0x19, 0x00}},
        Encoding{"JCN C0 0", {0x1A, 0x00}}, Encoding{"JCN AN 0xFF", {0x1C, 0xFF}},
        Encoding{"JCN 12 5", {0x1C, 0x05}}, Encoding{"ISZ 8 LOOP\nLOOP: NOP", {0x78, 0x02, 0x00}},
        Encoding{"ISZ R15, 0", {0x7F, 0x00}}, Encoding{"ISZ 0 0xFF", {0x70, 0xFF}},
        // Registers: number, name, expression.
        Encoding{"INC 0", {0x60}}, Encoding{"INC R15", {0x6F}}, Encoding{"ADD r1", {0x81}},
        Encoding{"SUB 14+1", {0x9F}}, Encoding{"LD 0xA", {0xAA}}, Encoding{"XCH 3", {0xB3}},
        Encoding{"N = 7\n XCH N", {0xB7}},
        // Four-bit values at both ends.
        Encoding{"BBL 0", {0xC0}}, Encoding{"BBL 15", {0xCF}}, Encoding{"LDM 0x0F", {0xDF}},
        Encoding{"LDM 0", {0xD0}},
        // Data at both ends, both names, any separators.
        Encoding{"DB 0, 255", {0x00, 0xFF}}, Encoding{"DATA 1 2,3 , 4", {1, 2, 3, 4}},
        // The listing's pair names (FIM and SRC by the first register, FIN
        // and JIN by the index), blanks and operators inside expressions.
        Encoding{"JIN P0", {0x31}}, Encoding{"SRC P14", {0x2F}}, Encoding{"FIN P7", {0x3E}},
        Encoding{"LDM 1 + 2", {0xD3}}, Encoding{"LDM 2*3", {0xD6}},
        Encoding{"LDM (1 << 3) | 1", {0xD9}}));

// The thirty one-byte instructions from WRM to DCL, by the listing's names.
TEST(AsmInstructions, EveryOneByteInstructionFromWrmToDcl) {
    for (int32_t opcode = 0xE0; opcode <= 0xFD; ++opcode) {
        const std::string name(kOpcodeData[static_cast<size_t>(opcode)].text);
        const Assembly assembly = Assemble(" " + name + "\n " + Lower(name));
        EXPECT_EQ(ErrorsOf(assembly), "") << name;
        EXPECT_EQ(assembly.image, (std::vector<uint8_t>{static_cast<uint8_t>(opcode),
                                                        static_cast<uint8_t>(opcode)}))
            << name;
    }
}

TEST(AsmInstructions, EveryRegisterAndPairInEveryForm) {
    const char* registerOps[] = {"INC", "ADD", "SUB", "LD", "XCH"};
    const uint8_t registerBase[] = {0x60, 0x80, 0x90, 0xA0, 0xB0};
    for (size_t k = 0; k < 5; ++k) {
        for (int32_t r = 0; r < 16; ++r) {
            const std::string op = registerOps[k];
            const auto expected = static_cast<uint8_t>(registerBase[k] | r);
            for (const std::string& operand : {std::to_string(r), "R" + std::to_string(r)}) {
                const Assembly assembly = Assemble(op + " " + operand);
                EXPECT_EQ(assembly.image, std::vector<uint8_t>{expected}) << op << " " << operand;
            }
        }
    }
    const char* pairOps[] = {"SRC", "FIN", "JIN"};
    const uint8_t pairBase[] = {0x21, 0x30, 0x31};
    for (size_t k = 0; k < 3; ++k) {
        for (int32_t p = 0; p < 8; ++p) {
            const auto expected = static_cast<uint8_t>(pairBase[k] | p << 1);
            const std::string both[] = {std::to_string(p) + "P", "R" + std::to_string(2 * p) + "R" +
                                                                     std::to_string(2 * p + 1)};
            for (const std::string& operand : both) {
                const Assembly assembly = Assemble(std::string(pairOps[k]) + " " + operand);
                EXPECT_EQ(assembly.image, std::vector<uint8_t>{expected})
                    << pairOps[k] << " " << operand;
            }
        }
    }
}

struct Refusal {
    const char* source;
    int32_t line;
    int32_t column;
    const char* words;  // in the message
};

class Refuses : public ::testing::TestWithParam<Refusal> {};

TEST_P(Refuses, WithAnErrorAtItsColumn) {
    const Refusal& refusal = GetParam();
    const Assembly assembly = Assemble(refusal.source);
    ASSERT_TRUE(assembly.HasErrors()) << refusal.source;
    const AsmDiagnostic& first = FirstError(assembly);
    EXPECT_EQ(first.line, refusal.line) << refusal.source;
    EXPECT_EQ(first.column, refusal.column) << refusal.source << ": " << first.message;
    EXPECT_NE(first.message.find(refusal.words), std::string::npos)
        << refusal.source << ": " << first.message;
}

INSTANTIATE_TEST_SUITE_P(
    Operands, Refuses,
    ::testing::Values(
        // Values one past each bound.
        Refusal{" LDM 16", 1, 6, "0..15"}, Refusal{" BBL -1", 1, 6, "0..15"},

        Refusal{" JUN 0x1000", 1, 6, "0x1000"}, Refusal{" JMS -1", 1, 6, "0..0xFFF"},
        Refusal{" INC 16", 1, 6, "0..15"}, Refusal{" ADD -1", 1, 6, "0..15"},
        Refusal{" JCN 16 0", 1, 6, "0..15"}, Refusal{" ISZ 16 0", 1, 6, "0..15"},
        Refusal{" JCN AZ 0x1000", 1, 9, "0..0xFFF"},

        Refusal{" ORG 0x1000", 1, 6, "0..0xFFF"}, Refusal{" *= -1", 1, 5, "0..0xFFF"},
        // Wrong kinds.
        Refusal{" SRC 8P", 1, 6, "0P..7P"}, Refusal{" FIN 3", 1, 6, "0P..7P"},
        Refusal{" FIM R1R2 0", 1, 6, "R0R1, R2R3"}, Refusal{" INC R0R1", 1, 6, "pair"},
        Refusal{" LDM TN", 1, 6, "condition"}, Refusal{" LDM R3", 1, 6, "register"},
        // Counts.
        Refusal{" NOP 1", 1, 6, "no operands"}, Refusal{" ISZ 8", 1, 2, "two operands"},
        Refusal{" FIM 0P", 1, 2, "two operands"}, Refusal{" LDM 1 2", 1, 8, "one operand"},
        Refusal{" DB", 1, 2, "at least one"}, Refusal{" ORG", 1, 2, "one operand"},
        Refusal{" END 5", 1, 6, "no operands"},
        // Separators.
        Refusal{" ISZ 8,, 0", 1, 8, "two commas"}, Refusal{" ISZ 8 0,", 1, 9, "after ','"},
        Refusal{" LDM ,1", 1, 6, "before ','"},
        // Mnemonics: unknown, the 4040's, directives misused.
        Refusal{" FROB 1", 1, 2, "unknown instruction 'FROB'"},
        Refusal{" HLT", 1, 2, "not a 4004 instruction"}, Refusal{" EQU 5", 1, 2, "name"},

        // Numbers and expressions.
        Refusal{" LDM 2B", 1, 6, "not a number"}, Refusal{" LDM 0x", 1, 6, "not a number"},
        Refusal{" LDM 1A", 1, 6, "not a number"}, Refusal{" LDM 0b12", 1, 6, "not a number"},
        Refusal{" JUN 99999999999", 1, 6, "too large"}, Refusal{" LDM 1+", 1, 8, "expected"},
        Refusal{" LDM 1+)", 1, 8, "unexpected ')'"}, Refusal{" LDM 'A'", 1, 6, "0..15, not 65"},
        Refusal{" JUN 1+NOWHERE", 1, 8, "undefined"},
        // Names.
        Refusal{"L: NOP\nl, NOP", 2, 1, "already defined on line 1"},
        Refusal{"L = 1\nL: NOP", 2, 1, "already defined"}, Refusal{"R15: NOP", 1, 1, "register"},
        Refusal{"r0r1, NOP", 1, 1, "register pair"}, Refusal{"an: NOP", 1, 1, "condition"},
        Refusal{"TZ = 1", 1, 1, "condition"}, Refusal{"1X EQU 2", 1, 1, "starts with a letter"},
        Refusal{"A = B\nB = A", 1, 5, "depends on itself"},
        Refusal{"X = 2147483647+1", 1, 5, "32 bits"}, Refusal{"X = -2147483647-2", 1, 5, "32 bits"},
        Refusal{" ORG LATER\nLATER: NOP", 1, 6, "known where it is set"}));

TEST(AsmInstructions, NumbersInEveryForm) {
    struct Case {
        const char* text;
        bool valid;
        int32_t value;
    };
    const Case cases[] = {
        {"12", true, 12},
        {"007", true, 7},
        {"0x1F", true, 31},
        {"0X1f", true, 31},
        {"1FH", true, 31},
        {"0FFH", true, 255},
        {"0ffh", true, 255},
        {"0b1010", true, 10},
        {"0B1H", true, 0xB1},
        {"0BH", true, 11},
        {"2147483647", true, INT32_MAX},
        {"2147483648", false, 0},
        {"0B", false, 0},
        {"0b", false, 0},
        {"0x", false, 0},
        {"FFH", false, 0},
        {"1A", false, 0},
        {"0b102", false, 0},
        {"-1", false, 0},
        {"", false, 0},
        {"1 2", false, 0},
        {"H", false, 0},
    };
    for (const Case& c : cases) {
        int32_t value = -99;
        EXPECT_EQ(ParseAsmNumber(c.text, value), c.valid) << c.text;
        if (c.valid) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

TEST(AsmInstructions, ExpressionsWithLabelsConstantsAndTheCurrentAddress) {
    const Assembly assembly = Assemble(
        "      ORG 0x10\n"
        "HERE: JUN *\n"          // 0x10: its own address
        "      JUN *+2\n"        // 0x12 + 2
        "      JUN here-0x10\n"  // labels ignore case
        "      JUN -3+LATER+3\n"
        "      JUN AFTER-1\n"  // a constant worked out from a later label
        "AFTER = LATER+1\n"
        "LATER:\n");
    EXPECT_EQ(ErrorsOf(assembly), "");
    const std::vector<uint8_t> code(assembly.image.begin() + 0x10, assembly.image.end());
    EXPECT_EQ(code,
              (std::vector<uint8_t>{0x40, 0x10, 0x40, 0x14, 0x40, 0x00, 0x40, 0x1A, 0x40, 0x1A}));
    EXPECT_EQ(FindSymbol(assembly, "after"), 0x1B);
    EXPECT_EQ(FindSymbol(assembly, "Later"), 0x1A);
    EXPECT_EQ(FindSymbol(assembly, "nowhere"), std::nullopt);
}

TEST(AsmInstructions, ConstantsResolveInAnyOrderAlongALongChain) {
    // Each constant names the next one, defined after it.
    std::string source;
    const int32_t count = 20000;
    for (int32_t k = 0; k < count; ++k) {
        source += "K" + std::to_string(k) + " = K" + std::to_string(k + 1) + "\n";
    }
    source += "K" + std::to_string(count) + " EQU 0x0F-3\n LDM K0\n";
    const Assembly assembly = Assemble(source);
    EXPECT_EQ(ErrorsOf(assembly), "");
    EXPECT_EQ(assembly.image, std::vector<uint8_t>{0xDC});
}

TEST(AsmInstructions, LabelsInBothFormsAloneAndWithMnemonicNames) {
    const Assembly assembly = Assemble(
        "AND, NOP\n"
        "OR:\n"
        "XOR: ORG 5\n"  // a label on ORG names the new address
        "ORG: DB 1\n"
        "R16: NOP\n"
        "P0, NOP\n"
        "R1R2: NOP\n"
        "_x1,NOP / a comment, with ; in it\n"
        "  END: JUN AND ; a label named END\n"
        "  END\n"
        "  JUN nowhere\n");
    EXPECT_EQ(ErrorsOf(assembly), "");
    EXPECT_EQ(FindSymbol(assembly, "AND"), 0);
    EXPECT_EQ(FindSymbol(assembly, "OR"), 1);
    EXPECT_EQ(FindSymbol(assembly, "XOR"), 5);
    EXPECT_EQ(FindSymbol(assembly, "org"), 5);
    // Names like registers or the listing's pairs that are neither.
    EXPECT_EQ(FindSymbol(assembly, "R16"), 6);
    EXPECT_EQ(FindSymbol(assembly, "P0"), 7);
    EXPECT_EQ(FindSymbol(assembly, "R1R2"), 8);
    EXPECT_EQ(FindSymbol(assembly, "_X1"), 9);
    EXPECT_EQ(FindSymbol(assembly, "END"), 10);
    EXPECT_EQ(assembly.image.size(), 12u);
}

TEST(AsmInstructions, EndIgnoresEverythingAfterIt) {
    const Assembly assembly = Assemble(" NOP\n END\n FROB\n LDM 99\n");
    EXPECT_TRUE(assembly.diagnostics.empty());
    EXPECT_EQ(assembly.image, std::vector<uint8_t>{0x00});
}

TEST(AsmInstructions, SymbolsInOrderOfDefinitionWithTheirKind) {
    const Assembly assembly = Assemble("Start: NOP\nSize = 3\nloop, NOP\nTop EQU *\n");
    ASSERT_EQ(assembly.symbols.size(), 4u);
    const char* names[] = {"Start", "Size", "loop", "Top"};
    const int32_t values[] = {0, 3, 1, 2};
    const bool labels[] = {true, false, true, false};
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(assembly.symbols[k].name, names[k]);
        EXPECT_EQ(assembly.symbols[k].value, values[k]) << names[k];
        EXPECT_EQ(assembly.symbols[k].label, labels[k]) << names[k];
    }
}

}  // namespace
