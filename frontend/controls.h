#pragma once
// The numbers by which the program addresses the main window, its controls,
// images, menu items and timer, and the key codes of its shortcuts. A key
// code is a virtual-key number in its low 16 bits; 0x10000 adds Shift,
// 0x20000 Control and 0x40000 Alt.

#include <cstdint>

namespace Control {
// Text fields 0..15 show R0..R15; control n is register n.
constexpr int32_t kFirstRegister = 0;
constexpr int32_t kAccumulator = 16;
constexpr int32_t kProgramCounter = 17;
constexpr int32_t kCarry = 18;
// Labels 19..34 caption R0..R15 (label 19 + n for register n).
constexpr int32_t kFirstRegisterLabel = 19;
constexpr int32_t kAccumulatorLabel = 35;
constexpr int32_t kProgramCounterLabel = 36;
constexpr int32_t kCodeListing = 37;
// Lamps 38..41 show bits 0..3 of RAM output port 1; 38 stands rightmost.
constexpr int32_t kFirstLamp = 38;
constexpr int32_t kStack = 42;
constexpr int32_t kSrc = 43;
constexpr int32_t kRamDump = 44;
constexpr int32_t kCount = 45;
}  // namespace Control

namespace MenuItem {
constexpr int32_t kOpen = 0;
constexpr int32_t kQuit = 1;
constexpr int32_t kResetCpu = 2;
constexpr int32_t kZeroRom = 3;
constexpr int32_t kStep = 4;
constexpr int32_t kRun = 5;
constexpr int32_t kAnimate = 6;
constexpr int32_t kExampleSum = 7;
constexpr int32_t kExampleSquare = 8;
}  // namespace MenuItem

namespace Image {
constexpr int32_t kLampOff = 0;
constexpr int32_t kLampOn = 1;
}  // namespace Image

namespace KeyCode {
constexpr int32_t kShift = 0x10000;
constexpr int32_t kControl = 0x20000;
constexpr int32_t kAlt = 0x40000;
constexpr int32_t kEscape = 0x1B;
constexpr int32_t kF5 = 116;
constexpr int32_t kF7 = 118;
constexpr int32_t kCtrlO = kControl | 0x4F;
}  // namespace KeyCode

constexpr int32_t kMainWindow = 0;
constexpr int32_t kWindowWidth = 640;
constexpr int32_t kWindowHeight = 480;
constexpr char kWindowTitle[] = "Quodlet v0.9";
constexpr int32_t kAnimationTimer = 123;
constexpr int32_t kAnimationPeriodMs = 250;
