// The runner's library: the Run's bounds as the runner meets them, its own
// stops, the trace and both outputs.

#include "runner/runner.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "tests/unit/core_test_support.h"

// Options are written with designated initializers, naming only what a case
// sets; the rest keep their defaults on purpose.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

struct Ran {
    std::unique_ptr<MachineState> state;
    RunOutcome outcome;
    std::string trace;
    RecordingMessages messages;
};

// Loads `image` into a fresh, reset machine and runs it as the tool does.
std::unique_ptr<Ran> RunImage(const std::vector<uint8_t>& image, const RunOptions& options = {},
                              const volatile std::sig_atomic_t* interrupted = nullptr) {
    auto ran = std::make_unique<Ran>();
    ran->state = NewState();
    const int32_t length = LoadImage(*ran->state, image);
    ResetCpu(*ran->state);
    std::ostringstream trace;
    ran->outcome = RunMachine(*ran->state, length, options, ran->messages, trace, interrupted);
    ran->trace = trace.str();
    return ran;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) lines.push_back(line);
    return lines;
}

// The entries of a JSON array field as text, as StateJson writes them.
std::vector<std::string> JsonArray(const std::string& json, const std::string& name) {
    const std::string key = "\"" + name + "\":[";
    const size_t start = json.find(key);
    if (start == std::string::npos) return {};
    const size_t first = start + key.size();
    const size_t end = json.find(']', first);
    std::vector<std::string> entries;
    std::istringstream stream(json.substr(first, end - first));
    for (std::string entry; std::getline(stream, entry, ',');) entries.push_back(entry);
    return entries;
}

TEST(RunnerBounds, TheByteAtTheProgramsLengthStillRuns) {
    // 000 LDM 5, then the NOP at address 1 (= the length) runs too.
    const auto ran = RunImage({0xD5});
    EXPECT_EQ(ran->outcome.stop, RunStop::Bound);
    EXPECT_EQ(ran->outcome.instructions, 2);
    EXPECT_EQ(ran->state->pc, 2);
    EXPECT_EQ(ran->state->accumulator, 5);
    EXPECT_EQ(ran->state->running, 0);
}

TEST(RunnerBounds, AnEmptyImageRunsTheNopAtAddressZero) {
    const auto ran = RunImage({});
    EXPECT_EQ(ran->outcome.stop, RunStop::Bound);
    EXPECT_EQ(ran->outcome.instructions, 1);
    EXPECT_EQ(ran->state->pc, 1);
}

TEST(RunnerBounds, StopsOncePcReachesFFF) {
    // 000 JUN FF0 in an image reaching past 0xFFF; NOPs from FF0 to FFE.
    std::vector<uint8_t> image(0x1010, 0);
    image[0] = 0x4F;
    image[1] = 0xF0;
    const auto ran = RunImage(image);
    EXPECT_EQ(ran->outcome.stop, RunStop::Bound);
    EXPECT_EQ(ran->outcome.instructions, 1 + 15);
    EXPECT_EQ(ran->state->pc, 0xFFF);
}

TEST(RunnerLoad, TakesAtMost65536BytesAndReturnsTheirCount) {
    auto state = NewState();
    state->RomImage[65536] = 0x77;
    std::vector<uint8_t> image(65537, 0xAB);
    EXPECT_EQ(LoadImage(*state, image), 65536);
    EXPECT_EQ(state->RomImage[65535], 0xAB);
    EXPECT_EQ(state->RomImage[65536], 0x77);

    state->RomImage[3] = 0x12;
    EXPECT_EQ(LoadImage(*state, std::vector<uint8_t>{1, 2, 3}), 3);
    EXPECT_EQ(state->RomImage[2], 3);
    EXPECT_EQ(state->RomImage[3], 0x12);  // beyond the image: left as it was
}

// 000 JUN 000: endless until a stop of the runner's own.
const std::vector<uint8_t> kJunLoop = {0x40, 0x00};
// Ten NOPs: one instruction per address.
const std::vector<uint8_t> kNops(10, 0x00);

