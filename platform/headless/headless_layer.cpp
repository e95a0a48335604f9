#include "platform/headless/headless_layer.h"

#include <algorithm>
#include <cctype>

#include "platform/key_codes.h"

HeadlessControl* HeadlessLayer::Find(int32_t control) {
    if (!windowOpen) return nullptr;
    auto found = controls.find(control);
    return found == controls.end() ? nullptr : &found->second;
}

HeadlessControl* HeadlessLayer::Find(int32_t control, ControlKind kind) {
    HeadlessControl* found = Find(control);
    return found != nullptr && found->kind == kind ? found : nullptr;
}

HeadlessControl* HeadlessLayer::FindShown(int32_t control, ControlKind kind) {
    HeadlessControl* found = Find(control, kind);
    const HeadlessWindow* window = found == nullptr ? nullptr : FindWindow(found->window);
    return window != nullptr && window->shown ? found : nullptr;
}

HeadlessWindow* HeadlessLayer::FindWindow(int32_t window) {
    if (!windowOpen) return nullptr;
    auto found = windows.find(window);
    return found == windows.end() ? nullptr : &found->second;
}

HeadlessControl* HeadlessLayer::FindList(int32_t control) {
    HeadlessControl* found = Find(control);
    return found != nullptr &&
                   (found->kind == ControlKind::List || found->kind == ControlKind::LineList)
               ? found
               : nullptr;
}

bool HeadlessLayer::HasTextKind(ControlKind kind) const {
    return kind != ControlKind::List && kind != ControlKind::Image && kind != ControlKind::LineList;
}

bool HeadlessLayer::RunNextStep() {
    if (steps_.empty()) return false;
    std::function<void()> step = std::move(steps_.front());
    steps_.pop_front();
    step();
    return true;
}

// --- Scripting the user ----------------------------------------------------

void HeadlessLayer::ChooseMenu(int32_t item) {
    Call([this, item] { events_.Push({EventKind::Menu, item, ControlEventType::Other}); });
}

void HeadlessLayer::PressKey(int32_t keyCode) {
    Call([this, keyCode] {
        const HeadlessWindow* main = FindWindow(windowNumber);
        auto found = shortcuts.find(keyCode);
        if (main != nullptr && main->shown && found != shortcuts.end())
            events_.Push({EventKind::Menu, found->second, ControlEventType::Other});
    });
}

void HeadlessLayer::PressKeyIn(int32_t window, int32_t keyCode) {
    Call([this, window, keyCode] {
        const HeadlessWindow* target = FindWindow(window);
        if (target == nullptr || !target->shown) return;
        auto found = target->shortcuts.find(keyCode);
        if (found != target->shortcuts.end())
            events_.Push({EventKind::Menu, found->second, ControlEventType::Other});
    });
}

void HeadlessLayer::TypeText(int32_t control, const std::string& text) {
    for (char c : text) {
        Call([this, control, c] {
            HeadlessControl* field = FindShown(control, ControlKind::TextField);
            if (field == nullptr) return;
            if (field->maxChars >= 0 && static_cast<int32_t>(field->text.size()) >= field->maxChars)
                return;
            field->text += c;
            events_.Push({EventKind::Control, control, ControlEventType::Change});
        });
    }
}

void HeadlessLayer::PasteOver(int32_t control, const std::string& text) {
    Call([this, control, text] {
        HeadlessControl* field = FindShown(control, ControlKind::TextField);
        if (field == nullptr) return;
        field->text =
            field->maxChars >= 0 ? text.substr(0, static_cast<size_t>(field->maxChars)) : text;
        events_.Push({EventKind::Control, control, ControlEventType::Change});
    });
}

void HeadlessLayer::ClearField(int32_t control) {
    Call([this, control] {
        HeadlessControl* field = FindShown(control, ControlKind::TextField);
        if (field == nullptr) return;
        field->text.clear();
        events_.Push({EventKind::Control, control, ControlEventType::Change});
    });
}

void HeadlessLayer::ClickCheckBox(int32_t control) {
    Call([this, control] {
        HeadlessControl* box = FindShown(control, ControlKind::CheckBox);
        if (box == nullptr) return;
        box->checked = box->checked != 0 ? 0 : 1;
        events_.Push({EventKind::Control, control, ControlEventType::Other});
    });
}

void HeadlessLayer::ClickButton(int32_t control) {
    Call([this, control] {
        if (FindShown(control, ControlKind::Button) == nullptr) return;
        events_.Push({EventKind::Control, control, ControlEventType::Other});
    });
}

