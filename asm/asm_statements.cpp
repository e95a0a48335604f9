// A statement: its label, its operation and where the operands start, by
// the rules of the source's dialect.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "asm/asm_text.h"
#include "asm/assembler_impl.h"

namespace {

size_t SkipBlanks(std::string_view code, size_t position) {
    while (position < code.size() && IsBlank(code[position])) ++position;
    return position;
}

// Where the quoted text that starts at `position` ends (after its closing
// quote), or npos when it does not end on the line.
size_t QuoteEnd(std::string_view text, size_t position) {
    const char quote = text[position];
    for (size_t k = position + 1; k < text.size(); ++k) {
        if (text[k] == '\\' && k + 1 < text.size()) {
            ++k;
        } else if (text[k] == quote) {
            return k + 1;
        }
    }
    return std::string_view::npos;
}

// The characters Code() looks at: comments' and quotes' starts.
constexpr std::array<bool, 256> kSpecial = [] {
    std::array<bool, 256> special{};
    for (const char c : std::string_view(";/'\"")) special[static_cast<unsigned char>(c)] = true;
    return special;
}();

// What a statement may hold outside quotes without a second look: printable
// ASCII but the quotes, and tabs.
constexpr std::array<bool, 256> kPlain = [] {
    std::array<bool, 256> plain{};
    for (int32_t c = 0x20; c < 0x7F; ++c) plain[static_cast<size_t>(c)] = c != '\'' && c != '"';
    plain['\t'] = true;
    return plain;
}();

bool SlashComments(AsmSyntax syntax) {
    return syntax != AsmSyntax::kAs && syntax != AsmSyntax::kUz80as;
}

// Dialects where a name alone in column 1 is a label.
bool BareLabels(AsmSyntax syntax) {
    return syntax == AsmSyntax::kAs || syntax == AsmSyntax::kK4004 || syntax == AsmSyntax::kUz80as;
}

}  // namespace

// One line in either pass; false after END.
bool Assembler::Line(std::string_view text) {
    const std::string_view code = Code(text);
    if (!PlainCharacters(code)) return true;
    if (ListingLine(code)) return true;
    return Statement(code);
}

// The line without its comment: from ';' (and '/' where it does not
// divide) outside quotes.
std::string_view Assembler::Code(std::string_view text) const {
    const bool slash = SlashComments(syntax_);
    for (size_t k = 0; k < text.size(); ++k) {
        const char c = text[k];
        if (!kSpecial[static_cast<unsigned char>(c)]) continue;
        if (c == ';' || (slash && c == '/')) return text.substr(0, k);
        if (c == '\'' || c == '"') {
            const size_t end = QuoteEnd(text, k);
            if (end != std::string_view::npos) k = end - 1;
        }
    }
    return text;
}

// Outside quotes, a statement is ASCII without control characters; the
// first other byte is the line's one error.
bool Assembler::PlainCharacters(std::string_view code) {
    for (size_t k = 0; k < code.size(); ++k) {
        const auto c = static_cast<uint8_t>(code[k]);
        if (kPlain[c]) continue;
        if (c == '\'' || c == '"') {
            const size_t end = QuoteEnd(code, k);
            if (end != std::string_view::npos) k = end - 1;
            continue;
        }
        if ((c >= 0x20 && c < 0x7F) || IsBlank(code[k])) continue;
        if (pass_ == 2) {
            size_t length = 1;
            while (c >= 0x80 && k + length < code.size() && length < 4 &&
                   (static_cast<uint8_t>(code[k + length]) & 0xC0) == 0x80) {
                ++length;
            }
            Error(Column(code, k),
                  c >= 0x80 ? Quote(code.substr(k, length)) +
                                  " cannot stand here: names, numbers and operators are ASCII "
                                  "letters, digits and signs (text in quotes may be anything)"
                            : "control character " + Escaped(code.substr(k, 1)) + " in the line");
        }
        return false;
    }
    return true;
}

