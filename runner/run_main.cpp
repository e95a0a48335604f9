// quodlet-run: runs a 4004 program from the command line (see runner/tool.h).

#include <signal.h>

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include "runner/tool.h"

namespace {

// Raised by Ctrl+C; the run reads it before every instruction. The one
// piece of state a signal handler may safely write.
volatile std::sig_atomic_t interruptRequested = 0;

extern "C" void OnInterrupt(int /*signal*/) {
    interruptRequested = 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    // Without SA_RESTART nothing here waits on a slow read; a second Ctrl+C
    // while the state is being printed is no different from the first.
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);

    const std::vector<std::string> arguments(argc > 0 ? argv + 1 : argv, argv + argc);
    return RunTool(arguments, std::cout, std::cerr, &interruptRequested);
}
