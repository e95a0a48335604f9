#include "frontend/source_map.h"

#include <algorithm>
#include <cctype>

#include "core/hex.h"

namespace {

// The largest LCS table MapLines builds, in cells; beyond it lines are
// matched by their text alone.
constexpr size_t kLargestTable = size_t{1} << 22;  // 16 MB

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

SourceMap MapSource(std::string_view text, const Assembly& assembly) {
    SourceMap map;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        map.lines.emplace_back(line);
        start = end + 1;
    }
    map.lineAddress.assign(map.lines.size(), -1);
    map.addressLine.assign(assembly.image.size(), -1);
    map.startOf.assign(assembly.image.size(), -1);
    for (const AsmListingLine& entry : assembly.listing) {
        for (size_t k = 1; k < entry.bytes.size(); ++k) {
            const size_t at = static_cast<size_t>(entry.address) + k;
            if (entry.address >= 0 && at < map.startOf.size()) map.startOf[at] = entry.address;
        }
    }
    for (const AsmListingLine& entry : assembly.listing) {
        const int32_t line = entry.line - 1;
        if (entry.bytes.empty() || line < 0 || line >= static_cast<int32_t>(map.lines.size()))
            continue;
        // A line of an included file carries its own number: its text tells.
        std::string_view written = entry.source;
        if (!written.empty() && written.back() == '\r') written.remove_suffix(1);
        if (written != map.lines[static_cast<size_t>(line)]) continue;
        int32_t& first = map.lineAddress[static_cast<size_t>(line)];
        if (first < 0) first = entry.address;
        if (entry.address >= 0 && static_cast<size_t>(entry.address) < map.addressLine.size())
            map.addressLine[static_cast<size_t>(entry.address)] = line;
    }
    for (const AsmSymbol& symbol : assembly.symbols) {
        if (symbol.label) map.labels.emplace_back(symbol.value, symbol.name);
    }
    std::sort(map.labels.begin(), map.labels.end());
    return map;
}

int32_t LineOfAddress(const SourceMap& map, int32_t address) {
    if (address < 0 || static_cast<size_t>(address) >= map.addressLine.size()) return -1;
    return map.addressLine[static_cast<size_t>(address)];
}

int32_t AddressOfLine(const SourceMap& map, int32_t line) {
    if (line < 0 || static_cast<size_t>(line) >= map.lineAddress.size()) return -1;
    return map.lineAddress[static_cast<size_t>(line)];
}

int32_t InstructionAround(const SourceMap& map, int32_t address) {
    if (address < 0 || static_cast<size_t>(address) >= map.startOf.size()) return -1;
    return map.startOf[static_cast<size_t>(address)];
}

std::string NameOfAddress(const SourceMap& map, int32_t address) {
    // The last label at or before the address; of several at one address,
    // the first by name.
    auto after = std::upper_bound(map.labels.begin(), map.labels.end(), address,
                                  [](int32_t value, const std::pair<int32_t, std::string>& label) {
                                      return value < label.first;
                                  });
    if (after == map.labels.begin()) return PlainHex(address);
    const int32_t at = std::prev(after)->first;
    const auto first = std::lower_bound(map.labels.begin(), after, at,
                                        [](const std::pair<int32_t, std::string>& label,
                                           int32_t value) { return label.first < value; });
    if (at == address) return first->second;
    return first->second + "+" + std::to_string(address - at);
}

std::optional<int32_t> AddressOfName(const SourceMap& map, std::string_view name) {
    while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
    while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
    for (const auto& [value, label] : map.labels) {
        if (SameName(label, name)) return value;
    }
    std::string_view digits = name;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits.remove_prefix(2);
    else if (digits.size() > 1 && (digits.back() == 'h' || digits.back() == 'H'))
        digits.remove_suffix(1);
    uint32_t value = 0;
    if (!ParseHex(digits, 0xFFFF, value)) return std::nullopt;
    return static_cast<int32_t>(value);
}

std::vector<int32_t> MapLines(const std::vector<std::string>& before,
                              const std::vector<std::string>& after) {
    const size_t n = before.size();
    const size_t m = after.size();
    std::vector<int32_t> mapped(n, -1);
    // The lines alike at both ends, then the longest common subsequence of
    // what lies between.
    size_t head = 0;
    while (head < n && head < m && before[head] == after[head]) {
        mapped[head] = static_cast<int32_t>(head);
        ++head;
    }
    size_t tail = 0;
    while (tail < n - head && tail < m - head && before[n - 1 - tail] == after[m - 1 - tail]) {
        mapped[n - 1 - tail] = static_cast<int32_t>(m - 1 - tail);
        ++tail;
    }
    const size_t rows = n - head - tail;
    const size_t columns = m - head - tail;
    if (rows > 0 && columns > 0 && (rows + 1) * (columns + 1) <= kLargestTable) {
        // length[i][j]: the LCS of before[head + i..] and after[head + j..].
        std::vector<uint32_t> length((rows + 1) * (columns + 1), 0);
        auto at = [&](size_t i, size_t j) -> uint32_t& { return length[i * (columns + 1) + j]; };
        for (size_t i = rows; i-- > 0;) {
            for (size_t j = columns; j-- > 0;) {
                at(i, j) = before[head + i] == after[head + j]
                               ? at(i + 1, j + 1) + 1
                               : std::max(at(i + 1, j), at(i, j + 1));
            }
        }
        for (size_t i = 0, j = 0; i < rows && j < columns;) {
            if (before[head + i] == after[head + j]) {
                mapped[head + i] = static_cast<int32_t>(head + j);
                ++i;
                ++j;
            } else if (at(i + 1, j) >= at(i, j + 1)) {
                ++i;
            } else {
                ++j;
            }
        }
    } else if (rows > 0 && columns > 0) {
        // Too large a change to compare in full: each line to the first
        // unclaimed line of the same text, in order.
        size_t from = head;
        for (size_t i = head; i < n - tail; ++i) {
            for (size_t j = from; j < m - tail; ++j) {
                if (before[i] == after[j]) {
                    mapped[i] = static_cast<int32_t>(j);
                    from = j + 1;
                    break;
                }
            }
        }
    }
    // A line edited in place: between two matched lines that have as many
    // lines between them in both texts, it keeps its place.
    for (size_t i = 0; i < n; ++i) {
        if (mapped[i] >= 0) continue;
        size_t end = i;
        while (end < n && mapped[end] < 0) ++end;
        const int64_t fromBefore = i == 0 ? -1 : static_cast<int64_t>(i) - 1;
        const int64_t fromAfter = i == 0 ? -1 : mapped[i - 1];
        const int64_t toBefore = static_cast<int64_t>(end);
        const int64_t toAfter = end == n ? static_cast<int64_t>(m) : mapped[end];
        if (toBefore - fromBefore == toAfter - fromAfter) {
            for (size_t k = i; k < end; ++k)
                mapped[k] = static_cast<int32_t>(fromAfter + static_cast<int64_t>(k) - fromBefore);
        }
        i = end;
    }
    return mapped;
}
