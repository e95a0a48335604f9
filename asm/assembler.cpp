#include "asm/assembler.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "asm/asm_tables.h"
#include "asm/asm_text.h"
#include "core/hex.h"
#include "core/machine_state.h"
#include "data/opcode_data.h"
#include "display/disassembler.h"
#include "display/opcode_tables.h"

namespace {

constexpr int32_t kMemorySize = kLastAddress + 1;

bool IsHex(std::string_view text) {
    return !text.empty() && IsHexString(text);
}

// Register names and condition names cannot name a label or a constant.
constexpr std::array<std::pair<std::string_view, int32_t>, 6> kConditions = {{
    {"TN", 1},
    {"C1", 2},
    {"AZ", 4},
    {"TZ", 9},
    {"C0", 10},
    {"AN", 12},
}};

bool IsExecutedCondition(int64_t condition) {
    return std::any_of(kConditions.begin(), kConditions.end(),
                       [condition](const auto& entry) { return entry.second == condition; });
}

// What a reserved name is ("a register name", ...), or empty when the name
// is free for labels and constants.
std::string_view ReservedName(std::string_view upper) {
    if (RegisterNumber(upper, false) >= 0) return "a register name";
    if (PairOfRegisters(upper, false) >= 0) return "a register pair name";
    const bool condition = std::any_of(kConditions.begin(), kConditions.end(),
                                       [upper](const auto& entry) { return entry.first == upper; });
    return condition ? "a condition name" : "";
}

// "one operand, a register pair" and the like.
std::string OperandsDescription(Form form) {
    const int32_t count = OperandCount(form);
    if (count == 0) return "no operands";
    return std::string(count == 1 ? "one operand, " : "two operands, ") +
           std::string(OperandDescription(form));
}

struct Field {
    std::string_view text;
    int32_t column = 0;  // from 1
};

struct SymbolEntry {
    size_t index = 0;    // in Assembly::symbols
    bool known = false;  // a constant may wait for names defined later
    int32_t line = 0;    // the defining line
};

// A constant whose expression named something not yet defined in pass 1.
struct PendingConstant {
    std::string key;
    Field expression;
    int64_t address = 0;
    int32_t line = 0;
};

class Assembler {
public:
    explicit Assembler(std::string_view source) : source_(source) {}

    Assembly Run() {
        // A name a line at most: room for them all from the start saves
        // growing the table step by step in a long source.
        symbols_.reserve(static_cast<size_t>(std::count(source_.begin(), source_.end(), '\n')) + 1);
        pass_ = 1;
        Pass();
        ResolvePending();
        pass_ = 2;
        Pass();
        std::stable_sort(result_.diagnostics.begin(), result_.diagnostics.end(),
                         [](const AsmDiagnostic& a, const AsmDiagnostic& b) {
                             return a.line != b.line ? a.line < b.line : a.column < b.column;
                         });
        if (highest_ >= 0) {
            result_.image.assign(memory_.begin(), memory_.begin() + highest_ + 1);
        }
        return std::move(result_);
    }

private:
    // --- Diagnostics -----------------------------------------------------

    void Report(int32_t column, bool error, std::string message) {
        result_.diagnostics.push_back(
            {line_, std::max<int32_t>(column, 1), error, std::move(message), {}});
        if (error) lineFailed_ = true;
    }
    void Error(int32_t column, std::string message) { Report(column, true, std::move(message)); }
    void Warning(int32_t column, std::string message) { Report(column, false, std::move(message)); }

    // --- Passes ----------------------------------------------------------

    void Pass() {
        address_ = 0;
        pastTopReported_ = false;
        originIndex_ = 0;
        line_ = 0;
        size_t start = 0;
        while (start <= source_.size()) {
            size_t end = source_.find('\n', start);
            if (end == std::string_view::npos) end = source_.size();
            std::string_view text = source_.substr(start, end - start);
            if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
            ++line_;
            lineFailed_ = false;
            if (!Line(text)) return;  // END
            if (end == source_.size()) break;
            start = end + 1;
        }
    }

    // One source line; false after END.
    bool Line(std::string_view text) {
        text_ = text;
        const size_t comment = text.find_first_of("/;");
        const std::string_view code =
            comment == std::string_view::npos ? text : text.substr(0, comment);
        if (ListingLine(code)) return true;
        return Statement(code);
    }

