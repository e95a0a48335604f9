#include "debug/history.h"

#include <string>

namespace {

// Re-executed instructions already showed their messages the first time.
struct DiscardedMessages : Messages {
    void Show(const std::string& /*title*/, const std::string& /*text*/) override {}
};

}  // namespace

bool StepBack(History& history, MachineState& state) {
    DiscardedMessages discarded;
    return StepBack(history, state,
                    [&discarded](MachineState& machine) { StepInstruction(machine, discarded); });
}
