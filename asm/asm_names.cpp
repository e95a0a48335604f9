// Names: labels, constants (numbers, and AS's strings and register
// aliases), the names each dialect keeps for itself, and constants that
// wait for names defined after them.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "asm/asm_text.h"
#include "asm/assembler_impl.h"

namespace {

// Names compare without regard to case.
uint32_t NameHash(std::string_view name) {
    uint32_t hash = 2166136261u;
    for (const char c : name) {
        hash ^= static_cast<uint8_t>(UpperChar(c));
        hash *= 16777619u;
    }
    // Mixed so that the low bits, which pick the slot, depend on every byte.
    hash ^= hash >> 16;
    hash *= 0x85EBCA6Bu;
    hash ^= hash >> 13;
    hash *= 0xC2B2AE35u;
    return hash ^ (hash >> 16);
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k) {
        if (UpperChar(a[k]) != UpperChar(b[k])) return false;
    }
    return true;
}

}  // namespace

int64_t Assembler::FindIndex(std::string_view name) const {
    if (nameSlots_.empty()) return -1;
    const uint32_t hash = NameHash(name);
    const size_t mask = nameSlots_.size() - 1;
    for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const uint64_t entry = nameSlots_[slot];
        if (entry == 0) return -1;
        const auto index = static_cast<size_t>(entry & 0xFFFFFFFFu) - 1;
        if (entry >> 32 == hash && SameName(symbols_[index].name, name)) {
            return static_cast<int64_t>(index);
        }
    }
}

void Assembler::AddName(std::string_view name, size_t index) {
    if (2 * (nameCount_ + 1) > nameSlots_.size()) {
        std::vector<uint64_t> old(std::max<size_t>(64, 2 * nameSlots_.size()), 0);
        old.swap(nameSlots_);
        nameCount_ = 0;
        for (const uint64_t entry : old) {
            if (entry != 0) {
                const auto k = static_cast<size_t>(entry & 0xFFFFFFFFu) - 1;
                AddName(symbols_[k].name, k);
            }
        }
    }
    const uint32_t hash = NameHash(name);
    const size_t mask = nameSlots_.size() - 1;
    size_t slot = hash & mask;
    while (nameSlots_[slot] != 0) slot = (slot + 1) & mask;
    nameSlots_[slot] = static_cast<uint64_t>(hash) << 32 | (index + 1);
    ++nameCount_;
}

const Symbol* Assembler::Find(std::string_view name) const {
    const int64_t index = FindIndex(name);
    return index < 0 ? nullptr : &symbols_[static_cast<size_t>(index)];
}

Symbol* Assembler::Find(std::string_view name) {
    const int64_t index = FindIndex(name);
    return index < 0 ? nullptr : &symbols_[static_cast<size_t>(index)];
}

// What a name kept by the dialect is ("a register name", ...), or empty
// when it is free for labels and constants.
std::string Assembler::ReservedName(std::string_view name) const {
    const UpperWord upper(name);
    const bool as = syntax_ == AsmSyntax::kAs;
    if (RegisterNumber(upper, as) >= 0) return "a register name";
    if (PairOfRegisters(upper, as) >= 0 || NumberedPair(upper, as) >= 0) {
        return "a register pair name";
    }
    if ((as || syntax_ == AsmSyntax::kK4004) && PNumber(upper) >= 0 && PNumber(upper) <= 7) {
        return "a register pair name";
    }
    if (syntax_ == AsmSyntax::kQuodlet || syntax_ == AsmSyntax::kCodeabbey) {
        for (const std::string_view condition : {"TN", "C1", "AZ", "TZ", "C0", "AN"}) {
            if (std::string_view(upper) == condition) return "a condition name";
        }
    }
    return "";
}

// Checks a name about to be defined; pass 1 only.
bool Assembler::CheckNewName(const Field& name, std::string_view what) {
    if (!IsName(name.text)) {
        Error(name.column, Quote(name.text) + " cannot be a " + std::string(what) +
                               ": a name starts with a letter or '_'");
        return false;
    }
    if (const std::string reserved = ReservedName(name.text); !reserved.empty()) {
        Error(name.column,
              Quote(name.text) + " is " + reserved + " and cannot be a " + std::string(what));
        return false;
    }
    const UpperWord upper(name.text);
    if (FindMnemonic(upper, syntax_ == AsmSyntax::kAs) || Is4040Mnemonic(upper)) {
        // AS and uz80as take such a label with its ':'; the others refuse it.
        const std::string message = Quote(name.text) + " is an instruction's name";
        if (syntax_ == AsmSyntax::kAs || syntax_ == AsmSyntax::kUz80as) {
            Warning(name.column, message + "; as a " + std::string(what) + " it reads badly");
        } else {
            Error(name.column, message + " and cannot be a " + std::string(what));
            return false;
        }
    }
    if (const Symbol* found = Find(name.text); found != nullptr) {
        std::string where = "line " + std::to_string(found->line);
        if (found->file != file_) {
            where += found->file == 0 ? " of the source"
                                      : " of " + files_[static_cast<size_t>(found->file)]->display;
        }
        Error(name.column, Quote(name.text) + (found->listed ? " is already defined on " + where
                                                             : " is a built-in name"));
        return false;
    }
    return true;
}

