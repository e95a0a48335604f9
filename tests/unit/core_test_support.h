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
#include <type_traits>
#include <vector>

#include "core/fields.h"
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
template <typename State>
void FillEveryField(State& state) {
    int32_t next = 1;
    ForEachField(state, [&next](const auto& /*field*/, auto& value) {
        if constexpr (std::is_arithmetic_v<std::remove_cvref_t<decltype(value)>>) {
            value = static_cast<std::remove_cvref_t<decltype(value)>>(next++);
        } else {
            for (auto& entry : value)
                entry = static_cast<std::remove_cvref_t<decltype(entry)>>(1 + next++ % 255);
        }
    });
}

// Succeeds when both states agree in every field (program memory too, unless
// `withProgram` is false); otherwise lists each differing field as
// "name[0xI]: expected 0xX, actual 0xY".
template <typename State>
[[nodiscard]] testing::AssertionResult SameState(const State& expected, const State& actual,
                                                 bool withProgram = true) {
    std::ostringstream out;
    out << std::hex << std::uppercase;
    auto show = [&out](int64_t value) { out << "0x" << value; };
    ForEachField(expected, [&](const auto& field, const auto& want) {
        if (!withProgram && field.role == FieldRole::Program) return;
        const auto& got = actual.*field.member;
        if constexpr (std::is_arithmetic_v<std::remove_cvref_t<decltype(want)>>) {
            if (want == got) return;
            out << "\n  " << field.name << ": expected ";
            show(want);
            out << ", actual ";
            show(got);
        } else {
            for (size_t i = 0; i < want.size(); ++i) {
                if (want[i] == got[i]) continue;
                out << "\n  " << field.name << "[0x" << i << "]: expected ";
                show(want[i]);
                out << ", actual ";
                show(got[i]);
            }
        }
    });
    const std::string differences = out.str();
    if (differences.empty()) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "machine states differ:" << differences;
}
