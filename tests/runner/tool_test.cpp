// quodlet-run as a whole: its arguments, files, outputs and exit statuses,
// through RunTool with real files in a scratch folder.

#include "runner/tool.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class RunnerTool : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() /
                  ("quodlet-run-test-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string WriteFile(const std::string& name, const std::string& bytes) {
        const fs::path path = folder_ / name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }

    int Run(const std::vector<std::string>& arguments,
            const volatile std::sig_atomic_t* interrupted = nullptr) {
        std::ostringstream out;
        std::ostringstream err;
        const int status = RunTool(arguments, out, err, interrupted);
        out_ = out.str();
        err_ = err.str();
        return status;
    }

    fs::path folder_;
    std::string out_;
    std::string err_;
};

// 000 LDM 3, 001 IAC, 002 IAC, 003 NOP ...: length 4.
const std::string kCounting("\xD3\xF2\xF2\x00", 4);
// 000 JUN 000.
const std::string kJunLoop("\x40\x00", 2);

TEST_F(RunnerTool, HelpAndVersion) {
    EXPECT_EQ(Run({"--help"}), 0);
    EXPECT_EQ(out_.rfind("Usage: quodlet-run [options] FILE\n", 0), 0u);
    EXPECT_NE(out_.find("--break ADDR"), std::string::npos);
    EXPECT_EQ(err_, "");
    EXPECT_EQ(Run({"-h"}), 0);
    EXPECT_EQ(Run({"--version"}), 0);
    EXPECT_EQ(out_, "quodlet-run 0.9\n");
}

TEST_F(RunnerTool, UsageErrorsExitWithOneAndSayWhy) {
    const std::string bin = WriteFile("p.bin", kCounting);
    struct Case {
        std::vector<std::string> arguments;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{}, "no program file given"},
        {{bin, bin}, "one program file only"},
        {{"--fast", bin}, "unknown option '--fast'"},
        {{bin, "--steps"}, "option '--steps' needs a value"},
        {{"--steps", "-1", bin}, "--steps needs a count"},
        {{"--steps", "12x", bin}, "--steps needs a count"},
        {{"--steps=", bin}, "--steps needs a count"},
        {{"--steps", "99999999999999999999", bin}, "--steps needs a count"},
        {{"--trace=yes", bin}, "option '--trace' takes no value"},
        {{"--until", "1", "--until", "2", bin}, "--until may be given only once"},
        {{"--until", "0x1000", bin}, "outside the addresses 0..FFF"},
        {{"--break", "-1", bin}, "'-1' is not a number"},
        {{"--until", "LOOP", bin}, "'LOOP' is not a number (labels need an .asm file)"},
        {{"--break", "0B", bin}, "is not a number"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        EXPECT_EQ(Run(c.arguments), kExitUsage);
        EXPECT_NE(err_.find(c.message), std::string::npos) << err_;
        EXPECT_NE(err_.find("Try 'quodlet-run --help'"), std::string::npos);
        EXPECT_EQ(out_, "");
    }
}

TEST_F(RunnerTool, FileErrorsExitWithOne) {
    EXPECT_EQ(Run({(folder_ / "missing.bin").string()}), kExitUsage);
    EXPECT_NE(err_.find("cannot read " + (folder_ / "missing.bin").string() + ": no such file"),
              std::string::npos)
        << err_;
    EXPECT_EQ(Run({folder_.string()}), kExitUsage);
    EXPECT_NE(err_.find("it is a folder"), std::string::npos) << err_;
    EXPECT_EQ(Run({WriteFile("big.bin", std::string(65537, '\0'))}), kExitUsage);
    EXPECT_NE(err_.find("too big to fit in rom"), std::string::npos) << err_;
    EXPECT_EQ(out_, "");
    EXPECT_EQ(Run({(folder_ / "missing.asm").string()}), kExitUsage);
    EXPECT_NE(err_.find("missing.asm"), std::string::npos) << err_;
}

TEST_F(RunnerTool, TheLargestImageRunsToItsBound) {
    // 65536 NOPs: the run stops once pc reaches FFF.
    EXPECT_EQ(Run({"--json", WriteFile("full.bin", std::string(65536, '\0'))}), 0);
    EXPECT_NE(out_.find("\"stop\":\"bound\",\"instructions\":4095,\"pc\":4095,"), std::string::npos)
        << out_;
}

TEST_F(RunnerTool, RunsAnImageAndPrintsTheStateReached) {
    EXPECT_EQ(Run({WriteFile("p.bin", kCounting)}), 0);
    EXPECT_EQ(out_.rfind("stop: bound\ninstructions: 5\npc: 005\naccumulator: 5\n", 0), 0u) << out_;
    EXPECT_EQ(err_, "");
}

TEST_F(RunnerTool, OptionsInAnyOrderAndBothValueForms) {
    const std::string bin = WriteFile("loop.bin", kJunLoop);
    EXPECT_EQ(Run({bin, "--steps=7", "--json"}), 0);
    EXPECT_EQ(out_.rfind("{\"stop\":\"steps\",\"instructions\":7,", 0), 0u) << out_;
    EXPECT_EQ(out_.back(), '\n');
    EXPECT_EQ(Run({"--steps", "7", "--until", "0", bin}), 0);
    EXPECT_EQ(out_.rfind("stop: until\ninstructions: 1\n", 0), 0u) << out_;
    // "--" ends the options: a file may start with a dash.
    const std::string dashed = WriteFile("-p.bin", kCounting);
    EXPECT_EQ(Run({"--json", "--", dashed}), 0);
    EXPECT_EQ(out_.rfind("{\"stop\":\"bound\"", 0), 0u) << out_;
}

