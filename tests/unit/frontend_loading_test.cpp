#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "asm/file_io.h"
#include "core/hex.h"
#include "data/examples.h"
#include "display/state_display.h"
#include "frontend/loading.h"
#include "tests/unit/frontend_test_support.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t kOldByte = 0xD1;  // LDM 1: the program loaded before

// Byte k of a test image.
int32_t ImageByte(size_t k) {
    return static_cast<int32_t>((k * 7 + 3) & 0xFF);
}

class LoadingTest : public FrontendTest {
protected:
    void SetUp() override {
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        root = fs::temp_directory_path() /
               ("quodlet_frontend_" + test + "_" + std::to_string(getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
        // An old 100-byte program, and the entry past the last ROM address.
        std::fill_n(state.RomImage.begin(), 100, kOldByte);
        state.RomImage[65536] = 0x77;
    }
    void TearDown() override { fs::remove_all(root); }

    std::string WriteImage(const std::string& name, size_t size, int32_t fill = -1) {
        fs::create_directories((root / name).parent_path());
        std::ofstream file(root / name, std::ios::binary);
        for (size_t k = 0; k < size; ++k)
            file.put(static_cast<char>(fill < 0 ? ImageByte(k) : fill));
        return (root / name).string();
    }
    [[nodiscard]] std::string Folder(const std::string& name) const {
        return (root / name).parent_path().string() + "/";
    }
    [[nodiscard]] static std::string WorkingFolder() { return fs::current_path().string() + "/"; }

    fs::path root;
};

TEST_F(LoadingTest, AFileFillsRomFromZeroAndKeepsTheRest) {
    for (const size_t size : {0UL, 1UL, 4UL, 65535UL, 65536UL}) {
        SCOPED_TRACE(size);
        Session s;
        std::fill_n(s.state.RomImage.begin(), 100, kOldByte);
        s.state.RomImage[65536] = 0x77;
        s.layer.dialogAnswers.push_back(WriteImage("sub/p" + std::to_string(size) + ".bin", size));
        s.layer.ChooseMenu(MenuItem::kOpen);
        EXPECT_EQ(s.Launch(), 0);
        for (size_t k = 0; k < 65537; ++k) {
            const int32_t want = k < size     ? ImageByte(k)
                                 : k < 100    ? kOldByte
                                 : k == 65536 ? 0x77
                                              : 0;
            ASSERT_EQ(s.state.RomImage[k], want) << "entry " << k;
        }
        EXPECT_EQ(s.workbench->programLength, static_cast<int32_t>(size));
        EXPECT_EQ(s.workbench->loadFolder, Folder("sub/x"));
        // The listing shows the new bytes from address 0.
        EXPECT_EQ(s.ListingLine(0).substr(0, 6), "000 " + PaddedHex(s.state.RomImage[0], 2));
        EXPECT_EQ(s.Listing().selected, 0);
        EXPECT_TRUE(s.layer.messages.empty());
        ASSERT_EQ(s.layer.dialogCalls.size(), 1U);
        EXPECT_EQ(s.layer.dialogCalls[0].title, "Please choose file to load");
        EXPECT_EQ(s.layer.dialogCalls[0].folder, WorkingFolder());
        EXPECT_EQ(s.layer.dialogCalls[0].filterList,
                  "4004 programs (*.bin *.asm)|*.bin;*.asm|Binary files (*.bin)|*.bin|"
                  "All files (*)|*");
    }
}

TEST_F(LoadingTest, ReloadOpensTheLastFileAgainFromItsPathAndNothingBeforeOne) {
    const std::string path = WriteImage("edit/p.bin", 4, 0x11);
    layer.ChooseMenu(MenuItem::kReload);  // no file yet: nothing at all
    layer.Call([this] {
        EXPECT_EQ(state.RomImage[0], kOldByte);
        EXPECT_TRUE(layer.dialogCalls.empty());
    });
    layer.dialogAnswers.push_back(path);
    layer.ChooseMenu(MenuItem::kOpen);
    layer.ChooseMenu(MenuItem::kExampleSum);  // an example is no file
    layer.Call([this] { WriteImage("edit/p.bin", 2, 0x22); });
    layer.ChooseMenu(MenuItem::kReload);
    layer.Call([this] {
        EXPECT_EQ(state.RomImage[0], 0x22);
        EXPECT_EQ(state.RomImage[1], 0x22);
        EXPECT_EQ(state.RomImage[2], ExampleSum[2]);
        EXPECT_EQ(workbench->programLength, 2);
        fs::remove(root / "edit/p.bin");
    });
    // The file gone: refused as Open would, and asked for again next time.
    layer.ChooseMenu(MenuItem::kReload);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(layer.dialogCalls.size(), 1U);
    ASSERT_EQ(layer.messages.size(), 1U);
    EXPECT_EQ(layer.messages[0].first, "file error");
    EXPECT_EQ(layer.messages[0].second, "cannot read\r\n" + path);
    EXPECT_EQ(workbench->programLength, 2);
    EXPECT_EQ(workbench->lastFile, path);
}

TEST_F(LoadingTest, SourceFilesAreAssembledAndRefusedWithTheirFirstErrors) {
    const auto write = [this](const std::string& name, const std::string& text) {
        std::ofstream(root / name) << text;
        return (root / name).string();
    };
    // Upper case counts; a label used before its line; bytes at 0..4.
    const std::string good = write("Lamp.ASM", "start: LDM 5\n FIM 0P 0x67\n JUN start\n");
    std::string eleven;
    for (int line = 1; line <= 11; ++line) eleven += "LDM 16\n";
    const std::string bad = write("bad.asm", eleven);
    layer.dialogAnswers = {good, bad};
    layer.ChooseMenu(MenuItem::kOpen);
    layer.Call([this] {
        EXPECT_EQ(state.RomImage[0], 0xD5);
        EXPECT_EQ(state.RomImage[1], 0x20);
        EXPECT_EQ(state.RomImage[2], 0x67);
        EXPECT_EQ(state.RomImage[3], 0x40);
        EXPECT_EQ(state.RomImage[4], 0x00);
        EXPECT_EQ(state.RomImage[5], kOldByte);
        EXPECT_EQ(workbench->programLength, 5);
        EXPECT_EQ(ListingLine(1), "001 20 67 FIM P0 67");
    });
    layer.ChooseMenu(MenuItem::kOpen);
    layer.Call([write] { write("bad.asm", " NOP\n IAC\n"); });
    layer.ChooseMenu(MenuItem::kReload);  // mended in an editor: loads now
    EXPECT_EQ(Launch(), 0);
    ASSERT_EQ(layer.messages.size(), 1U);
    EXPECT_EQ(layer.messages[0].first, "Assembly error");
    const std::string& text = layer.messages[0].second;
    EXPECT_EQ(text.rfind("1:5: ", 0), 0U) << text;
    EXPECT_NE(text.find("\r\n10:5: "), std::string::npos);
    EXPECT_EQ(text.find("11:5: "), std::string::npos);
    EXPECT_NE(text.find("(1 more errors)"), std::string::npos);
    // The bad source changed nothing; the mended one was loaded.
    EXPECT_EQ(state.RomImage[0], 0x00);
    EXPECT_EQ(state.RomImage[1], 0xF2);
    EXPECT_EQ(state.RomImage[2], 0x67);
    EXPECT_EQ(workbench->programLength, 2);
    EXPECT_EQ(workbench->lastFile, bad);
}

TEST_F(LoadingTest, ARefusedFileChangesNothing) {
    const std::string big = WriteImage("big.bin", 65537);
    const std::string missing = (root / "missing.bin").string();
    const std::string folder = (root / "folder.bin").string();
    fs::create_directories(folder);
    const std::string dangling = (root / "dangling.bin").string();
    fs::create_symlink(root / "nothing", dangling);
    // A named pipe nobody writes to, and a device that never ends: neither
    // may hold the window or fill memory.
    const std::string pipe = (root / "pipe.bin").string();
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const std::string device = "/dev/zero";
    const std::vector<std::pair<std::string, std::pair<std::string, std::string>>> cases = {
        {big, {"Big size", "too big to fit in rom"}},
        {missing, {"file error", "cannot read\r\n" + missing}},
        {folder, {"file error", "cannot read\r\n" + folder}},
        {dangling, {"file error", "cannot read\r\n" + dangling}},
        {pipe, {"file error", "cannot read\r\n" + pipe}},
        {device, {"file error", "cannot read\r\n" + device}},
    };
    for (const auto& [path, message] : cases) {
        SCOPED_TRACE(path);
        Session s;
        std::fill_n(s.state.RomImage.begin(), 100, kOldByte);
        s.layer.dialogAnswers.push_back(path);
        s.layer.ChooseMenu(MenuItem::kOpen);
        EXPECT_EQ(s.Launch(), 0);
        EXPECT_EQ(s.layer.messages, (std::vector<std::pair<std::string, std::string>>{message}));
        EXPECT_TRUE(std::all_of(s.state.RomImage.begin(), s.state.RomImage.begin() + 100,
                                [](int32_t byte) { return byte == kOldByte; }));
        EXPECT_EQ(s.state.RomImage[100], 0);
        EXPECT_EQ(s.workbench->programLength, 32);
        EXPECT_EQ(s.workbench->loadFolder, WorkingFolder());
    }
}

TEST_F(LoadingTest, OddPathsLoadLikeAnyOther) {
    const std::string spaced = WriteImage("a folder ä/prog ü é.bin", 3);
    // A backslash is part of a name here, not a separator.
    const std::string backslash = WriteImage("b\\c/p\\q.bin", 3);
    fs::create_directories(root / "links");
    const std::string link = (root / "links" / "link.bin").string();
    fs::create_symlink(WriteImage("target/t.bin", 3), link);
    for (const auto& [path, folder] : std::vector<std::pair<std::string, std::string>>{
             {spaced, Folder("a folder ä/x")},
             {backslash, Folder("b\\c/x")},
             {link, Folder("links/x")},
         }) {
        SCOPED_TRACE(path);
        Session s;
        s.layer.dialogAnswers.push_back(path);
        s.layer.ChooseMenu(MenuItem::kOpen);
        s.layer.ChooseMenu(MenuItem::kOpen);  // starts where the first left off
        EXPECT_EQ(s.Launch(), 0);
        EXPECT_TRUE(s.layer.messages.empty());
        EXPECT_EQ(s.state.RomImage[2], ImageByte(2));
        EXPECT_EQ(s.workbench->programLength, 3);
        EXPECT_EQ(s.workbench->loadFolder, folder);
        ASSERT_EQ(s.layer.dialogCalls.size(), 2U);
        EXPECT_EQ(s.layer.dialogCalls[1].folder, folder);
    }
}

// The read itself refuses a file of more than 65536 bytes, so a file that
// grows between the size test and the read cannot overrun program memory;
// and it reads no more than one byte past the limit of a file of any size.
TEST_F(LoadingTest, TheReadAloneKeepsAFileToTheLimit) {
    std::vector<uint8_t> bytes{1, 2, 3};
    for (const auto& [size, want] : std::vector<std::pair<size_t, FileRead>>{
             {65536, FileRead::Loaded},
             {65537, FileRead::TooBig},
             {1 << 20, FileRead::TooBig},
         }) {
        SCOPED_TRACE(size);
        const std::string path = WriteImage("grown.bin", size);
        EXPECT_EQ(ReadRegularFile(path, kProgramBytes, bytes), want);
        EXPECT_EQ(bytes.size(), want == FileRead::Loaded ? size : 0U);
    }
    EXPECT_EQ(bytes.size(), 0U);
    EXPECT_EQ(ReadRegularFile("/dev/zero", kProgramBytes, bytes), FileRead::Unreadable);
    EXPECT_TRUE(bytes.empty());
}

// A kernel file that says it is empty and reads far longer stands for a
// file that grew between the size test and the read: refused as too big,
// with nothing loaded.
TEST_F(LoadingTest, AFileLongerThanItsSizeSaidIsRefused) {
    const std::string grown = "/proc/kallsyms";
    std::error_code error;
    if (fs::file_size(grown, error) != 0 || error) GTEST_SKIP() << grown << " is not as expected";
    layer.dialogAnswers.push_back(grown);
    layer.ChooseMenu(MenuItem::kOpen);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(
        layer.messages,
        (std::vector<std::pair<std::string, std::string>>{{"Big size", "too big to fit in rom"}}));
    EXPECT_EQ(state.RomImage[0], kOldByte);
    EXPECT_EQ(state.RomImage[99], kOldByte);
    EXPECT_EQ(state.RomImage[100], 0);
    EXPECT_EQ(workbench->programLength, 32);
}

// A source loads with its warnings shown once, and is read again on Reload
// by the rules it was read by, even when what chose them has gone.
TEST_F(LoadingTest, SourcesShowTheirWarningsAndReloadByTheirRules) {
    const std::string path = (root / "p.asm").string();
    std::ofstream(path) << "        cpu 4004\n        ldm 5\n        jcn nz, $\n        wpm\n";
    layer.dialogAnswers.push_back(path);
    layer.ChooseMenu(MenuItem::kOpen);
    layer.Call([path] { std::ofstream(path) << "        ldm 6\n        jcn nz, $\n"; });
    layer.ChooseMenu(MenuItem::kReload);
    EXPECT_EQ(Launch(), 0);
    ASSERT_EQ(layer.messages.size(), 1U);
    EXPECT_EQ(layer.messages[0].first, "Assembly warnings");
    EXPECT_NE(layer.messages[0].second.find("4:9: "), std::string::npos)
        << layer.messages[0].second;
    EXPECT_EQ(state.RomImage[0], 0xD6);
    EXPECT_EQ(state.RomImage[1], 0x1C);  // "nz", which only AS's rules read
}

// A source over the window's limit is refused by its size, before it is
// read (a sparse file costs nothing to make).
TEST_F(LoadingTest, ASourceOverTheLimitIsRefusedBySize) {
    const std::string path = (root / "huge.asm").string();
    std::ofstream(path).close();
    fs::resize_file(path, (size_t{64} << 20) + 1);
    layer.dialogAnswers.push_back(path);
    layer.ChooseMenu(MenuItem::kOpen);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(layer.messages, (std::vector<std::pair<std::string, std::string>>{
                                  {"Assembly error", "The source is larger than 64 MiB."}}));
    EXPECT_EQ(state.RomImage[0], kOldByte);
}

TEST_F(LoadingTest, ACancelledDialogChangesNothing) {
    layer.ChooseMenu(MenuItem::kOpen);  // no answer: cancelled
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(layer.dialogCalls.size(), 1U);
    EXPECT_TRUE(layer.messages.empty());
    EXPECT_EQ(state.RomImage[0], kOldByte);
    EXPECT_EQ(workbench->programLength, 32);
}

TEST_F(LoadingTest, TheNextDialogStartsInTheFolderOfTheLastFileLoaded) {
    layer.dialogAnswers = {WriteImage("a/p.bin", 4), (root / "b" / "missing.bin").string()};
    fs::create_directories(root / "b");
    for (int i = 0; i < 3; ++i) layer.ChooseMenu(MenuItem::kOpen);
    EXPECT_EQ(Launch(), 0);
    ASSERT_EQ(layer.dialogCalls.size(), 3U);
    EXPECT_EQ(layer.dialogCalls[1].folder, Folder("a/p.bin"));
    EXPECT_EQ(layer.dialogCalls[2].folder, Folder("a/p.bin"));
}

TEST_F(LoadingTest, AShortFileOverALongerProgramRunsIntoTheOldBytes) {
    layer.dialogAnswers = {WriteImage("p.bin", 4, 0xD2)};  // LDM 2
    layer.ChooseMenu(MenuItem::kOpen);
    ChooseRun();
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 5);
    EXPECT_EQ(state.accumulator, 1);  // the old LDM 1 at address 4 ran last
    EXPECT_EQ(state.RomImage[99], kOldByte);
}

TEST_F(LoadingTest, AnExampleKeepsTheProcessorAndFollowsPc) {
    layer.Call([this] {
        state.pc = 0x100;
        state.indexRegisters[5] = 7;
    });
    layer.ChooseMenu(MenuItem::kExampleSquare);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 0x100);
    EXPECT_EQ(state.indexRegisters[5], 7);
    EXPECT_EQ(Text(5), "0");  // no refresh
    EXPECT_EQ(ListingLine(0), "100 00    NOP");
    EXPECT_EQ(workbench->programLength, 18);
}

