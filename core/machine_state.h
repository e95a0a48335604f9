#pragma once
// Everything the emulator knows about the machine, in one plain struct: the
// processor's registers and stack, the ROM it executes, and the RAM and I/O
// ports around it. Fields are int32_t throughout. What an instruction writes
// is masked to its width, but a number typed into the window goes in as
// typed, so nothing guarantees that a 4-bit field holds only four bits.

#include <array>
#include <cstdint>
#include <tuple>

#include "core/fields.h"

// The 4004's 12-bit address space ends here: jumps and calls reach 0..0xFFF.
inline constexpr int32_t kLastAddress = 0xFFF;
// Program memory addresses a program image can fill: 0..0xFFFF.
inline constexpr int32_t kProgramBytes = 0x10000;

struct MachineState {
    // Scalars.
    int32_t pc = 0;            // index in RomImage of the next byte to fetch; never wrapped
    int32_t accumulator = 0;   // 0..15 as instructions leave it
    int32_t carry = 0;         // carry/link flag, 0 or 1
    int32_t stackPointer = 0;  // addressStack slot the next JMS writes, 0..2
    int32_t testFlag = 0;      // examined by JCN TN/TZ; only ResetCpu writes it
    int32_t src1 = 0;          // high nibble of the last SRC address
    int32_t src2 = 0;          // low nibble of the last SRC address
    int32_t ramBank = 0;       // last DCL value; takes part in no address
    int32_t running = 0;       // 1 while a Run or an animation is in progress

    // Arrays. Apart from indexRegisters each has a spare entry beyond the
    // highest index an instruction addresses (addressStack two): they belong
    // to the layout. ResetCpu clears addressStack entry 3 but never entry 4,
    // and RomImage entry 65536 is fetched like any other but never loaded
    // or cleared.
    std::array<int32_t, kProgramBytes + 1> RomImage{};  // one byte (0..255) per ROM address
    std::array<int32_t, 16> indexRegisters{};           // R0..R15; pair k is R(2k), R(2k+1)
    std::array<int32_t, 5> addressStack{};              // return addresses, slots 0..2 in use
    std::array<int32_t, 257> ramCharacters{};           // src1 * 16 + src2
    std::array<int32_t, 5> ramStatus{};        // one set of four status characters for all RAM
    std::array<int32_t, 5> ramOutputPorts{};   // src1 / 4; port 1 drives the lamps
    std::array<int32_t, 17> romInputPorts{};   // src1; nothing writes them
    std::array<int32_t, 17> romOutputPorts{};  // src1; nothing reads them
};

// Every field, in the struct's order.
// Every field, in the struct's order, with the values it can hold: a typed
// value goes in unmasked and arithmetic on it in 32 bits can take the
// registers, the accumulator and the program counter anywhere.
inline constexpr int64_t kAnyInt32Low = INT32_MIN;
inline constexpr int64_t kAnyInt32High = INT32_MAX;
template <>
inline constexpr auto kStateFields<MachineState> = std::tuple{
    StateField{"pc", &MachineState::pc, FieldRole::Register, kAnyInt32Low, kAnyInt32High},
    StateField{"accumulator", &MachineState::accumulator, FieldRole::Register, kAnyInt32Low,
               kAnyInt32High},
    StateField{"carry", &MachineState::carry, FieldRole::Register, 0, 1},
    StateField{"stackPointer", &MachineState::stackPointer, FieldRole::Register, 0, 2},
    StateField{"testFlag", &MachineState::testFlag, FieldRole::Register, 0, 1},
    StateField{"src1", &MachineState::src1, FieldRole::Register, 0, 15},
    StateField{"src2", &MachineState::src2, FieldRole::Register, 0, 15},
    StateField{"ramBank", &MachineState::ramBank, FieldRole::Register, 0, 15},
    StateField{"running", &MachineState::running, FieldRole::Control, 0, 1},
    StateField{"RomImage", &MachineState::RomImage, FieldRole::Program, 0, 255},
    StateField{"indexRegisters", &MachineState::indexRegisters, FieldRole::Register, kAnyInt32Low,
               kAnyInt32High},
    StateField{"addressStack", &MachineState::addressStack, FieldRole::Memory, kAnyInt32Low,
               kAnyInt32High},
    StateField{"ramCharacters", &MachineState::ramCharacters, FieldRole::Memory, 0, 15},
    StateField{"ramStatus", &MachineState::ramStatus, FieldRole::Memory, 0, 15},
    StateField{"ramOutputPorts", &MachineState::ramOutputPorts, FieldRole::Memory, 0, 15},
    StateField{"romInputPorts", &MachineState::romInputPorts, FieldRole::Memory, 0, 15},
    StateField{"romOutputPorts", &MachineState::romOutputPorts, FieldRole::Memory, 0, 15},
};
static_assert(StateFieldBytes<MachineState>() == sizeof(MachineState),
              "a field of MachineState is missing from its list");

// Clears the processor (scalars, registers, stack, RAM, status, output ports),
// keeps the program, the ROM ports, ramBank, running and the spare entries.
void ResetCpu(MachineState& state);

// Sets RomImage entries 0..65535 to 0; entry 65536 and everything else stay.
void ZeroRom(MachineState& state);
