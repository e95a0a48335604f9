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

#include "asm/asm_tool.h"

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
        {{"--until", "LOOP", bin},
         "'LOOP' is not a number (labels need an .asm file, or NAME.sym beside"},
        {{"--break", "0B", bin}, "is not a number"},
        {{"--machine", "busicom", "--keys", "2+Q1", bin},
         "no key 'Q1' in --keys; the keys are CM RM M- M+ SQ % M=- M=+ <> / * = - + # 000 9 6 3 "
         ". 8 5 2 00 7 4 1 0 S EX CE CL, and d and r step"},
        {{"--machine", "mcs4", "--keys", "2", bin}, "--keys presses the Busicom calculator's keys"},
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

namespace {

// The MCS-4 machines in the runner: their runs end only at a stop, and the
// state goes out and comes back in JSON.
TEST_F(RunnerTool, Mcs4MachinesRunUntilAStopAndTakeTheirInputs) {
    // 000 FIM P0 10, 002 SRC P0, 003 RDR, 004 JCN TZ 00, 006 JUN 006
    const std::string bin = WriteFile("in.bin", std::string("\x20\x10\x21\xEA\x11\x00\x40\x06", 8));
    EXPECT_EQ(Run({"--machine", "mcs4", "--rom-in", "1=0xA", "--test", "1", "--steps", "5",
                   "--json", bin}),
              0);
    EXPECT_EQ(out_.rfind("{\"stop\":\"steps\",\"instructions\":5,\"machine\":\"mcs4\",\"pc\":6,"
                         "\"cycles\":8,",
                         0),
              0u)
        << out_;
    EXPECT_NE(out_.find("\"acc\":10,"), std::string::npos) << out_;
    EXPECT_NE(out_.find("\"romIn\":{\"1\":10}"), std::string::npos) << out_;
    // TEST at 0: JCN TZ jumps back to 000 instead.
    EXPECT_EQ(Run({"--machine=mcs4", "--until", "6", "--steps", "100", bin}), 0);
    EXPECT_EQ(out_.rfind("stop: steps\n", 0), 0u) << out_;
    // The compatible machine has neither input, the exerciser wires TEST.
    EXPECT_EQ(Run({"--test", "1", bin}), kExitUsage);
    EXPECT_NE(err_.find("no TEST pin"), std::string::npos) << err_;
    EXPECT_EQ(Run({"--machine", "exerciser", "--test", "1", bin}), kExitUsage);
    EXPECT_EQ(Run({"--machine", "mcs4", WriteFile("big.bin", std::string(4097, '\0'))}),
              kExitUsage);
    EXPECT_NE(err_.find("4097 bytes, too big for the MCS-4 system's ROM of 4096"),
              std::string::npos)
        << err_;
    // The optional stops, before the instruction.
    const std::string undefined = WriteFile("u.bin", std::string("\x00\x00\xFE", 3));
    EXPECT_EQ(Run({"--machine", "mcs4", "--stop-on-undefined", undefined}), 0);
    EXPECT_EQ(out_.rfind("stop: undefined\ninstructions: 2\n", 0), 0u) << out_;
    EXPECT_EQ(Run({"--machine", "mcs4", "--stop-on-overflow", WriteFile("b.bin", "\xC0")}), 0);
    EXPECT_EQ(out_.rfind("stop: overflow\ninstructions: 1\n", 0), 0u) << out_;
}

TEST_F(RunnerTool, AStateReadBackIsTheStatePrinted) {
    for (const char* machine : {"compatible", "mcs4"}) {
        SCOPED_TRACE(machine);
        // A program that leaves something in most fields.
        const std::string bin = WriteFile("p.bin", std::string("\xD9\xFD\x2A\xB7\x2B\xE0\xE1\xE6"
                                                               "\xE2\x50\x20\xF2\xB5\xFA\x40\x20",
                                                               16));
        ASSERT_EQ(Run({"--machine", machine, "--steps", "14", "--json", bin}), 0);
        const std::string first = out_;
        const std::string state = WriteFile("s.json", first);
        ASSERT_EQ(Run({"--machine", machine, "--state", state, "--steps", "0", "--json", bin}), 0);
        // All but the run's own two keys, stop and instructions.
        const auto fields = [](const std::string& json) {
            return json.substr(json.find(',', json.find("\"instructions\"")));
        };
        EXPECT_EQ(fields(out_), fields(first));
    }
}

TEST_F(RunnerTool, ABadStateNamesItsKeyAndNothingRuns) {
    const std::string bin = WriteFile("p.bin", kJunLoop);
    struct Case {
        const char* machine;
        const char* json;
        const char* message;
    };
    const Case cases[] = {
        {"mcs4", "{\"acc\": 16}", "key 'acc': 16 is outside 0..15"},
        {"mcs4", "{\"acc\": 1", "1:10: expected ',' or '}'"},
        {"mcs4", "[1]", "expected an object, not a list"},
        {"mcs4", "{\"accu\": 1}", "key 'accu': no such key"},
        {"mcs4", "{\"regs\": [1, 2]}", "key 'regs': expected a list of 16 numbers"},
        {"mcs4", "{\"ram\": {\"8.0.0\": \"0\"}}", "key 'ram': no entry \"8.0.0\""},
        {"mcs4", "{\"ram\": {\"0.0.0\": \"12\"}}", "expected a string of 16 hex digits"},
        {"mcs4", "{\"sp\": 1, \"sp\": 2}", "key 'sp': given twice"},
        {"mcs4", "{\"pc\": 4096}", "key 'pc': 4096 is outside 0..4095"},
        {"mcs4", "{\"machine\": \"compatible\"}", "key 'machine'"},
        {"mcs4", "{\"cy\": 1.5}", "not a whole number"},
        {"compatible", "{\"stackPointer\": 3}", "key 'stackPointer': 3 is outside 0..2"},
        {"compatible", "{\"regs\": []}", "key 'regs': no such key"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        const std::string state = WriteFile("s.json", c.json);
        EXPECT_EQ(Run({"--machine", c.machine, "--state", state, bin}), kExitUsage);
        EXPECT_NE(err_.find(c.message), std::string::npos) << err_;
        EXPECT_EQ(out_, "");
    }
    EXPECT_EQ(Run({"--state", (folder_ / "none.json").string(), bin}), kExitUsage);
    EXPECT_NE(err_.find("no such file"), std::string::npos) << err_;
}

// Intel's exerciser in the runner, when its ROM is at hand: the fourth
// pass of its loop ends where its README says.
TEST_F(RunnerTool, TheExerciserRunsItsLoop) {
    const std::string rom = QUODLET_ROMS_DIR "/mcs4_exerciser_4001-0009.bin";
    if (!fs::exists(rom)) GTEST_SKIP() << "the exerciser ROM is not in " QUODLET_ROMS_DIR;
    EXPECT_EQ(Run({"--machine", "exerciser", "--steps", "17307", "--json", rom}), 0);
    EXPECT_NE(out_.find("\"pc\":32,\"cycles\":20601,"), std::string::npos) << out_;
}

// Keys for a program that is not the calculator's: it runs, takes none and
// the run ends, its tape empty.
TEST_F(RunnerTool, BusicomKeysForAnotherProgramEndStuck) {
    EXPECT_EQ(
        Run({"--machine", "busicom", "--keys", "12+", "--json", WriteFile("j.bin", kJunLoop)}), 0);
    EXPECT_EQ(out_.rfind("{\"stop\":\"stuck\",", 0), 0u) << out_;
    EXPECT_NE(out_.find("\"tape\":[],\"red\":[]}"), std::string::npos) << out_;
    EXPECT_NE(err_.find("took no key"), std::string::npos) << err_;
}

// The Busicom waits at 0FD while TEST is high; driven low, it moves on.
TEST_F(RunnerTool, TheBusicomMovesOnOnceTestIsDriven) {
    const std::string rom = QUODLET_ROMS_DIR "/busicom_141-PF.bin";
    if (!fs::exists(rom)) GTEST_SKIP() << "the Busicom ROM is not in " QUODLET_ROMS_DIR;
    ASSERT_EQ(Run({"--machine", "mcs4", "--test", "1", "--steps", "50000", "--json", rom}), 0);
    EXPECT_NE(out_.find("\"pc\":253,"), std::string::npos) << out_;
    const std::string waiting = WriteFile("waiting.json", out_);
    ASSERT_EQ(Run({"--machine", "mcs4", "--state", waiting, "--test", "0", "--steps", "50000",
                   "--json", rom}),
              0);
    EXPECT_EQ(out_.find("\"pc\":253,"), std::string::npos) << out_;
}

}  // namespace

namespace {

// Sources by the rules asked for, on the machine asked for, and text files
// that are no images.
TEST_F(RunnerTool, SourcesByTheirRulesAndMachine) {
    // Condition 1 is TN on the compatible machine, TZ on the MCS-4 system.
    const std::string tz = WriteFile("tz.asm", "        JCN TZ, 0\n");
    EXPECT_EQ(Run({"--machine", "mcs4", "--trace", "--steps", "1", tz}), 0);
    EXPECT_EQ(out_.rfind("000 11 00 JCN TZ 00", 0), 0u) << out_;
    EXPECT_EQ(Run({"--trace", "--steps", "1", tz}), 0);
    EXPECT_EQ(out_.rfind("000 19 00 JCN TZ 00", 0), 0u) << out_;
    // Text under another name is refused until it is said what it is.
    const std::string text = WriteFile("p.s", "        LDM 7\n");
    EXPECT_EQ(Run({text}), kExitUsage);
    EXPECT_NE(err_.find("p.s: this is text, most likely assembly source"), std::string::npos)
        << err_;
    EXPECT_EQ(Run({"--source", text}), 0);
    EXPECT_NE(out_.find("accumulator: 7\n"), std::string::npos) << out_;
    EXPECT_EQ(Run({"--image", "--steps", "1", text}), 0);
    EXPECT_EQ(Run({"--source", "--image", text}), kExitUsage);
    // AS's names under AS's rules.
    const std::string as = WriteFile("as.asm", "        ldm 3\n        jcn nz, $\n");
    EXPECT_EQ(Run({"--syntax", "as", "--steps", "2", "--trace", as}), 0);
    EXPECT_NE(out_.find("001 1C 01 JCN AN 01"), std::string::npos) << out_;
    EXPECT_EQ(Run({"--syntax", "tasm", as}), kExitUsage);
    EXPECT_NE(err_.find("the syntaxes are quodlet"), std::string::npos) << err_;
}

}  // namespace

namespace {

constexpr char kCallSource[] =
    "START:  JMS ROUT\n"  // 000
    "        JUN DONE\n"  // 002
    "ROUT:    LDM 5\n"    // 004
    "        BBL 0\n"     // 005
    "DONE:   NOP\n"       // 006
    "N = 7\n";

TEST_F(RunnerTool, TheTraceNamesLabelsFromTheSourceOrTheSymbolsFile) {
    const std::string source = WriteFile("call.asm", kCallSource);
    std::ostringstream ignored;
    ASSERT_EQ(RunAssembler(std::vector<std::string>{source, "--symbols"}, ignored, ignored), 0);
    const std::string trace =
        "START:\n000 50 04 JMS ROUT\nROUT:\n004 D5    LDM 5     A=5\n005 C0    BBL 0     A=0\n"
        "002 40 06 JUN DONE\nDONE:\n006 00    NOP\nstop: steps\n";
    for (const std::string& file : {source, (folder_ / "call.bin").string()}) {
        EXPECT_EQ(Run({"--trace", "--steps", "5", file}), 0);
        EXPECT_EQ(out_.substr(0, trace.size()), trace);
        EXPECT_EQ(err_, "");
    }
    // A malformed symbols file: the program runs, without names.
    WriteFile("call.sym", "004 ROUT extra\n");
    EXPECT_EQ(Run({"--trace", "--steps", "1", (folder_ / "call.bin").string()}), 0);
    EXPECT_EQ(out_.rfind("000 50 04 JMS 004\nstop: steps\n", 0), 0u) << out_;
    EXPECT_EQ(err_, "quodlet-run: warning: " + (folder_ / "call.sym").string() +
                        ": line 1: 'extra' follows the entry; running without its labels\n");
}

TEST_F(RunnerTool, StopsMustBeWhereAnInstructionStarts) {
    const std::string source = WriteFile("call.asm", kCallSource);
    std::ostringstream ignored;
    ASSERT_EQ(RunAssembler(std::vector<std::string>{source, "--symbols"}, ignored, ignored), 0);
    const std::string image = (folder_ / "call.bin").string();
    struct Case {
        std::vector<std::string> arguments;
        std::string message;  // empty: accepted
    };
    const std::vector<Case> cases = {
        {{"--until", "1", source},
         "--until '1' is in the middle of the instruction at 000 (source line 1), where no run "
         "stops; give START"},
        {{"--break", "0x3", image},
         "--break '0x3' is in the middle of the instruction at 002 "
         "(source line 2), where no run stops; give START+2"},
        {{"--break", "N", source}, "--break 'N' is a constant of the program, not a code label"},
        {{"--until", "N", image}, "--until 'N' is neither a number nor a label of the program"},
        {{"--until", "rout", image}, ""},
        {{"--break", "5", "--until", "DONE", source}, ""},
        {{"--until", "7", image}, ""},  // past the program: nothing to be inside
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[1]);
        EXPECT_EQ(Run(c.arguments), c.message.empty() ? 0 : kExitUsage);
        EXPECT_EQ(err_.substr(0, err_.find('\n')),
                  c.message.empty() ? "" : "quodlet-run: " + c.message);
    }
    // An image alone says nothing of where instructions start.
    fs::remove(folder_ / "call.sym");
    EXPECT_EQ(Run({"--until", "1", image}), 0);
}

}  // namespace
