#include "display/symbols.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <utility>

#include "core/hex.h"
#include "data/opcode_data.h"

namespace {

constexpr int32_t kLastAddress = 0xFFF;

std::string UpperName(std::string_view name) {
    std::string upper(name);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return upper;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// A piece of a file quoted in a message: at most 24 characters, control
// characters as '?', so that a binary file's bytes never reach a terminal.
std::string Shown(std::string_view text) {
    std::string shown = "'";
    for (const char c : text.substr(0, 24)) {
        shown += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c;
    }
    return shown + (text.size() > 24 ? "...'" : "'");
}

}  // namespace

ProgramSymbols::ProgramSymbols(std::vector<CodeLabel> labels, std::vector<SourcePlace> places)
    : labels_(std::move(labels)), places_(std::move(places)) {
    std::stable_sort(labels_.begin(), labels_.end(),
                     [](const CodeLabel& a, const CodeLabel& b) { return a.address < b.address; });
    names_.reserve(labels_.size());
    for (const CodeLabel& label : labels_)
        names_.emplace_back(UpperName(label.name), label.address);
    // The first definition of a name wins, as in the source.
    std::stable_sort(names_.begin(), names_.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    std::stable_sort(
        places_.begin(), places_.end(),
        [](const SourcePlace& a, const SourcePlace& b) { return a.address < b.address; });
    std::vector<SourcePlace> kept;
    kept.reserve(places_.size());
    for (const SourcePlace& place : places_) {
        if (!kept.empty() && place.address < kept.back().address + kept.back().length) {
            if (place.address == kept.back().address) continue;
            kept.back().length = place.address - kept.back().address;
        }
        kept.push_back(place);
    }
    places_ = std::move(kept);
    lines_.reserve(places_.size());
    for (const SourcePlace& place : places_) {
        if (place.line > 0) lines_.emplace_back(place.line, place.address);
    }
    std::sort(lines_.begin(), lines_.end());
}

const std::string* ProgramSymbols::LabelAt(int32_t address) const {
    const auto found = std::lower_bound(
        labels_.begin(), labels_.end(), address,
        [](const CodeLabel& label, int32_t value) { return label.address < value; });
    return found != labels_.end() && found->address == address ? &found->name : nullptr;
}

std::string ProgramSymbols::NameOf(int32_t address) const {
    const auto above = std::upper_bound(
        labels_.begin(), labels_.end(), address,
        [](int32_t value, const CodeLabel& label) { return value < label.address; });
    if (above != labels_.begin()) {
        // The first label of the address below, not the last.
        const int32_t below = std::prev(above)->address;
        const CodeLabel& label = *std::lower_bound(
            labels_.begin(), above, below,
            [](const CodeLabel& entry, int32_t value) { return entry.address < value; });
        if (label.address == address) return label.name;
        const bool inCode =
            !places_.empty() && address < places_.back().address + places_.back().length;
        if (inCode) return label.name + "+" + std::to_string(address - label.address);
    }
    return PaddedHex(address, 3);
}

std::optional<int32_t> ProgramSymbols::FindLabel(std::string_view name) const {
    const std::string upper = UpperName(name);
    const auto found = std::lower_bound(
        names_.begin(), names_.end(), upper,
        [](const auto& entry, const std::string& value) { return entry.first < value; });
    if (found == names_.end() || found->first != upper) return std::nullopt;
    return found->second;
}

std::optional<SourcePlace> ProgramSymbols::PlaceOf(int32_t address) const {
    const auto above = std::upper_bound(
        places_.begin(), places_.end(), address,
        [](int32_t value, const SourcePlace& place) { return value < place.address; });
    if (above == places_.begin()) return std::nullopt;
    const SourcePlace& place = *std::prev(above);
    if (address >= place.address + place.length) return std::nullopt;
    return place;
}

std::optional<int32_t> ProgramSymbols::LineOf(int32_t address) const {
    const std::optional<SourcePlace> place = PlaceOf(address);
    if (!place || place->line == 0) return std::nullopt;
    return place->line;
}

std::optional<int32_t> ProgramSymbols::AddressOfLine(int32_t line) const {
    const auto found = std::lower_bound(lines_.begin(), lines_.end(), std::pair(line, int32_t{0}));
    if (found == lines_.end() || found->first != line) return std::nullopt;
    return found->second;
}

std::string SymbolsFileText(const ProgramSymbols& symbols, std::string_view source) {
    std::string text = "; Symbols of ";
    text += source;
    text +=
        ", as quodlet-asm --symbols writes them.\n"
        "; ADDRESS NAME: a code label. ADDRESS :LINE: the instruction at ADDRESS is on\n"
        "; source line LINE (0: in an included file). Addresses hex, lines decimal.\n";
    const std::vector<CodeLabel>& labels = symbols.Labels();
    const std::vector<SourcePlace>& places = symbols.Places();
    size_t label = 0;
    // In address order, an address's labels before its line.
    for (size_t place = 0; place <= places.size(); ++place) {
        const int32_t upTo = place < places.size() ? places[place].address : kLastAddress + 1;
        for (; label < labels.size() && labels[label].address <= upTo; ++label) {
            text += PaddedHex(labels[label].address, 3) + " " + labels[label].name + "\n";
        }
        if (place < places.size()) {
            text += PaddedHex(places[place].address, 3) + " :" +
                    std::to_string(places[place].line) + "\n";
        }
    }
    return text;
}

namespace {

// One entry of a symbols file; false with `why` when it is malformed.
bool ParseEntry(std::string_view entry, std::span<const uint8_t> image,
                std::vector<CodeLabel>& labels, std::vector<SourcePlace>& places,
                std::vector<bool>& hasLine, std::string& why) {
    const size_t addressEnd = std::min(entry.find_first_of(" \t\r"), entry.size());
    const std::string_view addressText = entry.substr(0, addressEnd);
    uint32_t address = 0;
    if (!ParseHex(addressText, kLastAddress, address)) {
        why = Shown(addressText) + " is no address 0..FFF in hex";
        return false;
    }
    size_t start = addressEnd;
    while (start < entry.size() && IsSpace(entry[start])) ++start;
    size_t end = start;
    while (end < entry.size() && !IsSpace(entry[end])) ++end;
    const std::string_view word = entry.substr(start, end - start);
    size_t rest = end;
    while (rest < entry.size() && IsSpace(entry[rest])) ++rest;
    if (word.empty()) {
        why = "address " + std::string(addressText) + " has neither a name nor a :LINE";
        return false;
    }
    if (rest != entry.size()) {
        why = Shown(entry.substr(rest)) + " follows the entry";
        return false;
    }
    if (word[0] != ':') {
        if (std::any_of(word.begin(), word.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
            why = "the name " + Shown(word) + " holds control characters";
            return false;
        }
        labels.push_back({static_cast<int32_t>(address), std::string(word)});
        return true;
    }
    int32_t line = 0;
    const std::string_view digits = word.substr(1);
    const auto [next, error] = std::from_chars(digits.data(), digits.data() + digits.size(), line);
    if (digits.empty() || error != std::errc() || next != digits.data() + digits.size() ||
        line < 0) {
        why = Shown(word) + " is no source line (':' and a decimal number)";
        return false;
    }
    if (hasLine[address]) {
        why = "address " + std::string(addressText) + " has a line already";
        return false;
    }
    hasLine[address] = true;
    const int32_t length = address < image.size() ? kOpcodeData[image[address]].length : 1;
    places.push_back({static_cast<int32_t>(address), length, line});
    return true;
}

}  // namespace

bool ParseSymbolsFile(std::string_view text, std::span<const uint8_t> image,
                      ProgramSymbols& symbols, std::string& why) {
    std::vector<CodeLabel> labels;
    std::vector<SourcePlace> places;
    std::vector<bool> hasLine(kLastAddress + 1);
    size_t lineNumber = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        line = line.substr(0, line.find(';'));
        while (!line.empty() && IsSpace(line.front())) line.remove_prefix(1);
        while (!line.empty() && IsSpace(line.back())) line.remove_suffix(1);
        if (line.empty()) continue;
        std::string problem;
        if (!ParseEntry(line, image, labels, places, hasLine, problem)) {
            why = "line " + std::to_string(lineNumber) + ": " + problem;
            return false;
        }
    }
    symbols = ProgramSymbols(std::move(labels), std::move(places));
    return true;
}