    int32_t Column(std::string_view code, size_t position) const {
        return static_cast<int32_t>(code.data() - text_.data() + static_cast<ptrdiff_t>(position)) +
               1;
    }

    static size_t SkipBlanks(std::string_view code, size_t position) {
        while (position < code.size() && IsBlank(code[position])) ++position;
        return position;
    }
    static size_t FieldEnd(std::string_view code, size_t position) {
        while (position < code.size() && !IsBlank(code[position])) ++position;
        return position;
    }

    // --- Listing lines -------------------------------------------------------

    // "AAA BB [BB] TEXT": places exactly those bytes. False when the line
    // does not have that form, so it is a statement.
    bool ListingLine(std::string_view code) {
        const size_t addressStart = SkipBlanks(code, 0);
        const size_t addressEnd = FieldEnd(code, addressStart);
        const std::string_view addressText = code.substr(addressStart, addressEnd - addressStart);
        if (addressText.size() < 3 || !IsHex(addressText)) return false;
        const size_t firstStart = SkipBlanks(code, addressEnd);
        const size_t firstEnd = FieldEnd(code, firstStart);
        if (firstEnd - firstStart != 2 || !IsHex(code.substr(firstStart, 2))) return false;
        size_t textStart = SkipBlanks(code, firstEnd);
        if (textStart == code.size()) return false;
        std::vector<int32_t> bytes = {HexDigitValue(code[firstStart]) * 16 +
                                      HexDigitValue(code[firstStart + 1])};
        const size_t secondEnd = FieldEnd(code, textStart);
        if (secondEnd - textStart == 2 && IsHex(code.substr(textStart, 2)) &&
            SkipBlanks(code, secondEnd) < code.size()) {
            bytes.push_back(HexDigitValue(code[textStart]) * 16 +
                            HexDigitValue(code[textStart + 1]));
            textStart = SkipBlanks(code, secondEnd);
        }
        const std::string_view text = code.substr(textStart);

        int64_t address = 0;
        for (const char c : addressText) {
            address = address * 16 + HexDigitValue(c);
            if (address > kLastAddress) break;
        }
        if (address > kLastAddress) {
            if (pass_ == 2) {
                Error(Column(code, addressStart),
                      "address " + Quote(addressText) + " is beyond 0xFFF");
            }
            return true;
        }
        address_ = address;
        pastTopReported_ = false;
        const int32_t opcode = bytes[0];
        const int32_t length = kOpcodeData[static_cast<size_t>(opcode)].length;
        if (pass_ == 2) {
            if (static_cast<int32_t>(bytes.size()) != length) {
                Error(Column(code, firstStart), "opcode " + Hex(opcode, 2).substr(2) + " takes " +
                                                    (length == 1 ? "one byte" : "two bytes") +
                                                    " in a listing line");
            } else {
                const std::string expected =
                    InstructionText(Tables(), opcode, bytes.size() == 2 ? bytes[1] : 0);
                if (Normalized(text) != Normalized(expected)) {
                    Error(Column(code, textStart), "the listing shows " + Quote(expected) +
                                                       " for these bytes, not " +
                                                       Quote(Normalized(text)));
                }
            }
        }
        Place(Column(code, addressStart), bytes);
        return true;
    }

    // --- Statements ------------------------------------------------------