size_t Assembler::AddSymbol(const Field& name, SymbolKind kind) {
    Symbol symbol;
    symbol.name = name.text;
    symbol.kind = kind;
    symbol.line = line_;
    symbol.file = file_;
    symbol.ordinal = ordinal_;
    symbols_.push_back(std::move(symbol));
    AddName(name.text, symbols_.size() - 1);
    if (!lines_.empty() && pass_ == 1)
        lines_.back().symbol = static_cast<uint32_t>(symbols_.size());
    return symbols_.size() - 1;
}

// AS's DATE and TIME (and MOMPASS, read as 1, so that blocks for later
// passes are left out).
void Assembler::AddBuiltIns() {
    if (syntax_ != AsmSyntax::kAs) return;
    const auto [date, time] = DateAndTime(options_.sourceDateEpoch);
    date_ = date;
    time_ = time;
    for (const auto& [name, text] :
         {std::pair<std::string_view, std::string_view>{"DATE", date_}, {"TIME", time_}}) {
        Symbol& symbol = symbols_[AddSymbol({name, 1}, SymbolKind::kString)];
        symbol.text = text;
        symbol.known = true;
        symbol.listed = false;
    }
    Symbol& pass = symbols_[AddSymbol({"MOMPASS", 1}, SymbolKind::kNumber)];
    pass.value = 1;
    pass.known = true;
    pass.listed = false;
}

// A label names the address; `alone` when nothing else on its line adds a
// listing line.
void Assembler::DefineLabel(const Field& label, bool alone) {
    if (probing_) return;
    if (pass_ == 1) {
        if (CheckNewName(label, "label")) {
            Symbol& symbol = symbols_[AddSymbol(label, SymbolKind::kLabel)];
            symbol.value = address_;
            symbol.known = true;
        }
        return;
    }
    if (alone) AddListing(static_cast<int32_t>(address_), {});
}

// NAME = value, NAME EQU value: a number, or under AS a text or a register.
void Assembler::Constant(const Field& name, std::string_view code, size_t position) {
    const bool split = Operands(code, position);
    if (probing_) return;
    const bool one = split && operands_.size() == 1;
    if (syntax_ == AsmSyntax::kAs && one) {
        const std::string upper = Upper(operands_[0].text);
        const Symbol* alias = Find(operands_[0].text);
        if (RegisterNumber(upper, true) >= 0 || PairOfRegisters(upper, true) >= 0 ||
            NumberedPair(upper, true) >= 0 ||
            (alias != nullptr &&
             (alias->kind == SymbolKind::kRegister || alias->kind == SymbolKind::kPair))) {
            Alias(name, code, position);
            return;
        }
    }
    if (pass_ == 1) {
        if (!CheckNewName(name, "constant")) return;
        const size_t symbol = AddSymbol(name, SymbolKind::kNumber);
        if (one) {
            const Value value = Evaluate(operands_[0], address_, false, true);
            if (value.known) {
                SetConstant(symbol, operands_[0], value, true);
            } else {
                pending_.push_back({operands_[0], static_cast<int32_t>(address_),
                                    static_cast<uint32_t>(symbol),
                                    static_cast<uint32_t>(lines_.size() - 1)});
            }
        }
        return;
    }
    if (!split) return;
    if (operands_.size() != 1) {
        Error(operands_.empty() ? name.column : operands_[1].column,
              Quote(name.text) + " needs exactly one value after '=' or EQU");
        return;
    }
    // Report what kept the value unknown, on the defining line only.
    const uint32_t defined = lines_[current_].symbol;
    const Symbol* symbol = defined == 0 ? nullptr : &symbols_[defined - 1];
    if (symbol == nullptr || symbol->ordinal != ordinal_ || !SameName(symbol->name, name.text)) {
        return;
    }
    if (!symbol->known) {
        // Names the error that kept it unknown; a value that did not fit
        // 32 bits was reported when it was worked out.
        Evaluate(operands_[0], address_, true, true);
        return;
    }
    AddListing(static_cast<int32_t>(symbol->value), {});
}

