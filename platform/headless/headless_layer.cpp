#include "platform/headless/headless_layer.h"

#include "frontend/controls.h"

HeadlessControl* HeadlessLayer::Find(int32_t control) {
    auto found = controls.find(control);
    return found == controls.end() ? nullptr : &found->second;
}

// --- Scripting the user ----------------------------------------------------

void HeadlessLayer::ChooseMenu(int32_t item) {
    Call([this, item] { PushEvent({EventKind::Menu, item, ControlEventType::Other}); });
}

void HeadlessLayer::PressKey(int32_t keyCode) {
    Call([this, keyCode] {
        auto found = shortcuts.find(keyCode);
        if (found != shortcuts.end())
            PushEvent({EventKind::Menu, found->second, ControlEventType::Other});
    });
}

void HeadlessLayer::TypeText(int32_t control, const std::string& text) {
    for (char c : text) {
        Call([this, control, c] {
            HeadlessControl* field = Find(control);
            if (field == nullptr || field->kind != ControlKind::TextField) return;
            if (field->maxChars >= 0 && static_cast<int32_t>(field->text.size()) >= field->maxChars)
                return;
            field->text += c;
            PushEvent({EventKind::Control, control, ControlEventType::Change});
        });
    }
}

void HeadlessLayer::PasteOver(int32_t control, const std::string& text) {
    Call([this, control, text] {
        HeadlessControl* field = Find(control);
        if (field == nullptr || field->kind != ControlKind::TextField) return;
        field->text =
            field->maxChars >= 0 ? text.substr(0, static_cast<size_t>(field->maxChars)) : text;
        PushEvent({EventKind::Control, control, ControlEventType::Change});
    });
}

void HeadlessLayer::ClearField(int32_t control) {
    Call([this, control] {
        HeadlessControl* field = Find(control);
        if (field == nullptr || field->kind != ControlKind::TextField) return;
        field->text.clear();
        PushEvent({EventKind::Control, control, ControlEventType::Change});
    });
}

void HeadlessLayer::ClickCheckBox(int32_t control) {
    Call([this, control] {
        HeadlessControl* box = Find(control);
        if (box == nullptr || box->kind != ControlKind::CheckBox) return;
        box->checked = box->checked != 0 ? 0 : 1;
        PushEvent({EventKind::Control, control, ControlEventType::Other});
    });
}

void HeadlessLayer::ClickLine(int32_t control, int32_t index) {
    Call([this, control, index] {
        HeadlessControl* list = Find(control);
        if (list == nullptr || list->kind != ControlKind::List) return;
        if (index >= 0 && index < static_cast<int32_t>(list->lines.size())) list->selected = index;
        PushEvent({EventKind::Control, control, ControlEventType::Other});
    });
}

void HeadlessLayer::Tick(int32_t timer) {
    Call([this, timer] { PushEvent({EventKind::Timer, timer, ControlEventType::Other}); });
}

void HeadlessLayer::Close() {
    Call([this] { PushEvent({EventKind::Close, 0, ControlEventType::Other}); });
}

void HeadlessLayer::Call(std::function<void()> step) {
    steps_.push_back(std::move(step));
}

void HeadlessLayer::HoldEscapeAfter(int32_t polls) {
    escapeAfter_ = escapePolls + polls;
}

void HeadlessLayer::ReleaseEscape() {
    escapeAfter_ = -1;
}

// --- WindowLayer -------------------------------------------------------------

void HeadlessLayer::Show(const std::string& boxTitle, const std::string& text) {
    messages.emplace_back(boxTitle, text);
}

bool HeadlessLayer::OpenWindow(int32_t window, int32_t width, int32_t height,
                               const std::string& windowTitle) {
    if (failOpenWindow) return false;
    windowOpen = true;
    windowNumber = window;
    innerWidth = width;
    innerHeight = height;
    title = windowTitle;
    return true;
}

void HeadlessLayer::CreateControl(ControlKind kind, int32_t number, int32_t x, int32_t y,
                                  int32_t width, int32_t height, const std::string& text,
                                  bool centred) {
    HeadlessControl control;
    control.kind = kind;
    control.x = x;
    control.y = y;
    control.width = width;
    control.height = height;
    control.text = text;
    control.centred = centred;
    control.creationOrder = static_cast<int32_t>(controls.size());
    controls[number] = control;
    ForgetShownImage(number);
}

void HeadlessLayer::LimitText(int32_t control, int32_t maxChars) {
    if (HeadlessControl* field = Find(control)) field->maxChars = maxChars;
}

void HeadlessLayer::SetAccessibleName(int32_t control, const std::string& name) {
    if (HeadlessControl* target = Find(control)) target->accessibleName = name;
}

void HeadlessLayer::SetText(int32_t control, const std::string& text) {
    // Text the program writes is kept whole, even beyond the field's limit.
    if (HeadlessControl* field = Find(control)) field->text = text;
}

std::string HeadlessLayer::GetText(int32_t control) {
    HeadlessControl* field = Find(control);
    return field == nullptr ? std::string() : field->text;
}

