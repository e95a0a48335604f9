#include "platform/qt/runtime_dir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Whether path is a folder (not a link) that `uid` owns and only it may
// use; loosens nothing, tightens the mode to 0700 where the owner is `uid`.
bool MakeOwnFolderPrivate(const std::string& path, uid_t uid, std::string& why) {
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        why = path + " is not a folder: " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    bool ok = fstat(fd, &info) == 0 && S_ISDIR(info.st_mode);
    if (ok && info.st_uid != uid) {
        why = path + " belongs to another user";
        ok = false;
    }
    if (ok && (info.st_mode & 07777) != 0700 && fchmod(fd, 0700) != 0) {
        why = "cannot make " + path + " private: " + std::strerror(errno);
        ok = false;
    }
    close(fd);
    return ok;
}

}  // namespace

std::string PrivateRuntimeDirectory(const std::string& parent, uid_t uid, std::string& why) {
    const std::string path = parent + "/quodlet-runtime-" + std::to_string(uid);
    if (mkdir(path.c_str(), 0700) == 0 || errno == EEXIST) {
        if (MakeOwnFolderPrivate(path, uid, why)) return path;
    } else {
        why = "cannot make " + path + ": " + std::strerror(errno);
    }
    // The name is taken: a fresh folder, which mkdtemp makes with mode 0700.
    std::string pattern = parent + "/quodlet-runtime-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) {
        why += "; cannot make a folder in " + parent + ": " + std::strerror(errno);
        return "";
    }
    return std::string(buffer.data());
}

bool EnsureRuntimeDirectory(std::string& why) {
    const char* current = std::getenv("XDG_RUNTIME_DIR");
    if (current != nullptr && current[0] != '\0') return true;
    const char* temp = std::getenv("TMPDIR");
    const std::string parent = temp != nullptr && temp[0] == '/' ? temp : "/tmp";
    const std::string folder = PrivateRuntimeDirectory(parent, getuid(), why);
    if (folder.empty()) return false;
    return setenv("XDG_RUNTIME_DIR", folder.c_str(), 1) == 0;
}
