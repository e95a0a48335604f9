#pragma once
// What the command line asks of the program before any window opens.

#include <string>

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

// What a command line the window system has taken its own options from
// asks for: the program file (the one argument that is no option, or the
// one after "--"; empty when none is named) and the machine (--machine
// NAME or --machine=NAME; the compatible one when not given). False with
// `why` when more than one file is named, an option is unknown or a
// machine has no such name.
bool ReadProgramArguments(int argc, const char* const* argv, std::string& file,
                          MachineKind& machine, std::string& why);

// The text --help prints, ending in a newline.
std::string HelpText();

// The text --version prints: "quodlet VERSION" and a newline.
std::string VersionText();
