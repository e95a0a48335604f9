// Listing lines, ADDR BYTES [label:] text, as Quodlet's window and other
// tools print them: the bytes go to the address. Text in the form of
// Quodlet's own listing must be the listing of those bytes; other text is
// trusted when it assembles to them, and counted for a warning otherwise.
// Also the placing of bytes, for every statement.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "asm/asm_text.h"
#include "asm/assembler_impl.h"
#include "core/hex.h"
#include "data/opcode_data.h"

namespace {

size_t SkipBlanks(std::string_view code, size_t position) {
    while (position < code.size() && IsBlank(code[position])) ++position;
    return position;
}
size_t FieldEnd(std::string_view code, size_t position) {
    while (position < code.size() && !IsBlank(code[position])) ++position;
    return position;
}

// "label:" (or "label,") at `position`: its end after the ':', else
// `position`.
size_t LabelEnd(std::string_view code, size_t position) {
    if (position >= code.size() || !IsNameStart(code[position])) return position;
    size_t end = position;
    while (end < code.size() && IsNameChar(code[end])) ++end;
    return end < code.size() && (code[end] == ':' || code[end] == ',') ? end + 1 : position;
}

}  // namespace

// False when the line does not have the form, so it is a statement.
bool Assembler::ListingLine(std::string_view code) {
    const size_t addressStart = SkipBlanks(code, 0);
    const size_t addressEnd = FieldEnd(code, addressStart);
    const std::string_view addressText = code.substr(addressStart, addressEnd - addressStart);
    if (addressText.size() < 3 || !IsHexString(addressText)) return false;
    // DAA, DAC and ADD are also instructions: "ADD 12" is one.
    const bool mnemonic = FindMnemonic(Upper(addressText), false).has_value();

    size_t position = SkipBlanks(code, addressEnd);
    Field label;
    size_t end = LabelEnd(code, position);
    if (end != position) {
        label = {code.substr(position, end - 1 - position), Column(code, position)};
        position = SkipBlanks(code, end);
    }
    std::vector<int32_t> bytes;
    const size_t bytesStart = position;
    size_t dbStart = 0;
    size_t firstDb = std::string_view::npos;  // the first byte DB's index
    while (position < code.size()) {
        end = FieldEnd(code, position);
        const std::string_view token = code.substr(position, end - position);
        if (token.size() != 2 || !IsHexString(token)) break;
        if (firstDb == std::string_view::npos && Upper(token) == "DB") {
            firstDb = bytes.size();
            dbStart = position;
        }
        bytes.push_back(HexDigitValue(token[0]) * 16 + HexDigitValue(token[1]));
        position = SkipBlanks(code, end);
    }
    // A DB whose values follow is the directive, not a byte: "bad db 1" is
    // a label and data, and so is "012 01 02   DB 1, 2"; in "0DB DB LDM 0B"
    // an instruction follows it.
    if (firstDb != std::string_view::npos && position < code.size() &&
        LabelEnd(code, position) == position &&
        !IsOperationWord(code.substr(position, FieldEnd(code, position) - position)) &&
        !IsOwnListingForm(Normalized(code.substr(position)))) {
        bytes.resize(firstDb);
        position = dbStart;
    }
    if (bytes.empty()) {
        // An address and a statement that places nothing, as quodlet-asm's
        // -l listing writes them ("002        N = 2").
        if (addressStart != 0 || addressText.size() != 3 || mnemonic ||
            SkipBlanks(code, addressEnd) - addressEnd < 8) {
            return false;
        }
        return Statement(code.substr(addressEnd + 8));
    }
    if (label.text.empty()) {
        end = LabelEnd(code, position);
        if (end != position) {
            label = {code.substr(position, end - 1 - position), Column(code, position)};
            position = SkipBlanks(code, end);
        }
    }
    // A label without ':' before the operation, as in column 1.
    if (label.text.empty()) {
        end = position;
        while (end < code.size() && IsNameChar(code[end])) ++end;
        const size_t next = SkipBlanks(code, end);
        if (end > position && IsNameStart(code[position]) && next > end &&
            !IsOperationWord(code.substr(position, end - position)) &&
            IsOperationWord(code.substr(next, FieldEnd(code, next) - next))) {
            label = {code.substr(position, end - position), Column(code, position)};
            position = next;
        }
    }
    std::string_view text = code.substr(position);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    if (mnemonic && text.empty()) return false;

    int64_t address = 0;
    for (const char c : addressText) {
        address = address * 16 + HexDigitValue(c);
        if (address > kLastAddress) break;
    }
    if (address > kLastAddress) {
        if (pass_ == 2) {
            Error(Column(code, addressStart), "address " + Quote(addressText) + " is beyond 0xFFF");
        }
        return true;
    }
    address_ = address;
    statementAddress_ = address;
    pastTopReported_ = false;
    if (!label.text.empty()) DefineLabel(label, false);
    if (pass_ == 2)
        CheckListingText({text, Column(code, position)}, bytes, Column(code, bytesStart));
    Place(Column(code, addressStart), bytes);
    return true;
}

