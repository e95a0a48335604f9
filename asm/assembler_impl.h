#pragma once
// The assembler's inside: one Assembler reads a source (and what it
// includes) in two passes. Pass 1 reads the files, follows the conditions
// and includes, and defines every name; pass 2 reads the lines pass 1 kept
// and places the bytes. Its parts live in several files by topic:
// reading (asm_reading.cpp), statements (asm_statements.cpp), directives
// (asm_directives.cpp), instructions (asm_instructions.cpp), expressions
// and operands (asm_expressions.cpp), names (asm_names.cpp) and listing
// lines (asm_listing_lines.cpp).

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "asm/asm_tables.h"
#include "asm/assembler.h"
#include "core/machine_state.h"

struct Field {
    std::string_view text;
    int32_t column = 0;  // from 1
};

enum class SymbolKind : uint8_t {
    kLabel,
    kNumber,    // a constant
    kString,    // AS: NAME equ "text"
    kRegister,  // AS: NAME reg R5, NAME equ R5
    kPair,      // AS: NAME reg R4R5
};

struct Symbol {
    std::string_view name;  // as first written
    SymbolKind kind = SymbolKind::kNumber;
    bool known = false;  // a constant may wait for names defined later
    bool listed = true;  // false: built in (DATE, TIME, ...)
    int64_t value = 0;   // a number, a register's or a pair's index
    std::string text;    // a string constant's bytes
    int32_t line = 0;    // where it is defined
    int32_t file = 0;
    uint32_t ordinal = 0;  // of the defining line
};

// A value an expression gives: a number or, where text is allowed, a string.
struct Value {
    bool known = false;
    bool isString = false;
    int64_t number = 0;
    std::string text;
};

class Assembler {
public:
    Assembler(std::string_view source, const AsmOptions& options);
    Assembly Run();

private:
    struct SourceFile {
        std::string display;           // the name messages give; empty: the source
        std::filesystem::path folder;  // canonical; empty: no file, nothing to include
        std::string storage;
        std::string_view text;
    };
    struct SourceLine {
        std::string_view text;     // as the statement reads it
        std::string_view written;  // as written, for the listing
        int32_t file = 0;
        int32_t number = 0;
        uint32_t ordinal = 0;  // in reading order, for the diagnostics' order
        uint32_t symbol = 0;   // the last name pass 1 defined on it, + 1; 0: none
    };
    struct Conditional {
        bool active = true;  // its lines are read
        bool taken = false;  // one branch was true
        bool sawElse = false;
        int32_t line = 0;
        int32_t file = 0;
        uint32_t ordinal = 0;
    };
    struct PendingConstant {
        Field expression;
        int32_t address = 0;
        uint32_t symbol = 0;
        uint32_t line = 0;  // the defining line's index in lines_
    };

    friend class ExpressionReader;

    // --- Reading (asm_reading.cpp) ---------------------------------------
    void ReadFile(int32_t file, int32_t depth);
    bool ConditionalLine(std::string_view code);
    bool Active() const;
    std::string_view Substitute(std::string_view text);
    void Define(const Field& operation, std::string_view code, size_t position);
    void Include(const Field& operation, std::string_view code, size_t position);
    std::optional<std::filesystem::path> IncludePath(const Field& name, std::string_view included);
    void SetLine(const SourceLine& line);

    // --- Diagnostics -----------------------------------------------------
    void Report(int32_t column, bool error, std::string message);
    void Error(int32_t column, std::string message) { Report(column, true, std::move(message)); }
    void Warning(int32_t column, std::string message) { Report(column, false, std::move(message)); }
    int32_t Column(std::string_view code, size_t position) const;

    // --- Statements (asm_statements.cpp) ---------------------------------
    bool Line(std::string_view text);
    std::string_view Code(std::string_view text) const;
    bool PlainCharacters(std::string_view code);
    bool Statement(std::string_view code);
    bool ColumnOneLabel(std::string_view code, size_t end, size_t next) const;
    bool Operation(const Field& label, const Field& operation, std::string_view code, size_t end);
    bool IsOperationWord(std::string_view word) const;
    void UnknownOperation(const Field& operation);

    // --- Directives (asm_directives.cpp) ---------------------------------
    bool Directive(const Field& label, const Field& operation, const DirectiveEntry& entry,
                   std::string_view code, size_t end);
    void Origin(const Field& operation, const Field& label, std::string_view code, size_t position);
    void Data(const Field& operation, std::string_view code, size_t position, int32_t width);
    void Fill(const Field& operation, std::string_view code, size_t position, bool block);
    void Cpu(const Field& operation, std::string_view code, size_t position);
    void Alias(const Field& name, std::string_view code, size_t position);
    void IntelData(const Field& label, std::string_view code, size_t position);

