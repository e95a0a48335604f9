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

namespace {

enum class Named { No, Yes, Missing };

// Whether argv[i] is `option` with its name (--option NAME, --option=NAME);
// moves i past the name.
Named OptionName(int argc, const char* const* argv, int& i, std::string_view option,
                 std::string_view& name) {
    const std::string_view argument = argv[i];
    if (argument == option) {
        if (i + 1 >= argc || argv[i + 1] == nullptr) return Named::Missing;
        name = argv[++i];
        return Named::Yes;
    }
    if (argument.size() > option.size() && argument.starts_with(option) &&
        argument[option.size()] == '=') {
        name = argument.substr(option.size() + 1);
        return Named::Yes;
    }
    return Named::No;
}

}  // namespace

bool ReadProgramArguments(int argc, const char* const* argv, StartOptions& options,
                          std::string& why) {
    options = StartOptions{};
    bool optionsEnded = false;
    for (int i = 1; i < argc && argv[i] != nullptr; ++i) {
        const std::string_view argument = argv[i];
        if (!optionsEnded && argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string_view name;
        if (!optionsEnded) {
            const Named machine = OptionName(argc, argv, i, "--machine", name);
            if (machine == Named::Missing) {
                why = "--machine needs a name: " + MachineNames();
                return false;
            }
            if (machine == Named::Yes) {
                const std::optional<MachineKind> named = MachineByName(name);
                if (!named) {
                    why = "no machine '" + std::string(name) + "'; the machines are " +
                          MachineNames();
                    return false;
                }
                options.machine = *named;
                continue;
            }
            const Named syntax = OptionName(argc, argv, i, "--syntax", name);
            if (syntax == Named::Missing) {
                why = "--syntax needs a name: " + std::string(kAsmSyntaxNames);
                return false;
            }
            if (syntax == Named::Yes) {
                options.syntax = ParseAsmSyntax(name);
                if (!options.syntax) {
                    why = "no syntax '" + std::string(name) + "'; the syntaxes are " +
                          std::string(kAsmSyntaxNames);
                    return false;
                }
                continue;
            }
            if (argument.size() > 1 && argument[0] == '-') {
                why = "unknown option " + std::string(argument) + " (see quodlet --help)";
                return false;
            }
        }
        if (!options.file.empty()) {
            why = "one program file at a time (see quodlet --help)";
            return false;
        }
        options.file = argument;
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
           "      --syntax NAME   read every source by another assembler's rules: quodlet\n"
           "                      (the default), intel, as, k4004, uz80as or codeabbey\n"
           "  -h, --help          show this help and exit\n"
           "      --version       show the version and exit\n"
           "\n"
           "Qt's own options, such as -platform NAME, are accepted too.\n";
}

std::string VersionText() {
    return std::string("quodlet ") + QUODLET_VERSION + "\n";
}
