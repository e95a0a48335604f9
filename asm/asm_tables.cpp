#include "asm/asm_tables.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "asm/asm_text.h"
#include "core/hex.h"
#include "data/opcode_data.h"

namespace {

// --- Numbers -----------------------------------------------------------------

NumberRead DigitsValue(std::string_view digits, int32_t base, int64_t& value) {
    value = 0;
    if (digits.empty()) return NumberRead::kNotNumber;
    bool tooLarge = false;
    for (const char c : digits) {
        const int32_t digit = HexDigitValue(c);
        if (digit < 0 || digit >= base) return NumberRead::kNotNumber;
        if (!tooLarge) {
            value = value * base + digit;
            if (value > INT32_MAX) tooLarge = true;
        }
    }
    return tooLarge ? NumberRead::kTooLarge : NumberRead::kNumber;
}

bool AllIn(std::string_view text, std::string_view allowed) {
    return !text.empty() && text.find_first_not_of(allowed) == std::string_view::npos;
}

}  // namespace

// Reads a whole text as a number: decimal 12, hex 0x1F, 1FH (first
// character a digit) or $1F, binary 0b1010, 1010B or %1010, octal 17O, 17Q
// or @17, decimal 12D. A trailing H wins over a 0b prefix: 0B1H is hex.
// Under K4004's rules a plain number with a leading 0 is octal.
NumberRead ReadNumber(std::string_view text, int64_t& value, bool leadingZeroOctal) {
    value = 0;
    if (text.size() >= 2 && text[0] == '$') return DigitsValue(text.substr(1), 16, value);
    if (text.size() >= 2 && text[0] == '%') return DigitsValue(text.substr(1), 2, value);
    if (text.size() >= 2 && text[0] == '@') return DigitsValue(text.substr(1), 8, value);
    if (text.empty() || !IsDigit(text[0])) return NumberRead::kNotNumber;
    const char last = UpperChar(text.back());
    const std::string_view body = text.substr(0, text.size() - 1);
    if (text.size() >= 2 && text[0] == '0' && UpperChar(text[1]) == 'X') {
        return DigitsValue(text.substr(2), 16, value);
    }
    if (last == 'H') return DigitsValue(body, 16, value);
    if (text.size() > 2 && text[0] == '0' && UpperChar(text[1]) == 'B' &&
        AllIn(text.substr(2), "01")) {
        return DigitsValue(text.substr(2), 2, value);
    }
    if (last == 'B' && AllIn(body, "01")) return DigitsValue(body, 2, value);
    if (last == 'O' || last == 'Q') return DigitsValue(body, 8, value);
    if (last == 'D' && AllIn(body, "0123456789")) return DigitsValue(body, 10, value);
    if (leadingZeroOctal && text.size() > 1 && text[0] == '0') return DigitsValue(text, 8, value);
    return DigitsValue(text, 10, value);
}

// --- Registers and pairs -------------------------------------------------------

// R0..R15 as written in upper case (also RA..RF under AS's rules): the
// register's number, else -1. R01 is no register name.
int32_t RegisterNumber(std::string_view upper, bool letters) {
    if (upper.size() < 2 || upper.size() > 3 || upper[0] != 'R') return -1;
    if (letters && upper.size() == 2 && upper[1] >= 'A' && upper[1] <= 'F') {
        return upper[1] - 'A' + 10;
    }
    if (upper.size() == 3 && upper[1] == '0') return -1;
    int32_t number = 0;
    for (size_t k = 1; k < upper.size(); ++k) {
        if (!IsDigit(upper[k])) return -1;
        number = number * 10 + (upper[k] - '0');
    }
    return number <= 15 ? number : -1;
}

// R0R1 .. R14R15 in upper case (RARB .. RERF too under AS's rules): the
// pair's index, else -1. Two register names that are not an even register
// and the next give -2.
int32_t PairOfRegisters(std::string_view upper, bool letters) {
    for (size_t split = 2; split + 2 <= upper.size() && split <= 3; ++split) {
        const int32_t first = RegisterNumber(upper.substr(0, split), letters);
        const int32_t second = RegisterNumber(upper.substr(split), letters);
        if (first < 0 || second < 0) continue;
        return first % 2 == 0 && second == first + 1 ? first / 2 : -2;
    }
    return -1;
}

// 0P..7P (and AS's R0P..R7P): the index, else -1.
int32_t NumberedPair(std::string_view upper, bool as) {
    if (as && upper.size() == 3 && upper[0] == 'R') upper.remove_prefix(1);
    if (upper.size() == 2 && upper[0] >= '0' && upper[0] <= '7' && upper[1] == 'P') {
        return upper[0] - '0';
    }
    return -1;
}

