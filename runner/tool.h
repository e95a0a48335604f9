#pragma once
// The command-line tool `quodlet-run` as a function of its arguments, so
// that every option and exit status can be exercised without a process:
// run_main.cpp only adds the process's streams and the Ctrl+C handler.

#include <csignal>
#include <ostream>
#include <span>
#include <string>

// Exit statuses besides the stops' own (see StopExitCode).
inline constexpr int kExitUsage = 1;  // a usage or file error, or output that failed

// Runs the tool on `arguments` (the program's name not included): the state
// reached or the help goes to `out`, messages to `err`. Returns the exit
// status. The interrupt flag, when given, stops a run as Ctrl+C does.
int RunTool(std::span<const std::string> arguments, std::ostream& out, std::ostream& err,
            const volatile std::sig_atomic_t* interrupted = nullptr);
