#pragma once
// Whole-file reads and writes for the command-line tools and the window.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Reads the whole file at path into `bytes`. False with `why` (one line) when
// it is missing, a folder, unreadable or larger than `most` bytes.
bool ReadWholeFile(const std::string& path, size_t most, std::string& bytes, std::string& why);

// Writes bytes to path through a temporary file in the same folder that is
// renamed into place, so a reader sees the old file or the new one, never a
// part. A link is followed and its target replaced. On failure nothing is
// left behind, an existing file is unchanged, and `why` says what failed.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& why);

enum class FileRead { Loaded, TooBig, Unreadable };

// Reads a whole regular file of at most `largest` bytes into `bytes` (empty
// unless Loaded). Anything but a regular file is Unreadable, without waiting
// on it (a named pipe with no writer); more than `largest` bytes is TooBig,
// however the file's size looked before the read.
FileRead ReadRegularFile(const std::string& path, size_t largest, std::vector<uint8_t>& bytes);

// Why a path could not be read, as far as can be told: "no such file", "it
// is a folder", "not a regular file" or "not readable".
std::string UnreadableReason(const std::string& path);
