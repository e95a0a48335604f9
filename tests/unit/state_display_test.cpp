#include "display/state_display.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/hex.h"
#include "frontend/controls.h"
#include "platform/headless/headless_layer.h"

namespace {

class StateDisplay : public ::testing::Test {
protected:
    StateDisplay() {
        layer.OpenWindow(kMainWindow, kWindowWidth, kWindowHeight, kWindowTitle);
        // The lamps can show only pictures that exist.
        EXPECT_TRUE(layer.CreateImage(Image::kLampOff, Picture{1, 1, {0xFF404040u}}));
        EXPECT_TRUE(layer.CreateImage(Image::kLampOn, Picture{1, 1, {0xFFFF0000u}}));
        for (int32_t n = 0; n < 16; ++n) {
            layer.CreateControl(kMainWindow, ControlKind::TextField, Control::kFirstRegister + n, 0,
                                0, 30, 20, "", true);
        }
        layer.CreateControl(kMainWindow, ControlKind::TextField, Control::kAccumulator, 0, 0, 30,
                            20, "", true);
        layer.CreateControl(kMainWindow, ControlKind::TextField, Control::kProgramCounter, 0, 0, 40,
                            20, "", true);
        layer.CreateControl(kMainWindow, ControlKind::CheckBox, Control::kCarry, 0, 0, 60, 20,
                            "Carry", false);
        for (int32_t i = 0; i < 4; ++i) {
            layer.CreateControl(kMainWindow, ControlKind::Image, Control::kFirstLamp + i, 0, 0, 16,
                                16, "", false);
        }
        layer.CreateControl(kMainWindow, ControlKind::List, Control::kStack, 0, 0, 50, 60, "",
                            false);
        layer.CreateControl(kMainWindow, ControlKind::ReadOnlyTextField, Control::kSrc, 0, 0, 120,
                            20, "", false);
        layer.CreateControl(kMainWindow, ControlKind::MultiLineText, Control::kRamDump, 0, 0, 300,
                            300, "", false);
    }

    [[nodiscard]] HeadlessControl& At(int32_t control) { return layer.controls[control]; }
    [[nodiscard]] std::vector<int32_t> Lamps() {
        std::vector<int32_t> images;
        for (int32_t i = 0; i < 4; ++i) images.push_back(At(Control::kFirstLamp + i).image);
        return images;
    }

    std::unique_ptr<MachineState> state = std::make_unique<MachineState>();
    HeadlessLayer layer;
};

// Joins dump lines the way the dump separates them.
std::string CrLfJoined(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) text += (i == 0 ? "" : "\r\n") + lines[i];
    return text;
}

constexpr int32_t kOff = Image::kLampOff;
constexpr int32_t kOn = Image::kLampOn;

TEST_F(StateDisplay, AfterResetEveryFieldReadsZero) {
    // Leave traces everywhere a reset clears, then reset.
    state->indexRegisters.fill(7);
    state->accumulator = 9;
    state->pc = 0x123;
    state->carry = 1;
    state->addressStack = {1, 2, 3, 4, 5};
    state->stackPointer = 2;
    state->src1 = 4;
    state->src2 = 5;
    state->ramOutputPorts[1] = 0xF;
    state->ramCharacters.fill(6);
    ResetCpu(*state);
    RefreshDisplay(*state, layer);

    for (int32_t n = 0; n < 18; ++n) EXPECT_EQ(At(n).text, "0") << "control " << n;
    EXPECT_EQ(At(Control::kCarry).checked, 0);
    EXPECT_EQ(At(Control::kStack).lines, (std::vector<std::string>{"000", "000", "000"}));
    EXPECT_EQ(At(Control::kStack).selected, 0);
    EXPECT_EQ(At(Control::kSrc).text, "src1=00,src2=00");
    EXPECT_EQ(Lamps(), (std::vector<int32_t>{kOff, kOff, kOff, kOff}));

    std::vector<std::string> dump = {"Ad |000102030405060708090A0B0C0D0E0F",
                                     "---+--------------------------------"};
    for (const char* row : {"000", "010", "020", "030", "040", "050", "060", "070", "080", "090",
                            "0A0", "0B0", "0C0", "0D0", "0E0", "0F0"}) {
        dump.push_back(std::string(row) + "|" + std::string(32, '0'));
    }
    EXPECT_EQ(At(Control::kRamDump).text, CrLfJoined(dump));
}

TEST_F(StateDisplay, RamDumpShowsEachCharacterInTwoDigits) {
    state->ramCharacters[0x12] = 10;
    state->ramCharacters[0xFF] = 3;
    const std::string expected = CrLfJoined({
        "Ad |000102030405060708090A0B0C0D0E0F",
        "---+--------------------------------",
        "000|00000000000000000000000000000000",
        "010|00000A00000000000000000000000000",
        "020|00000000000000000000000000000000",
        "030|00000000000000000000000000000000",
        "040|00000000000000000000000000000000",
        "050|00000000000000000000000000000000",
        "060|00000000000000000000000000000000",
        "070|00000000000000000000000000000000",
        "080|00000000000000000000000000000000",
        "090|00000000000000000000000000000000",
        "0A0|00000000000000000000000000000000",
        "0B0|00000000000000000000000000000000",
        "0C0|00000000000000000000000000000000",
        "0D0|00000000000000000000000000000000",
        "0E0|00000000000000000000000000000000",
        "0F0|00000000000000000000000000000003",
    });
    EXPECT_EQ(RamDumpText(*state), expected);
    EXPECT_EQ(expected.size(), 18u * 36u + 17u * 2u);  // no line end after the last line
    RefreshDisplay(*state, layer);
    EXPECT_EQ(At(Control::kRamDump).text, expected);
}

