// One 4004 instruction at a time.
//
// Memory and ports as the instructions see them:
// - Program memory is RomImage, one byte per address. Fetching reads the entry
//   at pc and advances pc by one, with no mask and no wrap, so sequential
//   execution can run past 0xFFF; an index beyond the array reads as 0. Jumps
//   and calls reach 0..0xFFF only. Page-relative targets (JCN, ISZ, FIN, JIN)
//   take bits 8..11 of pc *after* the instruction's own bytes: an instruction
//   ending on the last byte of a page works in the next page.
// - The address stack is three slots used circularly: a fourth nested JMS
//   overwrites the oldest return address, and BBL zeroes the slot it pops.
// - SRC latches an 8-bit address as src1:src2. The data RAM is the 256
//   characters src1 * 16 + src2 in a single bank (DCL only records ramBank).
//   There is one set of four status characters for the whole RAM, whatever
//   SRC selected. WMP writes RAM output port src1 / 4 (port 1 drives the
//   lamps); WRR and RDR use ROM port src1. Nothing writes the ROM input ports,
//   so RDR reads 0. src1 and src2 are masked again wherever they index.
// - Values typed into the window are stored unmasked (registers and the
//   accumulator up to 0xFF). LD, XCH, LDM and the JCN tests use them as they
//   are, and ADD/SUB/IAC keep a sum whose bits 4..7 are clear unmasked too, so
//   such a value can grow; all arithmetic is therefore done in uint32_t, where
//   it wraps instead of overflowing.

#include "core/instruction.h"

#include <array>
#include <cstdint>
#include <string>

#include "core/hex.h"

namespace {

// Arithmetic runs on unsigned copies so that a sum of typed values wraps.
constexpr uint32_t U(int32_t value) {
    return static_cast<uint32_t>(value);
}

constexpr int32_t Page(int32_t pc) {
    return pc & 0xF00;
}

// Returns the byte at pc and advances pc. The one unsigned compare also turns
// a negative pc away; pc itself is not masked.
inline int32_t FetchByte(MachineState& state) {
    const uint32_t index = U(state.pc);
    const int32_t byte = index < state.RomImage.size() ? state.RomImage[index] & 0xFF : 0;
    state.pc = static_cast<int32_t>(index + 1u);
    return byte;
}

// ADD, SUB, IAC: a carry out of bit 3 masks the sum; without one the sum is
// kept whole, so an out-of-range typed value passes through unmasked.
inline void StoreSumKeepingHighBits(MachineState& state, uint32_t sum) {
    if ((sum & 0xF0) != 0) {
        state.carry = 1;
        state.accumulator = static_cast<int32_t>(sum & 0xF);
    } else {
        state.carry = 0;
        state.accumulator = static_cast<int32_t>(sum);
    }
}

// ADM, SBM, RAL, DAC: the accumulator always receives the low four bits.
inline void StoreSumMasked(MachineState& state, uint32_t sum) {
    state.carry = (sum & 0xF0) != 0 ? 1 : 0;
    state.accumulator = static_cast<int32_t>(sum & 0xF);
}

// JCN conditions executed: exactly one of the three test bits set.
constexpr int32_t SingleTests = 1 << 1 | 1 << 2 | 1 << 4;

// KBP: one-hot 1, 2, 4, 8 become 1..4, zero stays zero, anything else is 15.
constexpr std::array<int32_t, 16> KeyboardCodes = {
    0, 1, 2, 15, 3, 15, 15, 15, 4, 15, 15, 15, 15, 15, 15, 15,
};

inline int32_t& RamCharacter(MachineState& state) {
    return state.ramCharacters[((state.src1 & 0xF) << 4) | (state.src2 & 0xF)];
}

// Conditions 0..8 are named by one digit, 0xB..0xF as "0B".."0F".
[[gnu::noinline, gnu::cold]] void ReportUnimplementedCondition(MachineState& state,
                                                               Messages& messages, int condition) {
    messages.Show("Quodlet",
                  "Unimplemented condition:" + PaddedHex(condition, condition < 10 ? 1 : 2));
    state.running = 0;
}

// pc is already past the opcode. Four digits at least; a pc beyond 0xFFFF
// shows all its digits rather than a misleading cut.
[[gnu::noinline, gnu::cold]] void ReportUnrecognized(MachineState& state, Messages& messages,
                                                     int32_t opcode) {
    messages.Show("i4004", "Unrecognized instruction:" + PaddedHex(opcode, 2) +
                               " at PC=" + PaddedHex(state.pc, 4));
    state.running = 0;
}

}  // namespace