// P followed by digits: the number, else -1.
int32_t PNumber(std::string_view upper) {
    if (upper.size() < 2 || upper.size() > 3 || upper[0] != 'P') return -1;
    if (!std::all_of(upper.begin() + 1, upper.end(), IsDigit)) return -1;
    return std::stoi(std::string(upper.substr(1)));
}

std::string PairName(int32_t pair) {
    return "R" + std::to_string(2 * pair) + "R" + std::to_string(2 * pair + 1);
}

// --- Instructions --------------------------------------------------------------

int32_t FormLength(Form form) {
    switch (form) {
        case Form::kPairData:
        case Form::kRegAddr:
        case Form::kCondAddr:
        case Form::kAddress12: return 2;
        default: return 1;
    }
}

int32_t OperandCount(Form form) {
    switch (form) {
        case Form::kNone: return 0;
        case Form::kPairData:
        case Form::kRegAddr:
        case Form::kCondAddr: return 2;
        default: return 1;
    }
}

std::string_view OperandDescription(Form form) {
    switch (form) {
        case Form::kNone: return "";
        case Form::kPair: return "a register pair";
        case Form::kPairData: return "a register pair and 8-bit data";
        case Form::kRegister: return "a register";
        case Form::kRegAddr: return "a register and an address";
        case Form::kCondAddr: return "a condition and an address";
        case Form::kAddress12: return "an address";
        case Form::kNibble: return "a value 0..15";
    }
    return "";
}

// The 4004's mnemonics with operands, upper case, with their first opcode;
// the one-byte instructions from WRM to DCL come from the opcode data.
namespace {

struct NamedMnemonic {
    std::string_view name;
    Mnemonic mnemonic;
};
constexpr std::array<NamedMnemonic, 16> kMnemonics = {{
    {"NOP", {0x00, Form::kNone}},
    {"JCN", {0x10, Form::kCondAddr}},
    {"FIM", {0x20, Form::kPairData}},
    {"SRC", {0x21, Form::kPair}},
    {"FIN", {0x30, Form::kPair}},
    {"JIN", {0x31, Form::kPair}},
    {"JUN", {0x40, Form::kAddress12}},
    {"JMS", {0x50, Form::kAddress12}},
    {"INC", {0x60, Form::kRegister}},
    {"ISZ", {0x70, Form::kRegAddr}},
    {"ADD", {0x80, Form::kRegister}},
    {"SUB", {0x90, Form::kRegister}},
    {"LD", {0xA0, Form::kRegister}},
    {"XCH", {0xB0, Form::kRegister}},
    {"BBL", {0xC0, Form::kNibble}},
    {"LDM", {0xD0, Form::kNibble}},
}};
// AS's second names: JCM for JCN, AD0..AD3 for RD0..RD3.
constexpr std::array<NamedMnemonic, 5> kAsMnemonics = {{
    {"JCM", {0x10, Form::kCondAddr}},
    {"AD0", {0xEC, Form::kNone}},
    {"AD1", {0xED, Form::kNone}},
    {"AD2", {0xEE, Form::kNone}},
    {"AD3", {0xEF, Form::kNone}},
}};

}  // namespace

std::optional<Mnemonic> FindMnemonic(std::string_view upper, bool as) {
    if (upper.size() < 2 || upper.size() > 3) return std::nullopt;
    for (const NamedMnemonic& entry : kMnemonics) {
        if (entry.name == upper) return entry.mnemonic;
    }
    for (int32_t opcode = 0xE0; opcode <= 0xFD; ++opcode) {
        if (kOpcodeData[static_cast<size_t>(opcode)].text == upper) {
            return Mnemonic{opcode, Form::kNone};
        }
    }
    if (as) {
        for (const NamedMnemonic& entry : kAsMnemonics) {
            if (entry.name == upper) return entry.mnemonic;
        }
    }
    return std::nullopt;
}

// The 4040's fourteen one-byte instructions, which the 4004 does not have.
bool Is4040Mnemonic(std::string_view upper) {
    if (upper.size() != 3) return false;
    for (int32_t opcode = 0x01; opcode <= 0x0E; ++opcode) {
        if (kOpcodeData[static_cast<size_t>(opcode)].text == upper) return true;
    }
    return false;
}

// --- Directives ------------------------------------------------------------------