    bool Statement(std::string_view code) {
        size_t position = SkipBlanks(code, 0);
        Field label;
        if (position < code.size() && IsNameStart(code[position])) {
            size_t end = position;
            while (end < code.size() && IsNameChar(code[end])) ++end;
            if (end < code.size() && (code[end] == ':' || code[end] == ',')) {
                label = {code.substr(position, end - position), Column(code, position)};
                position = SkipBlanks(code, end + 1);
            }
        }
        if (position == code.size()) {
            if (!label.text.empty()) DefineLabel(label, true);
            return true;
        }

        // *= expr
        if (code[position] == '*') {
            const size_t equals = SkipBlanks(code, position + 1);
            if (equals < code.size() && code[equals] == '=') {
                Origin({code.substr(position, equals + 1 - position), Column(code, position)},
                       label, code, equals + 1);
                return true;
            }
        }

        size_t end = position;
        while (end < code.size() && !IsBlank(code[end]) && code[end] != ',' && code[end] != '=') {
            ++end;
        }
        const Field operation{code.substr(position, end - position), Column(code, position)};
        const size_t next = SkipBlanks(code, end);

        // name = expr, name EQU expr, and the same after a label.
        if (label.text.empty() && !operation.text.empty() && next < code.size()) {
            if (code[next] == '=') {
                Constant(operation, code, next + 1);
                return true;
            }
            const size_t wordEnd = FieldEnd(code, next);
            if (Upper(code.substr(next, wordEnd - next)) == "EQU") {
                Constant(operation, code, wordEnd);
                return true;
            }
        }
        if (!label.text.empty() && operation.text.empty() && code[position] == '=') {
            Constant(label, code, position + 1);
            return true;
        }
        if (operation.text.empty()) {
            if (pass_ == 2) {
                Error(operation.column, "expected an instruction or directive, not " +
                                            Quote(code.substr(position, 1)));
            }
            if (!label.text.empty()) DefineLabel(label, false);
            return true;
        }

        const std::string name = Upper(operation.text);
        if (name == "EQU") {
            if (!label.text.empty()) {
                Constant(label, code, end);
            } else if (pass_ == 2) {
                Error(operation.column, "EQU needs a name before it: NAME EQU value");
            }
            return true;
        }
        if (name == "ORG") {
            Origin(operation, label, code, end);
            return true;
        }
        if (!label.text.empty()) DefineLabel(label, name == "END");
        if (name == "END") {
            if (!Operands(code, end)) return false;
            if (pass_ == 2 && !operands_.empty()) {
                Error(operands_[0].column, "END takes no operands");
            }
            return false;
        }
        if (name == "DB" || name == "DATA") {
            Data(operation, code, end);
            return true;
        }
        const std::optional<Mnemonic> found = FindMnemonic(name, false);
        if (!found) {
            if (pass_ == 2) {
                if (Is4040Mnemonic(name)) {
                    Error(operation.column, Quote(operation.text) +
                                                " is not a 4004 instruction (the listing shows it "
                                                "for an opcode the 4004 does not have)");
                } else {
                    Error(operation.column, "unknown instruction " + Quote(operation.text));
                }
            }
            return true;
        }
        Instruction(operation, *found, code, end);
        return true;
    }

    // Splits what follows the operation into operands: blanks and/or one
    // comma between them. False (after an error in pass 2) when the commas
    // are wrong.
    bool Operands(std::string_view code, size_t position) {
        operands_.clear();
        position = SkipBlanks(code, position);
        while (position < code.size()) {
            if (code[position] == ',') {
                if (pass_ == 2) Error(Column(code, position), "expected an operand before ','");
                return false;
            }
            size_t end = position;
            while (end < code.size() && !IsBlank(code[end]) && code[end] != ',') ++end;
            operands_.push_back({code.substr(position, end - position), Column(code, position)});
            position = SkipBlanks(code, end);
            if (position < code.size() && code[position] == ',') {
                const size_t comma = position;
                position = SkipBlanks(code, position + 1);
                if (position == code.size()) {
                    if (pass_ == 2) Error(Column(code, comma), "expected an operand after ','");
                    return false;
                }
                if (code[position] == ',') {
                    if (pass_ == 2) {
                        Error(Column(code, position),
                              "two commas: operands are separated by "
                              "blanks and/or one comma");
                    }
                    return false;
                }
            }
        }
        return true;
    }

    // --- Names ------------------------------------------------------------

    // Checks a name about to be defined; pass 1 only.
    bool CheckNewName(const Field& name, std::string_view what) {
        const std::string key = Upper(name.text);
        if (!IsName(name.text)) {
            Error(name.column, Quote(name.text) + " cannot be a " + std::string(what) +
                                   ": a name starts with a letter or '_'");
            return false;
        }
        if (const std::string_view reserved = ReservedName(key); !reserved.empty()) {
            Error(name.column, Quote(name.text) + " is " + std::string(reserved) +
                                   " and cannot be a " + std::string(what));
            return false;
        }
        const auto found = symbols_.find(key);
        if (found != symbols_.end()) {
            Error(name.column, Quote(name.text) + " is already defined on line " +
                                   std::to_string(found->second.line));
            return false;
        }
        return true;
    }

