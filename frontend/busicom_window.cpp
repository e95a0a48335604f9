#include "frontend/busicom_window.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "core/busicom.h"
#include "display/controls.h"
#include "frontend/commands.h"
#include "frontend/controls.h"
#include "platform/key_codes.h"

namespace {

// The computer's keys that press the calculator's, in the calculator
// window. Escape stays the Run's stop key.
struct TypedKey {
    int32_t keyCode;
    std::string_view key;    // the calculator key's name
    std::string_view label;  // the computer key, as Help shows it
};
constexpr auto kTypedKeys = std::to_array<TypedKey>({
    {'0', "0", "0"},
    {'1', "1", "1"},
    {'2', "2", "2"},
    {'3', "3", "3"},
    {'4', "4", "4"},
    {'5', "5", "5"},
    {'6', "6", "6"},
    {'7', "7", "7"},
    {'8', "8", "8"},
    {'9', "9", "9"},
    {KeyCode::kPoint, ".", "."},
    {KeyCode::kPlus, "+", "+"},
    {KeyCode::kMinus, "-", "-"},
    {KeyCode::kTimes, "*", "*"},
    {KeyCode::kDivide, "/", "/"},
    {KeyCode::kEquals, "=", "="},
    {KeyCode::kReturn, "=", "Enter"},
    {KeyCode::kBackspace, "CE", "Backspace"},
    {KeyCode::kDelete, "CL", "Delete"},
    {'S', "S", "S"},
    {'X', "EX", "X"},
    {'Q', "SQ", "Q"},
    {'P', "%", "P"},
    {'M', "M+", "M"},
    {'N', "M-", "N"},
    {'R', "RM", "R"},
    {'C', "CM", "C"},
});

constexpr std::array<std::string_view, 3> kLampNames = {"Memory", "Overflow", "Minus"};

// The keyboard as the calculator lays it out: a column of the key matrix
// per column of buttons, the sign and clear keys at the left, then the
// digits as on a keypad, the operations, the memory keys at the right.
constexpr int32_t kKeyWidth = 40;
constexpr int32_t kKeyHeight = 30;
constexpr int32_t kKeysLeft = 250;
constexpr int32_t kKeysTop = 120;

int32_t IndexOf(const BusicomKey& key) {
    return static_cast<int32_t>(&key - kBusicomKeys.data());
}

void Build(WindowLayer& layer) {
    using namespace BusicomControl;
    auto control = [&layer](ControlKind kind, int32_t number, int32_t x, int32_t y, int32_t width,
                            int32_t height, const std::string& text) {
        layer.CreateControl(kBusicomWindow, kind, number, x, y, width, height, text, false);
    };
    control(ControlKind::LineList, kTape, 5, 5, 235, 290, "");
    layer.SetAccessibleName(kTape, "Paper tape");
    control(ControlKind::Button, kCopyTape, 5, 300, 235, 25, "Copy Tape");
    control(ControlKind::Label, kMessage, 250, 5, 345, 40, "");
    for (size_t k = 0; k < kLampNames.size(); ++k) {
        const auto lamp = static_cast<int32_t>(k);
        const int32_t x = 250 + 100 * lamp;
        control(ControlKind::Image, kFirstLamp + lamp, x, 50, 16, 16, "");
        layer.SetAccessibleName(kFirstLamp + lamp, std::string(kLampNames[k]) + " lamp");
        control(ControlKind::Label, kFirstLampLabel + lamp, x + 20, 48, 75, 20,
                std::string(kLampNames[k]));
    }
    control(ControlKind::Label, kPointCaption, 250, 80, 90, 30, "Decimal point");
    control(ControlKind::Button, kPoint, 340, 80, 40, 30, "");
    layer.SetAccessibleName(kPoint, "Decimal-point switch");
    control(ControlKind::Label, kRoundingCaption, 420, 80, 70, 30, "Rounding");
    control(ControlKind::Button, kRounding, 490, 80, 50, 30, "");
    layer.SetAccessibleName(kRounding, "Rounding switch");
    for (const BusicomKey& key : kBusicomKeys) {
        const int32_t x = kKeysLeft + (7 - key.column) * (kKeyWidth + 1);
        const int32_t y = kKeysTop + key.row * (kKeyHeight + 2);
        control(ControlKind::Button, kFirstKey + IndexOf(key), x, y, kKeyWidth, kKeyHeight,
                std::string(key.legend));
        layer.SetAccessibleName(kFirstKey + IndexOf(key), "Key " + std::string(key.name));
    }
}

void AddKeyShortcuts(WindowLayer& layer) {
    AddShortcutsTo(layer, kBusicomWindow);
    for (const TypedKey& typed : kTypedKeys) {
        const BusicomKey* key = BusicomKeyByName(typed.key);
        if (key != nullptr) {
            layer.AddShortcut(kBusicomWindow, typed.keyCode,
                              MenuItem::kFirstBusicomKey + IndexOf(*key));
        }
    }
}

// A key held shows its legend in brackets until the program has read it.
std::string KeyCaption(const Mcs4State& state, const BusicomKey& key) {
    const bool held = (state.keysDown[static_cast<size_t>(key.column)] >> key.row & 1) != 0;
    return held ? "[" + std::string(key.legend) + "]" : std::string(key.legend);
}

std::string Message(const Workbench& workbench) {
    const auto& rom = workbench.mcs4.rom;
    if (std::any_of(rom.begin(), rom.end(), [](int32_t byte) { return byte != 0; })) return "";
    return "No program loaded. Open the calculator's ROM, the 1,280 bytes of its five 4001s,\r\n"
           "with File > Open (or: quodlet --machine busicom FILE).";
}

void RefreshTape(Workbench& workbench, WindowLayer& layer) {
    const auto printed = static_cast<size_t>(BusicomLinesPrinted(workbench.mcs4));
    std::vector<BusicomLine>& tape = workbench.tape;
    if (printed == tape.size() && workbench.tapeShown == tape.size()) return;
    // Fewer lines than shown: stepped back across a feed.
    if (printed < tape.size()) tape.resize(printed);
    for (auto n = static_cast<int64_t>(tape.size()); n < static_cast<int64_t>(printed); ++n) {
        // Lines fed faster than the window looked are gone but for the last
        // ones the board keeps; a blank stands for each of the others.
        tape.push_back(BusicomTapeLine(workbench.mcs4, n).value_or(BusicomLine{}));
    }
    std::vector<std::string> lines;
    lines.reserve(tape.size());
    for (const BusicomLine& line : tape) lines.push_back(line.text);
    layer.SetLines(BusicomControl::kTape, lines);
    for (size_t n = 0; n < tape.size(); ++n) {
        if (tape[n].red) {
            layer.SetLineFlags(BusicomControl::kTape, static_cast<int32_t>(n), LineFlag::kRedText);
        }
    }
    layer.ScrollToLine(BusicomControl::kTape, static_cast<int32_t>(tape.size()) - 1);
    workbench.tapeShown = tape.size();
}

}  // namespace

