// quodlet-asm as a user runs it, in-process, and the atomic write under it:
// what is written on success, and that nothing is on any error.

#include "asm/asm_tool.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "asm/file_io.h"

namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class AsmTool : public ::testing::Test {
protected:
    // The tool runs in the folder, as from a shell there.
    AsmTool() : home(fs::current_path()) {
        folder = fs::temp_directory_path() /
                 ("quodlet_asm_test_" + std::to_string(static_cast<long>(::getpid())));
        fs::remove_all(folder);
        fs::create_directories(folder);
        fs::current_path(folder);
    }
    ~AsmTool() override {
        fs::current_path(home);
        fs::remove_all(folder);
    }

    // Runs the tool on blank-separated arguments; its exit status, and what
    // it wrote to out and err.
    int Run(const std::string& arguments) {
        std::vector<std::string> words;
        std::istringstream split(arguments);
        for (std::string word; split >> word;) words.push_back(word);
        std::ostringstream outStream;
        std::ostringstream errStream;
        const int status = RunAssembler(words, outStream, errStream);
        out = outStream.str();
        err = errStream.str();
        return status;
    }

    std::set<std::string> Files() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    fs::path home;
    fs::path folder;
    std::string out;
    std::string err;
};

TEST_F(AsmTool, WritesTheImageNextToTheSourceByDefault) {
    WriteFile(folder / "prog.asm", "START: LDM 5\n JUN START\n");
    EXPECT_EQ(Run("prog.asm"), 0) << err;
    EXPECT_EQ(ReadFile(folder / "prog.bin"), std::string("\xD5\x40\x00", 3));
    EXPECT_EQ(Files(), (std::set<std::string>{"prog.asm", "prog.bin"}));
}

TEST_F(AsmTool, WritesTheOutputListingAndSymbolsAsked) {
    WriteFile(folder / "prog.asm", "START: FIM 0P 0x67 ; load\nN = 2\nLOOP, JUN LOOP\n");
    EXPECT_EQ(Run("prog.asm -o out.bin -l prog.lst --symbols"), 0) << err;
    EXPECT_EQ(ReadFile(folder / "out.bin"), std::string("\x20\x67\x40\x02", 4));
    EXPECT_EQ(ReadFile(folder / "prog.lst"),
              "000 20 67  START: FIM 0P 0x67 ; load\n"
              "002        N = 2\n"
              "002 40 02  LOOP, JUN LOOP\n");
    EXPECT_EQ(out, "000 START\n002 LOOP\n");
    // Beside the image, under its name.
    const std::string symbols = ReadFile(folder / "out.sym");
    EXPECT_NE(symbols.find("\n000 START\n000 :1\n002 LOOP\n002 :3\n"), std::string::npos)
        << symbols;
}

TEST_F(AsmTool, OnErrorsWritesNothingAndKeepsTheOldFiles) {
    WriteFile(folder / "prog.asm", " NOP\n LDM 16\n JUN NOWHERE\n WPM\n");
    WriteFile(folder / "prog.bin", "old image");
    WriteFile(folder / "prog.lst", "old listing");
    EXPECT_EQ(Run("prog.asm -l prog.lst"), 1);
    EXPECT_EQ(err,
              "prog.asm:2:6: error: a 4-bit value must be 0..15, not 16\n"
              "prog.asm:3:6: error: undefined name 'NOWHERE'\n"
              "prog.asm:4:2: warning: WPM is not executed by this machine\n");
    EXPECT_EQ(ReadFile(folder / "prog.bin"), "old image");
    EXPECT_EQ(ReadFile(folder / "prog.lst"), "old listing");
    EXPECT_EQ(Files(), (std::set<std::string>{"prog.asm", "prog.bin", "prog.lst"}));
}

TEST_F(AsmTool, WarningsAloneStillWrite) {
    WriteFile(folder / "prog.asm", " WPM\n");
    EXPECT_EQ(Run("prog.asm"), 0);
    EXPECT_EQ(err, "prog.asm:1:2: warning: WPM is not executed by this machine\n");
    EXPECT_EQ(ReadFile(folder / "prog.bin"), "\xE3");
}

