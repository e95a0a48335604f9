#pragma once
// A machine's state lists its fields once, beside its struct, as a tuple of
// Field entries in the struct's order: the field's name, where it lives and
// what it is. Everything that goes through every field (the history's
// snapshots, the runner's JSON, the tests' comparisons) uses the list, so a
// machine that gains a field adds it in one place. The list must cover the
// struct: StateFieldBytes() equals sizeof(State) only then, and each
// machine's header asserts that.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>

enum class FieldRole {
    Register,  // a register, flag, latch or counter of the machine
    Memory,    // an array the program reads and writes: RAM, status, ports, the stack
    Program,   // program memory: no instruction writes it, snapshots leave it out
    Control,   // the front end's own flag (running), kept with the machine
};

// How an array is written out by key rather than as a plain list (the
// runner's JSON): entries in groups of `group`, each group named by its
// indices joined by '.' ("bank.chip.register"), the parts' sizes given
// outermost first. A group of several entries is one string of hex digits,
// entry 0 first; groups of zeros may be left out.
struct KeyedForm {
    std::array<int32_t, 3> parts{};  // 0 for a part not used
    int32_t group = 0;               // 0: the array is a plain list
};

// The key of group `index` of a keyed array: its parts joined by '.', as
// "1.2.3" for bank 1, chip 2, register 3.
inline std::string KeyOfGroup(const KeyedForm& form, size_t index) {
    std::array<size_t, 3> parts{};
    size_t rest = index;
    for (size_t p = form.parts.size(); p-- > 0;) {
        if (form.parts[p] == 0) continue;
        parts[p] = rest % static_cast<size_t>(form.parts[p]);
        rest /= static_cast<size_t>(form.parts[p]);
    }
    std::string key;
    for (size_t p = 0; p < parts.size() && form.parts[p] != 0; ++p) {
        if (!key.empty()) key += '.';
        key += std::to_string(parts[p]);
    }
    return key;
}

template <typename State, typename Value>
struct StateField {
    using Type = Value;
    std::string_view name;
    Value State::*member;
    FieldRole role;
    // The values the field (each entry of an array) can hold.
    int64_t lowest = 0;
    int64_t largest = 0;
    KeyedForm keyed{};
};

// The guide lets a list write StateField{"pc", &MachineState::pc, ...}
// (compilers without aggregate deduction need it).
template <typename State, typename Value, typename... Rest>
StateField(std::string_view, Value State::*, FieldRole, Rest...) -> StateField<State, Value>;

// Each machine's state specialises this with the tuple of its fields.
template <typename State>
inline constexpr auto kStateFields = std::tuple<>();

// Calls fn(field, value) for every field of `state` in the list's order;
// `value` is a reference into `state` (const when `state` is).
template <typename State, typename Fn>
constexpr void ForEachField(State& state, Fn&& fn) {
    std::apply([&](const auto&... field) { (fn(field, state.*field.member), ...); },
               kStateFields<std::remove_const_t<State>>);
}

// The bytes of every listed field, or of those of one role left out.
template <typename State>
constexpr size_t StateFieldBytes(bool withProgram = true) {
    return std::apply(
        [withProgram](const auto&... field) {
            return ((withProgram || field.role != FieldRole::Program
                         ? sizeof(typename std::remove_cvref_t<decltype(field)>::Type)
                         : 0) +
                    ... + size_t{0});
        },
        kStateFields<State>);
}
