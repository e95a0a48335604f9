// The 4004's instructions and their operands: registers, pairs, JCN's
// conditions, addresses and values, each by the dialect's names and ranges.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "asm/asm_text.h"
#include "asm/assembler_impl.h"
#include "asm/dialect.h"

namespace {

// The conditions the compatible machine executes.
bool IsExecutedCondition(int64_t condition) {
    return condition == 1 || condition == 2 || condition == 4 || condition == 9 ||
           condition == 10 || condition == 12;
}

std::string CountWords(int32_t count) {
    return count == 0 ? "no operands" : count == 1 ? "one operand" : "two operands";
}

}  // namespace

void Assembler::Instruction(const Field& operation, const Mnemonic& mnemonic, std::string_view code,
                            size_t position) {
    const bool split = Operands(code, position);
    statementAddress_ = address_;
    operationColumn_ = operation.column;
    const Form form = mnemonic.form;
    // AS also writes ADD A, R5.
    if (split && form == Form::kRegister && operands_.size() == 2 &&
        Upper(operands_[0].text) == "A" && Find("A") == nullptr) {
        operands_.erase(operands_.begin());
    }
    std::vector<int32_t> bytes(static_cast<size_t>(FormLength(form)), 0);
    if (pass_ == 2 && split) {
        const std::string name = Upper(operation.text);
        const auto count = static_cast<size_t>(OperandCount(form));
        if (operands_.size() != count) {
            const std::string_view what = OperandDescription(form);
            Error(operands_.size() > count ? operands_[count].column : operation.column,
                  name + " takes " + CountWords(OperandCount(form)) + ", not " +
                      std::to_string(operands_.size()) +
                      (what.empty() ? "" : " (" + std::string(what) + ")"));
        } else {
            Encode(name, mnemonic, bytes);
        }
    }
    Place(operation.column, bytes);
}

void Assembler::Encode(const std::string& name, const Mnemonic& mnemonic,
                       std::vector<int32_t>& bytes) {
    const int32_t opcode = mnemonic.opcode;
    switch (mnemonic.form) {
        case Form::kNone:
            bytes[0] = opcode;
            if (opcode == 0xE3)
                NotExecuted(operationColumn_, "WPM is not executed by this machine");
            return;
        case Form::kPair: {
            const auto pair = Pair(operands_[0], name);
            if (!pair) return;
            bytes[0] = opcode | *pair << 1;
            if (name != "SRC" && (statementAddress_ & 0xFF) == 0xFF) {
                Warning(operationColumn_,
                        name + " on the last byte of a page works on the next page (" +
                            Hex((statementAddress_ + 1) & 0xF00) + ")");
            }
            return;
        }
        case Form::kPairData: {
            const auto pair = Pair(operands_[0], name);
            if (!pair) return;
            const auto data = DataByte(operands_[1], "FIM's data");
            if (!data) return;
            bytes[0] = opcode | *pair << 1;
            bytes[1] = *data;
            return;
        }
        case Form::kRegister: {
            const auto reg = Register(operands_[0]);
            if (reg) bytes[0] = opcode | *reg;
            return;
        }
        case Form::kRegAddr: {
            const auto reg = Register(operands_[0]);
            if (!reg) return;
            const auto target = PageTarget(operands_[1], name);
            if (!target) return;
            bytes[0] = opcode | *reg;
            bytes[1] = *target;
            return;
        }
        case Form::kCondAddr: {
            const auto condition = Condition(operands_[0]);
            if (!condition) return;
            const auto target = PageTarget(operands_[1], name == "JCM" ? "JCN" : name);
            if (!target) return;
            bytes[0] = opcode | *condition;
            bytes[1] = *target;
            return;
        }
        case Form::kAddress12: {
            const auto target = Ranged(operands_[0], 0, kLastAddress, "an address");
            if (!target) return;
            bytes[0] = opcode | static_cast<int32_t>(*target >> 8);
            bytes[1] = static_cast<int32_t>(*target & 0xFF);
            return;
        }
        case Form::kNibble: {
            const auto value = Ranged(operands_[0], 0, 15, "a 4-bit value");
            if (value) bytes[0] = opcode | static_cast<int32_t>(*value);
            return;
        }
    }
}

