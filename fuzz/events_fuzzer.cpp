// Plays any sequence of what a user can do through the real event loop on the
// in-memory window: menu items (also numbers no item has; the machines and
// the MCS-4 system's window among them), shortcut keys, typed, pasted and
// cleared text of any characters in any control of either window, clicks on
// the check boxes and on list lines, sources opened or changed on disk, the
// Source window's clicks, keys and text dialogs, timer ticks, answers to the open-file
// dialog (programs of the input's own, files that load, files too big, a
// folder, a missing path, a dangling link, a named pipe, a device, a
// cancel) and Escape held or let go.
//
// Checked after every action: the window stays whole (32 listing lines with
// one selected, three or four stack lines, an 18-line RAM dump of 36
// characters);
// a refused file changes nothing; at the end the program memory holds
// bytes and the loop has shut the window down.
//
// Step Back after any sequence of executions yields exactly the earlier
// states, on whichever machine is chosen: after every action (outside a
// Run) the machine is noted with the
// history's length; whenever the history is back at a length noted since the
// last barrier, by Step Back or by executing nothing, the machine must be as
// noted then (`running` aside, which is the commands' to set). At the end
// the history is stepped back through once more, a few thousand steps at
// most, against the same notes.
//
// Every Run and animation ends: Escape counts as held once an input has
// polled it often enough, and after the last action.

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/examples.h"
#include "debug/history.h"
#include "frontend/app.h"
#include "frontend/controls.h"
#include "frontend/run_control.h"
#include "frontend/workbench.h"
#include "fuzz/fuzz_support.h"
#include "platform/headless/headless_layer.h"

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kMostActions = 200;
// A source that assembles, with labels, a call and a warning.
constexpr char kFuzzSource[] =
    "; fuzz\nSTART: LDM 1\n  JMS CALC\n  FIM P0, 0x1FF\n  JUN START\nCALC: IAC\n  BBL 0\n";
// A Run polls Escape once per event take, every 4096 instructions: the
// budget lets an input's Runs execute about 200,000 instructions in all.
constexpr int32_t kEscapePollBudget = 50;

// The in-memory window, with Escape pressed for good once the budget of
// polls is spent, so that no Run of an endless loop outlasts the input.
class BoundedLayer : public HeadlessLayer {
public:
    bool IsKeyDown(int32_t keyCode) override {
        const bool held = HeadlessLayer::IsKeyDown(keyCode);
        return held || (keyCode == KeyCode::kEscape && escapePolls > kEscapePollBudget);
    }
};

void WriteFile(const fs::path& path, size_t size) {
    std::ofstream file(path, std::ios::binary);
    for (size_t k = 0; k < size; ++k)
        file.put(static_cast<char>(ExampleSquare[k % ExampleSquare.size()]));
}

// The answers a user may give the open-file dialog, made once per process.
const std::vector<std::string>& DialogAnswers() {
    static const std::vector<std::string> answers = [] {
        const fs::path folder = FuzzFolder() / "events";
        fs::create_directories(folder);
        WriteFile(folder / "square.bin", ExampleSquare.size());
        WriteFile(folder / "prog ä ü.bin", 300);
        WriteFile(folder / "full.bin", 65536);
        WriteFile(folder / "big.bin", 65537);
        WriteFile(folder / "empty.bin", 0);
        fs::create_directories(folder / "folder.bin");
        fs::create_symlink(folder / "nothing", folder / "dangling.bin");
        fs::create_symlink(folder / "square.bin", folder / "link.bin");
        ::mkfifo((folder / "pipe.bin").c_str(), 0600);
        std::vector<std::string> paths;
        for (const char* name :
             {"square.bin", "prog ä ü.bin", "full.bin", "big.bin", "empty.bin", "folder.bin",
              "dangling.bin", "link.bin", "pipe.bin", "missing.bin"})
            paths.push_back((folder / name).string());
        paths.emplace_back("/dev/zero");
        paths.emplace_back("");  // cancelled
        return paths;
    }();
    return answers;
}

int32_t DecodeControl(FuzzInput& input) {
    // Mostly the editable fields and the carry box, or the MCS-4 window's
    // bank list, boxes and input lines; now and then any number.
    switch (input.Below(3)) {
        case 0: return static_cast<int32_t>(input.Below(19));
        case 1: return Mcs4Control::kBankCaption + static_cast<int32_t>(input.Below(26));
        default: return static_cast<int32_t>(input.Byte()) - 8;
    }
}

