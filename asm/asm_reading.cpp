// Reading a source: its lines in CR, LF or CRLF form, the conditions that
// leave lines out, uz80as's #define, the files it includes, and the two
// passes over what was read.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <numeric>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "asm/asm_text.h"
#include "asm/assembler_impl.h"
#include "asm/dialect.h"
#include "asm/file_io.h"

namespace {

namespace fs = std::filesystem;

// Files may include files this deep, the source itself being the first.
constexpr int32_t kIncludeDepth = 16;
// A line #define makes longer than this is left as written.
constexpr size_t kLongestLine = 65536;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

size_t SkipBlanks(std::string_view text, size_t position) {
    while (position < text.size() && IsBlank(text[position])) ++position;
    return position;
}

// The word at `position`: up to a blank, ',' or the end.
std::string_view WordAt(std::string_view text, size_t position) {
    size_t end = position;
    while (end < text.size() && !IsBlank(text[end]) && text[end] != ',') ++end;
    return text.substr(position, end - position);
}

}  // namespace

Assembler::Assembler(std::string_view source, const AsmOptions& options) : options_(options) {
    auto main = std::make_unique<SourceFile>();
    main->text = source;
    if (!options.sourcePath.empty()) {
        std::error_code error;
        const fs::path folder = fs::absolute(fs::path(options.sourcePath), error).parent_path();
        main->folder = fs::weakly_canonical(folder, error);
        if (error) main->folder.clear();
        // The source itself is being read: including it is a circle.
        const fs::path path = fs::weakly_canonical(fs::absolute(options.sourcePath, error), error);
        if (!error) including_.push_back(path);
    }
    files_.push_back(std::move(main));
}

Assembly Assembler::Run() {
    std::string_view source = files_[0]->text;
    if (source.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
        source.remove_prefix(kByteOrderMark.size());
    }
    const SyntaxChoice choice = ChooseSyntax(source, options_);
    syntax_ = choice.syntax;
    machine_ = choice.machine;
    result_.syntax = syntax_;
    result_.machine = machine_;
    result_.syntaxReason = choice.reason;
    line_ = 1;
    written_ = source.substr(0, source.find_first_of("\r\n"));
    if (!choice.error.empty()) Error(choice.errorColumn, choice.error);
    if (!choice.warning.empty()) Warning(1, choice.warning);
    // A name a line at most: room for them all from the start saves growing
    // the tables step by step in a long source.
    const auto lines = static_cast<size_t>(std::count(source.begin(), source.end(), '\n') +
                                           std::count(source.begin(), source.end(), '\r')) +
                       1;
    symbols_.reserve(lines + 3);
    size_t slots = 64;
    while (slots < 2 * (lines + 3)) slots *= 2;
    nameSlots_.assign(slots, 0);
    lines_.reserve(lines);
    result_.listing.reserve(lines);
    AddBuiltIns();

    pass_ = 1;
    ReadFile(0, 1);
    if (!conditionals_.empty()) {
        const Conditional& open = conditionals_.back();
        line_ = open.line;
        file_ = open.file;
        ordinal_ = open.ordinal;
        written_ = {};
        Error(1, "this condition has no end (endif)");
    }
    ResolvePending();

    pass_ = 2;
    foreign_.resize(files_.size());
    address_ = 0;
    pastTopReported_ = false;
    originIndex_ = 0;
    for (current_ = 0; current_ < lines_.size(); ++current_) {
        SetLine(lines_[current_]);
        if (!Line(lines_[current_].text)) break;
    }
    for (size_t file = 0; file < foreign_.size(); ++file) {
        const Foreign& foreign = foreign_[file];
        if (foreign.count == 0) continue;
        line_ = foreign.line;
        file_ = static_cast<int32_t>(file);
        ordinal_ = foreign.ordinal;
        written_ = {};
        Warning(1, std::to_string(foreign.count) +
                       (foreign.count == 1 ? " listing line taken by its bytes; its text is"
                                           : " listing lines taken by their bytes; their text is") +
                       " in another notation");
    }

    // Diagnostics in reading order, each line's by column.
    std::vector<size_t> order(result_.diagnostics.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [this](size_t a, size_t b) {
        if (ordinals_[a] != ordinals_[b]) return ordinals_[a] < ordinals_[b];
        return result_.diagnostics[a].column < result_.diagnostics[b].column;
    });
    std::vector<AsmDiagnostic> sorted;
    sorted.reserve(order.size());
    for (const size_t k : order) sorted.push_back(std::move(result_.diagnostics[k]));
    result_.diagnostics = std::move(sorted);

    if (highest_ >= 0) result_.image.assign(memory_.begin(), memory_.begin() + highest_ + 1);
    for (const Symbol& symbol : symbols_) {
        if (!symbol.listed) continue;
        result_.symbols.push_back({std::string(symbol.name), static_cast<int32_t>(symbol.value),
                                   symbol.kind == SymbolKind::kLabel});
    }
    return std::move(result_);
}

