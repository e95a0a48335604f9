#include "runner/tool.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "asm/assembler.h"
#include "core/hex.h"
#include "core/machine_state.h"
#include "core/messages.h"
#include "display/symbols.h"
#include "program/program_file.h"
#include "runner/runner.h"
#include "runner/state_json.h"

namespace {

constexpr std::string_view kToolName = "quodlet-run";
// A state file holds at most this many bytes.
constexpr size_t kLargestStateBytes = size_t{16} << 20;

constexpr std::string_view kHelp =
    "Usage: quodlet-run [options] FILE\n"
    "Runs a 4004 program from address 0 with the processor reset and prints the\n"
    "state it reached. FILE is a program image (raw bytes, byte k at ROM address k)\n"
    "or, when its name ends in .asm, assembly source, which is assembled first.\n"
    "\n"
    "On the compatible machine (the default) a run stops before an instruction\n"
    "whose address is past the program's length, the number of bytes loaded: the\n"
    "instruction at the address equal to the length, one past the last byte loaded,\n"
    "still runs (here a NOP: the runner starts from a cleared ROM). It also stops\n"
    "once pc reaches FFF, and on an instruction the machine does not execute. The\n"
    "MCS-4 machines' programs never end by themselves: they stop only at these:\n"
    "\n"
    "  --steps N            after N instructions\n"
    "  --until ADDR         before executing the instruction at ADDR (after at least one)\n"
    "  --break ADDR         the same, and may be given several times\n"
    "  --stop-on-undefined  MCS-4: before an opcode the 4004 does not have\n"
    "  --stop-on-overflow   MCS-4: before a fourth nested JMS, or a BBL with nothing pushed\n"
    "\n"
    "  --source, --image    take FILE as assembly source, or as a program image,\n"
    "                       whatever its name; a name not ending in .asm whose text\n"
    "                       reads as source is refused without one of these\n"
    "  --syntax NAME        read a source by the rules of another assembler: quodlet\n"
    "                       (the default), intel, as, k4004, uz80as or codeabbey\n"
    "  --machine NAME       compatible (the default); mcs4, the Intel MCS-4 system with\n"
    "                       TEST and the ROM input lines as set below; exerciser,\n"
    "                       the MCS-4 system wired for Intel's 4001-0009 exerciser; or\n"
    "                       busicom, the Busicom 141-PF calculator (see --keys)\n"
    "  --state FILE         start from the state in FILE, a JSON object as --json\n"
    "                       prints it; a key left out keeps its reset value\n"
    "  --test 0|1           MCS-4: the level of the TEST pin\n"
    "  --rom-in CHIP=VALUE  MCS-4: the input lines of ROM chip CHIP (0..15), VALUE\n"
    "                       0..15; may be given several times\n"
    "  --keys KEYS          busicom: press the calculator's keys KEYS one after another,\n"
    "                       run until it is idle again and print its tape, a line per\n"
    "                       printed line. KEYS are key names (0..9 . 00 000 + - * / =\n"
    "                       # <> % SQ S EX CE CL CM RM M+ M- M=+ M=-), d and r\n"
    "                       stepping the decimal-point and rounding switches, commas\n"
    "                       and blanks between: \"2+2+=\" prints 4. With --json the\n"
    "                       state gets \"tape\", the lines as the printer's 22 columns,\n"
    "                       and \"red\", true for each line printed in red\n"
    "  --trace              print one line per instruction: its listing text, then the\n"
    "                       registers, accumulator, carry and RAM characters it changed\n"
    "                       (and, on the MCS-4 machines, the cycles so far); a line\n"
    "                       LABEL: before an instruction at a label\n"
    "  --json               print the final state as one JSON object on the last line\n"
    "  --help               print this help and exit\n"
    "  --version            print the version and exit\n"
    "\n"
    "ADDR is 0..FFF written as the assembler writes numbers (18, 0x12, 12H,\n"
    "0b10010) or, for an .asm FILE, a label; so are CHIP and VALUE. Ctrl+C stops\n"
    "the run and prints the state reached.\n"
    "\n"
    "An image NAME.bin takes its labels from NAME.sym beside it, when there is one\n"
    "(quodlet-asm --symbols writes it): the trace names them and ADDR may be one.\n"
    "With a source or a symbols file, an ADDR inside an instruction is refused, and\n"
    "so is a name that is not a code label.\n"
    "\n"
    "Exit status: 0 stopped at the program's end, at one of the stops above or, with\n"
    "--keys, once the calculator is idle or has stopped taking keys;\n"
    "1 usage or file error (or assembly errors); 2 an instruction the machine does\n"
    "not execute; 130 interrupted by Ctrl+C.\n";

// The processor's and loader's messages, one line each on the error stream.
struct StreamMessages : Messages {
    std::ostream& err;
    explicit StreamMessages(std::ostream& stream) : err(stream) {}
    void Show(const std::string& title, const std::string& text) override {
        std::string line = text;
        std::replace(line.begin(), line.end(), '\r', ' ');
        std::replace(line.begin(), line.end(), '\n', ' ');
        err << kToolName << ": " << title << ": " << line << '\n';
    }
};

struct Arguments {
    RunOptions options;
    MachineKind machine = MachineKind::Compatible;
    std::optional<std::string> until;
    std::vector<std::string> breaks;
    std::optional<std::string> stateFile;
    std::optional<int32_t> test;
    std::vector<std::pair<int32_t, int32_t>> romIn;  // chip, value
    std::optional<std::vector<BusicomInput>> keys;
    ProgramKind kind = ProgramKind::ByName;
    std::optional<AsmSyntax> syntax;
    bool json = false;
    bool help = false;
    bool version = false;
    std::vector<std::string> files;
};

int UsageError(std::ostream& err, const std::string& message) {
    err << kToolName << ": " << message << '\n'
        << "Try '" << kToolName << " --help' for more information.\n";
    return kExitUsage;
}

// A count of instructions: decimal digits only.
bool ParseCount(std::string_view text, int64_t& count) {
    if (text.empty()) return false;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    return error == std::errc() && end == text.data() + text.size() && count >= 0;
}

// Reads the arguments into `parsed`; false, with the message, on a usage
// error. Options and the file may come in any order; "--" ends the options.
bool ParseArguments(std::span<const std::string> arguments, Arguments& parsed,
                    std::string& message) {
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            parsed.files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        // "--name=value" or "--name value" for the options taking a value.
        std::string name = argument;
        std::optional<std::string> value;
        const size_t equals = argument.find('=');
        if (argument.starts_with("--") && equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        const bool takesValue = name == "--steps" || name == "--until" || name == "--break" ||
                                name == "--machine" || name == "--state" || name == "--test" ||
                                name == "--rom-in" || name == "--syntax" || name == "--keys";
        if (takesValue && !value) {
            if (i + 1 >= arguments.size()) {
                message = "option '" + name + "' needs a value";
                return false;
            }
            value = arguments[++i];
        } else if (!takesValue && value) {
            message = "option '" + name + "' takes no value";
            return false;
        }

        if (name == "--steps") {
            if (!ParseCount(*value, parsed.options.maxSteps)) {
                message = "--steps needs a count of instructions (0 or more), not '" + *value + "'";
                return false;
            }
        } else if (name == "--until") {
            if (parsed.until) {
                message = "--until may be given only once (use --break for more stops)";
                return false;
            }
            parsed.until = *value;
        } else if (name == "--break") {
            parsed.breaks.push_back(*value);
        } else if (name == "--machine") {
            const std::optional<MachineKind> machine = MachineByName(*value);
            if (!machine) {
                message = "no machine '" + *value + "'; the machines are " + MachineNames();
                return false;
            }
            parsed.machine = *machine;
        } else if (name == "--syntax") {
            parsed.syntax = ParseAsmSyntax(*value);
            if (!parsed.syntax) {
                message =
                    "no syntax '" + *value + "'; the syntaxes are " + std::string(kAsmSyntaxNames);
                return false;
            }
        } else if (name == "--source" || name == "--image") {
            const ProgramKind kind = name == "--source" ? ProgramKind::Source : ProgramKind::Image;
            if (parsed.kind != ProgramKind::ByName && parsed.kind != kind) {
                message = "--source and --image exclude each other";
                return false;
            }
            parsed.kind = kind;
        } else if (name == "--state") {
            parsed.stateFile = *value;
        } else if (name == "--test") {
            if (*value != "0" && *value != "1") {
                message = "--test takes 0 or 1, not '" + *value + "'";
                return false;
            }
            parsed.test = *value == "1" ? 1 : 0;
        } else if (name == "--rom-in") {
            const size_t sign = value->find('=');
            int32_t chip = -1;
            int32_t lines = -1;
            if (sign == std::string::npos || !ParseAsmNumber(value->substr(0, sign), chip) ||
                !ParseAsmNumber(value->substr(sign + 1), lines) || chip > 15 || lines > 15) {
                message = "--rom-in takes CHIP=VALUE, both 0..15, not '" + *value + "'";
                return false;
            }
            parsed.romIn.emplace_back(chip, lines);
        } else if (name == "--keys") {
            std::string bad;
            parsed.keys.emplace();
            if (!ParseBusicomKeys(*value, *parsed.keys, bad)) {
                message = "no key '" + bad + "' in --keys; the keys are " + BusicomKeyNames() +
                          ", and d and r step the decimal-point and rounding switches";
                return false;
            }
        } else if (name == "--stop-on-undefined") {
            parsed.options.stops.undefinedOpcode = true;
        } else if (name == "--stop-on-overflow") {
            parsed.options.stops.stackOverflow = true;
        } else if (name == "--trace") {
            parsed.options.trace = true;
        } else if (name == "--json") {
            parsed.json = true;
        } else if (name == "--help" || name == "-h") {
            parsed.help = true;
        } else if (name == "--version") {
            parsed.version = true;
        } else {
            message = "unknown option '" + argument + "'";
            return false;
        }
    }
    return true;
}

// The program's bytes, its assembly for a source, and its symbols: a
// source's, or those of the symbols file beside an image; false, with the
// messages written, when there is no program.
bool ReadProgram(const std::string& path, const Arguments& parsed, std::vector<uint8_t>& image,
                 std::optional<Assembly>& assembly, ProgramSymbols& symbols, std::ostream& err) {
    const bool mcs4 = IsMcs4(parsed.machine);
    ProgramOptions options;
    options.largestImage = mcs4 ? kMcs4RomBytes : kProgramBytes;
    options.kind = parsed.kind;
    options.assembler.syntax = parsed.syntax;
    options.assembler.machine = mcs4 ? AsmMachine::kMcs4 : AsmMachine::kCompatible;
    ProgramFile program = ReadProgramFile(path, options);
    switch (program.read) {
        case FileRead::Loaded: break;
        case FileRead::TooBig:
            if (program.source) {
                err << kToolName << ": " << path << ": larger than " << (kLargestSourceBytes >> 20)
                    << " MiB\n";
            } else if (mcs4) {
                err << kToolName << ": " << path << ": " << program.size
                    << " bytes, too big for the MCS-4 system's ROM of " << kMcs4RomBytes
                    << " bytes\n";
            } else {
                err << kToolName << ": " << path
                    << ": too big to fit in rom (more than 65536 bytes)\n";
            }
            return false;
        case FileRead::Unreadable:
            err << kToolName << ": cannot read " << path << ": " << UnreadableReason(path) << '\n';
            return false;
    }
    if (program.looksLikeSource) {
        err << kToolName << ": " << path
            << ": this is text, most likely assembly source rather than a program image: give "
               "--source to assemble it, or --image to run its bytes as they are\n";
        return false;
    }
    if (program.source) {
        for (const AsmDiagnostic& diagnostic : program.assembly.diagnostics) {
            err << FormatDiagnostic(path, diagnostic) << '\n';
        }
        if (!program.Loaded()) return false;
        assembly = std::move(program.assembly);
    }
    if (!program.symbolsWarning.empty()) {
        err << kToolName << ": warning: " << program.symbolsPath << ": " << program.symbolsWarning
            << "; running without its labels\n";
    }
    symbols = std::move(program.symbols);
    image = std::move(program.bytes);
    return true;
}

// An address option's value: a number as the assembler writes them, or a
// code label of the program (its source's, or its symbols file's); 0..0xFFF.
// Where the symbols know the program's instructions, an address inside one
// is refused: the run would never stop there. Without them any address is
// taken, since an image alone does not tell code from data.
bool ResolveAddress(const std::string& option, const std::string& text,
                    const std::optional<Assembly>& assembly, const ProgramSymbols& symbols,
                    int32_t& address, std::string& message) {
    const std::string what = option + " '" + text + "'";
    int32_t value = 0;
    if (ParseAsmNumber(text, value)) {
        // A number, as written.
    } else if (const std::optional<int32_t> label = symbols.FindLabel(text)) {
        value = *label;
    } else if (assembly && FindSymbol(*assembly, text)) {
        message = what + " is a constant of the program, not a code label";
        return false;
    } else if (assembly || !symbols.Empty()) {
        message = what + " is neither a number nor a label of the program";
        return false;
    } else {
        message = what + " is not a number (labels need an .asm file, or NAME.sym beside NAME.bin)";
        return false;
    }
    if (value < 0 || value > 0xFFF) {
        message = what + " is outside the addresses 0..FFF";
        return false;
    }
    if (const std::optional<SourcePlace> place = symbols.PlaceOf(value);
        place && place->address != value) {
        message = what + " is in the middle of the instruction at " + PaddedHex(place->address, 3) +
                  (place->line > 0 ? " (source line " + std::to_string(place->line) + ")" : "") +
                  ", where no run stops; give " + symbols.NameOf(place->address);
        return false;
    }
    address = value;
    return true;
}

// A state's JSON object with the Busicom's tape added: "tape", the lines
// as printed, and "red", whether each was printed in red.
std::string WithTape(std::string json, const std::vector<BusicomLine>& tape) {
    json.pop_back();  // the object's closing brace
    json += ",\"tape\":[";
    for (size_t n = 0; n < tape.size(); ++n) {
        json += n == 0 ? "\"" : ",\"";
        for (const char c : tape[n].text) {
            if (c == '"' || c == '\\') json += '\\';
            json += c;
        }
        json += '"';
    }
    json += "],\"red\":[";
    for (size_t n = 0; n < tape.size(); ++n) {
        if (n != 0) json += ',';
        json += tape[n].red ? "true" : "false";
    }
    json += "]}";
    return json;
}

}  // namespace