    // A label names the address; `alone` when nothing else on its line adds
    // a listing line.
    void DefineLabel(const Field& label, bool alone) {
        if (pass_ == 1) {
            if (CheckNewName(label, "label")) {
                symbols_[Upper(label.text)] = {result_.symbols.size(), true, line_};
                result_.symbols.push_back(
                    {std::string(label.text), static_cast<int32_t>(address_), true});
            }
            return;
        }
        if (alone) AddListing(static_cast<int32_t>(address_), {});
    }

    void Constant(const Field& name, std::string_view code, size_t position) {
        const bool split = Operands(code, position);
        if (pass_ == 1) {
            if (!CheckNewName(name, "constant")) return;
            const std::string key = Upper(name.text);
            symbols_[key] = {result_.symbols.size(), false, line_};
            result_.symbols.push_back({std::string(name.text), 0, false});
            if (split && operands_.size() == 1) {
                const auto value = Evaluate(operands_[0], address_, false);
                if (value) {
                    SetConstant(key, operands_[0], *value, true);
                } else {
                    pending_.push_back({key, operands_[0], address_, line_});
                }
            }
            return;
        }
        if (!split) return;
        if (operands_.size() != 1) {
            Error(operands_.empty() ? name.column : operands_[1].column,
                  Quote(name.text) + " needs exactly one value after '=' or EQU");
            return;
        }
        // Report what kept the value unknown, on the defining line only.
        const auto found = symbols_.find(Upper(name.text));
        if (found == symbols_.end() || found->second.line != line_) return;
        if (!found->second.known) {
            // Names the error that kept it unknown; a value that did not fit
            // 32 bits was reported when it was worked out.
            Evaluate(operands_[0], address_, true);
            return;
        }
        AddListing(result_.symbols[found->second.index].value, {});
    }

    // Stores a constant's value; false (with an error when `report`) when it
    // does not fit 32 bits.
    bool SetConstant(const std::string& key, const Field& expression, int64_t value, bool report) {
        if (value < INT32_MIN || value > INT32_MAX) {
            if (report)
                Error(expression.column,
                      "value " + std::to_string(value) + " does not fit 32 bits");
            return false;
        }
        SymbolEntry& entry = symbols_[key];
        entry.known = true;
        result_.symbols[entry.index].value = static_cast<int32_t>(value);
        return true;
    }

    // Constants that named later definitions, worked out in the order
    // their names need: each one's pending names first, depth first with a
    // stack of its own (a chain may be a million constants long), resuming
    // each expression where it stopped so that every text is read once.
    // What stays unknown (undefined names, circles) is reported in pass 2.
    void ResolvePending() {
        const size_t count = pending_.size();
        std::unordered_map<std::string, size_t> index;
        for (size_t k = 0; k < count; ++k) index.emplace(pending_[k].key, k);
        enum : uint8_t { kWaiting, kOpen, kDone };
        std::vector<uint8_t> state(count, kWaiting);
        std::vector<size_t> resume(count, 0);
        std::vector<size_t> stack;
        for (size_t first = 0; first < count; ++first) {
            if (state[first] != kWaiting) continue;
            state[first] = kOpen;
            stack.push_back(first);
            while (!stack.empty()) {
                const size_t top = stack.back();
                const PendingConstant& constant = pending_[top];
                const std::string_view text = constant.expression.text;
                size_t position = resume[top];
                bool deeper = false;
                while (position < text.size() && !deeper) {
                    if (!IsNameChar(text[position])) {
                        ++position;
                        continue;
                    }
                    size_t end = position;
                    while (end < text.size() && IsNameChar(text[end])) ++end;
                    if (!IsDigit(text[position])) {
                        const auto found = index.find(Upper(text.substr(position, end - position)));
                        if (found != index.end() && state[found->second] == kWaiting) {
                            state[found->second] = kOpen;
                            stack.push_back(found->second);
                            deeper = true;
                        }
                    }
                    position = end;
                }
                resume[top] = position;
                if (deeper) continue;
                const auto value = Evaluate(constant.expression, constant.address, false);
                if (value) {
                    line_ = constant.line;
                    SetConstant(constant.key, constant.expression, *value, true);
                }
                state[top] = kDone;
                stack.pop_back();
            }
        }
        pending_.clear();
    }

