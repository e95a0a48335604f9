// Every program in examples/ assembles cleanly and, run as quodlet-run runs
// it, leaves the result its comments promise.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "asm/assembler.h"
#include "runner/runner.h"
#include "tests/unit/core_test_support.h"

// Designated initializers name only the options a case sets.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

struct Expected {
    std::optional<std::string> until;  // a label to run until
    RunStop stop = RunStop::Bound;
    std::function<void(const MachineState&)> check;
};

// The result each example's header documents, by file name.
const std::map<std::string, std::vector<Expected>>& DocumentedResults() {
    static const std::map<std::string, std::vector<Expected>> results{
        {"lamps.asm",
         {{.check =
               [](const MachineState& s) {
                   EXPECT_EQ(s.ramOutputPorts[1], 0xF);
                   EXPECT_EQ(s.accumulator, 0);
                   EXPECT_EQ(s.carry, 1);
               }}}},
        {"decimal_add.asm",
         {{.check =
               [](const MachineState& s) {
                   const std::vector<int32_t> sum(s.ramCharacters.begin(),
                                                  s.ramCharacters.begin() + 5);
                   EXPECT_EQ(sum, (std::vector<int32_t>{4, 5, 0, 2, 1}));  // 12054
                   const std::vector<int32_t> second(s.ramCharacters.begin() + 0x10,
                                                     s.ramCharacters.begin() + 0x14);
                   EXPECT_EQ(second, (std::vector<int32_t>{8, 5, 9, 7}));  // 7958
               }}}},
        {"multiply.asm",
         {{.check =
               [](const MachineState& s) {
                   EXPECT_EQ(s.indexRegisters[2], 0x8);
                   EXPECT_EQ(s.indexRegisters[3], 0xF);
               }}}},
        {"calls.asm",
         {{.check =
               [](const MachineState& s) {
                   EXPECT_EQ(s.indexRegisters[1], 1);
                   EXPECT_EQ(s.indexRegisters[2], 2);
                   EXPECT_EQ(s.indexRegisters[3], 3);
                   EXPECT_EQ(s.addressStack[0], 0);
                   EXPECT_EQ(s.addressStack[1], 0);
                   EXPECT_EQ(s.addressStack[2], 0);
                   EXPECT_EQ(s.stackPointer, 0);
               }},
          {.until = "LEVEL3",
           .stop = RunStop::Until,
           .check =
               [](const MachineState& s) {
                   EXPECT_EQ(s.addressStack[0], 0x002);
                   EXPECT_EQ(s.addressStack[1], 0x007);
                   EXPECT_EQ(s.addressStack[2], 0x00B);
                   EXPECT_EQ(s.stackPointer, 0);
               }}}},
        {"squares.asm",
         {{.check =
               [](const MachineState& s) {
                   EXPECT_EQ(s.indexRegisters[2], 0xA);
                   EXPECT_EQ(s.indexRegisters[3], 0x9);
               }}}},
        {"keys.asm",
         {{.check = [](const MachineState& s) { EXPECT_EQ(s.indexRegisters[2], 0xC); }}}},
    };
    return results;
}