// "not executed by this machine": the compatible machine's warnings.
void Assembler::NotExecuted(int32_t column, std::string_view what) {
    if (machine_ == AsmMachine::kCompatible) Warning(column, std::string(what));
}

std::optional<int32_t> Assembler::Register(const Field& field) {
    const std::string upper = Upper(field.text);
    const bool as = syntax_ == AsmSyntax::kAs;
    if (const int32_t number = RegisterNumber(upper, as); number >= 0) return number;
    if (const Symbol* alias = Find(field.text);
        alias != nullptr && alias->kind == SymbolKind::kRegister) {
        return static_cast<int32_t>(alias->value);
    }
    if (upper.size() == 3 && upper[0] == 'R' && upper[1] == '0' && IsDigit(upper[2])) {
        Error(field.column, Quote(field.text) + " is no register name: write R" + upper.substr(2));
        return std::nullopt;
    }
    const Symbol* alias = Find(field.text);
    if (PairOfRegisters(upper, as) != -1 || NumberedPair(upper, as) >= 0 ||
        (alias != nullptr && alias->kind == SymbolKind::kPair)) {
        Error(field.column,
              "expected a register (0..15 or R0..R15), not the pair " + Quote(field.text));
        return std::nullopt;
    }
    const auto value = Ranged(field, 0, 15, "a register", false);
    if (!value) return std::nullopt;
    return static_cast<int32_t>(*value);
}

// A pair: 0P..7P, R0R1..R14R15, an even register (number or rN), and the
// dialect's P names.
std::optional<int32_t> Assembler::Pair(const Field& field, const std::string& name) {
    const std::string upper = Upper(field.text);
    const bool as = syntax_ == AsmSyntax::kAs;
    constexpr std::string_view kForms = "0P..7P, R0R1, R2R3, ..., R14R15 or an even register";
    if (const int32_t pair = NumberedPair(upper, as); pair >= 0) return pair;
    const int32_t pair = PairOfRegisters(upper, as);
    if (pair >= 0) return pair;
    if (pair == -2) {
        Error(field.column, Quote(field.text) +
                                " is not a register pair: the pairs are R0R1, R2R3, ..., "
                                "R14R15 (or 0P..7P)");
        return std::nullopt;
    }
    if (const Symbol* alias = Find(field.text); alias != nullptr) {
        if (alias->kind == SymbolKind::kPair) return static_cast<int32_t>(alias->value);
        if (alias->kind == SymbolKind::kRegister) {
            Error(field.column,
                  Quote(field.text) + " names a register; a pair is " + std::string(kForms));
            return std::nullopt;
        }
    }
    if (const int32_t number = PNumber(upper); number >= 0 && Find(field.text) == nullptr) {
        return PNamedPair(field, number, name);
    }
    int32_t reg = RegisterNumber(upper, as);
    const bool named = reg >= 0;
    if (!named) {
        if (upper.size() >= 2 && upper.back() == 'P' && IsDigit(upper[0])) {
            Error(field.column, "expected a register pair, " + std::string(kForms) + ", not " +
                                    Quote(field.text));
            return std::nullopt;
        }
        const auto value = Ranged(field, 0, 15, "a pair's even register", false);
        if (!value) return std::nullopt;
        reg = static_cast<int32_t>(*value);
    }
    if (reg % 2 == 0) return reg / 2;
    if (named && syntax_ == AsmSyntax::kCodeabbey) {
        Warning(field.column, Quote(field.text) + " is odd: taken as R" + std::to_string(reg - 1) +
                                  "R" + std::to_string(reg) + ", as CodeAbbey's tool does");
        return reg / 2;
    }
    Error(field.column,
          Quote(field.text) + " is no register pair: a pair is " + std::string(kForms) + "; " +
              std::to_string(reg - 1) + " is R" + std::to_string(reg - 1) + "R" +
              std::to_string(reg) + " (" + std::to_string(reg / 2) + "P)" +
              (reg < 15 ? ", " + std::to_string(reg + 1) + " is R" + std::to_string(reg + 1) + "R" +
                              std::to_string(reg + 2) + " (" + std::to_string(reg / 2 + 1) + "P)"
                        : std::string()));
    return std::nullopt;
}

