#pragma once
// Reading a program file, the one way the window and the runner both do it:
// the file is read safely (a regular file only, never waiting on a named
// pipe, never more than a limit), taken as assembly source or as a program
// image, and a source is assembled by the rules the caller gives. What comes
// back is the program's bytes, or why there are none; each caller tells the
// user in its own way.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "asm/file_io.h"
#include "core/machine_state.h"
#include "display/symbols.h"

// A source the window or the runner assembles holds at most this many bytes.
inline constexpr size_t kLargestSourceBytes = kAsmLargestSource;

// How a file is taken: by its name (".asm", any case, is source), or as
// the caller says.
enum class ProgramKind { ByName, Source, Image };

struct ProgramOptions {
    size_t largestImage = kProgramBytes;  // the machine's program memory
    ProgramKind kind = ProgramKind::ByName;
    AsmOptions assembler;  // the rules for a source; its path is the file's
};

struct ProgramFile {
    bool source = false;  // read as assembly source
    FileRead read = FileRead::Unreadable;
    uint64_t size = 0;           // the file's size, when it could be told
    std::vector<uint8_t> bytes;  // the program, from address 0; empty unless Loaded()
    Assembly assembly;           // a source's: diagnostics, listing, symbols, its rules
    // The labels and source lines: a source's own, or for an image those of
    // the symbols file beside it (SymbolsPathOf), when there is one.
    ProgramSymbols symbols;
    std::string symbolsPath;     // the symbols file read, or refused; empty for none
    std::string symbolsWarning;  // why it was refused ("line 3: ..."); empty when it was read
    std::string text;            // a source's text as read
    // An image taken by its name whose bytes read as text with words in it:
    // most likely a source under another name.
    bool looksLikeSource = false;
    // True when there is a program: the file was read and, for a source,
    // assembled without errors.
    [[nodiscard]] bool Loaded() const {
        return read == FileRead::Loaded && !(source && assembly.HasErrors());
    }
};

// Whether a path names assembly source: its name ends in ".asm", any case.
bool IsSourcePath(const std::string& path);

// Where an image's symbols file sits: the image's path with the extension
// .sym ("prog.bin" -> "prog.sym"), as quodlet-asm --symbols writes it.
std::string SymbolsPathOf(const std::string& imagePath);

// A symbols file holds at most this many bytes.
inline constexpr size_t kLargestSymbolsBytes = size_t{16} << 20;

// Reads the program at `path`. An image larger than options.largestImage
// bytes is TooBig, judged by its size before it is read, so that a file too
// big is called so even where it could not be read; a source larger than
// kLargestSourceBytes is TooBig too. An image's symbols file is read when
// it is there; one that cannot be read or is malformed leaves the program
// without symbols and says why in symbolsWarning.
ProgramFile ReadProgramFile(const std::string& path, const ProgramOptions& options = {});