TEST_F(LoadingTest, ExamplesLoadedOverEachOtherKeepTheLongerTail) {
    layer.ChooseMenu(MenuItem::kExampleSquare);
    layer.ChooseMenu(MenuItem::kExampleSum);
    EXPECT_EQ(Launch(), 0);
    EXPECT_TRUE(std::equal(ExampleSum.begin(), ExampleSum.end(), state.RomImage.begin()));
    EXPECT_TRUE(
        std::equal(ExampleSquare.begin() + 10, ExampleSquare.end(), state.RomImage.begin() + 10));
    EXPECT_EQ(state.RomImage[18], kOldByte);
    EXPECT_EQ(workbench->programLength, 10);
    EXPECT_EQ(ListingLine(0), "000 20 67 FIM P0 67");
}

TEST_F(LoadingTest, ZeroRomKeepsRegistersAndProgramLength) {
    layer.ChooseMenu(MenuItem::kExampleSum);
    layer.ChooseMenu(MenuItem::kResetCpu);
    ChooseRun();
    layer.ChooseMenu(MenuItem::kZeroRom);
    EXPECT_EQ(Launch(), 0);
    EXPECT_TRUE(std::all_of(state.RomImage.begin(), state.RomImage.begin() + 65536,
                            [](int32_t byte) { return byte == 0; }));
    EXPECT_EQ(state.RomImage[65536], 0x77);
    EXPECT_EQ(state.indexRegisters[3], 3);
    EXPECT_EQ(Text(3), "3");
    EXPECT_EQ(workbench->programLength, 10);
    EXPECT_EQ(ListingLine(0), "000 00    NOP");
    EXPECT_EQ(SelectedLine(), "00B 00    NOP");  // pc 11 after the run
}