// P followed by a number: under Quodlet's rules as its listing writes them
// (FIM and SRC by the pair's first register, P0..P14; FIN and JIN by the
// pair's index, P0..P7); under K4004's and AS's, the pair's index.
std::optional<int32_t> Assembler::PNamedPair(const Field& field, int32_t number,
                                             const std::string& name) {
    const std::string written = "P" + std::to_string(number);
    const std::string others = number <= 7 ? written + " is " + PairName(number) +
                                                 " for K4004 and AS (--syntax k4004, --syntax as)"
                                           : std::string();
    switch (syntax_) {
        case AsmSyntax::kK4004:
        case AsmSyntax::kAs:
            if (number <= 7) return number;
            Error(field.column, Quote(field.text) + " is no pair: P0..P7 name the eight pairs");
            return std::nullopt;
        case AsmSyntax::kQuodlet:
            if (name == "FIN" || name == "JIN") {
                if (number <= 7) return number;
                Error(field.column,
                      name + " names pairs P0..P7 in Quodlet's listing, not " + Quote(field.text));
                return std::nullopt;
            }
            if (number % 2 == 0 && number <= 14) {
                if (number >= 2 && number <= 6 && !pNameWarned_) {
                    pNameWarned_ = true;
                    Warning(field.column, name + " " + written + " is " + PairName(number / 2) +
                                              ", as Quodlet's listing writes it; " + others +
                                              "; R" + std::to_string(number) + "R" +
                                              std::to_string(number + 1) + " says it either way");
                }
                return number / 2;
            }
            Error(field.column, Quote(field.text) + " is no pair in Quodlet's listing, where " +
                                    name + " names a pair by its first register (P0, P2, ..., " +
                                    "P14)" + (others.empty() ? "" : "; " + others));
            return std::nullopt;
        default:
            if (number == 0) return 0;  // R0R1 wherever P0 is a name
            Error(field.column,
                  Quote(field.text) + " is a pair name of other rules" +
                      (others.empty() ? std::string() : ": " + others) + "; " +
                      std::string(AsmSyntaxTitle(syntax_)) +
                      " rules write a pair as 0P..7P, R0R1..R14R15 or an even register");
            return std::nullopt;
    }
}

std::optional<int32_t> Assembler::Condition(const Field& field) {
    std::string name;  // upper case, no blanks: C1|TZ
    for (const char c : field.text) {
        if (!IsBlank(c)) name += UpperChar(c);
    }
    const Symbol* symbol = Find(field.text);
    const bool defined = symbol != nullptr && symbol->kind != SymbolKind::kLabel &&
                         symbol->kind != SymbolKind::kRegister;
    std::string why;
    const int32_t builtIn = BuiltInCondition(syntax_, machine_, name, why);
    std::optional<int64_t> value;
    // A name the source defines beats a built-in one, except under AS,
    // which reads the letters first.
    if (builtIn >= 0 && (!defined || syntax_ == AsmSyntax::kAs)) {
        value = builtIn;
    } else if (!why.empty()) {
        Error(field.column, why);
        return std::nullopt;
    } else if (symbol == nullptr &&
               (IsName(name) || name.find_first_of("|&") != std::string::npos)) {
        const std::string others = OtherConditionReadings(syntax_, machine_, name);
        Error(field.column, "unknown condition " + Quote(field.text) + ": " +
                                std::string(AsmSyntaxTitle(syntax_)) + " rules take " +
                                ConditionNamesOf(syntax_, machine_) +
                                (others.empty() ? std::string() : "; " + others));
        return std::nullopt;
    } else {
        value = Ranged(field, 0, 15, "a condition");
        if (!value) return std::nullopt;
    }
    if (!IsExecutedCondition(*value)) {
        NotExecuted(field.column, "condition " + std::to_string(*value) +
                                      " is not executed by this machine; it runs TN, C1, AZ, TZ, "
                                      "C0 and AN (1, 2, 4, 9, 10, 12) only");
    }
    return static_cast<int32_t>(*value);
}

