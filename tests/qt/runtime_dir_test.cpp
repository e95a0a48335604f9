// The private runtime folder the Qt layer gives Qt when XDG_RUNTIME_DIR is
// unset: the user's own, mode 0700, never a link or someone else's folder.

#include "platform/qt/runtime_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

class RuntimeDirTest : public testing::Test {
protected:
    fs::path parent;
    std::string why;

    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "runtime-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        parent = pattern;
    }
    void TearDown() override { fs::remove_all(parent); }

    fs::path Expected() const { return parent / ("quodlet-runtime-" + std::to_string(getuid())); }

    static mode_t ModeOf(const std::string& path) {
        struct stat info {};
        EXPECT_EQ(lstat(path.c_str(), &info), 0) << path;
        return info.st_mode;
    }
};

TEST_F(RuntimeDirTest, MakesAPrivateFolderWhereNoneIs) {
    const std::string folder = PrivateRuntimeDirectory(parent.string(), getuid(), why);
    EXPECT_EQ(folder, Expected().string()) << why;
    EXPECT_TRUE(S_ISDIR(ModeOf(folder)));
    EXPECT_EQ(ModeOf(folder) & 07777, 0700u);
    // The second time it is found again, not made anew.
    EXPECT_EQ(PrivateRuntimeDirectory(parent.string(), getuid(), why), folder);
}

TEST_F(RuntimeDirTest, MakesTheUsersOwnFolderPrivate) {
    ASSERT_TRUE(fs::create_directory(Expected()));
    ASSERT_EQ(chmod(Expected().c_str(), 0755), 0);
    EXPECT_EQ(PrivateRuntimeDirectory(parent.string(), getuid(), why), Expected().string());
    EXPECT_EQ(ModeOf(Expected()) & 07777, 0700u);
}

TEST_F(RuntimeDirTest, NeverTakesALinkOrAFileOrAnotherUsersFolder) {
    const fs::path elsewhere = parent / "elsewhere";
    ASSERT_TRUE(fs::create_directory(elsewhere));
    ASSERT_EQ(chmod(elsewhere.c_str(), 0755), 0);

    struct Case {
        const char* what;
        void (*make)(const fs::path& at, const fs::path& elsewhere);
        uid_t uid;
    };
    const Case cases[] = {
        {"a link to a folder",
         [](const fs::path& at, const fs::path& target) {
             fs::create_directory_symlink(target, at);
         },
         getuid()},
        {"a plain file",
         [](const fs::path& at, const fs::path&) {
             std::FILE* f = std::fopen(at.c_str(), "w");
             std::fclose(f);
         },
         getuid()},
        // The folder exists but belongs to someone else: asked for as
        // another user, it is this user's.
        {"another user's folder",
         [](const fs::path& at, const fs::path&) { fs::create_directory(at); }, getuid() + 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path taken = parent / ("quodlet-runtime-" + std::to_string(c.uid));
        c.make(taken, elsewhere);
        const std::string folder = PrivateRuntimeDirectory(parent.string(), c.uid, why);
        ASSERT_FALSE(folder.empty()) << why;
        EXPECT_NE(folder, taken.string());
        EXPECT_EQ(fs::path(folder).parent_path(), parent);
        EXPECT_TRUE(S_ISDIR(ModeOf(folder)));
        EXPECT_EQ(ModeOf(folder) & 07777, 0700u);
        fs::remove(folder);
        fs::remove(taken);
    }
    // The link's target kept its mode.
    EXPECT_EQ(ModeOf(elsewhere.string()) & 07777, 0755u);
}

TEST_F(RuntimeDirTest, FailsWhereNoFolderCanBeMade) {
    EXPECT_EQ(PrivateRuntimeDirectory((parent / "missing").string(), getuid(), why), "");
    EXPECT_FALSE(why.empty());
}

TEST_F(RuntimeDirTest, SetsTheVariableOnlyWhenItIsUnset) {
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedValue = saved == nullptr ? "" : saved;
    const char* savedTemp = std::getenv("TMPDIR");
    const std::string savedTempValue = savedTemp == nullptr ? "" : savedTemp;

    setenv("XDG_RUNTIME_DIR", "/somewhere/set", 1);
    EXPECT_TRUE(EnsureRuntimeDirectory(why));
    EXPECT_STREQ(std::getenv("XDG_RUNTIME_DIR"), "/somewhere/set");

    setenv("TMPDIR", parent.c_str(), 1);
    for (const bool empty : {false, true}) {
        if (empty) {
            setenv("XDG_RUNTIME_DIR", "", 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
        EXPECT_TRUE(EnsureRuntimeDirectory(why)) << why;
        EXPECT_EQ(std::string(std::getenv("XDG_RUNTIME_DIR")), Expected().string());
    }

    if (saved == nullptr) {
        unsetenv("XDG_RUNTIME_DIR");
    } else {
        setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
    }
    if (savedTemp == nullptr) {
        unsetenv("TMPDIR");
    } else {
        setenv("TMPDIR", savedTempValue.c_str(), 1);
    }
}

}  // namespace
