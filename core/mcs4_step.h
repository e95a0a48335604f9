#pragma once
// One instruction of the MCS-4 system (core/mcs4.h), and a run of them. In
// a header so that a run's loop inlines the step whatever the build. The
// board is a template parameter: what it wires (the exerciser's TEST) costs
// the other boards nothing.
//
// Where Intel is silent these follow the hardware evidence: TEST is
// sampled once per JCN; the undefined opcodes take one cycle and change
// nothing, as MAME's 4004 does.

#include <array>
#include <cstdint>

#include "core/busicom.h"
#include "core/mcs4.h"
#include "core/run_loop.h"

namespace mcs4_detail {

// KBP: one-hot 1, 2, 4, 8 become 1..4, zero stays zero, anything else is 15.
inline constexpr std::array<int32_t, 16> kKeyboardCodes = {
    0, 1, 2, 15, 3, 15, 15, 15, 4, 15, 15, 15, 15, 15, 15, 15,
};

// The RAM character the selected bank's latched address names.
inline uint8_t& Character(Mcs4State& s) {
    return s.ram[static_cast<size_t>(s.cr << 8 | s.bankSrc[static_cast<size_t>(s.cr)])];
}

// Status character n of the register the selected bank's address names.
inline uint8_t& Status(Mcs4State& s, int32_t n) {
    const int32_t address = s.bankSrc[static_cast<size_t>(s.cr)];
    return s.status[static_cast<size_t>((s.cr << 8 | (address & 0xF0)) >> 2 | n)];
}

// A sum's low nibble into the accumulator, its carry out of bit 3 into cy.
inline void StoreSum(Mcs4State& s, int32_t sum) {
    s.acc = sum & 0xF;
    s.cy = sum >> 4 & 1;
}

}  // namespace mcs4_detail