namespace {

constexpr uint8_t kEvery = 0x3F;
constexpr uint8_t kAsOnly = SyntaxBit(AsmSyntax::kAs);
constexpr uint8_t kUz80asOnly = SyntaxBit(AsmSyntax::kUz80as);

constexpr std::array<DirectiveEntry, 71> kDirectives = {{
    {"ORG", Directive::kOrg, kEvery},
    {".ORG", Directive::kOrg, kEvery},
    {"EQU", Directive::kEqu, kEvery},
    {".EQU", Directive::kEqu, kEvery},
    {"DB", Directive::kData, kEvery},
    {"DATA", Directive::kData, kEvery},
    {".BYTE", Directive::kData, kEvery},
    {".DB", Directive::kData, kEvery},
    {"END", Directive::kEnd, kEvery},
    {".END", Directive::kEnd, kEvery},
    {"DW", Directive::kWord, kAsOnly},
    {".DW", Directive::kWord, kUz80asOnly},
    {".WORD", Directive::kWord, kUz80asOnly},
    {".TEXT", Directive::kText, kUz80asOnly},
    {".FILL", Directive::kFill, kUz80asOnly},
    {".BLOCK", Directive::kBlock, kUz80asOnly},
    {"REG", Directive::kReg, kAsOnly},
    {"CPU", Directive::kCpu, kAsOnly},
    {"PAGE", Directive::kPage, kAsOnly},
    {"INCLUDE", Directive::kInclude, kAsOnly},
    {"IF", Directive::kIf, kAsOnly},
    {"ELSEIF", Directive::kElseIf, kAsOnly},
    {"ELSE", Directive::kElse, kAsOnly},
    {"ENDIF", Directive::kEndIf, kAsOnly},
    {"IFDEF", Directive::kIfDef, kAsOnly},
    {"IFNDEF", Directive::kIfNDef, kAsOnly},
    {"#DEFINE", Directive::kDefine, kUz80asOnly},
    {"#UNDEF", Directive::kUndef, kUz80asOnly},
    {"#INCLUDE", Directive::kInclude, kUz80asOnly},
    {"#IF", Directive::kIf, kUz80asOnly},
    {"#ELIF", Directive::kElseIf, kUz80asOnly},
    {"#ELSE", Directive::kElse, kUz80asOnly},
    {"#ENDIF", Directive::kEndIf, kUz80asOnly},
    {"#IFDEF", Directive::kIfDef, kUz80asOnly},
    {"#IFNDEF", Directive::kIfNDef, kUz80asOnly},
    {"MACRO", Directive::kUnsupported, kAsOnly},
    {"ENDM", Directive::kUnsupported, kAsOnly},
    {"EXITM", Directive::kUnsupported, kAsOnly},
    {"FUNCTION", Directive::kUnsupported, kAsOnly},
    {"SAVE", Directive::kUnsupported, kAsOnly},
    {"RESTORE", Directive::kUnsupported, kAsOnly},
    {"LISTING", Directive::kUnsupported, kAsOnly},
    {"MESSAGE", Directive::kUnsupported, kAsOnly},
    {"WARNING", Directive::kUnsupported, kAsOnly},
    {"ERROR", Directive::kUnsupported, kAsOnly},
    {"FATAL", Directive::kUnsupported, kAsOnly},
    {"SET", Directive::kUnsupported, kAsOnly},
    {"SECTION", Directive::kUnsupported, kAsOnly},
    {"ENDSECTION", Directive::kUnsupported, kAsOnly},
    {"PUBLIC", Directive::kUnsupported, kAsOnly},
    {"GLOBAL", Directive::kUnsupported, kAsOnly},
    {"STRUCT", Directive::kUnsupported, kAsOnly},
    {"ENDSTRUCT", Directive::kUnsupported, kAsOnly},
    {"REPT", Directive::kUnsupported, kAsOnly},
    {"IRP", Directive::kUnsupported, kAsOnly},
    {"IRPC", Directive::kUnsupported, kAsOnly},
    {"WHILE", Directive::kUnsupported, kAsOnly},
    {"SWITCH", Directive::kUnsupported, kAsOnly},
    {"CASE", Directive::kUnsupported, kAsOnly},
    {"ELSECASE", Directive::kUnsupported, kAsOnly},
    {"ENDCASE", Directive::kUnsupported, kAsOnly},
    {"PHASE", Directive::kUnsupported, kAsOnly},
    {"DEPHASE", Directive::kUnsupported, kAsOnly},
    {"SEGMENT", Directive::kUnsupported, kAsOnly},
    {"ASSUME", Directive::kUnsupported, kAsOnly},
    {"BINCLUDE", Directive::kUnsupported, kAsOnly},
    {"CHARSET", Directive::kUnsupported, kAsOnly},
    {"ENUM", Directive::kUnsupported, kAsOnly},
    {"DS", Directive::kUnsupported, kAsOnly},
    {"ALIGN", Directive::kUnsupported, kAsOnly},
    {"SHARED", Directive::kUnsupported, kAsOnly},
}};

}  // namespace

const DirectiveEntry* FindDirective(std::string_view upper) {
    if (upper.size() < 2 || upper.size() > 10) return nullptr;
    // Most words are no directive: those whose first character starts none
    // are turned away at once.
    static constexpr std::array<bool, 128> kStarts = [] {
        std::array<bool, 128> starts{};
        for (const DirectiveEntry& entry : kDirectives) {
            starts[static_cast<size_t>(entry.name[0])] = true;
        }
        return starts;
    }();
    const auto first = static_cast<unsigned char>(upper[0]);
    if (first >= 128 || !kStarts[first]) return nullptr;
    for (const DirectiveEntry& entry : kDirectives) {
        if (entry.name == upper) return &entry;
    }
    return nullptr;
}