// Stores a constant's value; false (with an error when `report`) when a
// number does not fit 32 bits.
bool Assembler::SetConstant(size_t index, const Field& expression, const Value& value,
                            bool report) {
    Symbol& symbol = symbols_[index];
    if (value.isString) {
        symbol.kind = SymbolKind::kString;
        texts_.push_back(value.text);
        symbol.text = texts_.back();
        symbol.known = true;
        return true;
    }
    if (value.number < INT32_MIN || value.number > INT32_MAX) {
        if (report) {
            Error(expression.column,
                  "value " + std::to_string(value.number) + " does not fit 32 bits");
        }
        return false;
    }
    symbol.known = true;
    symbol.value = value.number;
    return true;
}

// AS's NAME reg R5 (and NAME equ R5): another name for a register or pair.
// The include file's own P0 reg R0R1 and R10 reg RA agree with the
// built-in names and define nothing.
void Assembler::Alias(const Field& name, std::string_view code, size_t position) {
    const bool split = Operands(code, position);
    if (probing_ || !split) return;
    if (operands_.size() != 1) {
        if (pass_ == 2) {
            Error(name.column, Quote(name.text) + " needs one register or pair: NAME reg R5");
        }
        return;
    }
    const Field& operand = operands_[0];
    const std::string upper = Upper(operand.text);
    const Symbol* other = Find(operand.text);
    SymbolKind kind = SymbolKind::kRegister;
    int64_t value = RegisterNumber(upper, true);
    if (value < 0) {
        kind = SymbolKind::kPair;
        value = std::max(PairOfRegisters(upper, true), NumberedPair(upper, true));
    }
    if (value < 0 && other != nullptr &&
        (other->kind == SymbolKind::kRegister || other->kind == SymbolKind::kPair)) {
        kind = other->kind;
        value = other->value;
    }
    if (pass_ == 2) {
        if (value < 0) {
            Error(operand.column, Quote(operand.text) + " is no register or pair: NAME reg R5");
        } else {
            AddListing(static_cast<int32_t>(value), {});
        }
        return;
    }
    if (value < 0) return;
    const std::string own = Upper(name.text);
    const int32_t ownPair = PNumber(own) <= 7 ? PNumber(own) : -1;
    const int32_t ownRegister = RegisterNumber(own, true);
    if (ownPair >= 0 || ownRegister >= 0) {
        const bool agrees = kind == SymbolKind::kPair ? ownPair == value : ownRegister == value;
        if (!agrees) {
            Error(name.column, Quote(name.text) + " already names " +
                                   (ownPair >= 0 ? "the pair " + PairName(ownPair)
                                                 : "the register R" + std::to_string(ownRegister)) +
                                   " and cannot name another");
        }
        return;
    }
    if (!CheckNewName(name, "register alias")) return;
    Symbol& symbol = symbols_[AddSymbol(name, kind)];
    symbol.value = value;
    symbol.known = true;
}

// Constants that named later definitions, worked out in the order their
// names need: each one's pending names first, depth first with a stack of
// its own (a chain may be a million constants long), resuming each
// expression where it stopped so that every text is read once. What stays
// unknown (undefined names, circles) is reported in pass 2.
void Assembler::ResolvePending() {
    const size_t count = pending_.size();
    std::vector<int32_t> pendingOf(symbols_.size(), -1);
    for (size_t k = 0; k < count; ++k) pendingOf[pending_[k].symbol] = static_cast<int32_t>(k);
    enum : uint8_t { kWaiting, kOpen, kDone };
    std::vector<uint8_t> state(count, kWaiting);
    std::vector<size_t> resume(count, 0);
    std::vector<size_t> stack;
    for (size_t first = 0; first < count; ++first) {
        if (state[first] != kWaiting) continue;
        state[first] = kOpen;
        stack.push_back(first);
        while (!stack.empty()) {
            const size_t top = stack.back();
            const PendingConstant& constant = pending_[top];
            const std::string_view text = constant.expression.text;
            size_t position = resume[top];
            bool deeper = false;
            while (position < text.size() && !deeper) {
                if (!IsNameChar(text[position])) {
                    ++position;
                    continue;
                }
                size_t end = position;
                while (end < text.size() && IsNameChar(text[end])) ++end;
                if (!IsDigit(text[position])) {
                    const int64_t found = FindIndex(text.substr(position, end - position));
                    const int32_t waiting = found < 0 ? -1 : pendingOf[static_cast<size_t>(found)];
                    if (waiting >= 0 && state[static_cast<size_t>(waiting)] == kWaiting) {
                        state[static_cast<size_t>(waiting)] = kOpen;
                        stack.push_back(static_cast<size_t>(waiting));
                        deeper = true;
                    }
                }
                position = end;
            }
            resume[top] = position;
            if (deeper) continue;
            const Value value = Evaluate(constant.expression, constant.address, false, true);
            if (value.known) {
                SetLine(lines_[constant.line]);
                SetConstant(constant.symbol, constant.expression, value, true);
            }
            state[top] = kDone;
            stack.pop_back();
        }
    }
    pending_.clear();
}