TEST_F(AsmTool, UsageAndFileErrors) {
    WriteFile(folder / "prog.asm", " NOP\n");
    WriteFile(folder / "prog.bin", "keep");
    EXPECT_EQ(Run("--version"), 0);
    EXPECT_EQ(out, "quodlet-asm 0.9\n");
    EXPECT_EQ(Run("--help"), 0);
    EXPECT_NE(out.find("Usage: quodlet-asm SOURCE"), std::string::npos);
    EXPECT_EQ(Run(""), 1);
    EXPECT_EQ(Run("prog.asm --frob"), 1);
    EXPECT_NE(err.find("unknown option --frob"), std::string::npos);
    EXPECT_EQ(Run("prog.asm -o"), 1);
    EXPECT_EQ(Run("missing.asm"), 1);
    EXPECT_NE(err.find("missing.asm"), std::string::npos);
    EXPECT_EQ(Run("."), 1);
    // The output may not overwrite the source, nor the listing either.
    EXPECT_EQ(Run("prog.asm -o prog.asm"), 1);
    EXPECT_EQ(Run("prog.asm -l ./prog.asm"), 1);
    EXPECT_EQ(Run("prog.asm -l prog.bin"), 1);
    EXPECT_EQ(Run("prog.asm -o prog --symbols -l prog.sym"), 1);
    EXPECT_NE(err.find("the symbols file prog.sym would be the listing"), std::string::npos) << err;
    EXPECT_EQ(Run("prog.asm -o prog.sym --symbols"), 1);
    EXPECT_EQ(ReadFile(folder / "prog.asm"), " NOP\n");
    EXPECT_EQ(ReadFile(folder / "prog.bin"), "keep");
    // An output that cannot be written leaves nothing behind.
    EXPECT_EQ(Run("prog.asm -o nofolder/prog.bin"), 1);
    EXPECT_EQ(Run("prog.asm -o new.bin -l nofolder/prog.lst"), 1);

    EXPECT_NE(err.find("nofolder"), std::string::npos);
    EXPECT_EQ(Files(), (std::set<std::string>{"prog.asm", "prog.bin"}));
    // A symbols file that cannot be written: no new image either.
    fs::create_directory(folder / "new.sym");
    EXPECT_EQ(Run("prog.asm -o new.bin --symbols"), 1);
    EXPECT_EQ(Files(), (std::set<std::string>{"prog.asm", "prog.bin", "new.sym"}));
}

TEST_F(AsmTool, SyntaxMachineAndIncludeOptions) {
    EXPECT_EQ(Run("--syntax masm p.asm"), 1);
    EXPECT_NE(err.find("the syntaxes are quodlet, intel, as, k4004, uz80as, codeabbey"),
              std::string::npos)
        << err;
    EXPECT_EQ(Run("--machine=pdp11 p.asm"), 1);
    EXPECT_NE(err.find("'pdp11'; the machines are compatible, mcs4, exerciser, busicom"),
              std::string::npos)
        << err;
    // The machine decides what warns and how JCN's conditions are named.
    WriteFile(folder / "m.asm", " JCN TZ 0\n WPM\n");
    EXPECT_EQ(Run("--machine exerciser m.asm"), 0);
    EXPECT_EQ(err, "");
    EXPECT_EQ(ReadFile(folder / "m.bin"), std::string("\x11\x00\xE3", 3));
    // An include may not leave the source's folder unless -I allows it.
    fs::create_directories(folder / "src");
    fs::create_directories(folder / "lib");
    WriteFile(folder / "lib" / "regs.inc", "P1 reg R2R3\n");
    WriteFile(folder / "src" / "p.asm", " cpu 4004\n include \"../lib/regs.inc\"\n src P1\n");
    EXPECT_EQ(Run("src/p.asm"), 1);
    EXPECT_NE(err.find("src/p.asm:2:10: error: cannot include '../lib/regs.inc': it lies outside"),
              std::string::npos)
        << err;
    EXPECT_EQ(Run("-I lib src/p.asm"), 0) << err;
    EXPECT_EQ(err, "quodlet-asm: note: src/p.asm is read by AS rules: `cpu 4004` on line 1\n");
    EXPECT_EQ(ReadFile(folder / "src" / "p.bin"), "\x23");
}

// Includes nest at most 16 files deep and never in a circle; DATE and
// TIME come from SOURCE_DATE_EPOCH when it is set.
TEST_F(AsmTool, IncludesDepthCirclesAndTheBuildDate) {
    for (int32_t k = 1; k <= 17; ++k) {
        WriteFile(folder / ("f" + std::to_string(k) + ".inc"),
                  k == 17 ? " nop\n" : " include \"f" + std::to_string(k + 1) + ".inc\"\n");
    }
    WriteFile(folder / "deep.asm", " cpu 4004\n include \"f3.inc\"\n");
    EXPECT_EQ(Run("deep.asm"), 0) << err;  // 16 files: the source and 15 included
    WriteFile(folder / "deeper.asm", " cpu 4004\n include \"f2.inc\"\n");
    EXPECT_EQ(Run("deeper.asm"), 1);
    EXPECT_NE(err.find("f16.inc:1:10: error: includes nest deeper than 16 files"),
              std::string::npos)
        << err;
    WriteFile(folder / "a.inc", " include \"b.inc\"\n");
    WriteFile(folder / "b.inc", " nop\n include \"a.inc\"\n");
    WriteFile(folder / "circle.asm", " cpu 4004\n include \"a.inc\"\n");
    EXPECT_EQ(Run("circle.asm"), 1);
    EXPECT_EQ(err.substr(err.find('\n') + 1),
              "b.inc:2:10: error: 'a.inc' is being read already: a file includes itself\n");

    WriteFile(folder / "date.asm", " cpu 4004\n data DATE, TIME\n");
    ::setenv("SOURCE_DATE_EPOCH", "90061", 1);
    EXPECT_EQ(Run("date.asm"), 0) << err;
    ::unsetenv("SOURCE_DATE_EPOCH");
    EXPECT_EQ(ReadFile(folder / "date.bin"), "01/02/7001:01:01");
}