void Assembler::SetLine(const SourceLine& line) {
    line_ = line.number;
    file_ = line.file;
    ordinal_ = line.ordinal;
    text_ = line.text;
    written_ = line.written;
    lineFailed_ = false;
}

// Pass 1 over one file, and through its includes over theirs.
void Assembler::ReadFile(int32_t file, int32_t depth) {
    std::string_view text = files_[static_cast<size_t>(file)]->text;
    size_t start =
        text.substr(0, kByteOrderMark.size()) == kByteOrderMark ? kByteOrderMark.size() : 0;
    int32_t number = 0;
    while (start <= text.size() && !ended_) {
        size_t end = start;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
        SourceLine line;
        line.written = line.text = text.substr(start, end - start);
        line.file = file;
        line.number = ++number;
        line.ordinal = nextOrdinal_++;
        SetLine(line);
        if (!ConditionalLine(Code(line.text)) && Active()) {
            line.text = Substitute(line.text);
            lines_.push_back(line);
            SetLine(line);
            if (depth_ = depth; !Line(line.text)) ended_ = true;
        }
        if (end == text.size()) break;
        start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
    }
}

bool Assembler::Active() const {
    return conditionals_.empty() || conditionals_.back().active;
}

// if / elseif / else / endif (and ifdef, ifndef; uz80as's #if ...): true
// when the line is one of them. Read in pass 1 only, whether or not the
// lines around it are.
bool Assembler::ConditionalLine(std::string_view code) {
    const size_t start = SkipBlanks(code, 0);
    const std::string_view word = WordAt(code, start);
    if (word.size() < 2 || word.size() > 8) return false;
    const DirectiveEntry* entry = FindDirective(UpperWord(word));
    if (entry == nullptr || (entry->syntaxes & SyntaxBit(syntax_)) == 0) return false;
    const auto directive = entry->directive;
    if (directive != Directive::kIf && directive != Directive::kElseIf &&
        directive != Directive::kElse && directive != Directive::kEndIf &&
        directive != Directive::kIfDef && directive != Directive::kIfNDef) {
        return false;
    }
    const int32_t column = Column(code, start);
    const size_t after = start + word.size();
    const bool outer = conditionals_.size() < 2 || conditionals_.end()[-2].active;
    // The value of an if's or elseif's condition, or whether a name is defined.
    auto test = [&]() {
        if (!Operands(code, after)) return false;
        if (operands_.size() != 1) {
            Error(column,
                  Quote(word) + " takes one operand, not " + std::to_string(operands_.size()));
            return false;
        }
        if (directive == Directive::kIfDef || directive == Directive::kIfNDef) {
            const std::string_view name = operands_[0].text;
            bool defined = Find(name) != nullptr;
            defined = defined || defines_.count(name) > 0;
            return defined == (directive == Directive::kIfDef);
        }
        const Value value = Evaluate(operands_[0], address_, true);
        if (!value.known) return false;
        return value.number != 0;
    };
    switch (directive) {
        case Directive::kIf:
        case Directive::kIfDef:
        case Directive::kIfNDef: {
            Conditional conditional;
            conditional.line = line_;
            conditional.file = file_;
            conditional.ordinal = ordinal_;
            conditional.active = Active() && test();
            conditional.taken = conditional.active || !Active();
            conditionals_.push_back(conditional);
            return true;
        }
        case Directive::kElseIf:
        case Directive::kElse:
            if (conditionals_.empty() || conditionals_.back().sawElse) {
                Error(column, Quote(word) + (conditionals_.empty() ? " without an if before it"
                                                                   : " after the else"));
                return true;
            }
            if (directive == Directive::kElse) conditionals_.back().sawElse = true;
            {
                Conditional& top = conditionals_.back();
                const bool take = outer && !top.taken && (directive == Directive::kElse || test());
                top.active = take;
                top.taken = top.taken || take;
            }
            return true;
        default:
            if (conditionals_.empty()) {
                Error(column, Quote(word) + " without an if before it");
            } else {
                conditionals_.pop_back();
            }
            return true;
    }
}