// A JCN or ISZ target: 12 bits, on the page the jump stays in, which is
// the page of the address after the instruction. The manual's rules keep
// the low 8 bits of any other, with a warning.
std::optional<int32_t> Assembler::PageTarget(const Field& field, std::string_view mnemonic) {
    const auto target = Ranged(field, 0, kLastAddress, "a jump target");
    if (!target) return std::nullopt;
    const int64_t after = (statementAddress_ + 2) & kLastAddress;
    if ((*target & 0xF00) != (after & 0xF00)) {
        const std::string where = std::string(mnemonic) + " target " + Hex(*target) +
                                  " is on page " + std::to_string(*target >> 8) + ", but this " +
                                  std::string(mnemonic) + " at " + Hex(statementAddress_) +
                                  " jumps within page " + std::to_string(after >> 8) +
                                  " (the page of " + Hex(after) + ", the address after it)";
        if (syntax_ != AsmSyntax::kIntel) {
            Error(field.column, where);
            return std::nullopt;
        }
        Warning(field.column, where + "; its low 8 bits are kept, " + Hex(*target & 0xFF, 2));
    }
    return static_cast<int32_t>(*target & 0xFF);
}

// A value in lowest..highest. Under the manual's rules a value too wide
// for a 4-bit or 12-bit field is cut to it on the left, with a warning.
std::optional<int64_t> Assembler::Ranged(const Field& field, int64_t lowest, int64_t highest,
                                         std::string_view what, bool mayTruncate) {
    const Value value = Evaluate(field, statementAddress_, true);
    if (!value.known) return std::nullopt;
    const int64_t number = value.number;
    if (number >= lowest && number <= highest) return number;
    const bool address = highest == kLastAddress;
    const std::string shown = address && number >= 0 ? Hex(number) : std::to_string(number);
    if (mayTruncate && syntax_ == AsmSyntax::kIntel && lowest == 0) {
        const int64_t kept = number & highest;
        Warning(field.column, std::string(what) + " keeps " +
                                  (address ? Hex(kept) : std::to_string(kept)) + " of " + shown +
                                  ", cut to its field as the manual's assembler does");
        return kept;
    }
    Error(field.column, std::string(what) + " must be " + std::to_string(lowest) + ".." +
                            (address ? "0xFFF" : std::to_string(highest)) + ", not " + shown);
    return std::nullopt;
}

// 8-bit data (FIM, DB): -128..-1 as two's complement; a wider value keeps
// its low 8 bits, silently for an address on the statement's own page
// (FIM P0, TABLE for FIN), with a warning otherwise. AS's rules refuse it.
std::optional<int32_t> Assembler::DataByte(const Field& field, std::string_view what) {
    const Value value = Evaluate(field, statementAddress_, true);
    if (!value.known) return std::nullopt;
    const int64_t number = value.number;
    if (number >= -128 && number <= 255) return static_cast<int32_t>(number & 0xFF);
    if (syntax_ == AsmSyntax::kAs) {
        Error(field.column, std::string(what) + " must be -128..255, not " +
                                std::to_string(number) + "; lo() takes the low byte");
        return std::nullopt;
    }
    const bool ownPage =
        number >= 0 && number <= kLastAddress && (number >> 8) == (statementAddress_ >> 8);
    if (!ownPage) {
        Warning(field.column, std::string(what) + " keeps " + Hex(number & 0xFF, 2) + " of " +
                                  (number < 0 ? std::to_string(number) : Hex(number)) +
                                  ", its low 8 bits");
    }
    return static_cast<int32_t>(number & 0xFF);
}
