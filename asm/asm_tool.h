#pragma once
// The command-line tool `quodlet-asm` as a function of its arguments, so
// that every option and exit status can be exercised without a process:
// asm_main.cpp only adds the process's streams.

#include <ostream>
#include <span>
#include <string>

// Runs the tool on `arguments` (the program's name not included): the help,
// the version and --symbols go to `out`, diagnostics and messages to `err`.
// Returns the exit status: 0 on success, 1 on a usage or file error or any
// assembly error.
int RunAssembler(std::span<const std::string> arguments, std::ostream& out, std::ostream& err);
