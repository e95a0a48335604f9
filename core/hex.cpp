#include "core/hex.h"

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
// The most digits a 32-bit value has.
constexpr int32_t kMaxDigits = 8;

}  // namespace

void AppendHex(std::string& out, int32_t value, int32_t width) {
    auto bits = static_cast<uint32_t>(value);
    char digits[kMaxDigits];
    int32_t count = 0;
    do {
        digits[count++] = kHexDigits[bits & 0xF];
        bits >>= 4;
    } while (bits != 0);
    for (int32_t pad = count; pad < width; ++pad) out += '0';
    while (count > 0) out += digits[--count];
}

std::string PlainHex(int32_t value) {
    std::string text;
    AppendHex(text, value, 1);
    return text;
}

std::string PaddedHex(int32_t value, int32_t width) {
    std::string text;
    AppendHex(text, value, width);
    return text;
}

int32_t HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsHexString(std::string_view text) {
    for (const char c : text) {
        if (HexDigitValue(c) < 0) return false;
    }
    return true;
}

bool ParseHex(std::string_view text, uint32_t largest, uint32_t& value) {
    if (text.empty()) return false;
    uint64_t result = 0;
    for (const char c : text) {
        const int32_t digit = HexDigitValue(c);
        if (digit < 0) return false;
        result = result * 16 + static_cast<uint32_t>(digit);
        if (result > largest) return false;
    }
    value = static_cast<uint32_t>(result);
    return true;
}