    // --- Instructions (asm_instructions.cpp) -----------------------------
    void Instruction(const Field& operation, const Mnemonic& mnemonic, std::string_view code,
                     size_t position);
    void Encode(const std::string& name, const Mnemonic& mnemonic, std::vector<int32_t>& bytes);
    std::optional<int32_t> Register(const Field& field);
    std::optional<int32_t> Pair(const Field& field, const std::string& name);
    std::optional<int32_t> PNamedPair(const Field& field, int32_t number, const std::string& name);
    std::optional<int32_t> Condition(const Field& field);
    std::optional<int32_t> PageTarget(const Field& field, std::string_view mnemonic);
    std::optional<int64_t> Ranged(const Field& field, int64_t lowest, int64_t highest,
                                  std::string_view what, bool mayTruncate = true);
    std::optional<int32_t> DataByte(const Field& field, std::string_view what);
    void NotExecuted(int32_t column, std::string_view what);

    // --- Expressions and operands (asm_expressions.cpp) ------------------
    bool Operands(std::string_view code, size_t position);
    Value Evaluate(const Field& field, int64_t here, bool report, bool strings = false);
    bool ReadString(std::string_view text, size_t& position, std::string& bytes, bool report,
                    int32_t column);

    // --- Names (asm_names.cpp) -------------------------------------------
    const Symbol* Find(std::string_view name) const;
    Symbol* Find(std::string_view name);
    bool CheckNewName(const Field& name, std::string_view what);
    std::string ReservedName(std::string_view name) const;
    size_t AddSymbol(const Field& name, SymbolKind kind);
    void DefineLabel(const Field& label, bool alone);
    void Constant(const Field& name, std::string_view code, size_t position);
    bool SetConstant(size_t symbol, const Field& expression, const Value& value, bool report);
    void ResolvePending();
    void AddBuiltIns();

    // --- Listing lines (asm_listing_lines.cpp) ---------------------------
    bool ListingLine(std::string_view code);
    void CheckListingText(const Field& text, const std::vector<int32_t>& bytes,
                          int32_t bytesColumn);
    bool ProbeGives(std::string_view text, const std::vector<int32_t>& bytes);

    // --- Bytes -----------------------------------------------------------
    void Place(int32_t column, const std::vector<int32_t>& bytes);
    void AddListing(int32_t address, std::vector<uint8_t> bytes);

    const AsmOptions& options_;
    AsmSyntax syntax_ = AsmSyntax::kQuodlet;
    AsmMachine machine_ = AsmMachine::kCompatible;
    std::vector<std::unique_ptr<SourceFile>> files_;
    std::vector<SourceLine> lines_;  // what pass 2 reads
    std::vector<Conditional> conditionals_;
    std::map<std::string, std::string, std::less<>> defines_;  // #define NAME text
    std::vector<std::unique_ptr<std::string>> substituted_;
    std::vector<std::filesystem::path> including_;  // the files being read, outermost first
    size_t includedBytes_ = 0;
    int32_t depth_ = 1;  // of the file being read, the source being 1
    bool ended_ = false;
    std::deque<std::string> texts_;  // the string constants' bytes
    std::string date_;
    std::string time_;

    Assembly result_;
    std::vector<uint32_t> ordinals_;  // each diagnostic's line's ordinal
    int32_t pass_ = 1;
    int32_t line_ = 0;
    int32_t file_ = 0;
    uint32_t ordinal_ = 0;
    uint32_t nextOrdinal_ = 0;
    size_t current_ = 0;        // pass 2: the line's index in lines_
    std::string_view text_;     // the current line as the statement reads it
    std::string_view written_;  // and as written
    bool lineFailed_ = false;
    bool probing_ = false;
    bool probeFailed_ = false;
    std::vector<uint8_t> probeBytes_;
    struct Foreign {  // listing lines of a file whose text is another tool's
        int32_t count = 0;
        int32_t line = 0;  // the first one
        uint32_t ordinal = 0;
    };
    std::vector<Foreign> foreign_;  // by file
    bool pNameWarned_ = false;
    int64_t address_ = 0;
    int64_t statementAddress_ = 0;
    int32_t operationColumn_ = 1;
    bool pastTopReported_ = false;
    std::vector<Field> operands_;
    std::vector<Symbol> symbols_;
    // The symbols by name: open addressing, each slot a symbol's index + 1
    // beside its name's hash (0: empty); never more than half full.
    std::vector<uint64_t> nameSlots_;
    size_t nameCount_ = 0;
    int64_t FindIndex(std::string_view name) const;
    void AddName(std::string_view name, size_t index);
    std::vector<PendingConstant> pending_;
    std::vector<int64_t> origins_;  // each address-setting statement's address from pass 1
    size_t originIndex_ = 0;
    std::array<uint8_t, kLastAddress + 1> memory_{};
    std::array<int32_t, kLastAddress + 1> owners_{};  // the line that placed each byte, 0: none
    int64_t highest_ = -1;
};