void HeadlessLayer::ClickLine(int32_t control, int32_t index) {
    Call([this, control, index] {
        HeadlessControl* list = FindShown(control, ControlKind::List);
        if (list == nullptr) list = FindShown(control, ControlKind::LineList);
        if (list == nullptr) return;
        if (index >= 0 && index < static_cast<int32_t>(list->lines.size())) list->selected = index;
        events_.Push({EventKind::Control, control, ControlEventType::Other});
    });
}

void HeadlessLayer::DoubleClickLine(int32_t control, int32_t index) {
    ClickLine(control, index);
    Call([this, control, index] {
        HeadlessControl* list = FindShown(control, ControlKind::List);
        if (list == nullptr || index < 0 || index >= static_cast<int32_t>(list->lines.size()))
            return;
        events_.Push({EventKind::Control, control, ControlEventType::DoubleClick});
    });
}

void HeadlessLayer::Tick(int32_t timer) {
    Call([this, timer] { events_.Push({EventKind::Timer, timer, ControlEventType::Other}); });
}

void HeadlessLayer::Close() {
    Call([this] {
        events_.Push({EventKind::Close, windowOpen ? windowNumber : 0, ControlEventType::Other});
    });
}

void HeadlessLayer::CloseWindow(int32_t window) {
    Call([this, window] {
        if (FindWindow(window) != nullptr)
            events_.Push({EventKind::Close, window, ControlEventType::Other});
    });
}

void HeadlessLayer::Call(std::function<void()> step) {
    steps_.push_back(std::move(step));
}

void HeadlessLayer::HoldEscapeAfter(int32_t takes) {
    escapeHeld_ = takes <= 0;
    escapeTakesLeft_ = takes <= 0 ? -1 : takes;
}

void HeadlessLayer::ReleaseEscape() {
    escapeHeld_ = false;
    escapeTakesLeft_ = -1;
}

void HeadlessLayer::Terminate() {
    Call([this] { terminated = true; });
}

void HeadlessLayer::TerminateAfter(int32_t takes) {
    terminated = terminated || takes <= 0;
    terminateTakesLeft_ = takes <= 0 ? -1 : takes;
}

void HeadlessLayer::TerminateInNextModal() {
    terminateInModal_ = true;
}

bool HeadlessLayer::ModalTerminated() {
    if (!terminateInModal_) return false;
    terminateInModal_ = false;
    terminated = true;
    return true;
}

// --- WindowLayer -------------------------------------------------------------

void HeadlessLayer::Show(const std::string& boxTitle, const std::string& text) {
    if (terminated) return;
    messages.emplace_back(boxTitle, text);
    ModalTerminated();
}

bool HeadlessLayer::OpenWindow(int32_t window, int32_t width, int32_t height,
                               const std::string& windowTitle) {
    if (failOpenWindow || width <= 0 || height <= 0 || FindWindow(window) != nullptr) return false;
    if (!windowOpen) {  // the main window
        windowOpen = true;
        released = false;
        windowNumber = window;
        innerWidth = width;
        innerHeight = height;
        title = windowTitle;
    }
    windows[window] = HeadlessWindow{width, height, windowTitle, true, {}};
    return true;
}

void HeadlessLayer::ShowWindow(int32_t window, bool shown) {
    if (HeadlessWindow* target = FindWindow(window)) target->shown = shown;
}

void HeadlessLayer::SetWindowTitle(int32_t window, const std::string& windowTitle) {
    HeadlessWindow* target = FindWindow(window);
    if (target == nullptr) return;
    target->title = windowTitle;
    if (window == windowNumber) title = windowTitle;
}

void HeadlessLayer::CreateControl(int32_t window, ControlKind kind, int32_t number, int32_t x,
                                  int32_t y, int32_t width, int32_t height, const std::string& text,
                                  bool centred) {
    if (FindWindow(window) == nullptr) return;
    HeadlessControl control;
    control.window = window;
    control.kind = kind;
    control.x = x;
    control.y = y;
    control.width = width;
    control.height = height;
    control.text = text;
    control.centred = centred;
    control.creationOrder = static_cast<int32_t>(controls.size());
    controls[number] = control;
}

void HeadlessLayer::LimitText(int32_t control, int32_t maxChars) {
    if (HeadlessControl* field = Find(control, ControlKind::TextField))
        field->maxChars = maxChars > 0 ? maxChars : -1;
}