void StepInstruction(MachineState& state, Messages& messages) {
    auto& r = state.indexRegisters;
    const int32_t opcode = FetchByte(state);
    const int32_t low = opcode & 0xF;

    switch (opcode >> 4) {
        case 0x0:  // NOP; 0x01..0x0F are not instructions
            if (low != 0) ReportUnrecognized(state, messages, opcode);
            return;

        case 0x1: {  // JCN c,a
            // Bit 3 of the condition inverts one test: bit 2 accumulator zero
            // (AZ/AN), bit 1 carry (C1/C0) or bit 0 test flag (TN/TZ). Conditions
            // testing none or several are refused before the operand is fetched.
            const int32_t test = low & 7;
            if ((SingleTests >> test & 1) == 0) {
                ReportUnimplementedCondition(state, messages, low);
                return;
            }
            const bool met = test == 4   ? state.accumulator == 0
                             : test == 2 ? state.carry != 0
                                         : state.testFlag != 0;
            const int32_t a = FetchByte(state);
            if (met != ((low & 8) != 0)) state.pc = Page(state.pc) | a;
            return;
        }

        case 0x2:
            if ((low & 1) == 0) {  // FIM Pk,d
                const int32_t a = FetchByte(state);
                r[low] = (a >> 4) & 0xF;
                r[low + 1] = a & 0xF;
            } else {  // SRC Pk
                state.src1 = r[low - 1] & 0xF;
                state.src2 = r[low] & 0xF;
            }
            return;

        case 0x3:
            if ((low & 1) == 0) {  // FIN Pk: always addressed through pair 0, then loads pair k
                const int32_t v =
                    state.RomImage[Page(state.pc) | ((r[0] & 0xF) << 4) | (r[1] & 0xF)];
                r[low] = (v >> 4) & 0xF;
                r[low + 1] = v & 0xF;
            } else {  // JIN Pk
                state.pc = Page(state.pc) | ((r[low - 1] & 0xF) << 4) | (r[low] & 0xF);
            }
            return;

        case 0x4: {  // JUN a
            const int32_t a = FetchByte(state);
            state.pc = (low << 8) | a;
            return;
        }

        case 0x5: {  // JMS a: the return address is the full pc after both bytes
            const int32_t a = FetchByte(state);
            state.addressStack[state.stackPointer] = state.pc;
            state.stackPointer = state.stackPointer == 2 ? 0 : state.stackPointer + 1;
            state.pc = (low << 8) | a;
            return;
        }

        case 0x6:  // INC Rr
            r[low] = static_cast<int32_t>((U(r[low]) + 1u) & 0xF);
            return;

        case 0x7: {  // ISZ Rr,a
            const int32_t a = FetchByte(state);
            r[low] = static_cast<int32_t>((U(r[low]) + 1u) & 0xF);
            if (r[low] != 0) state.pc = Page(state.pc) | a;
            return;
        }

        case 0x8:  // ADD Rr
            StoreSumKeepingHighBits(state, U(state.accumulator) + U(r[low]) + U(state.carry));
            return;

        case 0x9:  // SUB Rr: add the complement and the inverted borrow
            StoreSumKeepingHighBits(
                state, U(state.accumulator) + (U(r[low]) ^ 0xFu) + (U(state.carry) ^ 1u));
            return;

        case 0xA:  // LD Rr
            state.accumulator = r[low];
            return;

        case 0xB: {  // XCH Rr
            const int32_t old = state.accumulator;
            state.accumulator = r[low];
            r[low] = old;
            return;
        }

        case 0xC:  // BBL d
            state.stackPointer = state.stackPointer == 0 ? 2 : state.stackPointer - 1;
            state.pc = state.addressStack[state.stackPointer];
            state.addressStack[state.stackPointer] = 0;
            state.accumulator = low;
            return;

        case 0xD:  // LDM d
            state.accumulator = low;
            return;

        default:  // 0xE, 0xF: decoded by the whole opcode below
            break;
    }

    // In these two groups every opcode is an instruction of its own. Decoding
    // them in a second flat switch, rather than a switch nested in the one
    // above, leaves a single indirect jump per instruction, which the branch
    // predictor copes with far better.
    switch (opcode) {
        case 0xE0: RamCharacter(state) = state.accumulator & 0xF; return;  // WRM
        case 0xE1:                                                         // WMP
            state.ramOutputPorts[(state.src1 & 0xF) >> 2] = state.accumulator & 0xF;
            return;
        case 0xE2: state.romOutputPorts[state.src1 & 0xF] = state.accumulator & 0xF; return;  // WRR
        case 0xE3: ReportUnrecognized(state, messages, opcode); return;  // WPM: not executed
        case 0xE4:
        case 0xE5:
        case 0xE6:
        case 0xE7:  // WR0..WR3
            state.ramStatus[low - 0x4] = state.accumulator & 0xF;
            return;
        case 0xE8:  // SBM
            StoreSumMasked(state, U(state.accumulator) + (U(RamCharacter(state) & 0xF) ^ 0xFu) +
                                      (U(state.carry) ^ 1u));
            return;
        case 0xE9: state.accumulator = RamCharacter(state) & 0xF; return;                    // RDM
        case 0xEA: state.accumulator = state.romInputPorts[state.src1 & 0xF] & 0xF; return;  // RDR
        case 0xEB:                                                                           // ADM
            StoreSumMasked(state,
                           U(state.accumulator) + U(RamCharacter(state) & 0xF) + U(state.carry));
            return;
        case 0xEC:
        case 0xED:
        case 0xEE:
        case 0xEF:  // RD0..RD3
            state.accumulator = state.ramStatus[low - 0xC] & 0xF;
            return;

        case 0xF0:  // CLB
            state.accumulator = 0;
            state.carry = 0;
            return;
        case 0xF1: state.carry = 0; return;                                            // CLC
        case 0xF2: StoreSumKeepingHighBits(state, U(state.accumulator) + 1u); return;  // IAC
        case 0xF3: state.carry ^= 1; return;                                           // CMC
        case 0xF4: state.accumulator ^= 0xF; return;                                   // CMA
        case 0xF5:                                                                     // RAL
            StoreSumMasked(state, (U(state.accumulator) << 1) | (U(state.carry) & 1u));
            return;
        case 0xF6: {  // RAR
            const uint32_t c = U(state.carry) & 1u;
            state.carry = state.accumulator & 1;
            state.accumulator =
                static_cast<int32_t>(((U(state.accumulator) >> 1) | (c << 3)) & 0xF);
            return;
        }
        case 0xF7:  // TCC
            state.accumulator = state.carry & 1;
            state.carry = 0;
            return;
        case 0xF8: StoreSumMasked(state, U(state.accumulator) + 15u); return;  // DAC
        case 0xF9:                                                             // TCS
            state.accumulator = 9 + (state.carry & 1);
            state.carry = 0;
            return;
        case 0xFA: state.carry = 1; return;  // STC
        case 0xFB:                           // DAA
            if (state.accumulator > 9 || state.carry == 1) {
                const uint32_t sum = U(state.accumulator) + 6u;
                if ((sum & 0xF0) != 0) {
                    state.carry = 1;
                    state.accumulator = static_cast<int32_t>(sum & 0xF);
                } else {
                    state.accumulator = static_cast<int32_t>(sum);  // carry stays as it was
                }
            }
            return;
        case 0xFC:  // KBP
            state.accumulator =
                U(state.accumulator) < KeyboardCodes.size() ? KeyboardCodes[state.accumulator] : 15;
            return;
        case 0xFD: state.ramBank = state.accumulator & 0xF; return;    // DCL
        default: ReportUnrecognized(state, messages, opcode); return;  // 0xFE, 0xFF
    }
}
