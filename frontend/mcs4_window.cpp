#include "frontend/mcs4_window.h"

#include <string>

#include "core/hex.h"
#include "display/controls.h"
#include "display/state_display.h"
#include "frontend/commands.h"
#include "frontend/controls.h"

namespace {

constexpr char kFixedFace[] = "Courier";
constexpr int32_t kFixedPoints = 8;

void Build(WindowLayer& layer) {
    using namespace Mcs4Control;
    auto control = [&layer](ControlKind kind, int32_t number, int32_t x, int32_t y, int32_t width,
                            int32_t height, const std::string& text, bool centred) {
        layer.CreateControl(kMcs4Window, kind, number, x, y, width, height, text, centred);
    };
    control(ControlKind::Label, kBankCaption, 0, 0, 80, 20, "RAM bank", true);
    control(ControlKind::List, kBanks, 5, 20, 70, 150, "", false);
    layer.SetAccessibleName(kBanks, "RAM bank");
    for (int32_t bank = 0; bank < kMcs4Banks; ++bank) {
        layer.AppendLine(kBanks, "Bank " + std::to_string(bank));
    }
    control(ControlKind::CheckBox, kFollowBank, 5, 175, 75, 20, "DCL's", false);
    layer.SetAccessibleName(kFollowBank, "Show the bank DCL selected");
    control(ControlKind::MultiLineText, kRam, 85, 5, 250, 330, "", false);
    layer.SetAccessibleName(kRam, "RAM characters and status");
    control(ControlKind::MultiLineText, kPorts, 340, 5, 255, 190, "", false);
    layer.SetAccessibleName(kPorts, "Output ports");
    control(ControlKind::ReadOnlyTextField, kCycles, 340, 200, 255, 20, "", false);
    layer.SetAccessibleName(kCycles, "Cycles");
    control(ControlKind::CheckBox, kTest, 340, 230, 255, 20, "TEST pin at 1", false);
    control(ControlKind::Label, kRomInCaption, 340, 260, 255, 20, "ROM input lines, chip 0 to F",
            true);
    for (int32_t chip = 0; chip < kMcs4RomChips; ++chip) {
        const int32_t x = 340 + 16 * chip;
        control(ControlKind::Label, kFirstRomInLabel + chip, x, 280, 16, 20, PlainHex(chip), true);
        control(ControlKind::TextField, kFirstRomIn + chip, x, 300, 16, 20, "0", true);
        layer.LimitText(kFirstRomIn + chip, 1);
        layer.SetAccessibleName(kFirstRomIn + chip, "ROM " + PlainHex(chip) + " input lines");
    }
    const int32_t font = layer.CreateFont(kFixedFace, kFixedPoints);
    if (font >= 0) {
        layer.SetFont(kRam, font);
        layer.SetFont(kPorts, font);
    }
}

int32_t ShownBank(const Workbench& workbench) {
    return workbench.shownBank < 0 ? workbench.mcs4.cr : workbench.shownBank;
}

}  // namespace

void ShowMcs4Window(Workbench& workbench, WindowLayer& layer) {
    if (!Mcs4Chosen(workbench)) {
        layer.Show(kMcs4WindowTitle,
                   "The compatible machine has no banks, ports or inputs of its own to show.\r\n"
                   "Choose an MCS-4 machine in the Machine menu first.");
        return;
    }
    if (!workbench.mcs4WindowBuilt) {
        if (!layer.OpenWindow(kMcs4Window, kMcs4WindowWidth, kMcs4WindowHeight, kMcs4WindowTitle))
            return;
        Build(layer);
        AddShortcutsTo(layer, kMcs4Window);
        workbench.mcs4WindowBuilt = true;
    } else {
        layer.ShowWindow(kMcs4Window, true);
    }
    workbench.mcs4WindowShown = true;
    RefreshMcs4Window(workbench, layer);
}

void HideMcs4Window(Workbench& workbench, WindowLayer& layer) {
    if (!workbench.mcs4WindowShown) return;
    layer.ShowWindow(kMcs4Window, false);
    workbench.mcs4WindowShown = false;
}

void RefreshMcs4Window(Workbench& workbench, WindowLayer& layer) {
    if (!workbench.mcs4WindowShown) return;
    RefreshMcs4Window(workbench.mcs4, ShownBank(workbench), workbench.shownBank < 0, layer);
}

bool Mcs4WindowEvent(Workbench& workbench, WindowLayer& layer, const Event& event) {
    using namespace Mcs4Control;
    if (event.kind == EventKind::Close && event.number == kMcs4Window) {
        HideMcs4Window(workbench, layer);
        return true;
    }
    if (event.kind != EventKind::Control) return false;
    const int32_t control = event.number;
    if (control == kBanks) {
        const int32_t line = layer.SelectedLine(kBanks);
        if (line >= 0) workbench.shownBank = line;
    } else if (control == kFollowBank) {
        workbench.shownBank = layer.GetCheck(kFollowBank) != 0 ? -1 : workbench.mcs4.cr;
    } else if (control == kTest) {
        // On the exerciser board TEST follows a RAM port: the click is undone.
        if (workbench.machine == MachineKind::Mcs4) {
            ChangeMcs4(workbench).test = layer.GetCheck(kTest);
        }
    } else if (control >= kFirstRomIn && control < kFirstRomIn + kMcs4RomChips) {
        uint32_t value = 0;
        if (event.type != ControlEventType::Change || !ParseHex(layer.GetText(control), 0xF, value))
            return true;  // no digit (yet): nothing is stored, as in the main window
        ChangeMcs4(workbench).romIn[static_cast<size_t>(control - kFirstRomIn)] =
            static_cast<uint8_t>(value);
        return true;  // the field shows what was typed
    } else {
        return false;
    }
    RefreshMcs4Window(workbench, layer);
    return true;
}