int32_t DecodeKey(FuzzInput& input) {
    switch (input.Below(9)) {
        case 0: return KeyCode::kF5;
        case 1: return KeyCode::kF7;
        case 2: return KeyCode::kCtrlO;
        case 3: return KeyCode::kEscape;
        case 4: return KeyCode::kF7 | KeyCode::kShift;
        case 5: return KeyCode::kF8;
        case 6: return KeyCode::kF4;
        case 7: return KeyCode::kF9;
        default: return static_cast<int32_t>(input.Long());
    }
}

// The machine as it stood at a length of the history: its snapshot's
// bytes, `running` left out, which is the commands' to set.
struct HistoryNote {
    MachineKind machine;
    int64_t length;
    std::vector<std::byte> bytes;
};

template <typename State>
std::vector<std::byte> NoteOf(const State& state) {
    auto copy = std::make_unique<State>(state);
    copy->running = 0;
    Snapshot<State> snapshot{};
    TakeSnapshot(*copy, snapshot);
    return {snapshot.bytes.begin(), snapshot.bytes.end()};
}

// How many Step Backs the end of an input makes at most.
constexpr int32_t kFinalStepsBack = 3000;

struct Run {
    std::unique_ptr<Workbench> workbench = std::make_unique<Workbench>();
    BoundedLayer layer;
    // Taken just before an Open, compared after it if it was refused.
    std::unique_ptr<LoadSnapshot> beforeOpen;
    size_t dialogsBeforeOpen = 0;
    size_t messagesBeforeOpen = 0;
    std::vector<HistoryNote> notes;  // lengths rising, all since the last barrier

    // The invariant of Step Back, at a point where no Run is under way, on
    // whichever machine is chosen.
    void CheckHistory() {
        const bool mcs4 = Mcs4Chosen(*workbench);
        const size_t size = mcs4 ? workbench->mcs4History.size : workbench->history.size;
        const int64_t length =
            mcs4 ? HistoryLength(workbench->mcs4History) : HistoryLength(workbench->history);
        // A barrier empties the history, and every action is followed by a
        // check before the next can record anything: an empty history means
        // the notes are of a machine that may since have been changed.
        if (size == 0 || (!notes.empty() && notes.back().machine != workbench->machine)) {
            notes.clear();
        }
        std::vector<std::byte> now = mcs4 ? NoteOf(workbench->mcs4) : NoteOf(workbench->state);
        while (!notes.empty() && notes.back().length > length) notes.pop_back();
        if (!notes.empty() && notes.back().length == length) {
            FuzzCheck(notes.back().bytes == now, "Step Back yields the earlier state",
                      std::to_string(length));
            notes.pop_back();
        }
        notes.push_back({workbench->machine, length, std::move(now)});
    }

    void ScriptOpen(const std::string& answer) {
        layer.Call([this, answer] {
            layer.dialogAnswers.push_back(answer);
            beforeOpen = std::make_unique<LoadSnapshot>(*workbench);
            dialogsBeforeOpen = layer.dialogCalls.size();
            messagesBeforeOpen = layer.messages.size();
        });
        layer.ChooseMenu(MenuItem::kOpen);
        layer.Call([this] {
            // An Open chosen during a Run is not acted on; one that was
            // shows its dialog and, when refused, a message.
            if (layer.dialogCalls.size() != dialogsBeforeOpen + 1) return;
            if (layer.messages.size() == messagesBeforeOpen) return;
            const std::string& title = layer.messages.back().first;
            if (title == "Big size" || title == "file error")
                beforeOpen->CheckUnchanged(*workbench);
        });
    }

    // Writes the program when the loop reaches it, then opens it.
    void ScriptOpenProgram(const std::string& program) {
        const std::string path = (FuzzFolder() / "program.bin").string();
        layer.Call([path, program] {
            std::ofstream(path, std::ios::binary | std::ios::trunc)
                .write(program.data(), static_cast<std::streamsize>(program.size()));
        });
        ScriptOpen(path);
    }