void ShowBusicomWindow(Workbench& workbench, WindowLayer& layer) {
    if (workbench.machine != MachineKind::Busicom) {
        layer.Show(kBusicomWindowTitle,
                   "Only the Busicom 141-PF machine has a calculator to show.\r\n"
                   "Choose it in the Machine menu first.");
        return;
    }
    if (!workbench.busicomWindowBuilt) {
        if (!layer.OpenWindow(kBusicomWindow, kBusicomWindowWidth, kBusicomWindowHeight,
                              kBusicomWindowTitle))
            return;
        Build(layer);
        AddKeyShortcuts(layer);
        workbench.busicomWindowBuilt = true;
        workbench.tapeShown = 0;
    } else {
        layer.ShowWindow(kBusicomWindow, true);
    }
    workbench.busicomWindowShown = true;
    RefreshBusicomWindow(workbench, layer);
}

void HideBusicomWindow(Workbench& workbench, WindowLayer& layer) {
    if (!workbench.busicomWindowShown) return;
    layer.ShowWindow(kBusicomWindow, false);
    workbench.busicomWindowShown = false;
}

void RefreshBusicomWindow(Workbench& workbench, WindowLayer& layer) {
    using namespace BusicomControl;
    if (!workbench.busicomWindowShown) return;
    const Mcs4State& state = workbench.mcs4;
    layer.SetText(kMessage, Message(workbench));
    const BusicomLampState lamps = BusicomLamps(state);
    const std::array<bool, 3> lit = {lamps.memory, lamps.overflow, lamps.minus};
    for (size_t k = 0; k < lit.size(); ++k) {
        layer.ShowImage(kFirstLamp + static_cast<int32_t>(k),
                        lit[k] ? Image::kLampOn : Image::kLampOff);
    }
    layer.SetText(kPoint, std::string(BusicomSwitchText(
                              BusicomSwitchPosition(state, BusicomSwitch::DecimalPoint),
                              BusicomSwitch::DecimalPoint)));
    layer.SetText(kRounding, std::string(BusicomSwitchText(
                                 BusicomSwitchPosition(state, BusicomSwitch::Rounding),
                                 BusicomSwitch::Rounding)));
    for (const BusicomKey& key : kBusicomKeys) {
        layer.SetText(kFirstKey + IndexOf(key), KeyCaption(state, key));
    }
    RefreshTape(workbench, layer);
}

