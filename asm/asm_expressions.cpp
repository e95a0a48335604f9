// Operands and expressions: how a statement's operand field splits into
// operands, and what each one's value is.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "asm/asm_text.h"
#include "asm/assembler_impl.h"
#include "core/hex.h"

namespace {

size_t SkipBlanks(std::string_view code, size_t position) {
    while (position < code.size() && IsBlank(code[position])) ++position;
    return position;
}

// Signs that join two values: a blank beside one belongs to the expression.
bool IsJoiningSign(char c) {
    return std::string_view("+-*/%&|^<>=!").find(c) != std::string_view::npos;
}

// The end of the token at `position`: up to a blank or ',' outside quotes
// and parentheses.
size_t TokenEnd(std::string_view code, size_t position) {
    int32_t depth = 0;
    while (position < code.size()) {
        const char c = code[position];
        if (depth == 0 && (IsBlank(c) || c == ',')) break;
        if (c == '(') ++depth;
        if (c == ')' && depth > 0) --depth;
        if (c == '\'' || c == '"') {
            size_t k = position + 1;
            while (k < code.size() && code[k] != c) k += code[k] == '\\' ? 2 : 1;
            if (k < code.size()) position = k;
        }
        ++position;
    }
    return position;
}

// Whether the token at `next` continues the operand before it: it starts
// with a sign that joins (a '-' only when a blank follows it, since "-1"
// after a blank is a value of its own; '%' and '*' only when they are no
// binary number or current address).
bool Continues(std::string_view code, size_t next) {
    const char c = code[next];
    if (!IsJoiningSign(c)) return false;
    const bool alone = next + 1 == code.size() || IsBlank(code[next + 1]);
    if (c == '-' || c == '*' || c == '!') return alone || (c == '!' && code[next + 1] == '=');
    if (c == '%') return alone || (code[next + 1] != '0' && code[next + 1] != '1');
    return true;
}

}  // namespace

// Splits what follows the operation into operands: commas and blanks
// separate them, but a blank beside a sign that joins two values belongs
// to the expression (TABLE - 0x100). False (after an error in pass 2) when
// the commas are wrong.
bool Assembler::Operands(std::string_view code, size_t position) {
    operands_.clear();
    position = SkipBlanks(code, position);
    while (position < code.size()) {
        if (code[position] == ',') {
            if (pass_ == 2) Error(Column(code, position), "expected an operand before ','");
            return false;
        }
        const size_t start = position;
        size_t end = TokenEnd(code, position);
        for (;;) {
            const size_t next = SkipBlanks(code, end);
            if (next >= code.size() || code[next] == ',') break;
            const char last = code[end - 1];
            const bool open =
                IsJoiningSign(last) && !(end - start == 1 && (last == '*' || last == '$'));
            if (!open && !Continues(code, next)) break;
            end = TokenEnd(code, next);
        }
        operands_.push_back({code.substr(start, end - start), Column(code, start)});
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
                          "two commas: operands are separated by blanks and/or one comma");
                }
                return false;
            }
        }
    }
    return true;
}

// Reads the text in quotes at `position` (a quote) into `bytes`, C escapes
// included; `position` ends after the closing quote. False (with an error
// when `report`) when it does not end.
bool Assembler::ReadString(std::string_view text, size_t& position, std::string& bytes, bool report,
                           int32_t column) {
    const char quote = text[position];
    size_t k = position + 1;
    while (k < text.size() && text[k] != quote) {
        char c = text[k++];
        if (c == '\\' && k < text.size()) {
            const char e = text[k++];
            switch (e) {
                case 'n': c = '\n'; break;
                case 'r': c = '\r'; break;
                case 't': c = '\t'; break;
                case 'e': c = '\x1B'; break;
                case '0': c = '\0'; break;
                case 'x':
                    if (k + 1 < text.size() && HexDigitValue(text[k]) >= 0 &&
                        HexDigitValue(text[k + 1]) >= 0) {
                        c = static_cast<char>(HexDigitValue(text[k]) * 16 +
                                              HexDigitValue(text[k + 1]));
                        k += 2;
                    } else {
                        c = 'x';
                    }
                    break;
                default: c = e; break;
            }
        }
        bytes += c;
    }
    if (k >= text.size()) {
        if (report)
            Error(column, "the text in quotes " + Quote(text.substr(position)) + " does not end");
        return false;
    }
    position = k + 1;
    return true;
}

// One expression: numbers, names, characters in quotes, '$' or '*' (the
// statement's address), lo() and hi(), parentheses, and C's operators with
// C's precedence; under uz80as's rules every operator binds alike, left to
// right. Unknown when a name is not (yet) defined; errors only when
// `report`.
class ExpressionReader {
public:
    ExpressionReader(Assembler& assembler, const Field& field, int64_t here, bool report)
        : a_(assembler),
          text_(field.text),
          column_(field.column),
          here_(here),
          report_(report),
          flat_(assembler.syntax_ == AsmSyntax::kUz80as) {}

