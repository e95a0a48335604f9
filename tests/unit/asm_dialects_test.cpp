// Sources written for other assemblers: a table per dialect of one-line
// sources and the bytes that dialect's documentation gives them, the names
// that collide between dialects, the errors that name the dialect that
// would accept a form, auto-detection, and the machine's condition names.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "data/opcode_data.h"
#include "tests/unit/asm_test_support.h"

namespace {

Assembly AssembleAs(AsmSyntax syntax, const std::string& source,
                    AsmMachine machine = AsmMachine::kCompatible) {
    AsmOptions options;
    options.syntax = syntax;
    options.machine = machine;
    options.sourceDateEpoch = 0;
    return Assemble(source, options);
}

struct DialectBytes {
    AsmSyntax syntax;
    const char* source;
    std::vector<uint8_t> bytes;
};

class DialectEncodes : public ::testing::TestWithParam<DialectBytes> {};

TEST_P(DialectEncodes, ToTheBytesItsToolMakes) {
    const DialectBytes& c = GetParam();
    const Assembly assembly = AssembleAs(c.syntax, c.source);
    EXPECT_EQ(ErrorsOf(assembly), "") << c.source;
    EXPECT_EQ(assembly.image, c.bytes) << c.source;
}

constexpr AsmSyntax kQuodlet = AsmSyntax::kQuodlet;
constexpr AsmSyntax kIntel = AsmSyntax::kIntel;
constexpr AsmSyntax kAs = AsmSyntax::kAs;
constexpr AsmSyntax kK4004 = AsmSyntax::kK4004;
constexpr AsmSyntax kUz80as = AsmSyntax::kUz80as;
constexpr AsmSyntax kCodeabbey = AsmSyntax::kCodeabbey;

INSTANTIATE_TEST_SUITE_P(
    EverySource, DialectEncodes,
    ::testing::Values(
        // Forms every source may use, shown under Quodlet's rules.
        DialectBytes{
            kQuodlet, " LDM $F\n LDM %1010\n LDM 101B\n LDM 'A'-'@'", {0xDF, 0xDA, 0xD5, 0xD1}},
        DialectBytes{
            kQuodlet, " FIM 0 42\n SRC 2\n FIM r4 1\n DB *", {0x20, 0x2A, 0x23, 0x24, 0x01, 0x05}},
        DialectBytes{kQuodlet, "= 2\nL NOP\n JUN $", {0, 0, 0x00, 0x40, 0x03}},
        DialectBytes{kQuodlet, " org rom\n .BYTE 'a', \"b;c\"", {0x61, 0x62, 0x3B, 0x63}},
        DialectBytes{kQuodlet, "\xEF\xBB\xBF NOP\r JUN lo(T)\r\nT = hi(0x305)", {0x00, 0x40, 0x03}},
        DialectBytes{kQuodlet, " FIM P0 -1\n DB -128, 255", {0x20, 0xFF, 0x80, 0xFF}},
        // The manual's forms: a label's comma, a bare number as data, `=`.
        DialectBytes{
            kIntel, "CZ = 10\nLP, ISZ 5 LP\n JCN CZ LP\nTB,  0+7", {0x75, 0x00, 0x1A, 0x00, 0x07}},
        DialectBytes{kIntel,
                     " JUN 4095+9\n LDM 17\n JCN IA 0\n FIM P0 1",
                     {0x40, 0x08, 0xD1, 0x1C, 0x00, 0x20, 0x01}},
        // AS: letters for conditions, reg aliases, strings, C operators.
        DialectBytes{kAs,
                     " cpu 4004\nP2 reg R4R5\nc reg RA\n fim P2, 260 & 0FFH\n ld A, c",
                     {0x24, 0x04, 0xAA}},
        DialectBytes{kAs,
                     "l jcn zc, l\n jcm tn, l\n xch r10\n ad1\n fim r3p, 1",
                     {0x16, 0x00, 0x19, 0x00, 0xBA, 0xED, 0x26, 0x01}},
        DialectBytes{kAs,
                     "S equ \"A\\n\"\n data S, 'b' - 1, 17O\n if MOMPASS > 1\n nop\n else\n data "
                     "DATE\n endif",
                     {0x41, 0x0A, 0x61, 0x0F, 0x30, 0x31, 0x2F, 0x30, 0x31, 0x2F, 0x37, 0x30}},
        DialectBytes{kAs, " ifdef X\n nop\n elseif 2 >= 1\n ldm 1\n endif\nX equ 1", {0xD1}},
        // K4004: labels without ':', P names by index, $hex, octal 010.
        DialectBytes{kK4004,
                     "*=2\nLIM=12\nLOOP  ISZ R3, LOOP\n FIM P2, $3C\n LDM 010\n JCN NZ, LOOP",
                     {0, 0, 0x73, 0x02, 0x24, 0x3C, 0xD8, 0x1C, 0x02}},
        // uz80as: #define, dotted directives, left-to-right operators.
        DialectBytes{kUz80as,
                     "#define equ .equ\nk: equ 3Ah\n fim 6,k\n ldm 1+2*3\n .dw 1234h\n .fill 1\n "
                     ".block 1\n .text \"Z\"",
                     {0x26, 0x3A, 0xD9, 0x34, 0x12, 0xFF, 0x00, 0x5A}},
        // CodeAbbey: blanks only, rN for a pair, lower-case names.
        DialectBytes{kCodeabbey,
                     "s: fim r6 $41\n jcn az s\n ld r5\n db 7 'ab'",
                     {0x26, 0x41, 0x14, 0x00, 0xA5, 0x07, 0x61, 0x62}}));

// The names that collide: one operand under every dialect, and the byte
// it gives (0: refused with an error).
TEST(AsmDialects, CollidingNamesReadByEachDialectsOwnTable) {
    struct Case {
        const char* operand;
        uint8_t quodlet, quodletMcs4, intel, as, k4004, uz80as, codeabbey;
    };
    const Case cases[] = {
        {"JCN TZ, 0", 0x19, 0x11, 0, 0x15, 0, 0, 0}, {"JCN TN, 0", 0x11, 0x19, 0, 0x19, 0, 0, 0},
        {"JCN AN, 0", 0x1C, 0x1C, 0, 0, 0, 0, 0x1C}, {"JCN Z, 0", 0, 0, 0, 0x14, 0x14, 0, 0},
        {"JCN C1|TZ, 0", 0, 0x13, 0, 0, 0, 0, 0},    {"FIM P2, 0", 0x22, 0x22, 0, 0x24, 0x24, 0, 0},
        {"FIN P2", 0x34, 0x34, 0, 0x34, 0x34, 0, 0},
    };
    for (const Case& c : cases) {
        const uint8_t expected[] = {c.quodlet, c.quodletMcs4, c.intel,    c.as,
                                    c.k4004,   c.uz80as,      c.codeabbey};
        const AsmSyntax syntaxes[] = {kQuodlet, kQuodlet, kIntel, kAs, kK4004, kUz80as, kCodeabbey};
        for (size_t k = 0; k < 7; ++k) {
            const Assembly assembly =
                AssembleAs(syntaxes[k], std::string(" ") + c.operand,
                           k == 1 ? AsmMachine::kMcs4 : AsmMachine::kCompatible);
            SCOPED_TRACE(std::string(c.operand) + " under rules " + std::to_string(k));
            if (expected[k] == 0) {
                EXPECT_TRUE(assembly.HasErrors());
                EXPECT_TRUE(assembly.image.empty());
            } else {
                EXPECT_EQ(ErrorsOf(assembly), "");
                ASSERT_FALSE(assembly.image.empty());
                EXPECT_EQ(assembly.image[0], expected[k]);
            }
        }
    }
}

struct DialectRefusal {
    AsmSyntax syntax;
    const char* source;
    const char* words;  // in the first error
};

class DialectRefuses : public ::testing::TestWithParam<DialectRefusal> {};

TEST_P(DialectRefuses, NamingWhatWouldAcceptIt) {
    const DialectRefusal& c = GetParam();
    const Assembly assembly = AssembleAs(c.syntax, c.source);
    EXPECT_NE(FirstError(assembly).message.find(c.words), std::string::npos)
        << c.source << ": " << ErrorsOf(assembly);
}

INSTANTIATE_TEST_SUITE_P(
    OtherDialectsNames, DialectRefuses,
    ::testing::Values(
        DialectRefusal{kQuodlet, " JCN z 0", "AS (--syntax as) reads it as 4"},
        DialectRefusal{kQuodlet, " JCN C1|TZ 0", "(--machine mcs4) reads it as 3"},
        DialectRefusal{kIntel, " JCN TZ 0", "Quodlet's rules reads it as 9"},
        DialectRefusal{kQuodlet, " FIM P3 0", "P3 is R6R7 for K4004 and AS"},
        DialectRefusal{kUz80as, " FIM P2 0", "P2 is R4R5 for K4004 and AS"},
        DialectRefusal{kQuodlet, "#define X 1", "uz80as's (--syntax uz80as)"},
        DialectRefusal{kQuodlet, " if 1", "a directive of AS (--syntax as)"},
        DialectRefusal{kQuodlet, " JCM 1 0", "AS's second name for JCN"},
        DialectRefusal{kAs, " HLT", "4040 instruction"},
        DialectRefusal{kAs, " macro", "a feature of AS that Quodlet does not support"},
        DialectRefusal{kAs, " cpu 4040", "4004"}, DialectRefusal{kAs, " dw 5", "no 16-bit words"},
        DialectRefusal{kAs, " fim P0, 256", "-128..255"},
        DialectRefusal{kAs, " if X\n endif\nX equ 1", "undefined name 'X'"},
        DialectRefusal{kAs, " else", "without an if"}, DialectRefusal{kAs, " if 1", "no end"},
        DialectRefusal{kAs, " include \"x.inc\"", "not read from a file"},
        DialectRefusal{kAs, "P2 reg R6R7", "already names the pair R4R5"},
        DialectRefusal{kCodeabbey, "nop: nop", "instruction's name"},
        DialectRefusal{kQuodlet, " INC R01", "write R1"},
        DialectRefusal{kQuodlet, " SRC 3", "2 is R2R3 (1P), 4 is R4R5 (2P)"},
        DialectRefusal{kQuodlet, "Z\xC3\x84HLER: NOP", "'\xC3\x84' cannot stand here"},
        DialectRefusal{kQuodlet, " LDM \x1B[1m", "control character \\x1B"}));

// Listing lines of other tools: the bytes go to the address, labels before
// or after them included; text in another notation is counted once for the
// file, text that is a statement giving the same bytes is not.
TEST(AsmDialects, OtherToolsListingLinesTrustTheirBytes) {
    const Assembly assembly = Assemble(
        "0a0 20 40 fim 0< $40\n"
        "0a2 11 a0 jcn TZ $0a0\n"
        "0a4 fn_sum: 5b 07 ;SUM X,Y\n"
        "0a6 3c ;data\n"
        "0a7 00 01 02 03\n"
        "0ab 40 a4 loop: JUN fn_sum\n"
        "0ad 12 ab JCN C1 loop\n");
    EXPECT_EQ(ErrorsOf(assembly), "");
    EXPECT_EQ(WarningsOf(assembly),
              "1:1: 2 listing lines taken by their bytes; their text is in another notation\n");
    const std::vector<uint8_t> tail(assembly.image.begin() + 0xA0, assembly.image.end());
    EXPECT_EQ(tail, (std::vector<uint8_t>{0x20, 0x40, 0x11, 0xA0, 0x5B, 0x07, 0x3C, 0x00, 0x01,
                                          0x02, 0x03, 0x40, 0xA4, 0x12, 0xAB}));
    EXPECT_EQ(FindSymbol(assembly, "fn_sum"), 0xA4);
    // Bytes that contradict their address are refused.
    EXPECT_NE(FirstError(Assemble("000 20 40\n001 F2 IAC")).message.find("already holds"),
              std::string::npos);
    EXPECT_NE(FirstError(Assemble("FFF 20 40 x")).message.find("past 0xFFF"), std::string::npos);
    EXPECT_EQ(FirstError(Assemble("LOOP")).message, "unknown instruction 'LOOP'");
}

// Values too wide for 8-bit data keep their low 8 bits: silently for an
// address on the statement's own page (FIM P0, TABLE for a FIN), with a
// warning otherwise; AS's rules refuse them. The manual's rules cut every
// field so.
TEST(AsmDialects, WideValuesKeepTheirLowBitsWithAWarning) {
    struct Case {
        AsmSyntax syntax;
        const char* source;
        int32_t at;
        uint8_t byte;
        const char* warning;  // empty: none
    };
    const Case cases[] = {
        {kQuodlet, " ORG 0x1FE\nT: FIM P0 T", 0x1FF, 0xFE, ""},
        {kQuodlet, " ORG 0x1FE\n FIM P0 T\nT:", 0x1FF, 0x00, "keeps 0x00 of 0x200"},
        {kQuodlet, " ORG 0x100\n FIM P0 0x205", 0x101, 0x05, "keeps 0x05 of 0x205"},
        {kQuodlet, " DB -129", 0, 0x7F, "keeps 0x7F of -129"},
        {kQuodlet, " DB 256", 0, 0x00, "keeps 0x00 of 0x100"},
        {kUz80as, " .db 300", 0, 0x2C, "keeps 0x2C of 0x12C"},
        {kIntel, " LDM 20", 0, 0xD4, "keeps 4 of 20"},
        {kIntel, " ORG 0xFD\n JCN 1 0x105", 0xFE, 0x05, "low 8 bits are kept"},
        {kAs, " data -128, lo(12345)", 1, 0x39, ""},
    };
    for (const Case& c : cases) {
        const Assembly assembly = AssembleAs(c.syntax, c.source);
        EXPECT_EQ(ErrorsOf(assembly), "") << c.source;
        ASSERT_GT(assembly.image.size(), static_cast<size_t>(c.at)) << c.source;
        EXPECT_EQ(assembly.image[static_cast<size_t>(c.at)], c.byte) << c.source;
        const std::string warnings = WarningsOf(assembly);
        EXPECT_EQ(warnings.empty(), std::string(c.warning).empty()) << c.source << warnings;
        EXPECT_NE(warnings.find(c.warning), std::string::npos) << c.source << warnings;
    }
    EXPECT_NE(FirstError(AssembleAs(kQuodlet, " LDM 16")).message.find("0..15"), std::string::npos);
    EXPECT_NE(FirstError(AssembleAs(kAs, " data -129")).message.find("-128..255"),
              std::string::npos);
}

// Where the dialect is not given, the first line or a sign that only one
// dialect's sources write chooses it; otherwise Quodlet's rules.
TEST(AsmDialects, ChosenByTheFirstLineOrASignAndSaysWhy) {
    struct Case {
        const char* source;
        AsmSyntax syntax;
        AsmMachine machine;
        const char* reason;
    };
    const Case cases[] = {
        {"; quodlet-asm --syntax k4004 --machine exerciser\n", kK4004, AsmMachine::kMcs4,
         "the first line's --syntax k4004"},
        {"/ quodlet-asm --machine mcs4", kQuodlet, AsmMachine::kMcs4, ""},
        {"; a program\n CPU 4004\n", kAs, AsmMachine::kCompatible, "`cpu 4004` on line 2"},
        {" LDM 1\n#define X 1\n cpu 4004", kAs, AsmMachine::kCompatible, "`cpu 4004` on line 3"},
        {" NOP\n .org 0", kUz80as, AsmMachine::kCompatible, "`.org` on line 2"},
        {"org rom\n nop", kIntel, AsmMachine::kCompatible, "`org rom` on line 1"},
        {" JCN TZ 0 ; cpu 4004", kQuodlet, AsmMachine::kCompatible, ""},
    };
    for (const Case& c : cases) {
        const Assembly assembly = Assemble(c.source);
        EXPECT_EQ(assembly.syntax, c.syntax) << c.source;
        EXPECT_EQ(assembly.machine, c.machine) << c.source;
        EXPECT_EQ(assembly.syntaxReason, c.reason) << c.source;
    }
    // The caller's choice wins over the first line's, with a warning.
    AsmOptions options;
    options.syntax = kQuodlet;
    const Assembly told = Assemble("; quodlet-asm --syntax as\n", options);
    EXPECT_EQ(told.syntax, kQuodlet);
    EXPECT_NE(WarningsOf(told).find("asks for AS rules"), std::string::npos) << WarningsOf(told);
    EXPECT_NE(FirstError(Assemble("; quodlet-asm --syntax masm")).message.find("quodlet, intel"),
              std::string::npos);
}

// The MCS-4 system's names: its listing's text for each of the sixteen
// conditions assembles back, in any order of the joined parts; no
// condition and no WPM warns there, and all but six do on the compatible
// machine.
TEST(AsmDialects, TheMcs4SystemsConditionNamesAndWarnings) {
    for (int32_t condition = 0; condition < 16; ++condition) {
        const std::string text(kMcs4JcnTexts[static_cast<size_t>(condition)]);
        const Assembly statement = AssembleAs(kQuodlet, " " + text + ", 5", AsmMachine::kMcs4);
        EXPECT_TRUE(statement.diagnostics.empty()) << text << ErrorsOf(statement);
        EXPECT_EQ(statement.image,
                  (std::vector<uint8_t>{static_cast<uint8_t>(0x10 | condition), 5}));
        const std::string line =
            std::string("000 1") + "0123456789ABCDEF"[condition] + " 05 " + text + " 05";
        const Assembly listing = AssembleAs(kQuodlet, line, AsmMachine::kMcs4);
        EXPECT_TRUE(listing.diagnostics.empty()) << line << ErrorsOf(listing);
        const Assembly number = AssembleAs(kQuodlet, " JCN " + std::to_string(condition) + " 0");
        const bool executed = condition == 1 || condition == 2 || condition == 4 ||
                              condition == 9 || condition == 10 || condition == 12;
        EXPECT_EQ(number.diagnostics.empty(), executed) << condition;
    }
    EXPECT_EQ(AssembleAs(kQuodlet, " JCN TZ|AZ|C1 0", AsmMachine::kMcs4).image[0], 0x17);
    EXPECT_EQ(AssembleAs(kQuodlet, " JCN TN&AN 0", AsmMachine::kMcs4).image[0], 0x1D);
    EXPECT_TRUE(AssembleAs(kQuodlet, " WPM", AsmMachine::kMcs4).diagnostics.empty());
    for (const char* wrong : {" JCN TZ|TN 0", " JCN C1&C0 0", " JCN TZ|C1&AZ 0", " JCN AZ|AZ 0"}) {
        EXPECT_NE(FirstError(AssembleAs(kQuodlet, wrong, AsmMachine::kMcs4))
                      .message.find("'|' joins TZ, C1 and AZ"),
                  std::string::npos)
            << wrong;
    }
    // A listing line is checked against the machine's own listing text.
    EXPECT_NE(FirstError(AssembleAs(kQuodlet, "000 11 05 JCN TN 05", AsmMachine::kMcs4))
                  .message.find("'JCN TZ 05'"),
              std::string::npos);
    EXPECT_NE(FirstError(Assemble("000 11 05 JCN TZ 05")).message.find("'JCN TN 05'"),
              std::string::npos);
}

}  // namespace