// uz80as's #define: each later line has the names replaced, whole words
// only, by the text they stand for.
std::string_view Assembler::Substitute(std::string_view text) {
    if (defines_.empty()) return text;
    std::string result;
    bool changed = false;
    size_t position = 0;
    char quote = 0;
    while (position < text.size()) {
        const char c = text[position];
        if (quote != 0 || c == '\'' || c == '"' || c == ';' || !IsNameStart(c)) {
            if (quote == 0 && c == ';') break;
            if (quote == 0 && (c == '\'' || c == '"')) {
                quote = c;
            } else if (c == quote) {
                quote = 0;
            }
            result += c;
            ++position;
            continue;
        }
        size_t end = position;
        while (end < text.size() && IsNameChar(text[end])) ++end;
        const std::string_view word = text.substr(position, end - position);
        const auto found = defines_.find(word);
        if (result.size() > kLongestLine) {
            Error(1, "the line grows beyond " + std::to_string(kLongestLine) +
                         " characters by #define");
            return text;
        }
        if (found != defines_.end() && (position == 0 || text[position - 1] != '#')) {
            result += found->second;
            changed = true;
        } else {
            result += word;
        }
        position = end;
    }
    if (!changed) return text;
    result += text.substr(position);
    substituted_.push_back(std::make_unique<std::string>(std::move(result)));
    return *substituted_.back();
}

// #define NAME text, and #undef NAME; pass 1.
void Assembler::Define(const Field& operation, std::string_view code, size_t position) {
    const size_t start = SkipBlanks(code, position);
    size_t end = start;
    while (end < code.size() && IsNameChar(code[end])) ++end;
    const std::string_view name = code.substr(start, end - start);
    const bool undefine = Upper(operation.text) == "#UNDEF";
    if (!IsName(name)) {
        Error(start < code.size() ? Column(code, start) : operation.column,
              Quote(operation.text) +
                  " needs a name: " + (undefine ? "#undef NAME" : "#define NAME text"));
        return;
    }
    if (undefine) {
        defines_.erase(std::string(name));
        return;
    }
    std::string_view value = code.substr(SkipBlanks(code, end));
    while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
    defines_[std::string(name)] = std::string(value);
}