TEST(RunnerStops, EachOptionStopsWhereItShould) {
    struct Case {
        const char* name;
        std::vector<uint8_t> image;
        RunOptions options;
        RunStop stop;
        int64_t instructions;
        int32_t pc;
    };
    const std::vector<Case> cases = {
        {"steps 0 runs nothing", kJunLoop, {.maxSteps = 0}, RunStop::Steps, 0, 0},
        {"steps 5", kJunLoop, {.maxSteps = 5}, RunStop::Steps, 5, 0},
        {"steps beyond the bound", kNops, {.maxSteps = 100}, RunStop::Bound, 11, 11},
        {"steps equal to the bound's count", kNops, {.maxSteps = 11}, RunStop::Bound, 11, 11},
        {"until after at least one", kJunLoop, {.until = 0}, RunStop::Until, 1, 0},
        {"until 3", kNops, {.until = 3}, RunStop::Until, 3, 3},
        {"until the length itself", kNops, {.until = 10}, RunStop::Until, 10, 10},
        {"until never reached", kNops, {.until = 0x800}, RunStop::Bound, 11, 11},
        {"until FFF is never reached", kNops, {.until = 0xFFF}, RunStop::Bound, 11, 11},
        {"until outside the address space", kNops, {.until = 0x1000}, RunStop::Bound, 11, 11},
        {"breaks: the first met", kNops, {.breaks = {7, 4}}, RunStop::Breakpoint, 4, 4},
        {"until wins a shared address", kNops, {.until = 4, .breaks = {4}}, RunStop::Until, 4, 4},
        {"until before a break", kNops, {.until = 2, .breaks = {5}}, RunStop::Until, 2, 2},
        {"steps before until", kNops, {.maxSteps = 3, .until = 3}, RunStop::Steps, 3, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto ran = RunImage(c.image, c.options);
        EXPECT_EQ(ran->outcome.stop, c.stop);
        EXPECT_EQ(ran->outcome.instructions, c.instructions);
        EXPECT_EQ(ran->state->pc, c.pc);
        EXPECT_TRUE(ran->messages.shown.empty());
    }
}

TEST(RunnerStops, UntilAtAnAddressLeftAndReenteredStopsOnReturn) {
    // 000 JMS 004, 002 NOP, 003 NOP, 004 BBL 0: --until 2 stops after BBL.
    const auto ran = RunImage({0x50, 0x04, 0x00, 0x00, 0xC0}, {.until = 2});
    EXPECT_EQ(ran->outcome.stop, RunStop::Until);
    EXPECT_EQ(ran->outcome.instructions, 2);
    EXPECT_EQ(ran->state->pc, 2);
}

TEST(RunnerStops, AnInstructionNotExecutedStopsWithTheProcessorsMessage) {
    const auto ran = RunImage({0x00, 0xD3, 0xFE, 0xD4});
    EXPECT_EQ(ran->outcome.stop, RunStop::Error);
    EXPECT_EQ(ran->outcome.instructions, 3);
    EXPECT_EQ(ran->state->accumulator, 3);
    ASSERT_EQ(ran->messages.shown.size(), 1u);
    EXPECT_EQ(ran->messages.shown[0].title, "i4004");
    EXPECT_EQ(ran->messages.shown[0].text, "Unrecognized instruction:FE at PC=0003");
}

TEST(RunnerStops, AnInterruptStopsBeforeTheNextInstruction) {
    const volatile std::sig_atomic_t raised = 1;
    const auto ran = RunImage(kJunLoop, {}, &raised);
    EXPECT_EQ(ran->outcome.stop, RunStop::Interrupted);
    EXPECT_EQ(ran->outcome.instructions, 0);

    const volatile std::sig_atomic_t quiet = 0;
    const auto notRaised = RunImage(kNops, {}, &quiet);
    EXPECT_EQ(notRaised->outcome.stop, RunStop::Bound);
}

TEST(RunnerStops, WordsAndExitCodes) {
    struct Case {
        RunStop stop;
        const char* word;
        int exitCode;
    };
    const Case cases[] = {
        {RunStop::Bound, "bound", 0},      {RunStop::Until, "until", 0},
        {RunStop::Breakpoint, "break", 0}, {RunStop::Steps, "steps", 0},
        {RunStop::Error, "error", 2},      {RunStop::Interrupted, "interrupted", 130},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StopWord(c.stop), c.word);
        EXPECT_EQ(StopExitCode(c.stop), c.exitCode) << c.word;
    }
}

TEST(RunnerTrace, OneLinePerInstructionWithWhatItChanged) {
    const auto ran = RunImage(
        {
            0x20, 0x67,  // 000 FIM P0 67
            0xD5,        // 002 LDM 5
            0x21,        // 003 SRC P0
            0xE0,        // 004 WRM
            0xFA,        // 005 STC
            0xB3,        // 006 XCH R3
            0x1A, 0x00,  // 007 JCN C0 00 (carry set: falls through)
        },
        {.trace = true});
    const std::vector<std::string> expected = {
        "000 20 67 FIM P0 67 R0=6 R1=7", "002 D5    LDM 5     A=5", "003 21    SRC P0",
        "004 E0    WRM       M[67]=5",   "005 FA    STC       C=1", "006 B3    XCH R3    R3=5 A=0",
        "007 1A 00 JCN C0 00",           "009 00    NOP",
    };
    EXPECT_EQ(Lines(ran->trace), expected);
    EXPECT_EQ(ran->outcome.instructions, 8);
}