// The dialects a set of them names, for a message: "AS", "uz80as".
std::string SyntaxesNamed(uint8_t syntaxes) {
    std::string text;
    for (uint32_t k = 0; k < 6; ++k) {
        if ((syntaxes & (1u << k)) == 0) continue;
        const auto syntax = static_cast<AsmSyntax>(k);
        if (!text.empty()) text += " and ";
        text += std::string(AsmSyntaxTitle(syntax)) + " (--syntax " +
                std::string(AsmSyntaxName(syntax)) + ")";
    }
    return text;
}

// --- The listing's own text ------------------------------------------------------

// The text the code listing shows for an instruction, as InstructionText
// writes it: under the MCS-4 system, JCN's conditions by the chip's names.
std::string OwnListingText(int32_t opcode, int32_t second, AsmMachine machine) {
    const auto index = static_cast<size_t>(opcode & 0xFF);
    std::string text(machine == AsmMachine::kMcs4 && (opcode & 0xF0) == 0x10
                         ? kMcs4JcnTexts[static_cast<size_t>(opcode & 0x0F)]
                         : kOpcodeData[index].text);
    if (kOpcodeData[index].length == 2) {
        if (opcode >= 0x40 && opcode <= 0x5F) {
            text += PaddedHex(((opcode & 0x0F) << 8) | (second & 0xFF), 3);
        } else {
            text += ' ';
            text += PaddedHex(second & 0xFF, 2);
        }
    }
    return text;
}

// Whether a text (upper case, one blank between words) has the form of a
// listing text of either machine, whatever its bytes: then it is checked
// against them; any other text is another tool's or a statement.
bool IsOwnListingForm(std::string_view text) {
    const size_t blank = text.rfind(' ');
    const std::string_view head = blank == std::string_view::npos ? text : text.substr(0, blank);
    const std::string_view operand =
        blank == std::string_view::npos ? std::string_view() : text.substr(blank + 1);
    for (size_t opcode = 0; opcode < 256; ++opcode) {
        const OpcodeEntry& entry = kOpcodeData[opcode];
        if (entry.length == 1) {
            if (entry.text == text) return true;
            continue;
        }
        if (opcode >= 0x40 && opcode <= 0x5F) {
            if (entry.text.substr(0, 3) == text.substr(0, 3) && text.size() == 7 &&
                text[3] == ' ' && IsHexString(text.substr(4))) {
                return true;
            }
            continue;
        }
        if (operand.size() != 2 || !IsHexString(operand)) continue;
        if (entry.text == head) return true;
        if ((opcode & 0xF0) == 0x10 && kMcs4JcnTexts[opcode & 0x0F] == head) return true;
    }
    return false;
}

// Upper case with every run of blanks made one blank, none at either end.
std::string Normalized(std::string_view text) {
    std::string result;
    bool blank = false;
    for (const char c : text) {
        if (IsBlank(c)) {
            blank = !result.empty();
            continue;
        }
        if (blank) result += ' ';
        blank = false;
        result += UpperChar(c);
    }
    return result;
}

// --- Dates -------------------------------------------------------------------------

// DATE and TIME as AS writes them: "12/31/26", "23:59:59".
std::pair<std::string, std::string> DateAndTime(const std::optional<int64_t>& epoch) {
    std::optional<int64_t> seconds = epoch;
    if (!seconds) {
        if (const char* text = std::getenv("SOURCE_DATE_EPOCH")) {
            int64_t value = 0;
            if (ReadNumber(text, value) == NumberRead::kNumber) seconds = value;
        }
    }
    const std::time_t when = seconds ? static_cast<std::time_t>(*seconds) : std::time(nullptr);
    std::tm parts{};
    if (seconds) {
        ::gmtime_r(&when, &parts);
    } else {
        ::localtime_r(&when, &parts);
    }
    char date[32];
    char time[32];
    std::strftime(date, sizeof date, "%m/%d/%y", &parts);
    std::strftime(time, sizeof time, "%H:%M:%S", &parts);
    return {date, time};
}

// --- Files -------------------------------------------------------------------------

// Whether `path` lies in the folder `folder` or below it (both canonical).
bool IsInside(const std::filesystem::path& path, const std::filesystem::path& folder) {
    auto p = path.begin();
    for (auto f = folder.begin(); f != folder.end(); ++f, ++p) {
        if (f->empty()) continue;  // a trailing separator
        if (p == path.end() || *p != *f) return false;
    }
    return true;
}
