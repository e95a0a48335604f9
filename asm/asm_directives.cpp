// The directives: origins, data, fills, AS's cpu and include, uz80as's
// #define, and the manual's data lines.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "asm/asm_text.h"
#include "asm/assembler_impl.h"

bool Assembler::Directive(const Field& label, const Field& operation, const DirectiveEntry& entry,
                          std::string_view code, size_t end) {
    const auto needsName = [&](std::string_view form) {
        if (pass_ == 2) {
            Error(operation.column,
                  Upper(operation.text) + " needs a name before it: " + std::string(form));
        }
    };
    if (probing_ && entry.directive != Directive::kData && entry.directive != Directive::kWord &&
        entry.directive != Directive::kText && entry.directive != Directive::kFill) {
        probeFailed_ = true;
        return true;
    }
    switch (entry.directive) {
        case Directive::kOrg: Origin(operation, label, code, end); return true;
        case Directive::kEqu:
            if (label.text.empty()) {
                needsName("NAME EQU value");
            } else {
                Constant(label, code, end);
            }
            return true;
        case Directive::kReg:
            if (label.text.empty()) {
                needsName("NAME reg R5");
            } else {
                Alias(label, code, end);
            }
            return true;
        case Directive::kEnd:
            if (!label.text.empty()) DefineLabel(label, true);
            if (!Operands(code, end)) return false;
            if (pass_ == 2 && !operands_.empty()) {
                Error(operands_[0].column, "END takes no operands");
            }
            return false;
        default: break;
    }
    if (!label.text.empty()) DefineLabel(label, false);
    switch (entry.directive) {
        case Directive::kData:
        case Directive::kText: Data(operation, code, end, 1); return true;
        case Directive::kWord:
            if (syntax_ == AsmSyntax::kUz80as) {
                Data(operation, code, end, 2);
            } else if (pass_ == 2) {
                Error(operation.column, "the 4004 has no 16-bit words, so " +
                                            Quote(operation.text) +
                                            " would guess a byte order; write DB with the two "
                                            "bytes in the order wanted");
            }
            return true;
        case Directive::kFill: Fill(operation, code, end, false); return true;
        case Directive::kBlock: Fill(operation, code, end, true); return true;
        case Directive::kCpu: Cpu(operation, code, end); return true;
        case Directive::kInclude:
            if (pass_ == 1) Include(operation, code, end);
            return true;
        case Directive::kDefine:
        case Directive::kUndef:
            if (pass_ == 1) Define(operation, code, end);
            if (pass_ == 2 && entry.directive == Directive::kDefine) {
                AddListing(static_cast<int32_t>(address_), {});
            }
            return true;
        case Directive::kUnsupported:
            if (pass_ == 2) {
                Error(operation.column,
                      Quote(operation.text) + " is a feature of AS that Quodlet does not support");
            }
            return true;
        default: return true;  // PAGE: the listing's layout; conditions are read before
    }
}

// ORG n, = n, *= n, $= n; also Pyntel4004's org rom and org ram (both 0).
void Assembler::Origin(const Field& operation, const Field& label, std::string_view code,
                       size_t position) {
    if (probing_) {
        probeFailed_ = true;
        return;
    }
    const bool split = Operands(code, position);
    const bool one = split && operands_.size() == 1;
    const std::string word = one ? Upper(operands_[0].text) : std::string();
    const bool rom = (word == "ROM" || word == "RAM") && Find(operands_[0].text) == nullptr;
    if (pass_ == 1) {
        int64_t origin = address_;
        if (rom) {
            origin = 0;
        } else if (one) {
            const Value value = Evaluate(operands_[0], address_, false);
            if (!value.known) {
                Error(operands_[0].column,
                      "the address must be known where it is set: " + Quote(operands_[0].text) +
                          " names something not defined before this line");
            } else if (value.number < 0 || value.number > kLastAddress) {
                Error(operands_[0].column,
                      "address " +
                          (value.number < 0 ? std::to_string(value.number) : Hex(value.number)) +
                          " is outside 0..0xFFF");
            } else {
                origin = value.number;
            }
        }
        origins_.push_back(origin);
        address_ = origin;
        pastTopReported_ = false;
        if (!label.text.empty()) DefineLabel(label, false);
        return;
    }
    if (split && operands_.size() != 1) {
        Error(operands_.empty() ? operation.column : operands_[1].column,
              Quote(operation.text) + " takes one operand, an address");
    }
    if (rom && word == "RAM") {
        Warning(operands_[0].column,
                "Quodlet loads the program into ROM: org ram is taken as org rom, address 0");
    }
    address_ = origins_[originIndex_++];
    pastTopReported_ = false;
    if (!label.text.empty()) DefineLabel(label, false);
    AddListing(static_cast<int32_t>(address_), {});
}

