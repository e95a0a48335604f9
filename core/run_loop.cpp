#include "core/run_loop.h"

std::string_view StopWord(RunStop stop) {
    switch (stop) {
        case RunStop::None: return "none";
        case RunStop::Bound: return "bound";
        case RunStop::Error: return "error";
        case RunStop::Breakpoint: return "break";
        case RunStop::Until: return "until";
        case RunStop::Returned: return "returned";
        case RunStop::Steps: return "steps";
        case RunStop::Escape: return "escape";
        case RunStop::Interrupted: return "interrupted";
        case RunStop::Undefined: return "undefined";
        case RunStop::Overflow: return "overflow";
        case RunStop::Idle: return "idle";
        case RunStop::Stuck: return "stuck";
    }
    return "none";
}