bool Assembler::Statement(std::string_view code) {
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

    // = 512 (the manual's origin), *= 512, $= 512; NAME, = 5 after a label.
    if (code[position] == '=' && (position + 1 == code.size() || code[position + 1] != '=')) {
        if (!label.text.empty()) {
            Constant(label, code, position + 1);
        } else {
            Origin({code.substr(position, 1), Column(code, position)}, label, code, position + 1);
        }
        return true;
    }
    if (code[position] == '*' || code[position] == '$') {
        const size_t equals = SkipBlanks(code, position + 1);
        if (equals < code.size() && code[equals] == '=') {
            Origin({code.substr(position, equals + 1 - position), Column(code, position)}, label,
                   code, equals + 1);
            return true;
        }
    }

    size_t end = position;
    while (end < code.size() && !IsBlank(code[end]) && code[end] != ',' && code[end] != '=') {
        ++end;
    }
    Field operation{code.substr(position, end - position), Column(code, position)};
    size_t next = SkipBlanks(code, end);

    // NAME = value, NAME EQU value (.equ, and AS's reg), NAME=value.
    const DirectiveEntry* directive = FindDirective(UpperWord(operation.text));
    if (label.text.empty() && !operation.text.empty() && next < code.size() &&
        (directive == nullptr || (directive->syntaxes & SyntaxBit(syntax_)) == 0)) {
        if (code[next] == '=' && (next + 1 == code.size() || code[next + 1] != '=')) {
            Constant(operation, code, next + 1);
            return true;
        }
        size_t wordEnd = next;
        while (wordEnd < code.size() && !IsBlank(code[wordEnd])) ++wordEnd;
        const UpperWord word(code.substr(next, wordEnd - next));
        if (std::string_view(word) == "EQU" || std::string_view(word) == ".EQU") {
            Constant(operation, code, wordEnd);
            return true;
        }
        if (std::string_view(word) == "REG" && syntax_ == AsmSyntax::kAs) {
            Alias(operation, code, wordEnd);
            return true;
        }
    }
    // A name in column 1 (anywhere under K4004's rules) that is no
    // operation is a label: before an operation, or alone where the
    // dialect writes labels so.
    if (label.text.empty() && IsName(operation.text) && !IsOperationWord(operation.text) &&
        (position == 0 || syntax_ == AsmSyntax::kK4004)) {
        if (next == code.size() && BareLabels(syntax_)) {
            DefineLabel(operation, true);
            return true;
        }
        size_t wordEnd = next;
        while (wordEnd < code.size() && !IsBlank(code[wordEnd]) && code[wordEnd] != ',') {
            ++wordEnd;
        }
        if (next < code.size() && IsOperationWord(code.substr(next, wordEnd - next))) {
            label = operation;
            operation = {code.substr(next, wordEnd - next), Column(code, next)};
            end = wordEnd;
        }
    }
    // The manual's data line: a value in the code field (TB,  0+7).
    if (syntax_ == AsmSyntax::kIntel && !operation.text.empty() &&
        std::string_view("0123456789-+('\"*$").find(operation.text[0]) != std::string_view::npos) {
        IntelData(label, code, position);
        return true;
    }
    if (operation.text.empty()) {
        if (pass_ == 2) {
            Error(operation.column,
                  "expected an instruction or directive, not " + Quote(code.substr(position, 1)));
        }
        if (!label.text.empty()) DefineLabel(label, false);
        return true;
    }
    return Operation(label, operation, code, end);
}

// A word that is an operation here: a mnemonic (the 4040's too) or a
// directive of the dialect.
bool Assembler::IsOperationWord(std::string_view word) const {
    if (word.size() < 2 || word.size() > 10) return false;
    const UpperWord upper(word);
    if (FindMnemonic(upper, true) || Is4040Mnemonic(upper)) return true;
    const DirectiveEntry* entry = FindDirective(upper);
    return entry != nullptr && (entry->syntaxes & SyntaxBit(syntax_)) != 0;
}

bool Assembler::Operation(const Field& label, const Field& operation, std::string_view code,
                          size_t end) {
    const std::string name = Upper(operation.text);
    if (const DirectiveEntry* entry = FindDirective(name);
        entry != nullptr && (entry->syntaxes & SyntaxBit(syntax_)) != 0) {
        return Directive(label, operation, *entry, code, end);
    }
    if (!label.text.empty()) DefineLabel(label, false);
    const std::optional<Mnemonic> found = FindMnemonic(name, syntax_ == AsmSyntax::kAs);
    if (!found) {
        UnknownOperation(operation);
        return true;
    }
    Instruction(operation, *found, code, end);
    return true;
}

void Assembler::UnknownOperation(const Field& operation) {
    if (pass_ != 2) return;
    const std::string name = Upper(operation.text);
    if (Is4040Mnemonic(name)) {
        Error(operation.column, Quote(operation.text) +
                                    " is a 4040 instruction, not a 4004 instruction: the 4004 "
                                    "does not have it");
    } else if (FindMnemonic(name, true)) {
        Error(operation.column, Quote(operation.text) + " is AS's second name for " +
                                    (name == "JCM" ? std::string("JCN") : "RD" + name.substr(2)) +
                                    " (--syntax as)");
    } else if (const DirectiveEntry* entry = FindDirective(name); entry != nullptr) {
        Error(operation.column,
              entry->directive == Directive::kDefine
                  ? Quote(operation.text) +
                        " is uz80as's (--syntax uz80as): " + std::string(AsmSyntaxTitle(syntax_)) +
                        " rules define names as NAME EQU value"
                  : Quote(operation.text) + " is a directive of " + SyntaxesNamed(entry->syntaxes) +
                        ", not of " + std::string(AsmSyntaxTitle(syntax_)) + " rules");
    } else {
        Error(operation.column, "unknown instruction " + Quote(operation.text));
    }
}
