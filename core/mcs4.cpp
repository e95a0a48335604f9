#include "core/mcs4.h"

#include <algorithm>
#include <memory>
#include <type_traits>

#include "core/busicom.h"

void ResetMcs4(Mcs4State& state, Mcs4Board board) {
    const int32_t test = state.test;
    const auto romIn = state.romIn;
    const int32_t running = state.running;
    // What the calculator's user holds and what is on its paper stay.
    const auto kept = std::make_unique<Mcs4State>(state);
    ForEachField(state, [](const auto& field, auto& value) {
        if (field.role == FieldRole::Program) return;
        if constexpr (std::is_arithmetic_v<std::remove_cvref_t<decltype(value)>>) {
            value = 0;
        } else {
            value.fill(0);
        }
    });
    state.test = board == Mcs4Board::Exerciser ? state.ramPorts[0] & 1 : test;
    state.romIn = romIn;
    state.running = running;
    state.keysDown = kept->keysDown;
    state.switches = kept->switches;
    state.printLine = kept->printLine;
    state.printRed = kept->printRed;
    state.paper = kept->paper;
    state.linesPrinted = kept->linesPrinted;
    if (board == Mcs4Board::Busicom) state.test = BusicomTest(state.cycles);
}

void LoadMcs4Rom(Mcs4State& state, Mcs4Board board, const int32_t* bytes, int32_t count) {
    count = std::clamp(count, 0, kMcs4RomBytes);
    if (board == Mcs4Board::Exerciser) {
        // The chip of page 0 answers for every page: its 256 bytes, as far
        // as the image has them, in each.
        const int32_t page = std::min(count, 256);
        for (int32_t base = 0; base < kMcs4RomBytes; base += 256) {
            std::copy(bytes, bytes + page, state.rom.begin() + base);
        }
        return;
    }
    std::copy(bytes, bytes + count, state.rom.begin());
}

void ZeroMcs4Rom(Mcs4State& state) {
    state.rom.fill(0);
}
