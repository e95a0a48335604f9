// Assembles any text: random bytes, and source mutated from real programs,
// listing lines and every kind of statement in the seeds.
//
// Checked: the image never exceeds 0x1000 bytes; every diagnostic names a
// line of the source and a column within that line (or just after it), in
// source order; without errors, every listing line's bytes are in the image
// at its address, and the code listing of the whole image, as the window
// shows it, assembles back to the same bytes, with the program's labels
// too (the labels it does not show at a line defined after it); the
// symbols file reads back as written.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "asm/asm_symbols.h"
#include "asm/assembler.h"
#include "core/machine_state.h"
#include "display/disassembler.h"
#include "display/opcode_tables.h"
#include "display/symbols.h"
#include "fuzz/fuzz_support.h"

namespace {

struct Fixture {
    MachineState state;
    OpcodeTables tables;
    Fixture() { FillOpcodeTables(tables); }
};

// The length of each source line, split as the assembler splits them: at
// CR, LF or CRLF, after a byte-order mark.
std::vector<size_t> LineLengths(std::string_view source) {
    if (source.substr(0, 3) == "\xEF\xBB\xBF") source.remove_prefix(3);
    std::vector<size_t> lengths;
    size_t start = 0;
    for (;;) {
        const size_t end = std::min(source.find_first_of("\r\n", start), source.size());
        lengths.push_back(end - start);
        if (end == source.size()) break;
        start = end + (source.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    return lengths;
}

void CheckDiagnostics(const Assembly& assembly, std::string_view source) {
    const std::vector<size_t> lengths = LineLengths(source);
    int32_t previous = 0;
    for (const AsmDiagnostic& diagnostic : assembly.diagnostics) {
        const std::string where = FormatDiagnostic("source", diagnostic);
        FuzzCheck(diagnostic.line >= 1 && static_cast<size_t>(diagnostic.line) <= lengths.size(),
                  "diagnostic line outside the source", where);
        FuzzCheck(
            diagnostic.column >= 1 && static_cast<size_t>(diagnostic.column) <=
                                          lengths[static_cast<size_t>(diagnostic.line - 1)] + 1,
            "diagnostic column outside its line", where);
        FuzzCheck(diagnostic.line >= previous, "diagnostics out of source order", where);
        FuzzCheck(!diagnostic.message.empty() && diagnostic.message.size() < 400,
                  "diagnostic message empty or unbounded", where);
        previous = diagnostic.line;
    }
}

// The window's listing of the whole image, from address 0 to its end. An
// instruction whose second byte would lie past 0xFFF is written as data.
std::string ImageListing(Fixture& fixture, const std::vector<uint8_t>& image,
                         const ProgramSymbols* symbols = nullptr) {
    MachineState& state = fixture.state;
    std::fill(state.RomImage.begin(), state.RomImage.end(), 0);
    std::copy(image.begin(), image.end(), state.RomImage.begin());
    std::string text;
    std::vector<bool> lineStart(0x1000);
    int32_t address = 0;
    while (static_cast<size_t>(address) < image.size()) {
        const int32_t opcode = image[static_cast<size_t>(address)];
        if (address + fixture.tables.LengthTable[static_cast<size_t>(opcode)] > 0x1000) {
            text += "ORG 0xFFF\nDB " + std::to_string(opcode) + "\n";
            break;
        }
        lineStart[static_cast<size_t>(address)] = true;
        text += DisassembleLine(ViewOf(state), fixture.tables, address, symbols);
        text += '\n';
    }
    if (symbols == nullptr) return text;
    // The labels no line shows, which operands may still name.
    for (const CodeLabel& label : symbols->Labels()) {
        const bool shown = static_cast<size_t>(label.address) < image.size() &&
                           lineStart[static_cast<size_t>(label.address)];
        if (!shown && ShowsName(label.name) && symbols->LabelAt(label.address) == &label.name) {
            text += label.name + " = " + std::to_string(label.address) + "\n";
        }
    }
    return text;
}

void CheckRoundTrip(Fixture& fixture, const Assembly& assembly) {
    for (const AsmListingLine& line : assembly.listing) {
        for (size_t k = 0; k < line.bytes.size(); ++k) {
            const size_t address = static_cast<size_t>(line.address) + k;
            FuzzCheck(address < assembly.image.size() && assembly.image[address] == line.bytes[k],
                      "a listing line's bytes are not in the image", line.source);
        }
    }
    const std::string listing = ImageListing(fixture, assembly.image);
    const Assembly again = Assemble(listing);
    FuzzCheck(!again.HasErrors(), "the image's listing does not assemble",
              again.diagnostics.empty() ? std::string()
                                        : FormatDiagnostic("listing", again.diagnostics[0]));
    // The last instruction's operand may lie one byte past the image: a 0.
    std::vector<uint8_t> expected = assembly.image;
    if (again.image.size() == expected.size() + 1) expected.push_back(0);
    FuzzCheck(again.image == expected, "the image's listing assembles to other bytes");

    const ProgramSymbols symbols = SymbolsOf(assembly);
    const std::string named = ImageListing(fixture, assembly.image, &symbols);
    const Assembly namedAgain = Assemble(named);
    FuzzCheck(!namedAgain.HasErrors() && namedAgain.diagnostics.size() == again.diagnostics.size(),
              "the labelled listing does not assemble as the plain one does",
              namedAgain.diagnostics.empty()
                  ? std::string()
                  : FormatDiagnostic("listing", namedAgain.diagnostics[0]) + "\n" + named);
    FuzzCheck(namedAgain.image == again.image, "the labelled listing assembles to other bytes");

    ProgramSymbols read;
    std::string why;
    FuzzCheck(ParseSymbolsFile(SymbolsFileText(symbols, "source"), assembly.image, read, why),
              "the symbols file does not read back", why);
    FuzzCheck(read.Labels().size() == symbols.Labels().size() &&
                  read.Places().size() == symbols.Places().size(),
              "the symbols file reads back other symbols");
    for (size_t k = 0; k < read.Labels().size(); ++k) {
        FuzzCheck(read.Labels()[k].name == symbols.Labels()[k].name &&
                      read.Labels()[k].address == symbols.Labels()[k].address,
                  "a label reads back otherwise", read.Labels()[k].name);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::unique_ptr<Fixture> fixture = std::make_unique<Fixture>();
    const std::string_view source(reinterpret_cast<const char*>(data), size);

    const Assembly assembly = Assemble(source);
    FuzzCheck(assembly.image.size() <= 0x1000, "image larger than 0x1000 bytes",
              std::to_string(assembly.image.size()));
    CheckDiagnostics(assembly, source);
    if (!assembly.HasErrors()) CheckRoundTrip(*fixture, assembly);
    return 0;
}
