#pragma once
// What the assembler knows by name: numbers in every dialect's forms,
// register and pair names, the 4004's mnemonics and the directives of each
// dialect, and the code listing's own texts.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "asm/assembler.h"

constexpr uint8_t SyntaxBit(AsmSyntax syntax) {
    return static_cast<uint8_t>(1u << static_cast<uint32_t>(syntax));
}

enum class NumberRead { kNumber, kNotNumber, kTooLarge };

// Reads a whole text as a number: decimal 12, hex 0x1F, 1FH (first
// character a digit) or $1F, binary 0b1010, 1010B or %1010, octal 17O, 17Q
// or @17, decimal 12D. A trailing H wins over a 0b prefix: 0B1H is hex.
// Under K4004's rules a plain number with a leading 0 is octal. Values
// above 0x7FFFFFFF are kTooLarge.
NumberRead ReadNumber(std::string_view text, int64_t& value, bool leadingZeroOctal = false);

// R0..R15 as written in upper case (also RA..RF with `letters`, as AS
// writes them): the register's number, else -1. R01 is no register name.
int32_t RegisterNumber(std::string_view upper, bool letters);

// R0R1 .. R14R15 in upper case (RARB .. RERF too with `letters`): the
// pair's index, else -1. Two register names that are not an even register
// and the next give -2.
int32_t PairOfRegisters(std::string_view upper, bool letters);

// 0P..7P (and with `as` R0P..R7P): the index, else -1.
int32_t NumberedPair(std::string_view upper, bool as);

// P followed by one or two digits: the number, else -1.
int32_t PNumber(std::string_view upper);

// "R4R5" for pair 2.
std::string PairName(int32_t pair);

// The operands each 4004 instruction takes.
enum class Form {
    kNone,       // one byte, no operand
    kPair,       // SRC, FIN, JIN: a register pair
    kPairData,   // FIM: a register pair and 8-bit data
    kRegister,   // INC, ADD, SUB, LD, XCH
    kRegAddr,    // ISZ: a register and an address on the page
    kCondAddr,   // JCN: a condition and an address on the page
    kAddress12,  // JUN, JMS
    kNibble,     // BBL, LDM
};

struct Mnemonic {
    int32_t opcode = 0;
    Form form = Form::kNone;
};

int32_t FormLength(Form form);
int32_t OperandCount(Form form);
std::string_view OperandDescription(Form form);  // "a register pair"; empty for none

// A 4004 mnemonic in upper case (with `as` also AS's JCM and AD0..AD3).
std::optional<Mnemonic> FindMnemonic(std::string_view upper, bool as);

// The 4040's fourteen one-byte instructions, which the 4004 does not have.
bool Is4040Mnemonic(std::string_view upper);

enum class Directive : uint8_t {
    kOrg,
    kEqu,
    kReg,
    kData,
    kWord,
    kText,
    kFill,
    kBlock,
    kEnd,
    kCpu,
    kPage,
    kInclude,
    kIf,
    kElseIf,
    kElse,
    kEndIf,
    kIfDef,
    kIfNDef,
    kDefine,
    kUndef,
    kUnsupported,  // AS's, beyond the subset 4004 programs use
};

struct DirectiveEntry {
    std::string_view name;  // upper case
    Directive directive;
    uint8_t syntaxes;  // a SyntaxBit for each dialect that has it
};

// A directive of any dialect by its name in upper case; null for none.
const DirectiveEntry* FindDirective(std::string_view upper);

// The dialects a set of SyntaxBits names, for a message:
// "AS (--syntax as) and uz80as (--syntax uz80as)".
std::string SyntaxesNamed(uint8_t syntaxes);

// The text the code listing shows for an instruction, as the listing
// writes it: under the MCS-4 system, JCN's conditions by the chip's names.
std::string OwnListingText(int32_t opcode, int32_t second, AsmMachine machine);

// Whether a text (upper case, one blank between words) has the form of
// either machine's listing text, whatever its bytes.
bool IsOwnListingForm(std::string_view text);

// Upper case with every run of blanks made one blank, none at either end.
std::string Normalized(std::string_view text);

// DATE and TIME as AS writes them ("12/31/26", "23:59:59"): at `epoch`
// (UTC), else at SOURCE_DATE_EPOCH (UTC) when set, else now (local time).
std::pair<std::string, std::string> DateAndTime(const std::optional<int64_t>& epoch);

// Whether `path` lies in `folder` or below it (both absolute and normal).
bool IsInside(const std::filesystem::path& path, const std::filesystem::path& folder);