bool BusicomWindowEvent(Workbench& workbench, WindowLayer& layer, const Event& event) {
    using namespace BusicomControl;
    if (event.kind == EventKind::Close && event.number == kBusicomWindow) {
        HideBusicomWindow(workbench, layer);
        return true;
    }
    const BusicomKey* key = nullptr;
    if (event.kind == EventKind::Menu && event.number >= MenuItem::kFirstBusicomKey &&
        event.number < MenuItem::kFirstBusicomKey + static_cast<int32_t>(kBusicomKeys.size())) {
        key = &kBusicomKeys[static_cast<size_t>(event.number - MenuItem::kFirstBusicomKey)];
    } else if (event.kind == EventKind::Control && event.number >= kFirstKey &&
               event.number < kFirstKey + static_cast<int32_t>(kBusicomKeys.size())) {
        key = &kBusicomKeys[static_cast<size_t>(event.number - kFirstKey)];
    } else if (event.kind != EventKind::Control) {
        return false;
    }
    if (workbench.machine != MachineKind::Busicom) return key != nullptr;
    if (key != nullptr) {
        PressBusicomKey(ChangeMcs4(workbench), *key);
    } else if (event.number == kPoint) {
        StepBusicomSwitch(ChangeMcs4(workbench), BusicomSwitch::DecimalPoint);
    } else if (event.number == kRounding) {
        StepBusicomSwitch(ChangeMcs4(workbench), BusicomSwitch::Rounding);
    } else if (event.number == kCopyTape) {
        layer.SetClipboardText(BusicomTapeText(workbench));
        return true;
    } else if (event.number != kTape) {
        return false;
    }
    RefreshBusicomWindow(workbench, layer);
    return true;
}

std::string BusicomTapeText(const Workbench& workbench) {
    std::string text;
    for (const BusicomLine& line : workbench.tape) {
        std::string_view printed = line.text;
        while (!printed.empty() && printed.back() == ' ') printed.remove_suffix(1);
        text += printed;
        if (line.red) text += "  (red)";
        text += '\n';
    }
    return text;
}

std::string BusicomKeyboardText() {
    std::string text = "In the Busicom 141-PF window, these keys press the calculator's:";
    for (const TypedKey& typed : kTypedKeys) {
        const BusicomKey* key = BusicomKeyByName(typed.key);
        if (key == nullptr) continue;
        text += "\r\n" + std::string(typed.label) + "\t" + std::string(key->legend);
    }
    return text;
}