    Value Read(bool strings) {
        Value value;
        const size_t start = SkipBlanks(text_, 0);
        if (strings && start < text_.size() && (text_[start] == '"' || text_[start] == '\'')) {
            size_t end = start;
            std::string bytes;
            if (a_.ReadString(text_, end, bytes, report_, column_ + static_cast<int32_t>(start)) &&
                SkipBlanks(text_, end) == text_.size() &&
                (text_[start] == '"' || bytes.size() != 1)) {
                value.known = value.isString = true;
                value.text = std::move(bytes);
                return value;
            }
        }
        // A name alone, the most common operand of a constant: one look-up.
        if (strings && IsName(Trimmed())) {
            const Symbol* symbol = a_.Find(Trimmed());
            if (symbol != nullptr && symbol->known && symbol->kind == SymbolKind::kString &&
                symbol->text.size() != 1) {
                value.known = value.isString = true;
                value.text = std::string(symbol->text);
                return value;
            }
            if (symbol != nullptr && symbol->known &&
                (symbol->kind == SymbolKind::kNumber || symbol->kind == SymbolKind::kLabel)) {
                value.known = true;
                value.number = symbol->value;
                return value;
            }
            if (symbol == nullptr && !report_) return value;
        }
        const int64_t number = Binary(1);
        position_ = SkipBlanks(text_, position_);
        if (!failed_ && position_ < text_.size()) {
            Fail(position_, "unexpected " + Quote(text_.substr(position_, 1)) +
                                " in the expression " + Quote(text_));
        }
        value.known = !failed_ && !unknown_;
        value.number = number;
        return value;
    }

private:
    std::string_view Trimmed() const {
        std::string_view text = text_.substr(SkipBlanks(text_, 0));
        while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
        return text;
    }

    void Fail(size_t at, const std::string& message) {
        if (!failed_ && report_) a_.Error(column_ + static_cast<int32_t>(at), message);
        failed_ = true;
    }

    // The operator at the position and its level (1 binds least), or 0.
    int32_t Operator(size_t& length) const {
        const std::string_view rest = text_.substr(position_);
        struct Entry {
            std::string_view sign;
            int32_t level;
        };
        static constexpr Entry kOperators[] = {
            {"||", 1}, {"&&", 2}, {"==", 6}, {"!=", 6}, {"<>", 6}, {"<=", 7}, {">=", 7},
            {"<<", 8}, {">>", 8}, {"|", 3},  {"^", 4},  {"&", 5},  {"=", 6},  {"<", 7},
            {">", 7},  {"+", 9},  {"-", 9},  {"*", 10}, {"/", 10}, {"%", 10},
        };
        for (const Entry& entry : kOperators) {
            if (rest.substr(0, entry.sign.size()) == entry.sign) {
                length = entry.sign.size();
                return flat_ ? 1 : entry.level;
            }
        }
        return 0;
    }

    int64_t Binary(int32_t lowest) {
        int64_t left = Unary();
        while (!failed_) {
            position_ = SkipBlanks(text_, position_);
            size_t length = 0;
            const int32_t level = Operator(length);
            if (level == 0 || level < lowest) break;
            const size_t at = position_;
            const std::string_view sign = text_.substr(position_, length);
            position_ += length;
            const int64_t right = flat_ ? Unary() : Binary(level + 1);
            if (failed_) break;
            left = Apply(sign, left, right, at);
        }
        return left;
    }

    int64_t Apply(std::string_view sign, int64_t left, int64_t right, size_t at) {
        const auto l = static_cast<uint64_t>(left);
        const auto r = static_cast<uint64_t>(right);
        const char c = sign[0];
        if (sign.size() == 2 && sign[0] == sign[1] && (c == '<' || c == '>')) {
            if (right < 0 || right > 62) return c == '>' && left < 0 ? -1 : 0;
            return c == '<' ? static_cast<int64_t>(l << right) : left >> right;
        }
        if (sign == "&&") return left != 0 && right != 0;
        if (sign == "||") return left != 0 || right != 0;
        if (sign == "==" || sign == "=") return left == right;
        if (sign == "!=" || sign == "<>") return left != right;
        if (sign == "<=") return left <= right;
        if (sign == ">=") return left >= right;
        switch (c) {
            case '<': return left < right;
            case '>': return left > right;
            case '|': return static_cast<int64_t>(l | r);
            case '^': return static_cast<int64_t>(l ^ r);
            case '&': return static_cast<int64_t>(l & r);
            case '+': return static_cast<int64_t>(l + r);
            case '-': return static_cast<int64_t>(l - r);
            case '*': return static_cast<int64_t>(l * r);
            default: break;
        }
        if (right == 0) {
            if (!unknown_) Fail(at, "division by zero in " + Quote(text_));
            return 0;
        }
        if (right == -1) return c == '/' ? static_cast<int64_t>(0 - l) : 0;
        return c == '/' ? left / right : left % right;
    }

