#pragma once
// Qt keeps per-session files in the folder XDG_RUNTIME_DIR names, and warns
// on standard error when the variable is unset, as it is for root on a bare
// console, over su or in a container. The program gives Qt a folder of the
// user's own instead: private to the user, mode 0700, never a link.

#include <sys/types.h>

#include <string>

// A private runtime folder for the user `uid` in `parent`: parent/
// quodlet-runtime-UID, made when missing, and made private (0700) when the
// user owns it but others may enter it. When that name is taken by a link,
// something other than a folder or another user's folder, a fresh folder of
// a random name in parent. Empty, with `why` set, when neither can be had.
std::string PrivateRuntimeDirectory(const std::string& parent, uid_t uid, std::string& why);

// Sets XDG_RUNTIME_DIR to a private runtime folder in TMPDIR (or /tmp) when
// it is unset or empty; leaves a set one alone. False, with `why` set, when
// no folder could be had; Qt then picks one itself, and says so. Call it
// before the QApplication is made, while the program has one thread.
bool EnsureRuntimeDirectory(std::string& why);
