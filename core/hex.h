#pragma once
// Hexadecimal text, the one way every part of the program writes and reads
// numbers: upper-case digits, values taken as unsigned 32-bit patterns so
// that a field holding a negative number never shows a minus sign.

#include <cstdint>
#include <string>
#include <string_view>

// Appends value with at least `width` digits, padded on the left with "0";
// longer values keep all their digits.
void AppendHex(std::string& out, int32_t value, int32_t width);

// Upper-case hexadecimal without leading zeros ("0" for zero).
std::string PlainHex(int32_t value);

// Upper-case hexadecimal padded on the left with "0" to `width` characters.
std::string PaddedHex(int32_t value, int32_t width);

// The value of one hexadecimal digit of either case, or -1 for any other
// character.
int32_t HexDigitValue(char c);

// True when every character is a hexadecimal digit, either case (also for
// the empty text).
bool IsHexString(std::string_view text);

// The value of a text made only of hexadecimal digits, either case; false
// when it is empty, holds any other character or exceeds `largest`.
bool ParseHex(std::string_view text, uint32_t largest, uint32_t& value);