template <Mcs4Board board>
inline void StepMcs4(Mcs4State& s) {
    using namespace mcs4_detail;
    auto& r = s.regs;
    int32_t pc = s.stack[static_cast<size_t>(s.sp)];
    const int32_t opcode = s.rom[static_cast<size_t>(pc)];
    pc = (pc + 1) & 0xFFF;
    ++s.cycles;
    const int32_t low = opcode & 0xF;
    // The second byte of a two-byte instruction, and its second cycle.
    auto fetch = [&s, &pc] {
        const int32_t byte = s.rom[static_cast<size_t>(pc)];
        pc = (pc + 1) & 0xFFF;
        ++s.cycles;
        return byte;
    };

    switch (opcode >> 4) {
        case 0x0: break;  // NOP; 0x01..0x0F are undefined: one cycle, no effect
        case 0x1: {       // JCN c,a: bit 0 TEST = 0, bit 1 carry, bit 2 ACC = 0; bit 3 inverts
            const int32_t a = fetch();
            const bool jump = ((low & 1) != 0 && s.test == 0) || ((low & 2) != 0 && s.cy != 0) ||
                              ((low & 4) != 0 && s.acc == 0);
            if (jump != ((low & 8) != 0)) pc = (pc & 0xF00) | a;
            break;
        }
        case 0x2:
            if ((low & 1) == 0) {  // FIM Pk,d
                const int32_t a = fetch();
                r[static_cast<size_t>(low)] = a >> 4;
                r[static_cast<size_t>(low + 1)] = a & 0xF;
            } else {  // SRC Pk: only the selected bank latches the address
                s.src = r[static_cast<size_t>(low - 1)] << 4 | r[static_cast<size_t>(low)];
                s.bankSrc[static_cast<size_t>(s.cr)] = s.src;
            }
            break;
        case 0x3:
            if ((low & 1) == 0) {  // FIN Pk: through pair 0, in the incremented pc's page; 2 cycles
                const int32_t v = s.rom[static_cast<size_t>((pc & 0xF00) | r[0] << 4 | r[1])];
                ++s.cycles;
                r[static_cast<size_t>(low)] = v >> 4;
                r[static_cast<size_t>(low + 1)] = v & 0xF;
            } else {  // JIN Pk
                pc = (pc & 0xF00) | r[static_cast<size_t>(low - 1)] << 4 |
                     r[static_cast<size_t>(low)];
            }
            break;
        case 0x4: {  // JUN a
            const int32_t a = fetch();
            pc = low << 8 | a;
            break;
        }
        case 0x5: {  // JMS a: the return stays in this register, the next becomes the pc
            const int32_t a = fetch();
            s.stack[static_cast<size_t>(s.sp)] = pc;
            s.sp = (s.sp + 1) & 3;
            s.depth += s.depth < 3 ? 1 : 0;
            pc = low << 8 | a;
            break;
        }
        case 0x6: r[static_cast<size_t>(low)] = (r[static_cast<size_t>(low)] + 1) & 0xF; break;
        case 0x7: {  // ISZ Rr,a
            const int32_t a = fetch();
            int32_t& reg = r[static_cast<size_t>(low)];
            reg = (reg + 1) & 0xF;
            if (reg != 0) pc = (pc & 0xF00) | a;
            break;
        }
        case 0x8: StoreSum(s, s.acc + r[static_cast<size_t>(low)] + s.cy); break;  // ADD
        case 0x9:                                                                  // SUB
            StoreSum(s, s.acc + (r[static_cast<size_t>(low)] ^ 0xF) + (s.cy ^ 1));
            break;
        case 0xA: s.acc = r[static_cast<size_t>(low)]; break;  // LD
        case 0xB: {                                            // XCH
            const int32_t old = s.acc;
            s.acc = r[static_cast<size_t>(low)];
            r[static_cast<size_t>(low)] = old;
            break;
        }
        case 0xC:  // BBL d: the register left behind keeps the address after the BBL
            s.stack[static_cast<size_t>(s.sp)] = pc;
            s.sp = (s.sp - 1) & 3;
            s.depth -= s.depth > 0 ? 1 : 0;
            pc = s.stack[static_cast<size_t>(s.sp)];
            s.acc = low;
            break;
        case 0xD: s.acc = low; break;  // LDM
        case 0xE:
            switch (low) {
                case 0x0: Character(s) = static_cast<uint8_t>(s.acc); break;  // WRM
                case 0x1: {                                                   // WMP
                    const int32_t port = s.cr << 2 | s.bankSrc[static_cast<size_t>(s.cr)] >> 6;
                    if constexpr (board == Mcs4Board::Busicom) {
                        if (port == 0) busicom_detail::WritePrinter(s, s.ramPorts[0], s.acc);
                    }
                    s.ramPorts[static_cast<size_t>(port)] = static_cast<uint8_t>(s.acc);
                    if constexpr (board == Mcs4Board::Exerciser) {
                        if (port == 0) s.test = s.acc & 1;
                    }
                    break;
                }
                case 0x2:
                    if constexpr (board == Mcs4Board::Busicom) {
                        if (s.src >> 4 == 0) busicom_detail::WriteShifters(s, s.romOut[0], s.acc);
                    }
                    s.romOut[static_cast<size_t>(s.src >> 4)] = static_cast<uint8_t>(s.acc);
                    break;
                case 0x3: break;  // WPM: for a program RAM this system does not have
                case 0x8: StoreSum(s, s.acc + (Character(s) ^ 0xF) + (s.cy ^ 1)); break;  // SBM
                case 0x9: s.acc = Character(s); break;                                    // RDM
                case 0xA:                                                                 // RDR
                    if constexpr (board == Mcs4Board::Busicom) {
                        busicom_detail::ReadInputs(s, s.src >> 4);
                    }
                    s.acc = s.romIn[static_cast<size_t>(s.src >> 4)] & 0xF;
                    break;
                case 0xB: StoreSum(s, s.acc + Character(s) + s.cy); break;  // ADM
                default:
                    if (low < 0x8) {  // WR0..WR3
                        Status(s, low - 4) = static_cast<uint8_t>(s.acc);
                    } else {  // RD0..RD3
                        s.acc = Status(s, low - 0xC);
                    }
                    break;
            }
            break;
        default:  // 0xF
            switch (low) {
                case 0x0:
                    s.acc = 0;
                    s.cy = 0;
                    break;                                        // CLB
                case 0x1: s.cy = 0; break;                        // CLC
                case 0x2: StoreSum(s, s.acc + 1); break;          // IAC
                case 0x3: s.cy ^= 1; break;                       // CMC
                case 0x4: s.acc ^= 0xF; break;                    // CMA
                case 0x5: StoreSum(s, s.acc << 1 | s.cy); break;  // RAL
                case 0x6: {                                       // RAR
                    const int32_t c = s.cy;
                    s.cy = s.acc & 1;
                    s.acc = s.acc >> 1 | c << 3;
                    break;
                }
                case 0x7:
                    s.acc = s.cy;
                    s.cy = 0;
                    break;                                 // TCC
                case 0x8: StoreSum(s, s.acc + 15); break;  // DAC
                case 0x9:
                    s.acc = 9 + s.cy;
                    s.cy = 0;
                    break;                  // TCS
                case 0xA: s.cy = 1; break;  // STC
                case 0xB:                   // DAA: carry set, never cleared
                    if (s.acc > 9 || s.cy == 1) {
                        const int32_t sum = s.acc + 6;
                        s.acc = sum & 0xF;
                        if (sum > 0xF) s.cy = 1;
                    }
                    break;
                case 0xC: s.acc = kKeyboardCodes[static_cast<size_t>(s.acc)]; break;  // KBP
                case 0xD: s.cr = s.acc & 7; break;  // DCL: bit 3 is not wired
                default: break;                     // 0xFE, 0xFF: undefined
            }
            break;
    }
    s.stack[static_cast<size_t>(s.sp)] = pc;
    // The drum's sector signal as it is now, for the next JCN to sample.
    if constexpr (board == Mcs4Board::Busicom) s.test = BusicomTest(s.cycles);
}

// Runs until the observer ends the run; MCS-4 programs have no end of their
// own. The observer is asked as in RunInstructions (core/run_loop.h).
template <Mcs4Board board, typename Observer>
RunStop RunMcs4(Mcs4State& state, Observer& observer, int64_t& executed) {
    executed = 0;
    state.running = 1;
    if (const RunStop stop = observer.StopBefore(state, 0); stop != RunStop::None) return stop;
    for (;;) {
        StepMcs4<board>(state);
        ++executed;
        observer.AfterStep(state);
        if (const RunStop stop = observer.StopBefore(state, executed); stop != RunStop::None) {
            return stop;
        }
    }
}
