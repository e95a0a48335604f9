#include "asm/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace {

std::string ErrorText(int error) {
    return std::generic_category().message(error);
}

// The process's file-creation mask, read without changing it (umask() can
// only be read by setting it, which would race with other threads).
mode_t CurrentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            try {
                return static_cast<mode_t>(std::stoul(line.substr(6), nullptr, 8));
            } catch (...) {
                break;
            }
        }
    }
    return 022;
}

// Closes a descriptor once, whatever path leaves the function.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

}  // namespace

bool ReadWholeFile(const std::string& path, size_t most, std::string& bytes, std::string& why) {
    bytes.clear();
    Descriptor file;
    file.fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (file.fd < 0) {
        why = path + ": " + ErrorText(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(file.fd, &info) != 0) {
        why = path + ": " + ErrorText(errno);
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        why = path + ": is a folder";
        return false;
    }
    // Read to the end rather than trusting the size: a pipe has none, and a
    // file may grow while it is read.
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(file.fd, buffer, sizeof buffer);
        if (count < 0) {
            if (errno == EINTR) continue;
            why = path + ": " + ErrorText(errno);
            bytes.clear();
            return false;
        }
        if (count == 0) break;
        if (bytes.size() + static_cast<size_t>(count) > most) {
            why = path + ": larger than " + std::to_string(most) + " bytes";
            bytes.clear();
            return false;
        }
        bytes.append(buffer, static_cast<size_t>(count));
    }
    return true;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& why) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path target = path;
    if (path.empty()) {
        why = "no file name";
        return false;
    }
    // Replacing a link would cut it; replace what it points to instead.
    if (fs::is_symlink(target, error)) {
        target = fs::weakly_canonical(target, error);
        if (error) {
            why = path + ": " + error.message();
            return false;
        }
    }
    const fs::file_status status = fs::status(target, error);
    if (fs::is_directory(status)) {
        why = path + ": is a folder";
        return false;
    }
    mode_t mode = 0666 & ~CurrentUmask();
    struct stat info {};
    if (::stat(target.c_str(), &info) == 0 && S_ISREG(info.st_mode)) mode = info.st_mode & 07777;

    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    Descriptor file;
    file.fd = ::mkstemp(temporary.data());
    if (file.fd < 0) {
        why = "cannot create a file in " + folder.string() + ": " + ErrorText(errno);
        return false;
    }
    const auto fail = [&](const std::string& what, int code) {
        why = what + ": " + ErrorText(code);
        ::close(file.fd);
        file.fd = -1;
        ::unlink(temporary.c_str());
        return false;
    };
    if (::fchmod(file.fd, mode) != 0) return fail(path, errno);
    size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(file.fd, bytes.data() + written, bytes.size() - written);
        if (count < 0) {
            if (errno == EINTR) continue;
            return fail(path, errno);
        }
        written += static_cast<size_t>(count);
    }
    if (::fsync(file.fd) != 0) return fail(path, errno);
    const int closed = ::close(file.fd);
    file.fd = -1;
    if (closed != 0) {
        const int code = errno;
        ::unlink(temporary.c_str());
        why = path + ": " + ErrorText(code);
        return false;
    }
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int code = errno;
        ::unlink(temporary.c_str());
        why = path + ": " + ErrorText(code);
        return false;
    }
    return true;
}

FileRead ReadRegularFile(const std::string& path, size_t largest, std::vector<uint8_t>& bytes) {
    bytes.clear();
    // Opening without waiting: a named pipe with no writer would otherwise
    // hold the window until one appears. What was opened is then tested, not
    // the path again, so nothing can be swapped in between.
    Descriptor file;
    file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file.fd < 0) return FileRead::Unreadable;
    struct stat info {};
    if (::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return FileRead::Unreadable;

    // One byte more than fits: getting it means the file is too big, also
    // when it grew after its size was tested. Room for what the size says
    // first, more as the file turns out longer.
    const auto stated = static_cast<size_t>(std::max<off_t>(info.st_size, 0));
    bytes.resize(std::min(stated, largest) + 1);
    size_t count = 0;
    for (;;) {
        if (count == bytes.size()) {
            if (bytes.size() > largest) break;
            bytes.resize(std::min(bytes.size() * 2, largest + 1));
        }
        const ssize_t got = ::read(file.fd, bytes.data() + count, bytes.size() - count);
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            bytes.clear();
            return FileRead::Unreadable;
        }
        count += static_cast<size_t>(got);
    }
    if (count > largest) {
        bytes.clear();
        return FileRead::TooBig;
    }
    bytes.resize(count);
    return FileRead::Loaded;
}

std::string UnreadableReason(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) return "no such file";
    if (S_ISDIR(info.st_mode)) return "it is a folder";
    if (!S_ISREG(info.st_mode)) return "not a regular file";
    return "not readable";
}