void HeadlessLayer::SetAccessibleName(int32_t control, const std::string& name) {
    if (HeadlessControl* target = Find(control)) target->accessibleName = name;
}

void HeadlessLayer::SetText(int32_t control, const std::string& text) {
    // Text the program writes is kept whole, even beyond the field's limit.
    HeadlessControl* target = Find(control);
    if (target != nullptr && HasTextKind(target->kind)) target->text = text;
}

std::string HeadlessLayer::GetText(int32_t control) {
    HeadlessControl* target = Find(control);
    return target != nullptr && HasTextKind(target->kind) ? target->text : std::string();
}

void HeadlessLayer::SetCheck(int32_t control, int32_t checked) {
    if (HeadlessControl* box = Find(control, ControlKind::CheckBox))
        box->checked = checked != 0 ? 1 : 0;
}

int32_t HeadlessLayer::GetCheck(int32_t control) {
    HeadlessControl* box = Find(control, ControlKind::CheckBox);
    return box == nullptr ? 0 : box->checked;
}

void HeadlessLayer::ClearLines(int32_t control) {
    if (HeadlessControl* list = Find(control, ControlKind::List)) {
        list->lines.clear();
        list->marks.clear();
        list->selected = -1;
    }
}

void HeadlessLayer::AppendLine(int32_t control, const std::string& line) {
    if (HeadlessControl* list = Find(control, ControlKind::List)) {
        list->lines.push_back(line);
        list->marks.emplace_back();
    }
}

int32_t HeadlessLayer::CountLines(int32_t control) {
    HeadlessControl* list = FindList(control);
    return list == nullptr ? 0 : static_cast<int32_t>(list->lines.size());
}

std::string HeadlessLayer::GetLine(int32_t control, int32_t index) {
    HeadlessControl* list = FindList(control);
    if (list == nullptr || index < 0 || index >= static_cast<int32_t>(list->lines.size()))
        return {};
    return list->lines[static_cast<size_t>(index)];
}

void HeadlessLayer::SelectLine(int32_t control, int32_t index) {
    HeadlessControl* list = FindList(control);
    if (list == nullptr) return;
    list->selected = index >= 0 && index < static_cast<int32_t>(list->lines.size()) ? index : -1;
    if (list->kind == ControlKind::LineList && list->selected >= 0) ScrollToLine(control, index);
}

int32_t HeadlessLayer::SelectedLine(int32_t control) {
    HeadlessControl* list = FindList(control);
    return list == nullptr ? -1 : list->selected;
}

void HeadlessLayer::SetLineMark(int32_t control, int32_t index, const std::string& description) {
    HeadlessControl* list = Find(control, ControlKind::List);
    if (list == nullptr || index < 0 || index >= static_cast<int32_t>(list->marks.size())) return;
    list->marks[static_cast<size_t>(index)] = description;
}

std::string HeadlessLayer::GetLineMark(int32_t control, int32_t index) {
    HeadlessControl* list = Find(control, ControlKind::List);
    if (list == nullptr || index < 0 || index >= static_cast<int32_t>(list->marks.size()))
        return {};
    return list->marks[static_cast<size_t>(index)];
}

bool HeadlessLayer::CreateImage(int32_t image, const Picture& picture) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.argb.size() !=
            static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height)) {
        return false;
    }
    images[image] = picture;
    ForgetShown(image);
    return true;
}

void HeadlessLayer::ShowImage(int32_t control, int32_t image) {
    HeadlessControl* lamp = Find(control, ControlKind::Image);
    if (lamp == nullptr) return;
    const auto stale = std::find(stalePictures_.begin(), stalePictures_.end(), control);
    if (lamp->image == image && stale == stalePictures_.end()) return;  // shown already
    if (stale != stalePictures_.end()) stalePictures_.erase(stale);
    // An image that does not exist (yet, or any more) shows nothing. The
    // picture is copied: the control keeps it when the image is freed or
    // replaced, until it is shown another.
    const auto found = images.find(image);
    lamp->image = found != images.end() ? image : -1;
    lamp->picture = found != images.end() ? found->second : Picture{};
}

void HeadlessLayer::ForgetShown(int32_t image) {
    for (const auto& [number, control] : controls) {
        if (control.kind == ControlKind::Image && control.image == image &&
            std::find(stalePictures_.begin(), stalePictures_.end(), number) ==
                stalePictures_.end()) {
            stalePictures_.push_back(number);
        }
    }
}

void HeadlessLayer::FreeImage(int32_t image) {
    images.erase(image);
    ForgetShown(image);
    freedImages.push_back(image);
}