// DB and its kin: bytes, strings, and with `width` 2 uz80as's words (low
// byte first).
void Assembler::Data(const Field& operation, std::string_view code, size_t position,
                     int32_t width) {
    const bool split = Operands(code, position);
    statementAddress_ = address_;
    if (!split) return;
    if (operands_.empty()) {
        if (pass_ == 2) {
            Error(operation.column, Quote(operation.text) + " needs at least one value");
        }
        return;
    }
    std::vector<int32_t> bytes;
    const std::vector<Field> operands = operands_;
    for (const Field& operand : operands) {
        Value value = Evaluate(operand, statementAddress_, pass_ == 2, true);
        if (value.isString) {
            if (const Symbol* symbol = Find(operand.text);
                pass_ == 2 && symbol != nullptr && symbol->ordinal > ordinal_) {
                Error(operand.column, "the string " + Quote(operand.text) +
                                          " must be defined before the line that uses it");
            }
            for (const char c : value.text) {
                bytes.push_back(static_cast<uint8_t>(c));
                if (width == 2) bytes.push_back(0);
            }
            continue;
        }
        if (width == 2) {
            const int64_t word = value.number;
            if (pass_ == 2 && value.known && (word < -32768 || word > 0xFFFF)) {
                Error(operand.column, "a word must be -32768..65535, not " + std::to_string(word));
            }
            bytes.push_back(static_cast<int32_t>(word & 0xFF));
            bytes.push_back(static_cast<int32_t>((word >> 8) & 0xFF));
            continue;
        }
        bytes.push_back(0);
        if (pass_ == 2 && value.known) {
            const Field field = operand;
            if (const auto byte = DataByte(field, "a byte")) bytes.back() = *byte;
        }
    }
    Place(operation.column, bytes);
}

// uz80as's .fill n[, value] (value FF unless given) and .block n (room,
// no bytes). The count must be known where it stands.
void Assembler::Fill(const Field& operation, std::string_view code, size_t position, bool block) {
    const bool split = Operands(code, position);
    statementAddress_ = address_;
    const size_t most = block ? 1 : 2;
    if (pass_ == 1 || probing_) {
        int64_t count = 0;
        if (split && !operands_.empty() && operands_.size() <= most) {
            const Value value = Evaluate(operands_[0], address_, false);
            if (value.known && value.number >= 0 && value.number <= kLastAddress + 1) {
                count = value.number;
            }
        }
        if (!probing_) origins_.push_back(count);
        if (probing_ && split && operands_.size() == 2) {
            const auto byte = DataByte(operands_[1], "the fill byte");
            Place(operation.column,
                  std::vector<int32_t>(static_cast<size_t>(count), byte.value_or(0)));
            return;
        }
        if (block) {
            address_ += count;
        } else {
            Place(operation.column, std::vector<int32_t>(static_cast<size_t>(count), 0xFF));
        }
        return;
    }
    const int64_t count = origins_[originIndex_++];
    if (split && (operands_.empty() || operands_.size() > most)) {
        Error(operation.column,
              Quote(operation.text) +
                  (block ? " takes one operand, a count" : " takes a count and an optional byte"));
    } else if (split) {
        const Value value = Evaluate(operands_[0], address_, true);
        if (value.known && count != value.number) {
            Error(operands_[0].column, "the count must be 0..4096 and known where it is set");
        }
    }
    if (block) {
        address_ += count;
        AddListing(static_cast<int32_t>(statementAddress_), {});
        return;
    }
    int32_t fill = 0xFF;
    if (split && operands_.size() == 2) {
        if (const auto byte = DataByte(operands_[1], "the fill byte")) fill = *byte;
    }
    Place(operation.column, std::vector<int32_t>(static_cast<size_t>(count), fill));
}

// AS's cpu: 4004 only.
void Assembler::Cpu(const Field& operation, std::string_view code, size_t position) {
    if (pass_ != 2 || !Operands(code, position)) return;
    if (operands_.size() != 1) {
        Error(operation.column, "cpu takes one operand: cpu 4004");
        return;
    }
    const std::string cpu = Upper(operands_[0].text);
    if (cpu == "4004") return;
    Error(operands_[0].column,
          cpu == "4040"
              ? std::string("cpu 4040: the 4040's instructions are not the 4004's; "
                            "Quodlet assembles 4004 programs (cpu 4004)")
              : "cpu " + Quote(operands_[0].text) + ": Quodlet assembles 4004 programs (cpu 4004)");
}

// The manual's data line, a label and a value in the code field.
void Assembler::IntelData(const Field& label, std::string_view code, size_t position) {
    if (!label.text.empty()) DefineLabel(label, false);
    Data({code.substr(position, 1), Column(code, position)}, code, position, 1);
}
