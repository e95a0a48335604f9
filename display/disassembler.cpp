#include "display/disassembler.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "core/hex.h"
#include "display/controls.h"

namespace {

constexpr int32_t kListingLines = 32;

}  // namespace

// pc can be typed or stepped past the end of RomImage (or a listing can run
// past it), so an address outside the array reads 0 rather than memory
// beyond it. The mask keeps the byte a valid table index whatever the entry
// holds.
int32_t ProgramView::ByteAt(int32_t address) const {
    if (wraps) address &= size - 1;
    if (address < 0 || address >= size) return 0;
    return bytes[static_cast<size_t>(address)] & 0xFF;
}

int32_t ProgramView::After(int32_t address, int32_t count) const {
    // Unsigned so that the address after INT32_MAX wraps instead of overflowing.
    const auto next =
        static_cast<int32_t>(static_cast<uint32_t>(address) + static_cast<uint32_t>(count));
    return wraps ? next & (size - 1) : next;
}

ProgramView ViewOf(const MachineState& state) {
    return {state.RomImage.data(), static_cast<int32_t>(state.RomImage.size()), false};
}

ProgramView ViewOf(const Mcs4State& state) {
    return {state.rom.data(), kMcs4RomBytes, true};
}

bool LineAddress(const std::string& line, uint32_t& address) {
    const std::string_view digits = std::string_view(line).substr(0, line.find(' '));
    return ParseHex(digits, UINT32_MAX, address);
}

std::string InstructionText(const OpcodeTables& tables, int32_t opcode, int32_t second) {
    opcode &= 0xFF;
    std::string text = tables.MnemonicTable[static_cast<size_t>(opcode)];
    if (tables.LengthTable[static_cast<size_t>(opcode)] == 2) {
        if (opcode >= 0x40 && opcode <= 0x5F) {
            // JUN, JMS: "JUN " ends in a blank; the 12-bit target follows it.
            text += PaddedHex(((opcode & 0x0F) << 8) | (second & 0xFF), 3);
        } else {
            text += ' ';
            text += PaddedHex(second & 0xFF, 2);
        }
    }
    return text;
}

bool ShowsName(const std::string& name) {
    const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    if (name.empty() || !(letter(name[0]) || name[0] == '_') || IsHexString(name)) return false;
    if (!std::all_of(name.begin(), name.end(),
                     [&](char c) { return letter(c) || digit(c) || c == '_'; })) {
        return false;
    }
    // Register and pair names: R5, P2, R0R1.
    const char first = static_cast<char>(name[0] & ~0x20);
    if ((first == 'R' || first == 'P') && name.size() > 1 &&
        std::all_of(name.begin() + 1, name.end(),
                    [&](char c) { return digit(c) || c == 'R' || c == 'r'; })) {
        return false;
    }
    return true;
}

std::string InstructionText(const OpcodeTables& tables, int32_t opcode, int32_t second,
                            int32_t address, const ProgramSymbols& symbols) {
    opcode &= 0xFF;
    const auto index = static_cast<size_t>(opcode);
    if (tables.LengthTable[index] != 2 || address < 0 || address > 0xFFF) {
        return InstructionText(tables, opcode, second);
    }
    second &= 0xFF;
    const int32_t kind = opcode >> 4;
    int32_t target = -1;
    if (kind == 0x4 || kind == 0x5) {
        target = ((opcode & 0x0F) << 8) | second;  // JUN, JMS
    } else if (kind == 0x1 || kind == 0x7) {
        target = (((address + 2) & 0xFFF) & 0xF00) | second;  // JCN, ISZ: the page after
    } else if (kind == 0x2 && (opcode & 1) == 0) {
        target = (address & 0xF00) | second;  // FIM: its own page
    }
    const std::string* name = target < 0 ? nullptr : symbols.LabelAt(target);
    std::string text = tables.MnemonicTable[index];
    // An opcode the tables do not name ("???") keeps its number.
    if (name == nullptr || !ShowsName(*name) || text.find('?') != std::string::npos) {
        return InstructionText(tables, opcode, second);
    }
    if (text.empty() || text.back() != ' ') text += ' ';
    return text + *name;
}

std::string DisassembleLine(const ProgramView& program, const OpcodeTables& tables,
                            int32_t& listingAddress, const ProgramSymbols* symbols,
                            bool definition) {
    const int32_t opcode = program.ByteAt(listingAddress);
    const int32_t length = tables.LengthTable[static_cast<size_t>(opcode)];

    // Addresses of 0x1000 and above keep all their digits, so every line's
    // address stays unambiguous; the columns behind it shift to the right.
    std::string line = PaddedHex(listingAddress, 3);
    line += ' ';
    line += PaddedHex(opcode, 2);
    line += ' ';
    int32_t second = 0;
    if (length == 2) {
        second = program.ByteAt(program.After(listingAddress, 1));
        line += PaddedHex(second, 2);
        line += ' ';
    } else {
        line += "   ";
    }
    if (symbols == nullptr || symbols->Empty()) {
        line += InstructionText(tables, opcode, second);
    } else {
        if (definition) {
            const std::string* label = symbols->LabelAt(listingAddress);
            if (label != nullptr && ShowsName(*label)) {
                line += *label;
                line += ": ";
            }
        }
        line += InstructionText(tables, opcode, second, listingAddress, *symbols);
    }

    listingAddress = program.After(listingAddress, length);
    return line;
}

void FillCodeListing(const ProgramView& program, const OpcodeTables& tables,
                     int32_t& listingAddress, WindowLayer& layer, const ProgramSymbols* symbols) {
    layer.ClearLines(Control::kCodeListing);
    for (int32_t i = 0; i < kListingLines; ++i) {
        layer.AppendLine(Control::kCodeListing,
                         DisassembleLine(program, tables, listingAddress, symbols));
    }
    layer.SelectLine(Control::kCodeListing, 0);
}

void FollowPc(const ProgramView& program, int32_t pc, const OpcodeTables& tables,
              int32_t& listingAddress, WindowLayer& layer, const ProgramSymbols* symbols) {
    const int32_t count = layer.CountLines(Control::kCodeListing);
    for (int32_t i = 0; i < count; ++i) {
        uint32_t address = 0;
        if (LineAddress(layer.GetLine(Control::kCodeListing, i), address) &&
            address == static_cast<uint32_t>(pc)) {
            layer.SelectLine(Control::kCodeListing, i);
            return;
        }
    }
    listingAddress = pc;
    FillCodeListing(program, tables, listingAddress, layer, symbols);
}
