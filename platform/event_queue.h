#pragma once
// The queue between a window backend and the program's event loop. The
// backend pushes what the user does; the loop takes one event at a time.

#include <deque>

#include "platform/window_layer.h"

class EventQueue {
public:
    // Appends an event. A timer tick is dropped while a tick of the same
    // timer is still queued, so ticks never pile up behind a busy thread.
    void Push(const Event& event);
    // Removes and returns the oldest event; kind None when there is none.
    Event Take();
    bool Empty() const { return events_.empty(); }

private:
    std::deque<Event> events_;
};