TEST(RunnerTrace, NothingWithoutTheOptionAndTheFailingInstructionTraced) {
    EXPECT_EQ(RunImage(kNops)->trace, "");
    const auto ran = RunImage({0xD2, 0xFF}, {.trace = true});
    EXPECT_EQ(Lines(ran->trace),
              (std::vector<std::string>{"000 D2    LDM 2     A=2", "001 FF    ???"}));
}

TEST(RunnerTrace, DescribeChangesNamesEveryKindInHex) {
    auto before = NewState();
    auto after = NewState();
    EXPECT_EQ(DescribeChanges(*before, *after), "");
    after->indexRegisters[15] = 0xC;
    after->indexRegisters[0] = 1;
    after->accumulator = 0xA;
    after->carry = 1;
    after->ramCharacters[0xFF] = 0xE;
    after->ramCharacters[0] = 2;
    // Not reported: the rest of the state.
    after->pc = 5;
    after->ramStatus[0] = 1;
    EXPECT_EQ(DescribeChanges(*before, *after), "R0=1 R15=C A=A C=1 M[00]=2 M[FF]=E");
}

TEST(RunnerOutput, JsonHoldsEveryScalarAndEveryEntryOfEveryArray) {
    auto state = NewState();
    FillEveryField(*state);
    const std::string json = StateJson(*state, {RunStop::Steps, 1234567890123});
    EXPECT_EQ(json.front(), '{');
    EXPECT_EQ(json.back(), '}');
    EXPECT_EQ(json.find('\n'), std::string::npos);
    EXPECT_NE(json.find("\"stop\":\"steps\""), std::string::npos);
    EXPECT_NE(json.find("\"instructions\":1234567890123,"), std::string::npos);
    EXPECT_EQ(json.find("running"), std::string::npos);
    EXPECT_EQ(json.find("RomImage"), std::string::npos);
    ForEachField(*state, [&json](const auto& field, const auto& value) {
        if (field.role == FieldRole::Program || field.role == FieldRole::Control) return;
        const std::string name(field.name);
        if constexpr (std::is_arithmetic_v<std::remove_cvref_t<decltype(value)>>) {
            EXPECT_NE(json.find("\"" + name + "\":" + std::to_string(value) + ","),
                      std::string::npos)
                << name;
        } else {
            const std::vector<std::string> entries = JsonArray(json, name);
            ASSERT_EQ(entries.size(), value.size()) << name;
            for (size_t i = 0; i < value.size(); ++i) {
                EXPECT_EQ(entries[i], std::to_string(value[i])) << name << "[" << i << "]";
            }
        }
    });
}

TEST(RunnerOutput, TextShowsOneItemPerLineInHex) {
    auto state = NewState();
    state->pc = 0x1A;
    state->accumulator = 0xB;
    state->carry = 1;
    state->indexRegisters[15] = 0xF;
    state->addressStack = {0x123, 0x45, 0, 0, 0};
    state->src1 = 6;
    state->src2 = 0xC;
    state->ramOutputPorts[1] = 9;
    state->romOutputPorts[15] = 4;
    state->ramCharacters[0xF0] = 7;
    state->ramCharacters[0xFF] = 0xD;
    const std::vector<std::string> lines = Lines(StateText(*state, {RunStop::Until, 42}));
    const std::vector<std::string> expectedStart = {
        "stop: until",
        "instructions: 42",
        "pc: 01A",
        "accumulator: B",
        "carry: 1",
        "registers: R0=0 R1=0 R2=0 R3=0 R4=0 R5=0 R6=0 R7=0 R8=0 R9=0 R10=0 R11=0 R12=0 R13=0 "
        "R14=0 R15=F",
        "stack: 123 045 000",
        "stack pointer: 0",
        "src: 6C",
        "ram bank: 0",
        "test: 0",
        "ram status: 0 0 0 0",
        "ram output ports: 0 9 0 0",
        "rom output ports: 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 4",
        "ram 00: 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0",
    };
    ASSERT_EQ(lines.size(), expectedStart.size() + 15);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 15), expectedStart);
    EXPECT_EQ(lines.back(), "ram F0: 7 0 0 0 0 0 0 0 0 0 0 0 0 0 0 D");
}

}  // namespace
