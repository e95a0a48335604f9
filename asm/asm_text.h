#pragma once
// Characters and text as the assembler reads and quotes them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}
inline bool IsLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
inline bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
inline bool IsNameStart(char c) {
    return IsLetter(c) || c == '_';
}
inline bool IsNameChar(char c) {
    return IsNameStart(c) || IsDigit(c);
}
inline char UpperChar(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string Upper(std::string_view text);

// A short word in upper case, held without allocating; a word of 16
// characters or more reads as empty, longer than any name the tables hold.
class UpperWord {
public:
    explicit UpperWord(std::string_view text) {
        if (text.size() >= sizeof data_) return;
        for (const char c : text) data_[size_++] = UpperChar(c);
    }
    operator std::string_view() const { return {data_, size_}; }

private:
    char data_[16] = {};
    size_t size_ = 0;
};

// A letter or '_', then letters, digits and '_'.
bool IsName(std::string_view text);

// The text with every byte a terminal could take for a command shown as
// \xNN: control characters, DEL, and bytes that are not part of a UTF-8
// character from U+00A0 up. Other text is kept as it is.
std::string Escaped(std::string_view text);

// Escaped text in quotes for a message, cut short when long.
std::string Quote(std::string_view text);

// "0x" and at least `digits` upper-case hex digits.
std::string Hex(int64_t value, int32_t digits = 3);