void HeadlessLayer::SetCheck(int32_t control, int32_t checked) {
    if (HeadlessControl* box = Find(control)) box->checked = checked != 0 ? 1 : 0;
}

int32_t HeadlessLayer::GetCheck(int32_t control) {
    HeadlessControl* box = Find(control);
    return box == nullptr ? 0 : box->checked;
}

void HeadlessLayer::ClearLines(int32_t control) {
    if (HeadlessControl* list = Find(control)) {
        list->lines.clear();
        list->selected = -1;
    }
}

void HeadlessLayer::AppendLine(int32_t control, const std::string& line) {
    if (HeadlessControl* list = Find(control)) list->lines.push_back(line);
}

int32_t HeadlessLayer::CountLines(int32_t control) {
    HeadlessControl* list = Find(control);
    return list == nullptr ? 0 : static_cast<int32_t>(list->lines.size());
}

std::string HeadlessLayer::GetLine(int32_t control, int32_t index) {
    HeadlessControl* list = Find(control);
    if (list == nullptr || index < 0 || index >= static_cast<int32_t>(list->lines.size()))
        return {};
    return list->lines[static_cast<size_t>(index)];
}

void HeadlessLayer::SelectLine(int32_t control, int32_t index) {
    HeadlessControl* list = Find(control);
    if (list == nullptr) return;
    // Like a list box, selecting a line that does not exist clears the selection.
    list->selected = index >= 0 && index < static_cast<int32_t>(list->lines.size()) ? index : -1;
}

bool HeadlessLayer::CreateImage(int32_t image, const Picture& picture) {
    if (failImages) return false;
    images[image] = picture;
    return true;
}

void HeadlessLayer::DoShowImage(int32_t control, int32_t image) {
    HeadlessControl* lamp = Find(control);
    if (lamp == nullptr || lamp->kind != ControlKind::Image) return;
    // A picture that was never created (or is freed) shows nothing.
    lamp->image = images.count(image) != 0 ? image : -1;
}

void HeadlessLayer::FreeImage(int32_t image) {
    images.erase(image);
    freedImages.push_back(image);
}

int32_t HeadlessLayer::CreateFont(const std::string& face, int32_t points) {
    if (failFont) return -1;
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
    return true;
}

void HeadlessLayer::AddMenuTitle(const std::string& menuTitle) {
    if (menuBarCreated) menuLog.push_back("title " + menuTitle);
}

void HeadlessLayer::AddMenuItem(int32_t item, const std::string& text) {
    if (menuBarCreated) menuLog.push_back("item " + std::to_string(item) + " " + text);
}

void HeadlessLayer::AddMenuSeparator() {
    if (menuBarCreated) menuLog.push_back("separator");
}

void HeadlessLayer::OpenSubmenu(const std::string& submenuTitle) {
    if (menuBarCreated) menuLog.push_back("submenu " + submenuTitle);
}

void HeadlessLayer::CloseSubmenu() {
    if (menuBarCreated) menuLog.push_back("end submenu");
}

void HeadlessLayer::AddShortcut(int32_t window, int32_t keyCode, int32_t item) {
    if (windowOpen && window == windowNumber) shortcuts[keyCode] = item;
}

Event HeadlessLayer::WaitEvent() {
    while (events_.empty()) {
        if (!steps_.empty()) {
            std::function<void()> step = std::move(steps_.front());
            steps_.pop_front();
            step();
        } else if (!timers.empty()) {
            // Nothing else to do: the first existing timer falls due.
            PushEvent({EventKind::Timer, timers.begin()->first, ControlEventType::Other});
        } else {
            ranDry = true;
            return {EventKind::Close, 0, ControlEventType::Other};
        }
    }
    Event event = events_.front();
    events_.pop_front();
    return event;
}

void HeadlessLayer::Pump() {
    // What the user scripted reaches the queue while a Run polls it, one
    // step per pump, as it would reach a real window while the thread is busy.
    if (!steps_.empty()) {
        std::function<void()> step = std::move(steps_.front());
        steps_.pop_front();
        step();
    }
}

void HeadlessLayer::AddTimer(int32_t window, int32_t timer, int32_t periodMs) {
    if (!windowOpen || window != windowNumber) return;
    timers[timer] = periodMs;
    ++timerAdds;
}

void HeadlessLayer::RemoveTimer(int32_t window, int32_t timer) {
    if (window == windowNumber) timers.erase(timer);
}

bool HeadlessLayer::IsKeyDown(int32_t keyCode) {
    if (keyCode != KeyCode::kEscape) return false;
    const bool held = escapeAfter_ >= 0 && escapePolls >= escapeAfter_;
    ++escapePolls;
    return held;
}

std::string HeadlessLayer::OpenFileDialog(const std::string& dialogTitle, const std::string& folder,
                                          const std::string& filterList) {
    dialogCalls.push_back({dialogTitle, folder, filterList});
    if (dialogAnswers.empty()) return {};
    std::string answer = dialogAnswers.front();
    dialogAnswers.pop_front();
    return answer;
}

void HeadlessLayer::Release() {
    released = true;
    windowOpen = false;
    timers.clear();
}
