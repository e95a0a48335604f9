// The Busicom 141-PF through quodlet-run: the 44 calculations of its manual,
// each keyed with --keys, print their whole tape, red lines and all, and end
// in the drum sector the reference run ended in.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "runner/json.h"
#include "runner/tool.h"

namespace {

int RunBusicom(std::vector<std::string> arguments, std::string& out) {
    std::ostringstream output;
    std::ostringstream err;
    const int status = RunTool(arguments, output, err);
    out = output.str();
    return status;
}

const JsonValue* Member(const JsonValue& object, std::string_view key) {
    for (const JsonMember& member : object.members) {
        if (member.key == key) return &member.value;
    }
    return nullptr;
}

TEST(BusicomCalculations, PrintTheManualsTapes) {
    const std::string rom = QUODLET_ROMS_DIR "/busicom_141-PF.bin";
    const std::string cases = QUODLET_ROMS_DIR "/busicom_cases.json";
    if (!std::filesystem::exists(rom) || !std::filesystem::exists(cases)) {
        GTEST_SKIP() << "the Busicom ROM or its cases are not in " QUODLET_ROMS_DIR;
    }
    std::stringstream text;
    text << std::ifstream(cases).rdbuf();
    std::string why;
    const std::optional<JsonValue> all = ParseJson(text.str(), why);
    ASSERT_TRUE(all) << why;
    ASSERT_EQ(all->items.size(), 44u);
    for (const JsonValue& calculation : all->items) {
        const std::string& keys = Member(calculation, "keys")->text;
        SCOPED_TRACE(Member(calculation, "name")->text + ": " + keys);
        std::string out;
        ASSERT_EQ(RunBusicom({"--machine", "busicom", "--keys", keys, "--json", rom}, out), 0);
        const std::optional<JsonValue> state = ParseJson(out, why);
        ASSERT_TRUE(state) << why;
        EXPECT_EQ(Member(*state, "stop")->text, "idle");
        // The keys' timing and the idle rule as the reference run's: it ends
        // in the same drum sector.
        EXPECT_EQ(Member(*state, "cycles")->number / 2593,
                  Member(calculation, "modelCycles")->number / 2593);
        // The cases write a line as ">>> " + '-' for red + "|22 columns|".
        std::vector<std::string> tape;
        const JsonValue& lines = *Member(*state, "tape");
        const JsonValue& red = *Member(*state, "red");
        ASSERT_EQ(lines.items.size(), red.items.size());
        for (size_t n = 0; n < lines.items.size(); ++n) {
            tape.push_back(std::string(">>> ") + (red.items[n].boolean ? '-' : ' ') + '|' +
                           lines.items[n].text + '|');
        }
        std::vector<std::string> expected;
        for (const JsonValue& line : Member(calculation, "modelTape")->items) {
            expected.push_back(line.text);
        }
        EXPECT_EQ(tape, expected);
        const std::string& result = Member(calculation, "expected")->text;
        EXPECT_TRUE(result.empty() || std::find(tape.begin(), tape.end(), result) != tape.end());
    }
}

// Without --json the tape alone, a line per printed line, trailing blanks
// trimmed.
TEST(BusicomCalculations, PrintTheTapeAsText) {
    const std::string rom = QUODLET_ROMS_DIR "/busicom_141-PF.bin";
    if (!std::filesystem::exists(rom))
        GTEST_SKIP() << "the Busicom ROM is not in " QUODLET_ROMS_DIR;
    std::string out;
    ASSERT_EQ(RunBusicom({"--machine", "busicom", "--keys", "2 + 2 + =", rom}, out), 0);
    EXPECT_EQ(out, "              2 +\n              2 +\n              4    *\n\n");
}

}  // namespace