    // --- Expressions ------------------------------------------------------

    // number | name | '*', joined by '+' and '-', an optional leading '-'.
    // Unknown when a name is not (yet) defined; errors only when `report`.
    std::optional<int64_t> Evaluate(const Field& field, int64_t here, bool report) {
        const std::string_view text = field.text;
        size_t position = 0;
        int64_t sign = 1;
        if (!text.empty() && text[0] == '-') {
            sign = -1;
            ++position;
        }
        int64_t total = 0;
        bool known = true;
        for (;;) {
            const int32_t column = field.column + static_cast<int32_t>(position);
            if (position == text.size()) {
                if (report) Error(column, "expected a number, a name or '*' in " + Quote(text));
                return std::nullopt;
            }
            const char c = text[position];
            int64_t term = 0;
            if (c == '*') {
                term = here;
                ++position;
            } else if (IsNameChar(c)) {
                size_t end = position;
                while (end < text.size() && IsNameChar(text[end])) ++end;
                const std::string_view word = text.substr(position, end - position);
                position = end;
                if (IsDigit(c)) {
                    const NumberRead read = ReadNumber(word, term);
                    if (read != NumberRead::kNumber) {
                        if (report) {
                            Error(column, read == NumberRead::kTooLarge
                                              ? "number " + Quote(word) + " is too large"
                                              : Quote(word) +
                                                    " is not a number (decimal 12, hex "
                                                    "0x1F or 1FH, binary 0b1010)");
                        }
                        return std::nullopt;
                    }
                } else {
                    const std::string key = Upper(word);
                    const auto found = symbols_.find(key);
                    if (found == symbols_.end() || !found->second.known) {
                        if (report) {
                            if (found != symbols_.end()) {
                                Error(column, "the value of " + Quote(word) +
                                                  " is not known: its definition failed or "
                                                  "depends on itself");
                            } else if (const std::string_view reserved = ReservedName(key);
                                       !reserved.empty()) {
                                Error(column, Quote(word) + " is " + std::string(reserved) +
                                                  ", not a value");
                            } else {
                                Error(column, "undefined name " + Quote(word));
                            }
                            return std::nullopt;
                        }
                        known = false;
                    } else {
                        term = result_.symbols[found->second.index].value;
                    }
                }
            } else {
                if (report) {
                    Error(column, "unexpected " + Quote(text.substr(position, 1)) +
                                      " in the expression " + Quote(text));
                }
                return std::nullopt;
            }
            total += sign * term;
            if (position == text.size()) break;
            if (text[position] == '+') {
                sign = 1;
            } else if (text[position] == '-') {
                sign = -1;
            } else {
                if (report) {
                    Error(field.column + static_cast<int32_t>(position),
                          "unexpected " + Quote(text.substr(position, 1)) + " in the expression " +
                              Quote(text) + " (only + and - join values)");
                }
                return std::nullopt;
            }
            ++position;
        }
        if (!known) return std::nullopt;
        return total;
    }

    // An expression whose value must lie in lowest..highest; pass 2.
    std::optional<int64_t> Value(const Field& field, int64_t lowest, int64_t highest,
                                 std::string_view what) {
        const auto value = Evaluate(field, statementAddress_, true);
        if (!value) return std::nullopt;
        if (*value < lowest || *value > highest) {
            // Addresses read best in hex, small values in decimal.
            const bool address = highest == kLastAddress;
            const std::string shown = address && *value >= 0 ? Hex(*value) : std::to_string(*value);
            Error(field.column, std::string(what) + " must be " + std::to_string(lowest) + ".." +
                                    (address ? "0xFFF" : std::to_string(highest)) + ", not " +
                                    shown);
            return std::nullopt;
        }
        return value;
    }

