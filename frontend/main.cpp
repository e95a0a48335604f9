#include <iostream>
#include <memory>
#include <string>

#include "frontend/app.h"
#include "frontend/command_line.h"
#include "frontend/workbench.h"
#include "platform/qt/qt_layer.h"

int main(int argc, char** argv) {
    // --help and --version answer before anything of the window system is
    // touched, so they work without a display; a failed write (a full disk,
    // a closed pipe) fails them.
    const CommandLineRequest request = ReadCommandLine(argc, argv);
    if (request != CommandLineRequest::OpenWindow) {
        std::cout << (request == CommandLineRequest::Help ? HelpText() : VersionText());
        std::cout.flush();
        return std::cout ? 0 : 1;
    }
    // Without a display the program cannot do anything; say so and fail
    // rather than end silently as if all went well.
    std::string why;
    if (!QtLayer::PlatformAvailable(why)) {
        std::cerr << "quodlet: " << why << '\n';
        return 1;
    }
    QtLayer layer(argc, argv);
    // Qt has taken its own options from argv; what is left may name a file.
    StartOptions options;
    if (!ReadProgramArguments(argc, argv, options, why)) {
        std::cerr << "quodlet: " << why << '\n';
        return 2;
    }
    // Ended by the session or Ctrl+C, the program shuts down in whatever
    // state it is, and as if the user had closed the window.
    layer.TerminateOnSignals();
    // The machine state holds 256 KiB of arrays: too much for the stack.
    const auto workbench = std::make_unique<Workbench>();
    workbench->toolkitVersion = QtLayer::ToolkitVersion();
    workbench->machine = options.machine;
    workbench->syntax = options.syntax;
    const int exitCode = RunQuodlet(*workbench, layer, options.file);
    if (exitCode != 0) std::cerr << "quodlet: the main window could not be opened\n";
    return exitCode;
}