int32_t HeadlessLayer::CreateFont(const std::string& face, int32_t points) {
    if (failFont || face.empty() || points <= 0) return -1;
    fonts.emplace_back(face, points);
    return static_cast<int32_t>(fonts.size()) - 1;
}

void HeadlessLayer::SetFont(int32_t control, int32_t font) {
    if (font < 0 || font >= static_cast<int32_t>(fonts.size())) return;
    if (HeadlessControl* target = Find(control)) target->font = font;
}

bool HeadlessLayer::CreateMenuBar(int32_t window) {
    if (failMenuBar || !windowOpen || window != windowNumber) return false;
    menuBarCreated = true;
    menuItems_.clear();
    menuDepth_ = 0;
    return true;
}

void HeadlessLayer::LogMenuEntry(const std::string& prefix, const std::string& text) {
    if (!menuBarCreated) return;
    // "&x" marks the mnemonic x; "&&" is a plain "&".
    std::string readable;
    char mnemonic = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
            if (text[i] != '&' && mnemonic == 0)
                mnemonic = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
        }
        readable += text[i];
    }
    menuLog.push_back(prefix + readable);
    menuMnemonics.push_back(mnemonic);
}

void HeadlessLayer::AddMenuTitle(const std::string& menuTitle) {
    if (!menuBarCreated) return;
    LogMenuEntry("title ", menuTitle);
    menuDepth_ = 1;
}

void HeadlessLayer::AddMenuItem(int32_t item, const std::string& text) {
    if (menuDepth_ == 0) return;
    LogMenuEntry("item " + std::to_string(item) + " ", text);
    menuItems_.insert(item);
}

void HeadlessLayer::SetMenuCheck(int32_t item, bool checked) {
    if (menuBarCreated && menuItems_.count(item) != 0) menuChecks[item] = checked;
}

void HeadlessLayer::AddMenuSeparator() {
    if (menuDepth_ > 0) LogMenuEntry("separator", "");
}

void HeadlessLayer::OpenSubmenu(const std::string& submenuTitle) {
    if (!menuBarCreated || menuDepth_ == 0) return;
    LogMenuEntry("submenu ", submenuTitle);
    ++menuDepth_;
}

void HeadlessLayer::CloseSubmenu() {
    if (!menuBarCreated || menuDepth_ < 2) return;
    LogMenuEntry("end submenu", "");
    --menuDepth_;
}

void HeadlessLayer::AddShortcut(int32_t window, int32_t keyCode, int32_t item) {
    HeadlessWindow* target = FindWindow(window);
    if (target == nullptr) return;
    target->shortcuts[keyCode] = item;
    if (window == windowNumber) shortcuts[keyCode] = item;
}

Event HeadlessLayer::WaitEvent() {
    while (events_.Empty()) {
        if (terminated) break;
        if (!windowOpen) return {EventKind::Close, 0, ControlEventType::Other};
        if (RunNextStep()) continue;
        if (!timers.empty()) {
            // Nothing else to do: the first existing timer falls due.
            events_.Push({EventKind::Timer, timers.begin()->first, ControlEventType::Other});
        } else {
            ranDry = true;
            return {EventKind::Close, 0, ControlEventType::Other};
        }
    }
    if (terminated) return {EventKind::Terminate, 0, ControlEventType::Other};
    return events_.Take();
}

Event HeadlessLayer::TakeEvent() {
    // What the user scripted reaches the queue while a Run polls it, one
    // step per poll, as it would reach a real window while the thread is
    // busy.
    PassEventTake();
    if (!terminated) RunNextStep();
    if (terminated) return {EventKind::Terminate, 0, ControlEventType::Other};
    return events_.Take();
}

void HeadlessLayer::PassEventTake() {
    if (terminateTakesLeft_ == 0) {
        terminated = true;
        terminateTakesLeft_ = -1;
    } else if (terminateTakesLeft_ > 0) {
        --terminateTakesLeft_;
    }
    if (escapeTakesLeft_ == 0) {
        escapeHeld_ = true;
        escapeTakesLeft_ = -1;
    } else if (escapeTakesLeft_ > 0) {
        --escapeTakesLeft_;
    }
}

void HeadlessLayer::AddTimer(int32_t window, int32_t timer, int32_t periodMs) {
    if (FindWindow(window) == nullptr) return;
    timers[timer] = periodMs;
    timerWindows_[timer] = window;
    ++timerAdds;
}

