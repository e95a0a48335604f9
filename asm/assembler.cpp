// The assembler's interface: Assemble and what goes with it.

#include "asm/assembler.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "asm/asm_tables.h"
#include "asm/asm_text.h"
#include "asm/assembler_impl.h"
#include "asm/file_io.h"

bool Assembly::HasErrors() const {
    return std::any_of(diagnostics.begin(), diagnostics.end(),
                       [](const AsmDiagnostic& diagnostic) { return diagnostic.error; });
}

Assembly Assemble(std::string_view source, const AsmOptions& options) {
    // The assembler holds the whole address space: on the heap, not the stack.
    const auto assembler = std::make_unique<Assembler>(source, options);
    return assembler->Run();
}

std::string FormatDiagnostic(const std::string& file, const AsmDiagnostic& diagnostic) {
    return Escaped(diagnostic.file.empty() ? file : diagnostic.file) + ":" +
           std::to_string(diagnostic.line) + ":" + std::to_string(diagnostic.column) +
           (diagnostic.error ? ": error: " : ": warning: ") + diagnostic.message;
}

std::optional<int32_t> FindSymbol(const Assembly& assembly, std::string_view name) {
    const std::string key = Upper(name);
    for (const AsmSymbol& symbol : assembly.symbols) {
        if (symbol.name.size() == key.size() && Upper(symbol.name) == key) return symbol.value;
    }
    return std::nullopt;
}

bool ParseAsmNumber(std::string_view text, int32_t& value) {
    // The forms of Quodlet's own syntax only: 12, 0x1F, 1FH, 0b1010.
    const bool prefixed = text.size() >= 2 && text[0] == '0' && IsLetter(text[1]);
    const bool hexSuffix = !text.empty() && UpperChar(text.back()) == 'H';
    if (prefixed && !hexSuffix && text.size() == 2) return false;
    if (!prefixed && !hexSuffix && !std::all_of(text.begin(), text.end(), IsDigit)) return false;
    int64_t read = 0;
    if (ReadNumber(text, read) != NumberRead::kNumber) return false;
    value = static_cast<int32_t>(read);
    return true;
}

bool AssembleFile(const std::string& path, Assembly& assembly, std::string& why,
                  const AsmOptions& options) {
    std::vector<uint8_t> bytes;
    const FileRead read = ReadRegularFile(path, kAsmLargestSource, bytes);
    if (read != FileRead::Loaded) {
        why = Escaped(path) + ": " +
              (read == FileRead::TooBig ? "larger than 64 MiB, too large for a source"
                                        : UnreadableReason(path));
        return false;
    }
    const std::string_view source(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (options.sourcePath.empty()) {
        AsmOptions withPath = options;
        withPath.sourcePath = path;
        assembly = Assemble(source, withPath);
    } else {
        assembly = Assemble(source, options);
    }
    return true;
}