TEST_F(LoadingTest, AnImageTakesItsLabelsFromTheSymbolsFileBesideIt) {
    const std::string image = WriteImage("p.bin", 5, 0xC0);  // BBL 0
    layer.Call([this, image] {
        std::fstream(image, std::ios::in | std::ios::out | std::ios::binary).write("\x50\x04", 2);
        std::ofstream(root / "p.sym") << "; from p.asm\n000 START\n004 SUB\n000 :1\n004 :3\n";
        std::ofstream(root / "q.sym") << "000 START\nzzz\n";
    });
    layer.dialogAnswers = {image, WriteImage("q.bin", 1, 0xC0)};
    layer.ChooseMenu(MenuItem::kOpen);
    layer.Call([this] {
        EXPECT_EQ(ListingLine(0), "000 50 04 START: JMS SUB");
        EXPECT_EQ(ListingLine(3), "004 C0    SUB: BBL 0");
    });
    layer.ChooseMenu(MenuItem::kZeroRom);  // the program and its names are gone
    layer.Call([this] { EXPECT_EQ(ListingLine(0), "000 00    NOP"); });
    layer.ChooseMenu(MenuItem::kOpen);  // a malformed file: loaded without labels
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(ListingLine(0), "000 C0    BBL 0");
    EXPECT_EQ(state.RomImage[0], 0xC0);
    EXPECT_EQ(layer.messages,
              (std::vector<std::pair<std::string, std::string>>{
                  {"Symbols file",
                   "The program is loaded without its labels: " + (root / "q.sym").string() +
                       ": line 2: 'zzz' is no address 0..FFF in hex"}}));
}

}  // namespace