// Pass 2: the listing line's text against its bytes.
void Assembler::CheckListingText(const Field& text, const std::vector<int32_t>& bytes,
                                 int32_t bytesColumn) {
    const std::string normal = Normalized(text.text);
    if (normal.empty()) return;
    if (IsOwnListingForm(normal)) {
        const int32_t opcode = bytes[0];
        const int32_t length = kOpcodeData[static_cast<size_t>(opcode)].length;
        if (static_cast<int32_t>(bytes.size()) != length) {
            Error(bytesColumn, "opcode " + Hex(opcode, 2).substr(2) + " takes " +
                                   (length == 1 ? "one byte" : "two bytes") + " in a listing line");
            return;
        }
        const std::string expected =
            OwnListingText(opcode, bytes.size() == 2 ? bytes[1] : 0, machine_);
        if (normal != Normalized(expected)) {
            Error(text.column, "the listing shows " + Quote(expected) + " for these bytes, not " +
                                   Quote(normal));
        }
        return;
    }
    if (ProbeGives(text.text, bytes)) return;
    Foreign& foreign = foreign_[static_cast<size_t>(file_)];
    if (foreign.count++ == 0) {
        foreign.line = line_;
        foreign.ordinal = ordinal_;
    }
}

// Whether the text, read as a statement at the line's address, gives
// exactly these bytes; nothing is reported or placed.
bool Assembler::ProbeGives(std::string_view text, const std::vector<int32_t>& bytes) {
    const int64_t address = address_;
    const int64_t statement = statementAddress_;
    const std::vector<Field> operands = operands_;
    const bool failed = lineFailed_;
    const bool pastTop = pastTopReported_;
    probing_ = true;
    probeFailed_ = false;
    probeBytes_.clear();
    const bool more = Statement(text);
    const bool same = more && !probeFailed_ && probeBytes_.size() == bytes.size() &&
                      std::equal(bytes.begin(), bytes.end(), probeBytes_.begin());
    probing_ = false;
    address_ = address;
    statementAddress_ = statement;
    operands_ = operands;
    lineFailed_ = failed;
    pastTopReported_ = pastTop;
    return same;
}

// --- Bytes -------------------------------------------------------------------

// Places a statement's bytes at the address and moves on past them. In
// pass 2 it writes memory, unless the statement failed: bytes past 0xFFF
// or on bytes another line placed are errors.
void Assembler::Place(int32_t column, const std::vector<int32_t>& bytes) {
    const int64_t start = address_;
    const auto count = static_cast<int64_t>(bytes.size());
    address_ += count;
    if (probing_) {
        for (const int32_t byte : bytes) probeBytes_.push_back(static_cast<uint8_t>(byte));
        return;
    }
    if (pass_ == 1) return;
    if (lineFailed_) {
        // One error a statement: where its bytes would go adds nothing.
        AddListing(static_cast<int32_t>(start), {});
        return;
    }
    if (start + count - 1 > kLastAddress) {
        // Every later statement up to the next ORG is past the end as
        // well; the first one says it.
        if (!pastTopReported_) {
            Error(column, "code runs past 0xFFF (this statement starts at " + Hex(start) + ")");
        }
        pastTopReported_ = true;
        return;
    }
    for (int64_t k = 0; k < count; ++k) {
        const int32_t owner = owners_[static_cast<size_t>(start + k)];
        if (owner != 0) {
            Error(column, "address " + Hex(start + k) + " already holds a byte from line " +
                              std::to_string(owner));
            return;
        }
    }
    std::vector<uint8_t> placed;
    placed.reserve(bytes.size());
    for (int64_t k = 0; k < count; ++k) {
        const auto index = static_cast<size_t>(start + k);
        owners_[index] = line_;
        memory_[index] = static_cast<uint8_t>(bytes[static_cast<size_t>(k)]);
        placed.push_back(memory_[index]);
    }
    if (count > 0) highest_ = std::max(highest_, start + count - 1);
    AddListing(static_cast<int32_t>(start), std::move(placed));
}

void Assembler::AddListing(int32_t address, std::vector<uint8_t> bytes) {
    if (probing_) return;
    result_.listing.push_back({address, std::move(bytes), line_, std::string(written_), file_});
}