    int64_t Unary() {
        position_ = SkipBlanks(text_, position_);
        // Each sign and parenthesis reads one level deeper.
        if (++depth_ > kDeepest) {
            Fail(position_, "the expression " + Quote(text_) + " nests too deep");
            return 0;
        }
        const DepthGuard guard{depth_};
        if (position_ < text_.size()) {
            const char c = text_[position_];
            if (c == '-' || c == '+' || c == '~' ||
                (c == '!' && text_.substr(position_, 2) != "!=")) {
                ++position_;
                const auto value = static_cast<uint64_t>(Unary());
                if (c == '-') return static_cast<int64_t>(0 - value);
                if (c == '~') return static_cast<int64_t>(~value);
                if (c == '!') return value == 0;
                return static_cast<int64_t>(value);
            }
        }
        return Primary();
    }

    int64_t Primary();

    Assembler& a_;
    std::string_view text_;
    int32_t column_;
    int64_t here_;
    bool report_;
    bool flat_;
    struct DepthGuard {
        int32_t& depth;
        ~DepthGuard() { --depth; }
    };
    static constexpr int32_t kDeepest = 200;

    size_t position_ = 0;
    int32_t depth_ = 0;
    bool failed_ = false;
    bool unknown_ = false;
};

int64_t ExpressionReader::Primary() {
    position_ = SkipBlanks(text_, position_);
    if (position_ == text_.size()) {
        Fail(position_, "expected a number, a name or '*' in " + Quote(text_));
        return 0;
    }
    const size_t start = position_;
    const char c = text_[start];
    const char next = start + 1 < text_.size() ? text_[start + 1] : '\0';
    if (c == '(') {
        ++position_;
        const int64_t value = Binary(1);
        position_ = SkipBlanks(text_, position_);
        if (!failed_ && (position_ == text_.size() || text_[position_] != ')')) {
            Fail(position_, "expected ')' in " + Quote(text_));
        }
        ++position_;
        return value;
    }
    if (c == '\'' || c == '"') {
        std::string bytes;
        if (!a_.ReadString(text_, position_, bytes, report_ && !failed_,
                           column_ + static_cast<int32_t>(start))) {
            failed_ = true;
            return 0;
        }
        if (bytes.size() != 1) {
            Fail(start, "a value in quotes is one character, not " +
                            Quote(text_.substr(start, position_ - start)));
        }
        return bytes.empty() ? 0 : static_cast<uint8_t>(bytes[0]);
    }
    const bool number = IsDigit(c) || (c == '$' && HexDigitValue(next) >= 0) ||
                        (c == '%' && (next == '0' || next == '1')) ||
                        (c == '@' && next >= '0' && next <= '7');
    if ((c == '$' || c == '*') && !number) {
        ++position_;
        return here_;
    }
    if (!number && !IsNameStart(c)) {
        Fail(start,
             "unexpected " + Quote(text_.substr(start, 1)) + " in the expression " + Quote(text_));
        return 0;
    }
    size_t end = start + 1;
    while (end < text_.size() && IsNameChar(text_[end])) ++end;
    const std::string_view word = text_.substr(start, end - start);
    position_ = end;
    if (number) {
        int64_t value = 0;
        const NumberRead read = ReadNumber(word, value, a_.syntax_ == AsmSyntax::kK4004);
        if (read != NumberRead::kNumber) {
            Fail(start, read == NumberRead::kTooLarge
                            ? "number " + Quote(word) + " is too large"
                            : Quote(word) +
                                  " is not a number (decimal 12, hex 0x1F, 1FH or $1F, binary "
                                  "0b1010, 1010B or %1010)");
        }
        return value;
    }
    const Symbol* symbol = a_.Find(word);
    const UpperWord upper(word);
    const std::string_view function = upper;
    if (symbol == nullptr && (function == "LO" || function == "HI") &&
        SkipBlanks(text_, end) < text_.size() && text_[SkipBlanks(text_, end)] == '(') {
        const int64_t value = Primary();
        return function == "LO" ? value & 0xFF : (value >> 8) & 0xFF;
    }
    if (symbol == nullptr || !symbol->known) {
        if (report_) {
            const std::string reserved = a_.ReservedName(word);
            Fail(start, symbol != nullptr
                            ? "the value of " + Quote(word) +
                                  " is not known: its definition failed or depends on itself"
                        : !reserved.empty() ? Quote(word) + " is " + reserved + ", not a value"
                                            : "undefined name " + Quote(word));
        }
        unknown_ = true;
        return 0;
    }
    switch (symbol->kind) {
        case SymbolKind::kString:
            if (symbol->text.size() == 1) return static_cast<uint8_t>(symbol->text[0]);
            Fail(start, Quote(word) + " is a text, not a number");
            return 0;
        case SymbolKind::kRegister:
        case SymbolKind::kPair:
            Fail(start, Quote(word) + " names a register, not a value");
            return 0;
        default: return symbol->value;
    }
}

Value Assembler::Evaluate(const Field& field, int64_t here, bool report, bool strings) {
    return ExpressionReader(*this, field, here, report).Read(strings);
}