TEST_F(RunnerTool, AddressesInEveryNumberForm) {
    const std::string bin = WriteFile("nops.bin", std::string(32, '\0'));
    for (const char* address : {"18", "0x12", "12H", "0b10010", "012h"}) {
        SCOPED_TRACE(address);
        EXPECT_EQ(Run({"--break", address, bin}), 0);
        EXPECT_EQ(out_.rfind("stop: break\ninstructions: 18\npc: 012\n", 0), 0u) << out_;
    }
    EXPECT_EQ(Run({"--break", "20", "--break", "0x5", "--break", "9", bin}), 0);
    EXPECT_EQ(out_.rfind("stop: break\ninstructions: 5\n", 0), 0u) << out_;
    EXPECT_EQ(Run({"--until", "0xFFF", bin}), 0);
    EXPECT_EQ(out_.rfind("stop: bound\n", 0), 0u) << out_;
}

TEST_F(RunnerTool, AnInstructionNotExecutedExitsWithTwo) {
    EXPECT_EQ(Run({WriteFile("bad.bin", std::string("\xD1\xFE", 2))}), 2);
    EXPECT_EQ(err_, "quodlet-run: i4004: Unrecognized instruction:FE at PC=0002\n");
    EXPECT_EQ(out_.rfind("stop: error\ninstructions: 2\npc: 002\naccumulator: 1\n", 0), 0u) << out_;
    EXPECT_EQ(Run({WriteFile("cond.bin", std::string("\x10\x00", 2))}), 2);
    EXPECT_EQ(err_, "quodlet-run: Quodlet: Unimplemented condition:0\n");
}

TEST_F(RunnerTool, AStateThatCannotBeWrittenIsAFailure) {
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    std::ostringstream err;
    const std::vector<std::string> arguments = {WriteFile("p.bin", kCounting)};
    EXPECT_EQ(RunTool(arguments, out, err), kExitUsage);
    EXPECT_EQ(err.str(), "quodlet-run: cannot write the state reached\n");
}

TEST_F(RunnerTool, AnInterruptPrintsTheStateAndExitsWith130) {
    const volatile std::sig_atomic_t raised = 1;
    EXPECT_EQ(Run({"--json", WriteFile("loop.bin", kJunLoop)}, &raised), 130);
    EXPECT_EQ(out_.rfind("{\"stop\":\"interrupted\",\"instructions\":0,", 0), 0u) << out_;
}

TEST_F(RunnerTool, TraceLinesComeBeforeTheState) {
    EXPECT_EQ(Run({"--trace", "--steps", "2", WriteFile("p.bin", kCounting)}), 0);
    EXPECT_EQ(out_.rfind("000 D3    LDM 3     A=3\n001 F2    IAC       A=4\nstop: steps\n", 0), 0u)
        << out_;
}

TEST_F(RunnerTool, SourceIsAssembledFirstAndLabelsNameAddresses) {
    const std::string source = WriteFile("count.ASM",
                                         "        LDM 3\n"
                                         "LOOP:   IAC\n"
                                         "        JCN C0, LOOP\n"
                                         "THERE:  NOP\n");
    EXPECT_EQ(Run({"--until", "there", source}), 0);
    EXPECT_EQ(out_.rfind("stop: until\ninstructions: 27\npc: 004\naccumulator: 0\ncarry: 1\n", 0),
              0u)
        << out_;
    EXPECT_EQ(err_, "");
    EXPECT_EQ(Run({"--break", "NOWHERE", source}), kExitUsage);
    EXPECT_NE(err_.find("'NOWHERE' is neither a number nor a label"), std::string::npos) << err_;
}

TEST_F(RunnerTool, AssemblyErrorsAreListedAndNothingRuns) {
    const std::string source = WriteFile("bad.asm",
                                         "        LDM 16\n"
                                         "        NOP\n"
                                         "        JUN NOWHERE\n");
    EXPECT_EQ(Run({source}), kExitUsage);
    EXPECT_EQ(out_, "");
    EXPECT_EQ(err_.rfind(source + ":1:", 0), 0u) << err_;
    EXPECT_NE(err_.find("\n" + source + ":3:"), std::string::npos) << err_;
    EXPECT_NE(err_.find(": error: "), std::string::npos) << err_;
}

TEST_F(RunnerTool, WarningsAreShownAndTheProgramStillRuns) {
    // WPM assembles with a warning and stops the run as not executed.
    EXPECT_EQ(Run({WriteFile("wpm.asm", "        WPM\n")}), 2);
    EXPECT_NE(err_.find("wpm.asm:1:"), std::string::npos) << err_;
    EXPECT_NE(err_.find(": warning: "), std::string::npos) << err_;
    EXPECT_NE(err_.find("quodlet-run: i4004: Unrecognized instruction:E3 at PC=0001"),
              std::string::npos)
        << err_;
}

}  // namespace