TEST_F(StateDisplay, FieldsShowStoredValuesUnmaskedAndUnsigned) {
    state->indexRegisters[0] = 0x1F;  // typed in, beyond a nibble
    state->indexRegisters[15] = -1;
    state->accumulator = 0xFF;
    state->pc = 0xFFFF;
    state->carry = 1;
    RefreshDisplay(*state, layer);
    EXPECT_EQ(At(0).text, "1F");
    EXPECT_EQ(At(15).text, "FFFFFFFF");
    EXPECT_EQ(At(Control::kAccumulator).text, "FF");
    EXPECT_EQ(At(Control::kProgramCounter).text, "FFFF");
    EXPECT_EQ(At(Control::kCarry).checked, 1);

    state->pc = 0x00A;
    RefreshDisplay(*state, layer);
    EXPECT_EQ(At(Control::kProgramCounter).text, "A");
}

TEST_F(StateDisplay, StackSrcLineAndSelection) {
    state->addressStack = {0x123, 0x1000, 0x5, 0x777, 0x888};
    state->stackPointer = 2;
    state->src1 = 1;
    state->src2 = 12;
    RefreshDisplay(*state, layer);
    EXPECT_EQ(At(Control::kStack).lines, (std::vector<std::string>{"123", "1000", "005"}));
    EXPECT_EQ(At(Control::kStack).selected, 2);
    EXPECT_EQ(At(Control::kSrc).text, "src1=01,src2=0C");

    // A second refresh replaces the lines rather than adding to them.
    state->stackPointer = 1;
    RefreshDisplay(*state, layer);
    EXPECT_EQ(At(Control::kStack).lines.size(), 3u);
    EXPECT_EQ(At(Control::kStack).selected, 1);
}

TEST_F(StateDisplay, LampsShowTheLowFourBitsOfPortOne) {
    struct Case {
        int32_t port;
        std::vector<int32_t> lamps;  // controls 38 (bit 0) to 41 (bit 3)
    };
    const Case cases[] = {
        {1, {kOn, kOff, kOff, kOff}},     {5, {kOn, kOff, kOn, kOff}},
        {8, {kOff, kOff, kOff, kOn}},     {0x1F, {kOn, kOn, kOn, kOn}},
        {0x10, {kOff, kOff, kOff, kOff}},  // bits above bit 3 are not shown
        {0, {kOff, kOff, kOff, kOff}},
    };
    for (const Case& c : cases) {
        state->ramOutputPorts[1] = c.port;
        RefreshDisplay(*state, layer);
        EXPECT_EQ(Lamps(), c.lamps) << "RefreshDisplay, port " << c.port;
        state->ramOutputPorts[1] = 0;
        RefreshDisplay(*state, layer);
        state->ramOutputPorts[1] = c.port;
        UpdateLeds(*state, layer);
        EXPECT_EQ(Lamps(), c.lamps) << "UpdateLeds, port " << c.port;
    }

    // The other ports never light a lamp.
    state->ramOutputPorts = {0xF, 0, 0xF, 0xF, 0xF};
    RefreshDisplay(*state, layer);
    EXPECT_EQ(Lamps(), (std::vector<int32_t>{kOff, kOff, kOff, kOff}));
}

TEST(HexText, PlainAndPaddedForms) {
    EXPECT_EQ(PlainHex(0), "0");
    EXPECT_EQ(PlainHex(0x1A3), "1A3");
    EXPECT_EQ(PlainHex(0xABCDEF), "ABCDEF");
    EXPECT_EQ(PlainHex(-1), "FFFFFFFF");
    EXPECT_EQ(PlainHex(INT32_MIN), "80000000");
    EXPECT_EQ(PaddedHex(0, 3), "000");
    EXPECT_EQ(PaddedHex(0xC, 2), "0C");
    EXPECT_EQ(PaddedHex(0x1000, 3), "1000");
    EXPECT_EQ(PaddedHex(-2, 2), "FFFFFFFE");
    EXPECT_EQ(PaddedHex(0xAB, 0), "AB");
}

TEST(HexText, IsHexString) {
    struct Case {
        std::string text;
        bool hex;
    };
    const Case cases[] = {
        {"0A", true},
        {"0a", true},
        {"ff", true},
        {"", true},
        {"0123456789abcdefABCDEF", true},
        {"G1", false},
        {" 1", false},
        {"1 ", false},
        {"1.5", false},
        {"g", false},
        {"-1", false},
        {std::string("1\0", 2), false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsHexString(c.text), c.hex) << '"' << c.text << '"';
}

}  // namespace
