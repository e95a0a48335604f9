#include "platform/event_queue.h"

void EventQueue::Push(const Event& event) {
    if (event.kind == EventKind::Timer) {
        for (const Event& queued : events_) {
            if (queued.kind == EventKind::Timer && queued.number == event.number) return;
        }
    }
    events_.push_back(event);
}

Event EventQueue::Take() {
    if (events_.empty()) return Event{};
    const Event event = events_.front();
    events_.pop_front();
    return event;
}
