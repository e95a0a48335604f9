#pragma once
// Events as tests compare and print them, and the ones they build most.

#include <ostream>

#include "platform/window_layer.h"

inline bool operator==(const Event& a, const Event& b) {
    return a.kind == b.kind && a.number == b.number && a.type == b.type;
}

inline void PrintTo(const Event& event, std::ostream* out) {
    static const char* const kKinds[] = {"None",  "Close",     "Menu",       "Control",
                                         "Timer", "Terminate", "FileChanged"};
    *out << kKinds[static_cast<int>(event.kind)] << ' ' << event.number
         << (event.type == ControlEventType::Change        ? " Change"
             : event.type == ControlEventType::DoubleClick ? " DoubleClick"
             : event.type == ControlEventType::Gutter      ? " Gutter"
                                                           : " Other");
}

inline Event MenuEvent(int32_t item) {
    return Event{EventKind::Menu, item, ControlEventType::Other};
}
inline Event ChangeEvent(int32_t control) {
    return Event{EventKind::Control, control, ControlEventType::Change};
}
inline Event ClickEvent(int32_t control) {
    return Event{EventKind::Control, control, ControlEventType::Other};
}
inline Event CloseEvent(int32_t window) {
    return Event{EventKind::Close, window, ControlEventType::Other};
}
