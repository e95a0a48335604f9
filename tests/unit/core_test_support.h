#pragma once
// Helpers for tests that drive the processor core: stepping with and without
// expected message boxes,
// heap-allocated machine states (one is over 256 KiB), placing code in ROM,
// and a comparison that names every differing field in hex.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/instruction.h"
#include "core/machine_state.h"
#include "core/messages.h"

struct RecordingMessages : Messages {
    struct Shown {
        std::string title;
        std::string text;
    };
    std::vector<Shown> shown;
    void Show(const std::string& title, const std::string& text) override {
        shown.push_back({title, text});
    }
};

inline std::unique_ptr<MachineState> NewState() {
    return std::make_unique<MachineState>();
}

// Writes bytes into RomImage from `address` on and points pc at them.
inline void Place(MachineState& state, int32_t address, const std::vector<int32_t>& bytes) {
    state.pc = address;
    for (const int32_t byte : bytes) state.RomImage.at(static_cast<size_t>(address++)) = byte;
}

// Executes `count` instructions that the machine is expected to execute:
// any message box they show fails the test.
inline void Step(MachineState& state, int count = 1) {
    RecordingMessages messages;
    for (int i = 0; i < count; ++i) StepInstruction(state, messages);
    for (const RecordingMessages::Shown& shown : messages.shown) {
        ADD_FAILURE() << "unexpected message \"" << shown.title << "\": " << shown.text;
    }
}

// Executes `count` instructions and returns the message boxes they showed,
// for tests that expect some.
[[nodiscard]] inline std::vector<RecordingMessages::Shown> StepShowing(MachineState& state,
                                                                       int count = 1) {
    RecordingMessages messages;
    for (int i = 0; i < count; ++i) StepInstruction(state, messages);
    return messages.shown;
}

// Gives every scalar and array entry a non-zero value (array entries 1..255).
inline void FillEveryField(MachineState& state) {
    int32_t next = 1;
    for (int32_t* field :
         {&state.pc, &state.accumulator, &state.carry, &state.stackPointer, &state.testFlag,
          &state.src1, &state.src2, &state.ramBank, &state.running}) {
        *field = next++;
    }
    auto fill = [&next](auto& entries) {
        for (auto& entry : entries) entry = 1 + next++ % 255;
    };
    fill(state.RomImage);
    fill(state.indexRegisters);
    fill(state.addressStack);
    fill(state.ramCharacters);
    fill(state.ramStatus);
    fill(state.ramOutputPorts);
    fill(state.romInputPorts);
    fill(state.romOutputPorts);
}

// Succeeds when both states agree everywhere; otherwise lists each differing
// field as "name[0xI]: expected 0xX, actual 0xY".
[[nodiscard]] inline testing::AssertionResult SameState(const MachineState& expected,
                                                        const MachineState& actual) {
    std::ostringstream out;
    out << std::hex << std::uppercase;
    auto scalar = [&out](const char* name, int32_t want, int32_t got) {
        if (want != got) out << "\n  " << name << ": expected 0x" << want << ", actual 0x" << got;
    };
    auto array = [&out](const char* name, const auto& want, const auto& got) {
        for (size_t i = 0; i < want.size(); ++i) {
            if (want[i] == got[i]) continue;
            out << "\n  " << name << "[0x" << i << "]: expected 0x" << want[i] << ", actual 0x"
                << got[i];
        }
    };
    scalar("pc", expected.pc, actual.pc);
    scalar("accumulator", expected.accumulator, actual.accumulator);
    scalar("carry", expected.carry, actual.carry);
    scalar("stackPointer", expected.stackPointer, actual.stackPointer);
    scalar("testFlag", expected.testFlag, actual.testFlag);
    scalar("src1", expected.src1, actual.src1);
    scalar("src2", expected.src2, actual.src2);
    scalar("ramBank", expected.ramBank, actual.ramBank);
    scalar("running", expected.running, actual.running);
    array("RomImage", expected.RomImage, actual.RomImage);
    array("indexRegisters", expected.indexRegisters, actual.indexRegisters);
    array("addressStack", expected.addressStack, actual.addressStack);
    array("ramCharacters", expected.ramCharacters, actual.ramCharacters);
    array("ramStatus", expected.ramStatus, actual.ramStatus);
    array("ramOutputPorts", expected.ramOutputPorts, actual.ramOutputPorts);
    array("romInputPorts", expected.romInputPorts, actual.romInputPorts);
    array("romOutputPorts", expected.romOutputPorts, actual.romOutputPorts);
    const std::string differences = out.str();
    if (differences.empty()) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "machine states differ:" << differences;
}