    std::optional<int32_t> Register(const Field& field) {
        const std::string upper = Upper(field.text);
        const int32_t number = RegisterNumber(upper, false);
        if (number >= 0) return number;
        if (PairOfRegisters(upper, false) != -1) {
            Error(field.column,
                  "expected a register (0..15 or R0..R15), not the pair " + Quote(field.text));
            return std::nullopt;
        }
        const auto value = Value(field, 0, 15, "a register");
        if (!value) return std::nullopt;
        return static_cast<int32_t>(*value);
    }

    std::optional<int32_t> Pair(const Field& field) {
        const std::string upper = Upper(field.text);
        if (upper.size() == 2 && upper[0] >= '0' && upper[0] <= '7' && upper[1] == 'P') {
            return upper[0] - '0';
        }
        const int32_t pair = PairOfRegisters(upper, false);
        if (pair >= 0) return pair;
        if (upper.size() >= 2 && upper[0] == 'P' &&
            std::all_of(upper.begin() + 1, upper.end(), IsDigit)) {
            Error(field.column, Quote(field.text) +
                                    " is the listing's name; write a register pair as 0P..7P or "
                                    "R0R1, R2R3, ..., R14R15");
        } else if (pair == -2) {
            Error(field.column, Quote(field.text) +
                                    " is not a register pair: the pairs are R0R1, R2R3, ..., "
                                    "R14R15 (or 0P..7P)");
        } else {
            Error(field.column,
                  "expected a register pair, 0P..7P or R0R1, R2R3, ..., R14R15, not " +
                      Quote(field.text));
        }
        return std::nullopt;
    }

    std::optional<int32_t> Condition(const Field& field) {
        const std::string upper = Upper(field.text);
        for (const auto& [name, value] : kConditions) {
            if (name == upper) return value;
        }
        const auto value = Value(field, 0, 15, "a condition");
        if (!value) return std::nullopt;
        if (!IsExecutedCondition(*value)) {
            Warning(field.column, "condition " + std::to_string(*value) +
                                      " is not executed by this machine; it runs TN, C1, AZ, TZ, "
                                      "C0 and AN (1, 2, 4, 9, 10, 12) only");
        }
        return static_cast<int32_t>(*value);
    }

    // A JCN or ISZ target: 12 bits, on the page the jump stays in, which is
    // the page of the address after the instruction.
    std::optional<int32_t> PageTarget(const Field& field, std::string_view mnemonic) {
        const auto target = Value(field, 0, kLastAddress, "a jump target");
        if (!target) return std::nullopt;
        const int64_t after = (statementAddress_ + 2) & kLastAddress;
        if ((*target & 0xF00) != (after & 0xF00)) {
            Error(field.column, std::string(mnemonic) + " target " + Hex(*target) + " is on page " +
                                    std::to_string(*target >> 8) + ", but this " +
                                    std::string(mnemonic) + " at " + Hex(statementAddress_) +
                                    " jumps within page " + std::to_string(after >> 8) +
                                    " (the page of " + Hex(after) + ", the address after it)");
            return std::nullopt;
        }
        return static_cast<int32_t>(*target & 0xFF);
    }

    // --- Directives and instructions -------------------------------------

    void Origin(const Field& operation, const Field& label, std::string_view code,
                size_t position) {
        const bool split = Operands(code, position);
        if (pass_ == 1) {
            int64_t origin = address_;
            if (split && operands_.size() == 1) {
                const auto value = Evaluate(operands_[0], address_, false);
                if (!value) {
                    Error(operands_[0].column,
                          "the address must be known where it is set: " + Quote(operands_[0].text) +
                              " names something not defined before this line");
                } else if (*value < 0 || *value > kLastAddress) {
                    Error(operands_[0].column,
                          "address " + (*value < 0 ? std::to_string(*value) : Hex(*value)) +
                              " is outside 0..0xFFF");
                } else {
                    origin = *value;
                }
            }
            origins_.push_back(origin);
            address_ = origin;
            pastTopReported_ = false;
            if (!label.text.empty()) DefineLabel(label, false);
            return;
        }
        if (split && operands_.size() != 1) {
            Error(operands_.empty() ? operation.column : operands_[1].column,
                  Quote(operation.text) + " takes one operand, an address");
        }
        address_ = origins_[originIndex_++];
        pastTopReported_ = false;
        if (!label.text.empty()) DefineLabel(label, false);
        AddListing(static_cast<int32_t>(address_), {});
    }

