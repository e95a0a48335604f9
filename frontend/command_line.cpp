#include "frontend/command_line.h"

#include <optional>
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

bool ReadProgramArguments(int argc, const char* const* argv, std::string& file,
                          MachineKind& machine, std::string& why) {
    file.clear();
    machine = MachineKind::Compatible;
    bool optionsEnded = false;
    for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
        const std::string_view argument = argv[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && (argument == "--machine" || argument.starts_with("--machine="))) {
            std::string_view name;
            if (argument == "--machine") {
                if (i + 1 >= argc || argv[i + 1] == nullptr) {
                    why = "--machine needs a name: " + MachineNames();
                    return false;
                }
                name = argv[++i];
            } else {
                name = argument.substr(std::string_view("--machine=").size());
            }
            const std::optional<MachineKind> named = MachineByName(name);
            if (!named) {
                why = "no machine '" + std::string(name) + "'; the machines are " + MachineNames();
                return false;
            }
            machine = *named;
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
    return "Usage: quodlet [--machine NAME] [FILE]\n"
           "An emulator and single-step debugger for the Intel 4004, in one window.\n"
           "\n"
           "FILE is a program to load into ROM at start-up, as File > Open would: a program\n"
           "image (raw bytes, at most 65536, or 4096 on the MCS-4 machines), or a source\n"
           "file ending in .asm, assembled.\n"
           "\n"
           "Options:\n"
           "      --machine NAME  the machine to start with, as the Machine menu offers\n"
           "                      them: compatible (the default), mcs4 (the Intel MCS-4\n"
           "                      system) or exerciser (the MCS-4 system wired for Intel's\n"
           "                      4001-0009 exerciser)\n"
           "  -h, --help          show this help and exit\n"
           "      --version       show the version and exit\n"
           "\n"
           "Qt's own options, such as -platform NAME, are accepted too.\n";
}

std::string VersionText() {
    return std::string("quodlet ") + QUODLET_VERSION + "\n";
}
