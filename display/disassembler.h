#pragma once
// The code listing: 32 disassembled lines of ROM that follow the program
// counter. A line reads "AAA BB BB TEXT OPERAND": the address in at least
// three hex digits, the instruction's bytes in a six-character field, the
// opcode's text and, for two-byte instructions, the operand.
//
// With a program's symbols, a line at a label's address shows it after the
// bytes, and a JUN, JMS, JCN, ISZ or FIM operand that is a label's address
// shows its name: "01D 50 30 CONV: JMS LOOP". Every such line assembles to
// its bytes again once its labels are defined. Without symbols a line is
// exactly as above.

#include <cstdint>
#include <string>

#include "core/machine_state.h"
#include "core/mcs4.h"
#include "display/opcode_tables.h"
#include "display/symbols.h"
#include "platform/window_layer.h"

// The program memory a listing reads. The compatible machine's is its
// RomImage, and an address outside it reads 0; the MCS-4 system's 4 KiB of
// ROM wrap, as its program counter does.
struct ProgramView {
    const int32_t* bytes = nullptr;
    int32_t size = 0;
    bool wraps = false;

    // The byte at an address, 0..255.
    [[nodiscard]] int32_t ByteAt(int32_t address) const;
    // The address `count` bytes after `address`.
    [[nodiscard]] int32_t After(int32_t address, int32_t count) const;
};
ProgramView ViewOf(const MachineState& state);
ProgramView ViewOf(const Mcs4State& state);

// The text a listing line shows after the bytes for an instruction whose
// first byte is `opcode` and second `second` (ignored for one-byte
// instructions): "FIM P0 67", "JUN 004", "IAC", "???".
std::string InstructionText(const OpcodeTables& tables, int32_t opcode, int32_t second);

// The same with the label a JUN, JMS, JCN, ISZ or FIM at `address` names, when
// its operand is the address of one in `symbols` and the name reads back as
// that address: "JMS CONV", "FIM P0 TABLE". A JCN or ISZ names a label on
// the page of the address after it, a FIM one on its own page (as the
// assembler takes them).
std::string InstructionText(const OpcodeTables& tables, int32_t opcode, int32_t second,
                            int32_t address, const ProgramSymbols& symbols);

// Whether the listing shows a label's name: only a name that reads as a
// name in the assembler's own rules, not as a number ("ADD", "C0").
bool ShowsName(const std::string& name);

// The line for the instruction at listingAddress; advances listingAddress by
// the instruction's length. With symbols (not null), their labels as above;
// `definition` false leaves out the label of the line's own address.
std::string DisassembleLine(const ProgramView& program, const OpcodeTables& tables,
                            int32_t& listingAddress, const ProgramSymbols* symbols = nullptr,
                            bool definition = true);
inline std::string DisassembleLine(const MachineState& state, const OpcodeTables& tables,
                                   int32_t& listingAddress) {
    return DisassembleLine(ViewOf(state), tables, listingAddress);
}

// The address a listing line starts with: its hex digits up to the first
// blank. False when the line starts otherwise or the digits do not fit.
bool LineAddress(const std::string& line, uint32_t& address);

// Replaces the listing's lines by 32 lines from listingAddress onward and
// selects line 0; with symbols, named as above.
void FillCodeListing(const ProgramView& program, const OpcodeTables& tables,
                     int32_t& listingAddress, WindowLayer& layer,
                     const ProgramSymbols* symbols = nullptr);
inline void FillCodeListing(const MachineState& state, const OpcodeTables& tables,
                            int32_t& listingAddress, WindowLayer& layer) {
    FillCodeListing(ViewOf(state), tables, listingAddress, layer);
}

// Selects the listing line whose address is pc; when no line shows it, sets
// listingAddress to pc and rebuilds the listing there.
void FollowPc(const ProgramView& program, int32_t pc, const OpcodeTables& tables,
              int32_t& listingAddress, WindowLayer& layer, const ProgramSymbols* symbols = nullptr);
inline void FollowPc(const MachineState& state, const OpcodeTables& tables, int32_t& listingAddress,
                     WindowLayer& layer) {
    FollowPc(ViewOf(state), state.pc, tables, listingAddress, layer);
}