    void Data(const Field& operation, std::string_view code, size_t position) {
        const bool split = Operands(code, position);
        statementAddress_ = address_;
        if (!split) return;
        if (operands_.empty()) {
            if (pass_ == 2)
                Error(operation.column, Quote(operation.text) + " needs at least one value");
            return;
        }
        std::vector<int32_t> bytes(operands_.size(), 0);
        if (pass_ == 2) {
            for (size_t k = 0; k < operands_.size(); ++k) {
                const auto value = Value(operands_[k], 0, 255, "a byte");
                if (value) bytes[k] = static_cast<int32_t>(*value);
            }
        }
        Place(operation.column, bytes);
    }

    void Instruction(const Field& operation, const Mnemonic& mnemonic, std::string_view code,
                     size_t position) {
        const bool split = Operands(code, position);
        statementAddress_ = address_;
        operationColumn_ = operation.column;
        const Form form = mnemonic.form;
        std::vector<int32_t> bytes(static_cast<size_t>(FormLength(form)), 0);
        if (pass_ == 2 && split) {
            const std::string name = Upper(operation.text);
            if (static_cast<int32_t>(operands_.size()) != OperandCount(form)) {
                Error(operands_.size() > static_cast<size_t>(OperandCount(form))
                          ? operands_[static_cast<size_t>(OperandCount(form))].column
                          : operation.column,
                      name + " takes " + OperandsDescription(form) + ", not " +
                          std::to_string(operands_.size()));
            } else {
                Encode(name, mnemonic, bytes);
            }
        }
        Place(operation.column, bytes);
    }

    void Encode(const std::string& name, const Mnemonic& mnemonic, std::vector<int32_t>& bytes) {
        const int32_t opcode = mnemonic.opcode;
        switch (mnemonic.form) {
            case Form::kNone:
                bytes[0] = opcode;
                if (opcode == 0xE3) {
                    Warning(ColumnOfOperation(), "WPM is not executed by this machine");
                }
                return;
            case Form::kPair: {
                const auto pair = Pair(operands_[0]);
                if (!pair) return;
                bytes[0] = opcode | *pair << 1;
                if (name != "SRC" && (statementAddress_ & 0xFF) == 0xFF) {
                    Warning(ColumnOfOperation(),
                            name + " on the last byte of a page works on the next page (" +
                                Hex((statementAddress_ + 1) & 0xF00) + ")");
                }
                return;
            }
            case Form::kPairData: {
                const auto pair = Pair(operands_[0]);
                if (!pair) return;
                const auto data = Value(operands_[1], 0, 255, "FIM's data");
                if (!data) return;
                bytes[0] = opcode | *pair << 1;
                bytes[1] = static_cast<int32_t>(*data);
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
                const auto target = PageTarget(operands_[1], name);
                if (!target) return;
                bytes[0] = opcode | *condition;
                bytes[1] = *target;
                return;
            }
            case Form::kAddress12: {
                const auto target = Value(operands_[0], 0, kLastAddress, "an address");
                if (!target) return;
                bytes[0] = opcode | static_cast<int32_t>(*target >> 8);
                bytes[1] = static_cast<int32_t>(*target & 0xFF);
                return;
            }
            case Form::kNibble: {
                const auto value = Value(operands_[0], 0, 15, "a 4-bit value");
                if (value) bytes[0] = opcode | static_cast<int32_t>(*value);
                return;
            }
        }
    }

    int32_t ColumnOfOperation() const { return operationColumn_; }

