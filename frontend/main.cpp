#include <iostream>
#include <memory>
#include <string>

#include "frontend/debugger.h"
#include "frontend/run_control.h"
#include "platform/qt/qt_layer.h"

int main(int argc, char** argv) {
    // Without a display the program cannot do anything; say so and fail
    // rather than end silently as if all went well.
    std::string why;
    if (!QtLayer::PlatformAvailable(why)) {
        std::cerr << "quodlet: " << why << '\n';
        return 1;
    }
    QtLayer layer(argc, argv);
    // Ended by the session or Ctrl+C, the program closes as if the user had
    // closed the window.
    layer.CloseOnTerminationSignals();
    // The machine state holds 256 KiB of arrays: too much for the stack.
    const auto debugger = std::make_unique<Debugger>();
    const int exitCode = RunQuodlet(*debugger, layer);
    if (exitCode != 0) std::cerr << "quodlet: the main window could not be opened\n";
    return exitCode;
}