std::vector<std::filesystem::path> ExampleFiles() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(QUODLET_EXAMPLES_DIR)) {
        if (entry.path().extension() == ".asm") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(Examples, EveryExampleHasADocumentedResult) {
    const std::vector<std::filesystem::path> files = ExampleFiles();
    EXPECT_EQ(files.size(), DocumentedResults().size());
    for (const auto& path : files) {
        EXPECT_TRUE(DocumentedResults().contains(path.filename().string())) << path;
    }
}

TEST(Examples, EachAssemblesCleanlyAndLeavesItsDocumentedResult) {
    for (const auto& path : ExampleFiles()) {
        SCOPED_TRACE(path.filename().string());
        Assembly assembly;
        std::string why;
        ASSERT_TRUE(AssembleFile(path.string(), assembly, why)) << why;
        for (const AsmDiagnostic& diagnostic : assembly.diagnostics) {
            ADD_FAILURE() << FormatDiagnostic(path.filename().string(), diagnostic);
        }
        ASSERT_FALSE(assembly.image.empty());

        const auto found = DocumentedResults().find(path.filename().string());
        if (found == DocumentedResults().end()) continue;  // reported above
        for (const Expected& expected : found->second) {
            SCOPED_TRACE(expected.until.value_or("to the end"));
            auto state = NewState();
            const int32_t length = LoadImage(*state, assembly.image);
            ResetCpu(*state);
            RunOptions options;
            // Each example is short: a bound keeps a broken one from running on.
            options.maxSteps = 100000;
            if (expected.until) {
                const std::optional<int32_t> address = FindSymbol(assembly, *expected.until);
                ASSERT_TRUE(address.has_value());
                options.until = *address;
            }
            RecordingMessages messages;
            std::ostringstream trace;
            const RunOutcome outcome = RunMachine(*state, length, options, messages, trace);
            EXPECT_EQ(outcome.stop, expected.stop);
            EXPECT_TRUE(messages.shown.empty());
            expected.check(*state);
        }
    }
}

// The MCS-4 system's examples (examples/mcs4/), each run until DONE with the
// inputs its header gives; `ram` is RAM bank 0, register 0.0 as text.
struct Mcs4Expected {
    int32_t test = 0;
    std::vector<std::pair<int32_t, int32_t>> romIn;
    std::function<void(const Mcs4State&)> check;
};

std::string Register00(const Mcs4State& s) {
    std::string digits;
    for (size_t k = 0; k < 16; ++k) digits += "0123456789ABCDEF"[s.ram[k]];
    return digits;
}

const std::map<std::string, std::vector<Mcs4Expected>>& Mcs4Results() {
    static const std::map<std::string, std::vector<Mcs4Expected>> results{
        {"conditions.asm",
         {{.test = 0,
           .check = [](const Mcs4State& s) { EXPECT_EQ(Register00(s), "0111011110001000"); }},
          {.test = 1,
           .check = [](const Mcs4State& s) { EXPECT_EQ(Register00(s), "0011001111001100"); }}}},
        {"banks.asm",
         {{.check =
               [](const Mcs4State& s) {
                   for (size_t k = 0; k < s.ram.size(); ++k) EXPECT_EQ(s.ram[k], k >> 8) << k;
                   for (size_t k = 0; k < s.status.size(); ++k) {
                       EXPECT_EQ(s.status[k], k >> 6) << k;
                   }
                   EXPECT_EQ(s.cr, 7);
               }}}},
        {"deep_calls.asm",
         {{.check =
               [](const Mcs4State& s) {
                   const std::vector<int32_t> kept(s.regs.begin() + 1, s.regs.begin() + 6);
                   EXPECT_EQ(kept, (std::vector<int32_t>{0, 2, 3, 4, 1}));
               }}}},
        {"empty_return.asm",
         {{.check =
               [](const Mcs4State& s) {
                   EXPECT_EQ(s.regs[1], 4);
                   EXPECT_EQ(s.acc, 5);
                   EXPECT_EQ(s.stack, (std::array<int32_t, 4>{2, 2, 2, 2}));
               }}}},
        {"rom_inputs.asm",
         {{.romIn = {{3, 5}, {12, 9}},
           .check = [](const Mcs4State& s) { EXPECT_EQ(Register00(s), "0005000000009000"); }}}},
    };
    return results;
}

TEST(Examples, EachMcs4ExampleLeavesItsDocumentedResult) {
    size_t examples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(QUODLET_EXAMPLES_DIR "/mcs4")) {
        const std::string name = entry.path().filename().string();
        SCOPED_TRACE(name);
        ++examples;
        Assembly assembly;
        std::string why;
        ASSERT_TRUE(AssembleFile(entry.path().string(), assembly, why)) << why;
        EXPECT_TRUE(assembly.diagnostics.empty())
            << FormatDiagnostic(name, assembly.diagnostics.front());
        const auto found = Mcs4Results().find(name);
        ASSERT_NE(found, Mcs4Results().end()) << "no documented result";
        for (const Mcs4Expected& expected : found->second) {
            auto state = std::make_unique<Mcs4State>();
            LoadImage(*state, Mcs4Board::Plain, assembly.image);
            ResetMcs4(*state, Mcs4Board::Plain);
            state->test = expected.test;
            for (const auto& [chip, lines] : expected.romIn) {
                state->romIn[static_cast<size_t>(chip)] = static_cast<uint8_t>(lines);
            }
            RunOptions options;
            options.maxSteps = 100000;
            options.until = FindSymbol(assembly, "DONE");
            std::ostringstream trace;
            EXPECT_EQ(RunMachine(*state, Mcs4Board::Plain, options, trace).stop, RunStop::Until);
            expected.check(*state);
        }
    }
    EXPECT_EQ(examples, Mcs4Results().size());
}

}  // namespace