    void ScriptAction(FuzzInput& input) {
        switch (input.Below(17)) {
            case 0:
            case 1: {
                const bool anyNumber = input.Below(16) == 0;
                layer.ChooseMenu(anyNumber ? static_cast<int32_t>(input.Long())
                                           : static_cast<int32_t>(input.Below(31)));
                break;
            }
            case 2: layer.PressKey(DecodeKey(input)); break;
            case 3: {
                const int32_t control = DecodeControl(input);
                layer.TypeText(control, input.Text(6));
                break;
            }
            case 4: {
                const int32_t control = DecodeControl(input);
                layer.PasteOver(control, input.Text(10));
                break;
            }
            case 5: layer.ClearField(DecodeControl(input)); break;
            case 6:
                layer.ClickCheckBox(input.Flag() ? Control::kCarry : DecodeControl(input));
                break;
            case 7: {
                const int32_t lists[] = {Control::kCodeListing, Control::kStack,
                                         Mcs4Control::kBanks};
                const int32_t list = lists[input.Below(3)];
                const int32_t line = static_cast<int32_t>(input.Below(40)) - 4;
                if (input.Flag()) {
                    layer.DoubleClickLine(list, line);
                } else {
                    layer.ClickLine(list, line);
                }
                break;
            }
            case 8:
                layer.Tick(input.Flag() ? kAnimationTimer : static_cast<int32_t>(input.Long()));
                break;
            case 9: {
                // One of the prepared answers, or a program of the input's own.
                const std::vector<std::string>& answers = DialogAnswers();
                const uint32_t answer = input.Below(static_cast<uint32_t>(answers.size() + 1));
                if (answer < answers.size()) {
                    ScriptOpen(answers[answer]);
                } else {
                    ScriptOpenProgram(input.Text(64));
                }
                break;
            }
            case 10: {
                const int32_t takes = static_cast<int32_t>(input.Below(50));
                if (input.Flag()) {
                    layer.Call([this, takes] { layer.HoldEscapeAfter(takes); });
                } else {
                    layer.Call([this] { layer.ReleaseEscape(); });
                }
                break;
            }
            case 11: layer.ChooseMenu(MenuItem::kRun); break;
            case 12: layer.ChooseMenu(MenuItem::kStep); break;
            case 13: layer.ChooseMenu(MenuItem::kAnimate); break;
            case 14: {
                // A source: a good one with labels and a warning, or the
                // input's own text; written anew, it may also come as a
                // change of the watched file.
                const std::string path = (FuzzFolder() / "program.asm").string();
                const std::string text = input.Flag() ? std::string(kFuzzSource) : input.Text(80);
                layer.Call([path, text] { std::ofstream(path, std::ios::trunc) << text; });
                if (input.Flag()) {
                    layer.ChangeWatchedFile();
                } else {
                    ScriptOpen(path);
                }
                break;
            }
            case 15: ScriptSourceAction(input); break;
            default: layer.Close(); break;
        }
        layer.Call([this] {
            CheckWindow(layer);
            if (!layer.busy) CheckHistory();  // a Run takes this step midway
        });
    }

    // What a user does in the Source window: clicks in its lines, gutter and
    // warnings, its keys, the answer to its text dialogs.
    void ScriptSourceAction(FuzzInput& input) {
        const int32_t line = static_cast<int32_t>(input.Below(24)) - 2;
        switch (input.Below(5)) {
            case 0: layer.ClickGutter(SourceControl::kLines, line); break;
            case 1: layer.ClickLine(SourceControl::kLines, line); break;
            case 2: layer.ClickLine(SourceControl::kWarnings, line); break;
            case 3: {
                const int32_t keys[] = {KeyCode::kF9,    KeyCode::kF4,
                                        KeyCode::kCtrlF, KeyCode::kCtrlG,
                                        KeyCode::kF5,    KeyCode::kShift | KeyCode::kF8};
                layer.PressKeyIn(kSourceWindow, keys[input.Below(6)]);
                break;
            }
            default: {
                std::optional<std::string> answer;
                if (input.Flag()) answer = input.Text(8);
                layer.Call([this, answer] { layer.textAnswers.push_back(answer); });
                break;
            }
        }
    }

    // After the loop: back through the history against the notes.
    void StepBackToTheStart() {
        CheckHistory();
        for (int32_t k = 0; k < kFinalStepsBack; ++k) {
            const bool back = WithCpu(workbench->machine, [this](auto cpu) {
                using Cpu = decltype(cpu);
                return StepBackOn<Cpu>(HistoryFor<Cpu>(*workbench), StateOf<Cpu>(*workbench));
            });
            if (!back) break;
            CheckHistory();
        }
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    Run run;
    for (uint32_t k = 0; k < kMostActions && !input.Empty(); ++k) run.ScriptAction(input);
    // Then Escape for good, which ends an animation at its next tick.
    run.layer.Call([&run] { run.layer.HoldEscapeAfter(0); });

    FuzzCheck(RunQuodlet(*run.workbench, run.layer) == 0, "exit code");
    FuzzCheck(run.layer.released, "window released at the end");
    CheckRomBytes(run.workbench->state);
    run.StepBackToTheStart();
    return 0;
}