int RunTool(std::span<const std::string> arguments, std::ostream& out, std::ostream& err,
            const volatile std::sig_atomic_t* interrupted) {
    Arguments parsed;
    std::string message;
    if (!ParseArguments(arguments, parsed, message)) return UsageError(err, message);
    if (parsed.help) {
        out << kHelp;
        return 0;
    }
    if (parsed.version) {
        out << kToolName << ' ' << QUODLET_VERSION << '\n';
        return 0;
    }
    if (parsed.keys && parsed.machine != MachineKind::Busicom) {
        return UsageError(err,
                          "--keys presses the Busicom calculator's keys: give --machine busicom");
    }
    if (parsed.files.empty()) return UsageError(err, "no program file given");
    if (parsed.files.size() > 1) {
        return UsageError(err, "one program file only, not '" + parsed.files[0] + "' and '" +
                                   parsed.files[1] + "'");
    }
    const std::string& path = parsed.files[0];

    std::vector<uint8_t> image;
    std::optional<Assembly> assembly;
    ProgramSymbols symbols;
    if (!ReadProgram(path, parsed, image, assembly, symbols, err)) return kExitUsage;

    RunOptions& options = parsed.options;
    if (parsed.until) {
        int32_t address = 0;
        if (!ResolveAddress("--until", *parsed.until, assembly, symbols, address, message)) {
            return UsageError(err, message);
        }
        options.until = address;
    }
    for (const std::string& text : parsed.breaks) {
        int32_t address = 0;
        if (!ResolveAddress("--break", text, assembly, symbols, address, message)) {
            return UsageError(err, message);
        }
        options.breaks.push_back(address);
    }
    options.symbols = &symbols;

    std::string stateText;
    if (parsed.stateFile) {
        std::vector<uint8_t> bytes;
        if (ReadRegularFile(*parsed.stateFile, kLargestStateBytes, bytes) != FileRead::Loaded) {
            err << kToolName << ": cannot read the state " << *parsed.stateFile << ": "
                << UnreadableReason(*parsed.stateFile) << '\n';
            return kExitUsage;
        }
        stateText.assign(bytes.begin(), bytes.end());
    }
    const auto badState = [&err, &parsed](const std::string& why) {
        err << kToolName << ": " << *parsed.stateFile << ": " << why << '\n';
        return kExitUsage;
    };

    RunOutcome outcome;
    if (!IsMcs4(parsed.machine)) {
        if (parsed.test || !parsed.romIn.empty()) {
            return UsageError(err,
                              "the compatible machine has no TEST pin or ROM input lines to set "
                              "(see --machine)");
        }
        // A fresh machine, as the window starts, then the program and a reset.
        auto state = std::make_unique<MachineState>();
        const int32_t programLength = LoadImage(*state, image);
        ResetCpu(*state);
        if (parsed.stateFile && !ReadStateJson(stateText, *state, message)) {
            return badState(message);
        }
        StreamMessages messages(err);
        outcome = RunMachine(*state, programLength, options, messages, out, interrupted);
        out << (parsed.json ? StateJson(*state, outcome) + '\n' : StateText(*state, outcome));
    } else {
        const Mcs4Board board = BoardOf(parsed.machine);
        if (parsed.test && board == Mcs4Board::Exerciser) {
            return UsageError(err, "on the exerciser board TEST follows RAM bank 0, chip 0's port");
        }
        auto state = std::make_unique<Mcs4State>();
        LoadImage(*state, board, image);
        ResetMcs4(*state, board);
        if (parsed.stateFile && !ReadStateJson(stateText, *state, message)) {
            return badState(message);
        }
        if (parsed.test) state->test = *parsed.test;
        for (const auto& [chip, lines] : parsed.romIn) {
            state->romIn[static_cast<size_t>(chip)] = static_cast<uint8_t>(lines);
        }
        if (!parsed.keys) {
            outcome = RunMachine(*state, board, options, out, interrupted);
            out << (parsed.json ? StateJson(*state, parsed.machine, outcome) + '\n'
                                : StateText(*state, outcome));
        } else {
            std::vector<BusicomLine> tape;
            outcome = RunBusicomKeys(*state, *parsed.keys, tape, options, out, interrupted);
            if (outcome.stop == RunStop::Stuck) {
                err << kToolName << ": " << path
                    << ": the program took no key for 60 s of machine time; is it the "
                       "calculator's?\n";
            }
            if (parsed.json) {
                out << WithTape(StateJson(*state, parsed.machine, outcome), tape) << '\n';
            } else {
                for (const BusicomLine& line : tape) {
                    out << line.text.substr(0, line.text.find_last_not_of(' ') + 1) << '\n';
                }
            }
        }
    }
    out.flush();
    // A state that could not be written (a full disk, a closed pipe) is
    // a failure whatever the run did.
    if (!out) {
        err << kToolName << ": cannot write the state reached\n";
        return kExitUsage;
    }
    return StopExitCode(outcome.stop);
}
