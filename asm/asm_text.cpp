#include "asm/asm_text.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

// Text quoted in a message is cut to this many bytes.
constexpr size_t kQuoteLength = 40;

// The length of the UTF-8 character of U+00A0 or above that starts at
// `at`, or 0 when the bytes there are no such character.
size_t PrintableUtf8Length(std::string_view text, size_t at) {
    const auto lead = static_cast<uint8_t>(text[at]);
    size_t length = 0;
    uint32_t point = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07u;
    } else {
        return 0;
    }
    if (at + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        const auto next = static_cast<uint8_t>(text[at + k]);
        if ((next & 0xC0) != 0x80) return 0;
        point = point << 6 | (next & 0x3Fu);
    }
    const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (point < smallest[length] || point < 0xA0 || point > 0x10FFFF) return 0;
    if (point >= 0xD800 && point <= 0xDFFF) return 0;
    return length;
}

}  // namespace

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper) c = UpperChar(c);
    return upper;
}

bool IsName(std::string_view text) {
    return !text.empty() && IsNameStart(text[0]) &&
           std::all_of(text.begin(), text.end(), IsNameChar);
}

std::string Escaped(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    size_t at = 0;
    while (at < text.size()) {
        const auto byte = static_cast<uint8_t>(text[at]);
        if (byte >= 0x20 && byte < 0x7F) {
            result += text[at++];
            continue;
        }
        if (const size_t length = byte >= 0x80 ? PrintableUtf8Length(text, at) : 0; length > 0) {
            result.append(text, at, length);
            at += length;
            continue;
        }
        result += "\\x";
        result += "0123456789ABCDEF"[byte >> 4];
        result += "0123456789ABCDEF"[byte & 0xF];
        ++at;
    }
    return result;
}

std::string Quote(std::string_view text) {
    if (text.size() <= kQuoteLength) return "'" + Escaped(text) + "'";
    return "'" + Escaped(text.substr(0, kQuoteLength)) + "...'";
}

std::string Hex(int64_t value, int32_t digits) {
    std::string text;
    auto rest = static_cast<uint64_t>(value);
    do {
        text.insert(text.begin(), "0123456789ABCDEF"[rest & 0xF]);
        rest >>= 4;
        --digits;
    } while (rest != 0 || digits > 0);
    return "0x" + text;
}
