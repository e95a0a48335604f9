#include "frontend/main_window.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "data/lamps.h"
#include "frontend/commands.h"
#include "frontend/controls.h"

namespace {

struct ControlLayout {
    int32_t number;
    ControlKind kind;
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    const char* text;
    bool centred;
};

constexpr bool kCentred = true;
constexpr bool kLeft = false;

// Every control of the main window in the order of its creation, which is
// also the Tab order. Register n: label 19 + n above field n, column n mod 2,
// row n div 2. The lamps stand right to left: 38 (bit 0) at x 320 down to
// 41 (bit 3) at x 260, so the port reads as a binary number.
constexpr std::array<ControlLayout, Control::kCount> kControls = {{
    {19, ControlKind::Label, 0, 0, 40, 20, "R0", kCentred},
    {0, ControlKind::TextField, 0, 20, 40, 20, "FF", kLeft},
    {20, ControlKind::Label, 40, 0, 40, 20, "R1", kCentred},
    {1, ControlKind::TextField, 40, 20, 40, 20, "FF", kLeft},
    {21, ControlKind::Label, 0, 40, 40, 20, "R2", kCentred},
    {2, ControlKind::TextField, 0, 60, 40, 20, "FF", kLeft},
    {22, ControlKind::Label, 40, 40, 40, 20, "R3", kCentred},
    {3, ControlKind::TextField, 40, 60, 40, 20, "FF", kLeft},
    {23, ControlKind::Label, 0, 80, 40, 20, "R4", kCentred},
    {4, ControlKind::TextField, 0, 100, 40, 20, "FF", kLeft},
    {24, ControlKind::Label, 40, 80, 40, 20, "R5", kCentred},
    {5, ControlKind::TextField, 40, 100, 40, 20, "FF", kLeft},
    {25, ControlKind::Label, 0, 120, 40, 20, "R6", kCentred},
    {6, ControlKind::TextField, 0, 140, 40, 20, "FF", kLeft},
    {26, ControlKind::Label, 40, 120, 40, 20, "R7", kCentred},
    {7, ControlKind::TextField, 40, 140, 40, 20, "FF", kLeft},
    {27, ControlKind::Label, 0, 160, 40, 20, "R8", kCentred},
    {8, ControlKind::TextField, 0, 180, 40, 20, "FF", kLeft},
    {28, ControlKind::Label, 40, 160, 40, 20, "R9", kCentred},
    {9, ControlKind::TextField, 40, 180, 40, 20, "FF", kLeft},
    {29, ControlKind::Label, 0, 200, 40, 20, "R10", kCentred},
    {10, ControlKind::TextField, 0, 220, 40, 20, "FF", kLeft},
    {30, ControlKind::Label, 40, 200, 40, 20, "R11", kCentred},
    {11, ControlKind::TextField, 40, 220, 40, 20, "FF", kLeft},
    {31, ControlKind::Label, 0, 240, 40, 20, "R12", kCentred},
    {12, ControlKind::TextField, 0, 260, 40, 20, "FF", kLeft},
    {32, ControlKind::Label, 40, 240, 40, 20, "R13", kCentred},
    {13, ControlKind::TextField, 40, 260, 40, 20, "FF", kLeft},
    {33, ControlKind::Label, 0, 280, 40, 20, "R14", kCentred},
    {14, ControlKind::TextField, 0, 300, 40, 20, "FF", kLeft},
    {34, ControlKind::Label, 40, 280, 40, 20, "R15", kCentred},
    {15, ControlKind::TextField, 40, 300, 40, 20, "FF", kLeft},
    {Control::kCarry, ControlKind::CheckBox, 80, 0, 30, 20, "C", kLeft},
    {Control::kAccumulatorLabel, ControlKind::Label, 110, 0, 30, 20, "A", kCentred},
    {Control::kAccumulator, ControlKind::TextField, 140, 0, 20, 20, "AA", kCentred},
    {Control::kProgramCounterLabel, ControlKind::Label, 160, 0, 40, 20, "PC", kCentred},
    {Control::kProgramCounter, ControlKind::TextField, 200, 0, 40, 20, "FF", kCentred},
    {Control::kCodeListing, ControlKind::List, 90, 20, 200, 420, "", kLeft},
    {Control::kStack, ControlKind::List, 295, 20, 40, 50, "", kLeft},
    // The field limits and the lamp images come between the lists and the
    // lamps (kControlsBeforeLamps).
    {38, ControlKind::Image, 320, 0, 16, 16, "", kLeft},
    {39, ControlKind::Image, 300, 0, 16, 16, "", kLeft},
    {40, ControlKind::Image, 280, 0, 16, 16, "", kLeft},
    {41, ControlKind::Image, 260, 0, 16, 16, "", kLeft},
    {Control::kSrc, ControlKind::ReadOnlyTextField, 340, 0, 290, 20, "src", kCentred},
    {Control::kRamDump, ControlKind::MultiLineText, 295, 105, 340, 335, "", kLeft},
}};
constexpr size_t kControlsBeforeLamps = 39;
static_assert(kControls[kControlsBeforeLamps].number == Control::kFirstLamp);

constexpr int32_t kRegisterDigits = 2;
constexpr int32_t kProgramCounterDigits = 4;
constexpr char kListingFace[] = "Courier";
constexpr int32_t kListingPoints = 8;

// The name by which screen readers and UI automation find a control that
// shows part of the machine; captions need none, their text is their name.
std::string AccessibleNameOf(int32_t number) {
    if (number >= Control::kFirstRegister && number < Control::kFirstRegister + kRegisterCount) {
        std::string name = "R";  // appended, not "R" + ...: GCC 12 warns falsely on that
        return name += std::to_string(number - Control::kFirstRegister);
    }
    if (number >= Control::kFirstLamp && number < Control::kFirstLamp + kLampCount) {
        std::string name = "Lamp bit ";
        return name += std::to_string(number - Control::kFirstLamp);
    }
    switch (number) {
        case Control::kAccumulator: return "Accumulator";
        case Control::kProgramCounter: return "Program counter";
        case Control::kCarry: return "Carry";
        case Control::kCodeListing: return "Code listing";
        case Control::kStack: return "Stack";
        case Control::kSrc: return "SRC";
        case Control::kRamDump: return "RAM";
        default: return std::string();
    }
}

void CreateControls(WindowLayer& layer, std::span<const ControlLayout> controls) {
    for (const ControlLayout& c : controls) {
        layer.CreateControl(kMainWindow, c.kind, c.number, c.x, c.y, c.width, c.height, c.text,
                            c.centred);
        const std::string name = AccessibleNameOf(c.number);
        if (!name.empty()) layer.SetAccessibleName(c.number, name);
        // A lamp starts dark.
        if (c.kind == ControlKind::Image) layer.ShowImage(c.number, Image::kLampOff);
    }
}

void LimitFields(WindowLayer& layer) {
    for (int32_t n = 0; n < kRegisterCount; ++n)
        layer.LimitText(Control::kFirstRegister + n, kRegisterDigits);
    layer.LimitText(Control::kProgramCounter, kProgramCounterDigits);
    layer.LimitText(Control::kAccumulator, kRegisterDigits);
}

void GiveListingFont(WindowLayer& layer) {
    const int32_t font = layer.CreateFont(kListingFace, kListingPoints);
    if (font < 0) return;  // both keep the default font
    layer.SetFont(Control::kCodeListing, font);
    layer.SetFont(Control::kRamDump, font);
}

}  // namespace

void BuildMainWindow(WindowLayer& layer) {
    const std::span<const ControlLayout> controls(kControls);
    CreateControls(layer, controls.first(kControlsBeforeLamps));
    LimitFields(layer);
    layer.CreateImage(Image::kLampOff, LampPicture(Image::kLampOff));
    layer.CreateImage(Image::kLampOn, LampPicture(Image::kLampOn));
    CreateControls(layer, controls.subspan(kControlsBeforeLamps));
    GiveListingFont(layer);
    BuildMenus(layer);
}
