#include "frontend/command_line.h"

#include <string_view>

CommandLineRequest ReadCommandLine(int argc, const char* const* argv) {
    CommandLineRequest request = CommandLineRequest::OpenWindow;
    for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") break;
        if (argument == "-h" || argument == "--help") return CommandLineRequest::Help;
        if (argument == "--version") request = CommandLineRequest::Version;
    }
    return request;
}

bool ReadProgramFileArgument(int argc, const char* const* argv, std::string& file,
                             std::string& why) {
    file.clear();
    bool optionsEnded = false;
    for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
        const std::string_view argument = argv[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
            why = "unknown option " + std::string(argument) + " (see quodlet --help)";
            return false;
        }
        if (!file.empty()) {
            why = "one program file at a time (see quodlet --help)";
            return false;
        }
        file = argument;
    }
    return true;
}

std::string HelpText() {
    return "Usage: quodlet [FILE]\n"
           "An emulator and single-step debugger for the Intel 4004, in one window.\n"
           "\n"
           "FILE is a program to load into ROM at start-up, as File > Open would: a program\n"
           "image (raw bytes, at most 65536), or a source file ending in .asm, assembled.\n"
           "\n"
           "Options:\n"
           "  -h, --help     show this help and exit\n"
           "      --version  show the version and exit\n"
           "\n"
           "Qt's own options, such as -platform NAME, are accepted too.\n";
}

std::string VersionText() {
    return std::string("quodlet ") + QUODLET_VERSION + "\n";
}
