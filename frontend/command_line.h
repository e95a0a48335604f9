#pragma once
// What the command line asks of the program before any window opens.

#include <optional>
#include <string>

#include "asm/assembler.h"
#include "core/cpus.h"

enum class CommandLineRequest {
    OpenWindow,  // no option of the program's own: start as usual
    Help,        // -h or --help: print the usage and end
    Version,     // --version: print the version and end
};

// The request of the arguments argv[1..argc-1]. -h and --help win over
// --version wherever they stand; "--" ends the options, so that what
// follows it is never taken for one. Other arguments are left to the
// window system's own options (such as -platform NAME).
CommandLineRequest ReadCommandLine(int argc, const char* const* argv);

// What a command line asks the window for.
struct StartOptions {
    std::string file;                               // to open at start-up; empty for none
    MachineKind machine = MachineKind::Compatible;  // --machine NAME
    std::optional<AsmSyntax> syntax;                // --syntax NAME, for every source
};

// What a command line the window system has taken its own options from
// asks for: the program file (the one argument that is no option, or the
// one after "--"), the machine and the rules sources are read by (each as
// --OPTION NAME or --OPTION=NAME). False with `why` when more than one file
// is named, an option is unknown or a name is no machine's or syntax's.
bool ReadProgramArguments(int argc, const char* const* argv, StartOptions& options,
                          std::string& why);

// The text --help prints, ending in a newline.
std::string HelpText();

// The text --version prints: "quodlet VERSION" and a newline.
std::string VersionText();