// What -l writes assembles back to the same bytes, under every dialect's
// rules, with no warning.
TEST_F(AsmTool, ListingsAssembleBackToTheSameBytes) {
    const char* sources[] = {
        "START: FIM 0P 0x67 ; load\nN = 2\n ORG 0x10\nLOOP, JUN LOOP\n DB 1, 2, N\n",
        "; quodlet-asm --machine mcs4\nL: JCN AN&C0 L\n JCN 3 L\n",
        " cpu 4004\nP0 reg R0R1\nc reg R5\nm data \"Hi;\", 0\nl jcn nz, l\n ld A, c\n fim P0, "
        "lo(m)\n",
        "#define equ .equ\nk: equ 3Ah\nl:\n fim 6,k\n .fill 2, 7\n .block 1\n .dw l\n",
        "; quodlet-asm --syntax k4004\n*=2\nLIM=12\nLOOP  ISZ R3, LOOP\n FIM P2, $3C\n",
        "; quodlet-asm --syntax intel\nCZ = 10\n= 4\nLP,  JCN CZ LP\nTB,  0+7\n",
    };
    for (const char* source : sources) {
        WriteFile(folder / "p.asm", source);
        ASSERT_EQ(Run("p.asm -l p.lst"), 0) << source << err;
        const std::string image = ReadFile(folder / "p.bin");
        ASSERT_EQ(Run("p.lst -o back.bin"), 0) << source << err;
        EXPECT_EQ(err.find("warning"), std::string::npos) << source << err;
        EXPECT_EQ(ReadFile(folder / "back.bin"), image) << source << ReadFile(folder / "p.lst");
    }
}

// Only regular files are read, at once: a named pipe or a device is
// refused without waiting; what a source holds reaches the terminal
// escaped.
TEST_F(AsmTool, HostileFilesAndTerminalText) {
    ASSERT_EQ(::mkfifo((folder / "fifo.asm").c_str(), 0600), 0);
    EXPECT_EQ(Run("fifo.asm"), 1);
    EXPECT_EQ(err, "quodlet-asm: fifo.asm: not a regular file\n");
    EXPECT_EQ(Run("/dev/zero -o z.bin"), 1);
    EXPECT_EQ(err, "quodlet-asm: /dev/zero: not a regular file\n");
    WriteFile(folder / "esc.asm", " JUN \x1B]0;owned\x07\n FROB\x1B[2J\n");
    EXPECT_EQ(Run("esc.asm"), 1);
    EXPECT_EQ(err,
              "esc.asm:1:6: error: control character \\x1B in the line\n"
              "esc.asm:2:6: error: control character \\x1B in the line\n");
    EXPECT_EQ(Run("-o \x1B[1m.bin esc.asm"), 1);
    EXPECT_EQ(err.find('\x1B'), std::string::npos) << err;
}

TEST_F(AsmTool, AtomicWriteReplacesWholeFilesOnlyOnSuccess) {
    std::string why;
    const fs::path target = folder / "image.bin";
    ASSERT_TRUE(WriteFileAtomically(target.string(), std::string("\0\1\2", 3), why)) << why;
    EXPECT_EQ(ReadFile(target), std::string("\0\1\2", 3));
    ASSERT_TRUE(WriteFileAtomically(target.string(), "new", why)) << why;
    EXPECT_EQ(ReadFile(target), "new");

    // A link stays a link; its target gets the bytes.
    fs::create_symlink("image.bin", folder / "link.bin");
    ASSERT_TRUE(WriteFileAtomically((folder / "link.bin").string(), "via link", why)) << why;
    EXPECT_TRUE(fs::is_symlink(folder / "link.bin"));
    EXPECT_EQ(ReadFile(target), "via link");

    // A folder in the way or a missing folder: refused, nothing left behind.
    fs::create_directory(folder / "sub");
    EXPECT_FALSE(WriteFileAtomically((folder / "sub").string(), "x", why));
    EXPECT_NE(why.find("folder"), std::string::npos) << why;
    EXPECT_FALSE(WriteFileAtomically((folder / "none" / "x.bin").string(), "x", why));
    EXPECT_FALSE(why.empty());
    EXPECT_EQ(Files(), (std::set<std::string>{"image.bin", "link.bin", "sub"}));
    EXPECT_TRUE(fs::is_empty(folder / "sub"));
}

TEST_F(AsmTool, AssembleFileReportsWhatCannotBeRead) {
    Assembly assembly;
    std::string why;
    EXPECT_FALSE(AssembleFile((folder / "missing.asm").string(), assembly, why));
    EXPECT_NE(why.find("missing.asm"), std::string::npos) << why;
    EXPECT_FALSE(AssembleFile(folder.string(), assembly, why));
    EXPECT_NE(why.find("folder"), std::string::npos) << why;
    WriteFile(folder / "ok.asm", " LDM 3\n");
    ASSERT_TRUE(AssembleFile((folder / "ok.asm").string(), assembly, why)) << why;
    EXPECT_EQ(assembly.image, std::vector<uint8_t>{0xD3});
}

}  // namespace