    // Places a statement's bytes at the address and moves on past them. In
    // pass 2 it writes memory, unless the statement failed: bytes past 0xFFF
    // or on bytes another line placed are errors.
    void Place(int32_t column, const std::vector<int32_t>& bytes) {
        const int64_t start = address_;
        const auto count = static_cast<int64_t>(bytes.size());
        address_ += count;
        if (pass_ == 1) return;
        if (lineFailed_) {
            // One error a statement: where its bytes would go adds nothing.
            AddListing(static_cast<int32_t>(start), {});
            return;
        }
        if (start + count - 1 > kLastAddress) {
            // Every later statement up to the next ORG is past the end as
            // well; the first one says it.
            if (!pastTopReported_) {
                Error(column, "code runs past 0xFFF (this statement starts at " + Hex(start) + ")");
            }
            pastTopReported_ = true;
            return;
        }
        for (int64_t k = 0; k < count; ++k) {
            const int32_t owner = owners_[static_cast<size_t>(start + k)];
            if (owner != 0) {
                Error(column, "address " + Hex(start + k) + " already holds a byte from line " +
                                  std::to_string(owner));
                return;
            }
        }
        std::vector<uint8_t> placed;
        for (int64_t k = 0; k < count; ++k) {
            const auto index = static_cast<size_t>(start + k);
            owners_[index] = line_;
            memory_[index] = static_cast<uint8_t>(bytes[static_cast<size_t>(k)]);
            placed.push_back(memory_[index]);
        }
        if (count > 0) highest_ = std::max(highest_, start + count - 1);
        AddListing(static_cast<int32_t>(start), std::move(placed));
    }

    void AddListing(int32_t address, std::vector<uint8_t> bytes) {
        result_.listing.push_back({address, std::move(bytes), line_, std::string(text_)});
    }

    std::string_view source_;
    // The listing's texts, filled when the first listing line needs them.
    const OpcodeTables& Tables() {
        if (!tables_) {
            tables_.emplace();
            FillOpcodeTables(*tables_);
        }
        return *tables_;
    }
    std::optional<OpcodeTables> tables_;
    Assembly result_;
    int32_t pass_ = 1;
    int32_t line_ = 0;
    std::string_view text_;  // the current line as written
    bool lineFailed_ = false;
    int64_t address_ = 0;
    int64_t statementAddress_ = 0;
    int32_t operationColumn_ = 1;
    bool pastTopReported_ = false;
    std::vector<Field> operands_;
    std::unordered_map<std::string, SymbolEntry> symbols_;
    std::vector<PendingConstant> pending_;
    std::vector<int64_t> origins_;  // each ORG's address as pass 1 worked it out
    size_t originIndex_ = 0;
    std::array<uint8_t, kMemorySize> memory_{};
    std::array<int32_t, kMemorySize> owners_{};  // the line that placed each byte, 0 for none
    int64_t highest_ = -1;
};

}  // namespace

bool Assembly::HasErrors() const {
    return std::any_of(diagnostics.begin(), diagnostics.end(),
                       [](const AsmDiagnostic& diagnostic) { return diagnostic.error; });
}

Assembly Assemble(std::string_view source, const AsmOptions& /*options*/) {
    return Assembler(source).Run();
}

std::string FormatDiagnostic(const std::string& file, const AsmDiagnostic& diagnostic) {
    return file + ":" + std::to_string(diagnostic.line) + ":" + std::to_string(diagnostic.column) +
           (diagnostic.error ? ": error: " : ": warning: ") + diagnostic.message;
}

std::optional<int32_t> FindSymbol(const Assembly& assembly, std::string_view name) {
    const std::string key = Upper(name);
    for (const AsmSymbol& symbol : assembly.symbols) {
        if (symbol.name.size() == key.size() && Upper(symbol.name) == key) return symbol.value;
    }
    return std::nullopt;
}

bool ParseAsmNumber(std::string_view text, int32_t& value) {
    // The forms of Quodlet's own syntax only: 12, 0x1F, 1FH, 0b1010.
    const bool prefixed = text.size() >= 2 && text[0] == '0' && IsLetter(text[1]);
    const bool hexSuffix = !text.empty() && UpperChar(text.back()) == 'H';
    if (prefixed && !hexSuffix && text.size() == 2) return false;
    if (!prefixed && !hexSuffix && !std::all_of(text.begin(), text.end(), IsDigit)) return false;
    int64_t read = 0;
    if (ReadNumber(text, read) != NumberRead::kNumber) return false;
    value = static_cast<int32_t>(read);
    return true;
}

bool AssembleFile(const std::string& path, Assembly& assembly, std::string& why,
                  const AsmOptions& options) {
    std::string source;
    if (!ReadWholeFile(path, kAsmLargestSource, source, why)) return false;
    assembly = Assemble(source, options);
    return true;
}
