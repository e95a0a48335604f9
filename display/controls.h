#pragma once
// The numbers by which the program addresses the main window's controls,
// menu items and images. The display writes the machine into the controls;
// the front end builds them and reacts to their events.

#include <cstdint>

// The machine's parts that have one control each.
inline constexpr int32_t kRegisterCount = 16;  // R0..R15
inline constexpr int32_t kStackSlots = 3;      // the address stack's slots in use
inline constexpr int32_t kLampCount = 4;       // bits 0..3 of RAM output port 1

namespace Control {
// Text fields 0..15 show R0..R15; control n is register n.
constexpr int32_t kFirstRegister = 0;
constexpr int32_t kAccumulator = 16;
constexpr int32_t kProgramCounter = 17;
constexpr int32_t kCarry = 18;
// Labels 19..34 caption R0..R15 (label 19 + n for register n).
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

// The MCS-4 system's own window: what does not fit the main window.
namespace Mcs4Control {
constexpr int32_t kBankCaption = 100;
constexpr int32_t kBanks = 101;       // list: "Bank 0".."Bank 7", the bank shown selected
constexpr int32_t kFollowBank = 102;  // check box: show the bank DCL selected
constexpr int32_t kRam = 103;         // the bank's characters and status characters
constexpr int32_t kPorts = 104;       // the RAM output ports and the ROM output latches
constexpr int32_t kCycles = 105;      // the cycle count and the chip's time
constexpr int32_t kTest = 106;        // check box: the TEST pin
constexpr int32_t kRomInCaption = 107;
constexpr int32_t kFirstRomIn = 110;       // fields 110..125: ROM chip k's input lines
constexpr int32_t kFirstRomInLabel = 130;  // labels 130..145: "0".."F"
}  // namespace Mcs4Control

// The Source window's controls.
namespace SourceControl {
constexpr int32_t kLines = 200;     // line list: the source, numbered, with its marks
constexpr int32_t kWarnings = 201;  // list: the assembler's warnings, one a line
constexpr int32_t kStatus = 202;    // read-only field: why the last run stopped
}  // namespace SourceControl
// The Busicom 141-PF calculator's window.
namespace BusicomControl {
constexpr int32_t kTape = 300;      // list: the printed lines, the newest last
constexpr int32_t kCopyTape = 301;  // button
constexpr int32_t kMessage = 302;   // what to load, while no program is
constexpr int32_t kPointCaption = 303;
constexpr int32_t kPoint = 304;  // button: the decimal-point switch's position, stepped by a click
constexpr int32_t kRoundingCaption = 305;
constexpr int32_t kRounding = 306;        // button: the rounding switch
constexpr int32_t kFirstLamp = 310;       // images 310..312: memory, overflow, minus
constexpr int32_t kFirstLampLabel = 315;  // their captions
constexpr int32_t kFirstKey = 320;        // buttons 320..351, one per key of kBusicomKeys
}  // namespace BusicomControl

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
constexpr int32_t kReload = 9;
constexpr int32_t kStepOver = 10;
constexpr int32_t kRunToCursor = 11;
constexpr int32_t kToggleBreakpoint = 12;
constexpr int32_t kClearBreakpoints = 13;
constexpr int32_t kStepBack = 14;
constexpr int32_t kKeyboardShortcuts = 15;
constexpr int32_t kAbout = 16;
constexpr int32_t kMachineCompatible = 17;
constexpr int32_t kMachineMcs4 = 18;
constexpr int32_t kMachineExerciser = 19;
constexpr int32_t kMcs4Window = 20;
constexpr int32_t kStopOnUndefined = 21;
constexpr int32_t kStopOnOverflow = 22;
constexpr int32_t kStepOut = 23;
constexpr int32_t kGoToAddress = 24;
constexpr int32_t kReloadOnChange = 25;
constexpr int32_t kSourceWindow = 26;
// The Source window's own shortcuts, on no menu.
constexpr int32_t kSourceToggleBreakpoint = 27;  // F9 there: the selected line's breakpoint
constexpr int32_t kSourceRunToLine = 28;         // F4 there: Run to the selected line
constexpr int32_t kSourceFind = 29;              // Ctrl+F
constexpr int32_t kSourceGoTo = 30;              // Ctrl+G there: a label's or address's line
constexpr int32_t kMachineBusicom = 40;
constexpr int32_t kBusicomWindow = 41;
constexpr int32_t kSpeedFull = 42;
constexpr int32_t kSpeed1x = 43;  // real time, at the chip's 740 kHz
constexpr int32_t kSpeed10x = 44;
constexpr int32_t kSpeed100x = 45;
// Not on the menu bar: the calculator window's keys typed on the keyboard,
// one item per key of kBusicomKeys.
constexpr int32_t kFirstBusicomKey = 200;
}  // namespace MenuItem

namespace Image {
constexpr int32_t kLampOff = 0;
constexpr int32_t kLampOn = 1;
}  // namespace Image