void HeadlessLayer::RemoveTimer(int32_t window, int32_t timer) {
    const auto found = timerWindows_.find(timer);
    if (FindWindow(window) == nullptr || found == timerWindows_.end() || found->second != window)
        return;
    timers.erase(timer);
    timerWindows_.erase(found);
}

bool HeadlessLayer::IsKeyDown(int32_t keyCode) {
    if ((keyCode & KeyCode::kKeyMask) != KeyCode::kEscape) return false;
    ++escapePolls;
    return escapeHeld_;
}

void HeadlessLayer::SetBusy(bool nowBusy) {
    if (!windowOpen || nowBusy == busy) return;
    busy = nowBusy;
    busyLog.push_back(nowBusy);
}

void HeadlessLayer::SetClipboardText(const std::string& text) {
    clipboard = text;
}

std::string HeadlessLayer::OpenFileDialog(const std::string& dialogTitle, const std::string& folder,
                                          const std::string& filterList) {
    if (terminated) return {};
    dialogCalls.push_back({dialogTitle, folder, filterList});
    if (ModalTerminated() || dialogAnswers.empty()) return {};
    std::string answer = dialogAnswers.front();
    dialogAnswers.pop_front();
    return answer;
}

void HeadlessLayer::Release() {
    SetBusy(false);
    released = true;
    windowOpen = false;
    windows.clear();
    menuBarCreated = false;
    menuItems_.clear();
    timers.clear();
    timerWindows_.clear();
    watchedFile.clear();
}

// --- Line lists, text input, file watching -----------------------------------

void HeadlessLayer::SetLines(int32_t control, const std::vector<std::string>& lines) {
    HeadlessControl* list = Find(control, ControlKind::LineList);
    if (list == nullptr) return;
    list->lines = lines;
    list->flags.assign(lines.size(), 0);
    list->selected = -1;
    list->firstShown = 0;
}

void HeadlessLayer::SetLineFlags(int32_t control, int32_t index, uint32_t flags) {
    HeadlessControl* list = Find(control, ControlKind::LineList);
    if (list == nullptr || index < 0 || index >= static_cast<int32_t>(list->flags.size())) return;
    uint32_t& line = list->flags[static_cast<size_t>(index)];
    if (line == (flags & LineFlag::kAll)) return;
    line = flags & LineFlag::kAll;
    ++list->flagWrites;
}

uint32_t HeadlessLayer::GetLineFlags(int32_t control, int32_t index) {
    HeadlessControl* list = Find(control, ControlKind::LineList);
    if (list == nullptr || index < 0 || index >= static_cast<int32_t>(list->flags.size())) return 0;
    return list->flags[static_cast<size_t>(index)];
}

void HeadlessLayer::ScrollToLine(int32_t control, int32_t index) {
    HeadlessControl* list = Find(control, ControlKind::LineList);
    if (list == nullptr || index < 0 || index >= static_cast<int32_t>(list->lines.size())) return;
    const int32_t rows = std::max(1, list->height / kHeadlessLineHeight);
    if (index < list->firstShown) list->firstShown = index;
    if (index >= list->firstShown + rows) list->firstShown = index - rows + 1;
}

int32_t HeadlessLayer::FirstShownLine(int32_t control) {
    HeadlessControl* list = Find(control, ControlKind::LineList);
    return list == nullptr ? 0 : list->firstShown;
}

void HeadlessLayer::ClickGutter(int32_t control, int32_t index) {
    Call([this, control, index] {
        HeadlessControl* list = FindShown(control, ControlKind::LineList);
        if (list == nullptr || index < 0 || index >= static_cast<int32_t>(list->lines.size()))
            return;
        list->selected = index;
        events_.Push({EventKind::Control, control, ControlEventType::Gutter});
    });
}

bool HeadlessLayer::AskText(const std::string& dialogTitle, const std::string& prompt,
                            std::string& answer) {
    if (terminated) return false;
    textDialogCalls.push_back({dialogTitle, prompt, answer});
    if (ModalTerminated() || textAnswers.empty()) return false;
    const std::optional<std::string> given = textAnswers.front();
    textAnswers.pop_front();
    if (!given) return false;
    answer = *given;
    return true;
}

void HeadlessLayer::WatchFile(const std::string& path) {
    if (!windowOpen) return;
    watchedFile = path;
}

void HeadlessLayer::ChangeWatchedFile() {
    Call([this] {
        if (windowOpen && !watchedFile.empty())
            events_.Push({EventKind::FileChanged, 0, ControlEventType::Other});
    });
}
