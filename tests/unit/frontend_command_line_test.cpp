// What the command line asks for before a window opens, and the texts that
// --help and --version print.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/command_line.h"
#include "frontend/controls.h"

namespace {

struct CommandLineCase {
    std::vector<const char*> arguments;  // after the program's name
    CommandLineRequest expected;
};

class CommandLineTest : public testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, ReadsTheRequest) {
    std::vector<const char*> argv = {"quodlet"};
    argv.insert(argv.end(), GetParam().arguments.begin(), GetParam().arguments.end());
    argv.push_back(nullptr);
    EXPECT_EQ(ReadCommandLine(static_cast<int>(argv.size() - 1), argv.data()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineTest,
    testing::Values(CommandLineCase{{}, CommandLineRequest::OpenWindow},
                    CommandLineCase{{"program.bin"}, CommandLineRequest::OpenWindow},
                    CommandLineCase{{"-platform", "offscreen"}, CommandLineRequest::OpenWindow},
                    CommandLineCase{{"--help"}, CommandLineRequest::Help},
                    CommandLineCase{{"-h"}, CommandLineRequest::Help},
                    CommandLineCase{{"--version"}, CommandLineRequest::Version},
                    CommandLineCase{{"program.bin", "--version"}, CommandLineRequest::Version},
                    // Help wins, wherever it stands.
                    CommandLineCase{{"--version", "--help"}, CommandLineRequest::Help},
                    CommandLineCase{{"-h", "--version"}, CommandLineRequest::Help},
                    // Near misses are no options of the program's.
                    CommandLineCase{{"--versions"}, CommandLineRequest::OpenWindow},
                    CommandLineCase{{"-help"}, CommandLineRequest::OpenWindow},
                    CommandLineCase{{"--HELP"}, CommandLineRequest::OpenWindow},
                    // After "--" a name that looks like an option is a file's.
                    CommandLineCase{{"--", "--help"}, CommandLineRequest::OpenWindow},
                    CommandLineCase{{"--", "--version"}, CommandLineRequest::OpenWindow},
                    CommandLineCase{{"--version", "--", "--help"}, CommandLineRequest::Version}));

TEST(CommandLineTest, TheProgramFileIsTheOneArgumentThatIsNoOption) {
    struct Case {
        std::vector<const char*> arguments;  // what Qt left after the program's name
        bool ok;
        std::string file;
        MachineKind machine = MachineKind::Compatible;
    };
    const std::vector<Case> cases = {
        {{}, true, ""},
        {{"p.bin"}, true, "p.bin"},
        {{"-"}, true, "-"},
        {{"--", "-x.asm"}, true, "-x.asm"},
        {{"--", "a", "b"}, false, ""},
        {{"a", "b"}, false, ""},
        {{"-x"}, false, ""},
        {{"p.bin", "--bogus"}, false, ""},
        {{"--machine", "exerciser", "p.bin"}, true, "p.bin", MachineKind::Exerciser},
        {{"p.bin", "--machine=mcs4"}, true, "p.bin", MachineKind::Mcs4},
        {{"--", "--machine=mcs4"}, true, "--machine=mcs4"},
        {{"--machine", "busy", "p.bin"}, false, ""},
        {{"--machine"}, false, ""},
        {{"--syntax=as", "p.asm"}, true, "p.asm"},
        {{"--syntax", "tasm", "p.asm"}, false, ""},
        {{"--machines", "mcs4"}, false, ""},
    };
    for (const Case& c : cases) {
        std::vector<const char*> argv = {"quodlet"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        argv.push_back(nullptr);
        StartOptions options{"stale", MachineKind::Exerciser, AsmSyntax::kIntel};
        std::string why;
        const bool ok =
            ReadProgramArguments(static_cast<int>(argv.size() - 1), argv.data(), options, why);
        const std::string& file = options.file;
        const MachineKind machine = options.machine;
        SCOPED_TRACE(testing::PrintToString(c.arguments));
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(why.empty(), c.ok) << why;
        if (c.ok) {
            EXPECT_EQ(file, c.file);
            EXPECT_EQ(machine, c.machine);
        }
    }
}

TEST(CommandLineTextTest, HelpStartsWithTheUsageAndNamesEveryOption) {
    const std::string help = HelpText();
    EXPECT_EQ(help.rfind("Usage: quodlet [--machine NAME] [FILE]\n", 0), 0u) << help;
    EXPECT_NE(help.find("--help"), std::string::npos);
    EXPECT_NE(help.find("--version"), std::string::npos);
    EXPECT_EQ(help.back(), '\n');
}

TEST(CommandLineTextTest, VersionIsTheOneTheWindowTitleShows) {
    EXPECT_EQ(VersionText(), std::string("quodlet ") + QUODLET_VERSION + "\n");
    const std::string title = kWindowTitle;
    const std::string suffix = std::string(" v") + QUODLET_VERSION;
    ASSERT_GE(title.size(), suffix.size());
    EXPECT_EQ(title.substr(title.size() - suffix.size()), suffix)
        << "the build's version and the window title differ";
}

}  // namespace
