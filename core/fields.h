#pragma once
// A machine's state lists its fields once, beside its struct, as a tuple of
// Field entries in the struct's order: the field's name, where it lives and
// what it is. Everything that goes through every field (the history's
// snapshots, the runner's JSON, the tests' comparisons) uses the list, so a
// machine that gains a field adds it in one place. The list must cover the
// struct: StateFieldBytes() equals sizeof(State) only then, and each
// machine's header asserts that.

#include <cstddef>
#include <string_view>
#include <tuple>
#include <type_traits>

enum class FieldRole {
    Register,  // a register, flag, latch or counter of the machine
    Memory,    // an array the program reads and writes: RAM, status, ports, the stack
    Program,   // program memory: no instruction writes it, snapshots leave it out
    Control,   // the front end's own flag (running), kept with the machine
};

template <typename State, typename Value>
struct Field {
    using Type = Value;
    std::string_view name;
    Value State::*member;
    FieldRole role;
};

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
