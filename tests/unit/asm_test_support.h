#pragma once
// What the assembler's tests share: diagnostics as text and the first error.

#include <gtest/gtest.h>

#include <string>

#include "asm/assembler.h"

// "LINE:COLUMN: message" for each error, one a line; empty when none.
inline std::string ErrorsOf(const Assembly& assembly) {
    std::string text;
    for (const AsmDiagnostic& diagnostic : assembly.diagnostics) {
        if (!diagnostic.error) continue;
        text += std::to_string(diagnostic.line) + ":" + std::to_string(diagnostic.column) + ": " +
                diagnostic.message + "\n";
    }
    return text;
}

// The same for the warnings.
inline std::string WarningsOf(const Assembly& assembly) {
    std::string text;
    for (const AsmDiagnostic& diagnostic : assembly.diagnostics) {
        if (diagnostic.error) continue;
        text += std::to_string(diagnostic.line) + ":" + std::to_string(diagnostic.column) + ": " +
                diagnostic.message + "\n";
    }
    return text;
}

inline const AsmDiagnostic& FirstError(const Assembly& assembly) {
    static const AsmDiagnostic none{0, 0, true, "no error", {}};
    for (const AsmDiagnostic& diagnostic : assembly.diagnostics) {
        if (diagnostic.error) return diagnostic;
    }
    return none;
}

inline std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}
