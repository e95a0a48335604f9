#pragma once
// Key codes as the window layer takes them: a virtual-key number in the low
// 16 bits, plus modifier bits. Letters and digits are their upper-case
// character codes; function keys run from 0x70 (F1) on.

#include <cstdint>

namespace KeyCode {
// Modifier bits.
constexpr int32_t kShift = 0x10000;
constexpr int32_t kControl = 0x20000;
constexpr int32_t kAlt = 0x40000;
// The virtual-key number's part of a key code.
constexpr int32_t kKeyMask = 0xFFFF;

constexpr int32_t kBackspace = 0x08;
constexpr int32_t kReturn = 0x0D;
constexpr int32_t kEscape = 0x1B;
constexpr int32_t kDelete = 0x2E;
// The characters of arithmetic, however the keyboard makes them.
constexpr int32_t kTimes = 0x6A;
constexpr int32_t kPlus = 0x6B;
constexpr int32_t kMinus = 0x6D;
constexpr int32_t kPoint = 0x6E;
constexpr int32_t kDivide = 0x6F;
constexpr int32_t kEquals = 0xBB;
constexpr int32_t kF1 = 0x70;
constexpr int32_t kF4 = 0x73;
constexpr int32_t kF5 = 0x74;
constexpr int32_t kF7 = 0x76;
constexpr int32_t kF8 = 0x77;
constexpr int32_t kF9 = 0x78;
constexpr int32_t kCtrlO = kControl | 0x4F;
constexpr int32_t kCtrlR = kControl | 0x52;
constexpr int32_t kCtrlF = kControl | 0x46;
constexpr int32_t kCtrlG = kControl | 0x47;
}  // namespace KeyCode
