#include "asm/dialect.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "asm/asm_text.h"

namespace {

char Up(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameWord(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k) {
        if (Up(a[k]) != Up(b[k])) return false;
    }
    return true;
}

struct NamedCondition {
    std::string_view name;
    int32_t value;
};

// The compatible machine's listing names, which Quodlet's rules read.
constexpr std::array<NamedCondition, 6> kCompatibleNames = {
    {{"TN", 1}, {"C1", 2}, {"AZ", 4}, {"TZ", 9}, {"C0", 10}, {"AN", 12}}};
// The chip's names, as the MCS-4 system's listing and the Busicom source
// write them.
constexpr std::array<NamedCondition, 6> kMcs4Names = {
    {{"TZ", 1}, {"C1", 2}, {"AZ", 4}, {"TN", 9}, {"C0", 10}, {"AN", 12}}};
// Words in AS's letters that newer K4004-style examples write.
constexpr std::array<NamedCondition, 8> kWordNames = {
    {{"T", 1}, {"C", 2}, {"Z", 4}, {"NT", 9}, {"NC", 10}, {"CN", 10}, {"NZ", 12}, {"ZN", 12}}};
constexpr std::array<NamedCondition, 4> kCodeabbeyNames = {
    {{"C1", 2}, {"AZ", 4}, {"C0", 10}, {"AN", 12}}};

template <size_t N>
int32_t Find(const std::array<NamedCondition, N>& names, std::string_view upper) {
    for (const NamedCondition& entry : names) {
        if (entry.name == upper) return entry.value;
    }
    return -1;
}

// A word of letters from `letters`, each worth the bit at its position
// (from the left: 8, 4, 2, 1), added up; -1 for any other character, and
// for a repeated letter unless `repeats`.
int32_t Letters(std::string_view upper, std::string_view letters, bool repeats) {
    if (upper.empty()) return -1;
    int32_t value = 0;
    for (const char c : upper) {
        const size_t at = letters.find(c);
        if (at == std::string_view::npos) return -1;
        const int32_t bit = 8 >> at;
        if ((value & bit) != 0 && !repeats) return -1;
        value |= bit;
    }
    return value;
}

// TZ|C1, AN&C0&TN, ...: the MCS-4 listing's names for the other ten.
int32_t JoinedCondition(std::string_view upper, std::string& why) {
    const bool ors = upper.find('|') != std::string_view::npos;
    const bool ands = upper.find('&') != std::string_view::npos;
    const std::string allowed =
        "'|' joins TZ, C1 and AZ (TEST = 0, carry = 1, acc = 0) and '&' joins TN, C0 and AN, each "
        "name once: C1|TZ is 3, AN&C0&TN is 15";
    if (ors && ands) {
        why = "a condition joins its names by '|' or by '&', not both: " + allowed;
        return -1;
    }
    const char joint = ors ? '|' : '&';
    const std::array<std::string_view, 3> parts =
        ors ? std::array<std::string_view, 3>{"TZ", "C1", "AZ"}
            : std::array<std::string_view, 3>{"TN", "C0", "AN"};
    int32_t value = ors ? 0 : 8;
    size_t start = 0;
    for (;;) {
        const size_t end = upper.find(joint, start);
        const std::string_view part =
            upper.substr(start, end == std::string_view::npos ? end : end - start);
        size_t k = 0;
        while (k < parts.size() && parts[k] != part) ++k;
        if (k == parts.size()) {
            why = Quote(part) + " cannot be joined here: " + allowed;
            return -1;
        }
        const int32_t bit = 1 << k;
        if ((value & bit) != 0) {
            why = Escaped(part) + " is named twice: " + allowed;
            return -1;
        }
        value |= bit;
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return value;
}

struct Reading {
    AsmSyntax syntax;
    AsmMachine machine;
    std::string_view who;
};

constexpr std::array<Reading, 7> kReadings = {{
    {AsmSyntax::kQuodlet, AsmMachine::kCompatible, "Quodlet's rules"},
    {AsmSyntax::kQuodlet, AsmMachine::kMcs4,
     "Quodlet's rules for the MCS-4 system (--machine mcs4)"},
    {AsmSyntax::kAs, AsmMachine::kCompatible, "AS (--syntax as)"},
    {AsmSyntax::kIntel, AsmMachine::kCompatible, "Pyntel4004 (--syntax intel)"},
    {AsmSyntax::kK4004, AsmMachine::kCompatible, "K4004-style examples (--syntax k4004)"},
    {AsmSyntax::kCodeabbey, AsmMachine::kCompatible, "CodeAbbey (--syntax codeabbey)"},
    {AsmSyntax::kUz80as, AsmMachine::kCompatible, ""},
}};

// The marker's words after "quodlet-asm": --syntax NAME, --machine NAME.
struct Marker {
    std::optional<AsmSyntax> syntax;
    std::optional<AsmMachine> machine;
    std::string error;
    int32_t column = 1;
};

Marker ReadMarker(std::string_view line) {
    Marker marker;
    size_t at = line.find_first_not_of(" \t");
    if (at == std::string_view::npos || (line[at] != ';' && line[at] != '/')) return marker;
    at = line.find_first_not_of(";/ \t", at);
    constexpr std::string_view kTool = "quodlet-asm";
    if (at == std::string_view::npos || !SameWord(line.substr(at, kTool.size()), kTool)) {
        return marker;
    }
    at += kTool.size();
    for (;;) {
        at = line.find_first_not_of(" \t", at);
        if (at == std::string_view::npos) break;
        size_t end = line.find_first_of(" \t=", at);
        const std::string_view option = line.substr(at, end - at);
        const bool syntax = option == "--syntax";
        if (!syntax && option != "--machine") break;
        at = end == std::string_view::npos ? line.size() : end + 1;
        at = std::min(line.find_first_not_of(" \t", at), line.size());
        end = std::min(line.find_first_of(" \t", at), line.size());
        const std::string_view name = line.substr(at, end - at);
        marker.column = static_cast<int32_t>(at) + 1;
        if (syntax) {
            marker.syntax = ParseAsmSyntax(name);
            if (!marker.syntax) {
                marker.error = "the first line asks for the rules " + Quote(name) +
                               ", which do not exist; the rules are " +
                               std::string(kAsmSyntaxNames);
                return marker;
            }
        } else {
            marker.machine = ParseAsmMachine(name);
            if (!marker.machine) {
                marker.error = "the first line asks for the machine " + Quote(name) +
                               ", which does not exist; the machines are " +
                               std::string(kAsmMachineNames);
                return marker;
            }
        }
        at = end;
    }
    return marker;
}

// The first word of `text` from `at`, and where it ends.
std::string_view WordAt(std::string_view text, size_t at, size_t& end) {
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    end = at;
    while (end < text.size() && text[end] != ' ' && text[end] != '\t' && text[end] != ';' &&
           text[end] != ',') {
        ++end;
    }
    return text.substr(at, end - at);
}

bool IsUz80asSign(std::string_view word) {
    constexpr std::array<std::string_view, 13> kSigns = {
        "#define", "#include", "#if",   "#ifdef", "#ifndef", ".org",  ".equ",
        ".db",     ".dw",      ".word", ".text",  ".fill",   ".block"};
    for (const std::string_view sign : kSigns) {
        if (SameWord(word, sign)) return true;
    }
    return false;
}

}  // namespace

int32_t BuiltInCondition(AsmSyntax syntax, AsmMachine machine, std::string_view upper,
                         std::string& why) {
    switch (syntax) {
        case AsmSyntax::kQuodlet:
            if (machine == AsmMachine::kCompatible) return Find(kCompatibleNames, upper);
            if (upper.find_first_of("|&") != std::string_view::npos) {
                return JoinedCondition(upper, why);
            }
            return Find(kMcs4Names, upper);
        case AsmSyntax::kIntel: return Letters(upper, "IACT", false);
        case AsmSyntax::kAs: return Letters(upper, "NZCT", true);
        case AsmSyntax::kK4004: return Find(kWordNames, upper);
        case AsmSyntax::kCodeabbey: return Find(kCodeabbeyNames, upper);
        case AsmSyntax::kUz80as: return -1;
    }
    return -1;
}

std::string ConditionNamesOf(AsmSyntax syntax, AsmMachine machine) {
    switch (syntax) {
        case AsmSyntax::kQuodlet:
            return machine == AsmMachine::kCompatible
                       ? "TN, C1, AZ, TZ, C0, AN or a number 0..15"
                       : "TZ, C1, AZ, TN, C0, AN, their joins such as C1|TZ and AN&C0, or a "
                         "number 0..15";
        case AsmSyntax::kIntel:
            return "a number 0..15 or Pyntel4004's letters I, A, C and T (IA is 12)";
        case AsmSyntax::kAs: return "the letters N, Z, C and T (NZ is 12) or a number 0..15";
        case AsmSyntax::kK4004: return "a number 0..15 or T, C, Z, NT, NC and NZ";
        case AsmSyntax::kUz80as: return "a number 0..15 or a name the source defines";
        case AsmSyntax::kCodeabbey: return "C1, AZ, C0, AN or a number 0..15";
    }
    return "";
}

std::string OtherConditionReadings(AsmSyntax syntax, AsmMachine machine, std::string_view upper) {
    std::string text;
    for (const Reading& reading : kReadings) {
        if (reading.who.empty()) continue;
        if (reading.syntax == syntax &&
            (syntax != AsmSyntax::kQuodlet || reading.machine == machine)) {
            continue;
        }
        std::string why;
        const int32_t value = BuiltInCondition(reading.syntax, reading.machine, upper, why);
        if (value < 0) continue;
        text += text.empty() ? "" : ", ";
        text += std::string(reading.who) + " reads it as " + std::to_string(value);
    }
    return text;
}

SyntaxChoice ChooseSyntax(std::string_view source, const AsmOptions& options) {
    SyntaxChoice choice;
    const std::string_view first = source.substr(0, source.find_first_of("\r\n"));
    const Marker marker = ReadMarker(first);
    if (!marker.error.empty()) {
        choice.error = marker.error;
        choice.errorColumn = marker.column;
    }
    choice.machine = options.machine.value_or(marker.machine.value_or(AsmMachine::kCompatible));
    if (options.machine && marker.machine && *marker.machine != *options.machine) {
        choice.warning = "the first line asks for the machine " +
                         std::string(AsmMachineName(*marker.machine)) + "; the " +
                         std::string(AsmMachineName(*options.machine)) + " machine asked for wins";
    }
    if (options.syntax) {
        choice.syntax = *options.syntax;
        choice.reason = "--syntax " + std::string(AsmSyntaxName(*options.syntax));
        if (marker.syntax && *marker.syntax != *options.syntax) {
            choice.warning = "the first line asks for " +
                             std::string(AsmSyntaxTitle(*marker.syntax)) + " rules; " +
                             std::string(AsmSyntaxTitle(*options.syntax)) + " rules asked for win";
        }
        return choice;
    }
    if (marker.syntax) {
        choice.syntax = *marker.syntax;
        choice.reason = "the first line's --syntax " + std::string(AsmSyntaxName(*marker.syntax));
        return choice;
    }

    // Signs in order of strength: the first `cpu` line, else the first
    // uz80as line, else the first `org rom`.
    std::string uz80as;
    std::string intel;
    size_t start = 0;
    int32_t line = 0;
    while (start < source.size()) {
        size_t end = start;
        while (end < source.size() && source[end] != '\n' && source[end] != '\r') ++end;
        const std::string_view text = source.substr(start, end - start);
        start = end + (source.substr(end, 2) == "\r\n" ? 2 : 1);
        ++line;
        const std::string_view code = text.substr(0, text.find(';'));
        const auto where = [line] { return " on line " + std::to_string(line); };
        size_t after = 0;
        size_t next = 0;
        const std::string_view one = WordAt(code, 0, after);
        const std::string_view two = WordAt(code, after, next);
        for (const auto& [word, rest] : {std::pair{one, after}, std::pair{two, next}}) {
            // Every sign starts so: cpu, org, #define, .org ...
            if (word.empty() ||
                std::string_view("cCoO#.").find(word[0]) == std::string_view::npos) {
                continue;
            }
            size_t valueEnd = 0;
            const std::string_view value = WordAt(code, rest, valueEnd);
            if (SameWord(word, "cpu") && !value.empty() && value[0] >= '0' && value[0] <= '9') {
                choice.syntax = AsmSyntax::kAs;
                choice.reason = "`cpu " + Escaped(value) + "`" + where();
                return choice;
            }
            if (uz80as.empty() && IsUz80asSign(word)) {
                uz80as = "`" + Escaped(word) + "`" + where();
            }
            if (intel.empty() && SameWord(word, "org") &&
                (SameWord(value, "rom") || SameWord(value, "ram"))) {
                intel = "`" + Escaped(word) + " " + Escaped(value) + "`" + where();
            }
        }
    }
    if (!uz80as.empty()) {
        choice.syntax = AsmSyntax::kUz80as;
        choice.reason = uz80as;
    } else if (!intel.empty()) {
        choice.syntax = AsmSyntax::kIntel;
        choice.reason = intel;
    }
    return choice;
}

std::string SyntaxMarker(AsmSyntax syntax, AsmMachine machine) {
    std::string marker = "; quodlet-asm --syntax " + std::string(AsmSyntaxName(syntax));
    if (machine != AsmMachine::kCompatible) {
        marker += " --machine " + std::string(AsmMachineName(machine));
    }
    return marker;
}

std::optional<AsmSyntax> ParseAsmSyntax(std::string_view name) {
    constexpr std::array<AsmSyntax, 6> kAll = {AsmSyntax::kQuodlet, AsmSyntax::kIntel,
                                               AsmSyntax::kAs,      AsmSyntax::kK4004,
                                               AsmSyntax::kUz80as,  AsmSyntax::kCodeabbey};
    for (const AsmSyntax syntax : kAll) {
        if (SameWord(name, AsmSyntaxName(syntax))) return syntax;
    }
    return std::nullopt;
}

std::optional<AsmMachine> ParseAsmMachine(std::string_view name) {
    if (SameWord(name, "compatible")) return AsmMachine::kCompatible;
    if (SameWord(name, "mcs4") || SameWord(name, "exerciser") || SameWord(name, "busicom")) {
        return AsmMachine::kMcs4;
    }
    return std::nullopt;
}

std::string_view AsmSyntaxName(AsmSyntax syntax) {
    switch (syntax) {
        case AsmSyntax::kQuodlet: return "quodlet";
        case AsmSyntax::kIntel: return "intel";
        case AsmSyntax::kAs: return "as";
        case AsmSyntax::kK4004: return "k4004";
        case AsmSyntax::kUz80as: return "uz80as";
        case AsmSyntax::kCodeabbey: return "codeabbey";
    }
    return "";
}

std::string_view AsmSyntaxTitle(AsmSyntax syntax) {
    switch (syntax) {
        case AsmSyntax::kQuodlet: return "Quodlet's";
        case AsmSyntax::kIntel: return "Intel";
        case AsmSyntax::kAs: return "AS";
        case AsmSyntax::kK4004: return "K4004";
        case AsmSyntax::kUz80as: return "uz80as";
        case AsmSyntax::kCodeabbey: return "CodeAbbey";
    }
    return "";
}

std::string_view AsmMachineName(AsmMachine machine) {
    return machine == AsmMachine::kMcs4 ? "mcs4" : "compatible";
}