// include "file": read where it stands, in pass 1.
void Assembler::Include(const Field& operation, std::string_view code, size_t position) {
    const size_t start = SkipBlanks(code, position);
    std::string_view included = code.substr(start);
    while (!included.empty() && IsBlank(included.back())) included.remove_suffix(1);
    const Field name{included, start < code.size() ? Column(code, start) : operation.column};
    if (included.size() >= 2 && (included.front() == '"' || included.front() == '<') &&
        included.back() == (included.front() == '<' ? '>' : '"')) {
        included = included.substr(1, included.size() - 2);
    }
    if (included.empty()) {
        Error(operation.column, Quote(operation.text) + " needs a file name: include \"file\"");
        return;
    }
    if (depth_ >= kIncludeDepth) {
        Error(name.column, "includes nest deeper than " + std::to_string(kIncludeDepth) +
                               " files; is a file including itself?");
        return;
    }
    const std::optional<fs::path> path = IncludePath(name, included);
    if (!path) return;
    if (std::find(including_.begin(), including_.end(), *path) != including_.end()) {
        Error(name.column, Quote(included) + " is being read already: a file includes itself");
        return;
    }
    std::vector<uint8_t> bytes;
    const size_t room = kAsmLargestSource - std::min(kAsmLargestSource, includedBytes_);
    const FileRead read = ReadRegularFile(path->string(), room, bytes);
    if (read != FileRead::Loaded) {
        Error(name.column,
              "cannot include " + Quote(included) + ": " +
                  (read == FileRead::TooBig ? "the included files are larger than 64 MiB together"
                                            : UnreadableReason(path->string())));
        return;
    }
    includedBytes_ += bytes.size();
    auto file = std::make_unique<SourceFile>();
    file->storage.assign(bytes.begin(), bytes.end());
    file->text = file->storage;
    file->folder = path->parent_path();
    const std::string& parent = files_[static_cast<size_t>(file_)]->display;
    const fs::path base = parent.empty() ? fs::path(options_.sourcePath).parent_path()
                                         : fs::path(parent).parent_path();
    file->display = (base / fs::path(included)).lexically_normal().string();
    files_.push_back(std::move(file));

    const SourceLine here{text_, written_, file_, line_, ordinal_};
    const int32_t depth = depth_;
    including_.push_back(*path);
    ReadFile(static_cast<int32_t>(files_.size() - 1), depth + 1);
    including_.pop_back();
    depth_ = depth;
    SetLine(here);
}

// Where an included file is: beside the including file, then in each -I
// folder. It must lie in the source's folder or below it, or in an -I
// folder: absolute paths and '..' may not leave them.
std::optional<std::filesystem::path> Assembler::IncludePath(const Field& name,
                                                            std::string_view included) {
    const fs::path& from = files_[static_cast<size_t>(file_)]->folder;
    const fs::path& start = files_[0]->folder;
    if (from.empty()) {
        Error(name.column,
              "cannot include " + Quote(included) + ": the source was not read from a file");
        return std::nullopt;
    }
    std::error_code error;
    std::vector<fs::path> allowed;
    for (const std::string& dir : options_.includeDirs) {
        const fs::path folder = fs::weakly_canonical(fs::absolute(dir, error), error);
        if (!error) allowed.push_back(folder);
    }
    const fs::path wanted(included);
    std::vector<fs::path> candidates;
    if (wanted.is_absolute()) {
        candidates.push_back(wanted);
    } else {
        candidates.push_back(from / wanted);
        for (const fs::path& folder : allowed) candidates.push_back(folder / wanted);
    }
    for (const fs::path& candidate : candidates) {
        const fs::path path = fs::weakly_canonical(candidate, error);
        if (error || !fs::exists(path, error)) continue;
        bool inside = !wanted.is_absolute() && IsInside(path, start);
        for (const fs::path& folder : allowed) inside = inside || IsInside(path, folder);
        if (!inside) {
            Error(name.column, "cannot include " + Quote(included) +
                                   ": it lies outside the source's " +
                                   "folder; allow its folder with -I DIR");
            return std::nullopt;
        }
        return path;
    }
    Error(name.column, "cannot include " + Quote(included) + ": no such file");
    return std::nullopt;
}

// --- Diagnostics -------------------------------------------------------------

void Assembler::Report(int32_t column, bool error, std::string message) {
    if (probing_) {
        probeFailed_ = probeFailed_ || error;
        return;
    }
    const int32_t last = static_cast<int32_t>(written_.size()) + 1;
    result_.diagnostics.push_back({line_, std::clamp<int32_t>(column, 1, last), error,
                                   std::move(message),
                                   files_[static_cast<size_t>(file_)]->display});
    ordinals_.push_back(ordinal_);
    if (error) lineFailed_ = true;
}

int32_t Assembler::Column(std::string_view code, size_t position) const {
    return static_cast<int32_t>(code.data() - text_.data() + static_cast<ptrdiff_t>(position)) + 1;
}
