#include "runner/state_json.h"

#include <array>
#include <cstdint>
#include <optional>
#include <set>
#include <type_traits>

#include "core/hex.h"
#include "runner/json.h"

namespace {

// Whether a field appears in the JSON at all.
template <typename F>
bool Written(const F& field) {
    return field.role != FieldRole::Program && field.role != FieldRole::Control;
}

template <typename Entries>
void AppendKeyed(std::string& json, const KeyedForm& form, const Entries& entries) {
    json += '{';
    bool first = true;
    const auto group = static_cast<size_t>(form.group);
    for (size_t start = 0; start < entries.size(); start += group) {
        bool zero = true;
        for (size_t k = start; k < start + group; ++k) zero = zero && entries[k] == 0;
        if (zero) continue;
        if (!first) json += ',';
        first = false;
        json += '"' + KeyOfGroup(form, start / group) + "\":";
        if (group == 1) {
            json += std::to_string(entries[start]);
        } else {
            json += '"';
            for (size_t k = start; k < start + group; ++k) AppendHex(json, entries[k], 1);
            json += '"';
        }
    }
    json += '}';
}

template <typename State>
void AppendFields(std::string& json, const State& state) {
    ForEachField(state, [&json](const auto& field, const auto& value) {
        if (!Written(field)) return;
        json += ",\"";
        json += field.name;
        json += "\":";
        if constexpr (std::is_arithmetic_v<std::remove_cvref_t<decltype(value)>>) {
            json += std::to_string(value);
        } else if (field.keyed.group != 0) {
            AppendKeyed(json, field.keyed, value);
        } else {
            json += '[';
            for (size_t i = 0; i < value.size(); ++i) {
                if (i != 0) json += ',';
                json += std::to_string(value[i]);
            }
            json += ']';
        }
    });
}

std::string Start(const RunOutcome& outcome) {
    std::string json = "{\"stop\":\"";
    json += StopWord(outcome.stop);
    json += "\",\"instructions\":";
    json += std::to_string(outcome.instructions);
    return json;
}

// Reading -----------------------------------------------------------------

std::string KeyError(std::string_view key, const std::string& what) {
    return "key '" + std::string(key) + "': " + what;
}

// A number within lowest..largest, or false with `why`.
bool InRange(const JsonValue& value, int64_t lowest, int64_t largest, std::string& why) {
    if (value.kind != JsonValue::Kind::Number) {
        why = "expected a number, not " + std::string(JsonKindName(value.kind));
        return false;
    }
    if (value.number < lowest || value.number > largest) {
        why = std::to_string(value.number) + " is outside " + std::to_string(lowest) + ".." +
              std::to_string(largest);
        return false;
    }
    return true;
}

template <typename Entries>
bool ReadList(const JsonValue& value, int64_t lowest, int64_t largest, Entries& entries,
              std::string& why) {
    if (value.kind != JsonValue::Kind::Array || value.items.size() != entries.size()) {
        why = "expected a list of " + std::to_string(entries.size()) + " numbers";
        return false;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!InRange(value.items[i], lowest, largest, why)) {
            why = "entry " + std::to_string(i) + ": " + why;
            return false;
        }
        entries[i] = static_cast<std::remove_cvref_t<decltype(entries[i])>>(value.items[i].number);
    }
    return true;
}

template <typename Entries>
bool ReadKeyed(const JsonValue& value, const KeyedForm& form, int64_t largest, Entries& entries,
               std::string& why) {
    if (value.kind != JsonValue::Kind::Object) {
        why = "expected an object keyed \"" + KeyOfGroup(form, 0) + "\"";
        return false;
    }
    const auto group = static_cast<size_t>(form.group);
    for (const auto& [key, entry] : value.members) {
        std::optional<size_t> index;
        for (size_t g = 0; g * group < entries.size() && !index; ++g) {
            if (KeyOfGroup(form, g) == key) index = g;
        }
        if (!index) {
            why = "no entry \"" + key + "\" (keys run from \"" + KeyOfGroup(form, 0) + "\" to \"" +
                  KeyOfGroup(form, entries.size() / group - 1) + "\")";
            return false;
        }
        const size_t start = *index * group;
        if (group == 1) {
            if (!InRange(entry, 0, largest, why)) {
                why = "\"" + key + "\": " + why;
                return false;
            }
            entries[start] =
                static_cast<std::remove_cvref_t<decltype(entries[start])>>(entry.number);
            continue;
        }
        if (entry.kind != JsonValue::Kind::String || entry.text.size() != group ||
            !IsHexString(entry.text)) {
            why = "\"" + key + "\": expected a string of " + std::to_string(group) + " hex digits";
            return false;
        }
        for (size_t k = 0; k < group; ++k) {
            entries[start + k] = static_cast<std::remove_cvref_t<decltype(entries[start])>>(
                HexDigitValue(entry.text[k]));
        }
    }
    return true;
}

// Sets the field named `key` from `value`; nothing (false, `why` empty)
// when no field has that name.
template <typename State>
bool ReadField(State& state, std::string_view key, const JsonValue& value, bool& known,
               std::string& why) {
    known = false;
    bool read = true;
    ForEachField(state, [&](const auto& field, auto& target) {
        if (known || !Written(field) || field.name != key) return;
        known = true;
        if constexpr (std::is_arithmetic_v<std::remove_cvref_t<decltype(target)>>) {
            read = InRange(value, field.lowest, field.largest, why);
            if (read) target = static_cast<std::remove_cvref_t<decltype(target)>>(value.number);
        } else if (field.keyed.group != 0) {
            read = ReadKeyed(value, field.keyed, field.largest, target, why);
        } else {
            read = ReadList(value, field.lowest, field.largest, target, why);
        }
    });
    return read;
}

// The members of the JSON object in `json`, each key once; false with `why`.
std::optional<JsonValue> ReadObject(std::string_view json, std::string& why) {
    std::optional<JsonValue> value = ParseJson(json, why);
    if (!value) return std::nullopt;
    if (value->kind != JsonValue::Kind::Object) {
        why = "expected an object, not " + std::string(JsonKindName(value->kind));
        return std::nullopt;
    }
    std::set<std::string> seen;
    for (const auto& member : value->members) {
        if (!seen.insert(member.key).second) {
            why = KeyError(member.key, "given twice");
            return std::nullopt;
        }
    }
    return value;
}

// The keys every state file may have besides the fields: what --json prints
// about the run (the Busicom's tape too), which a state read back ignores.
bool IsRunKey(std::string_view key) {
    return key == "stop" || key == "instructions" || key == "tape" || key == "red";
}

template <typename State>
bool ReadMember(State& state, const std::string& key, const JsonValue& value, std::string& why) {
    bool known = false;
    std::string what;
    if (!ReadField(state, key, value, known, what)) {
        why = KeyError(key, what);
        return false;
    }
    if (!known) {
        why = KeyError(key, "no such key");
        return false;
    }
    return true;
}

}  // namespace

std::string StateJson(const MachineState& state, const RunOutcome& outcome) {
    std::string json = Start(outcome);
    AppendFields(json, state);
    json += '}';
    return json;
}

std::string StateJson(const Mcs4State& state, MachineKind machine, const RunOutcome& outcome) {
    std::string json = Start(outcome);
    json += ",\"machine\":\"";
    json += InfoOf(machine).name;
    json += "\",\"pc\":";
    json += std::to_string(Mcs4Pc(state));
    AppendFields(json, state);
    json += '}';
    return json;
}

bool ReadStateJson(std::string_view json, MachineState& state, std::string& why) {
    const std::optional<JsonValue> object = ReadObject(json, why);
    if (!object) return false;
    for (const auto& [key, value] : object->members) {
        if (IsRunKey(key)) continue;
        if (key == "machine") {
            if (value.kind != JsonValue::Kind::String || value.text != "compatible") {
                why = KeyError(key, "the state is not the compatible machine's");
                return false;
            }
            continue;
        }
        if (!ReadMember(state, key, value, why)) return false;
    }
    return true;
}

bool ReadStateJson(std::string_view json, Mcs4State& state, std::string& why) {
    const std::optional<JsonValue> object = ReadObject(json, why);
    if (!object) return false;
    const JsonValue* pc = nullptr;
    for (const auto& [key, value] : object->members) {
        if (IsRunKey(key)) continue;
        if (key == "machine") {
            const std::optional<MachineKind> named =
                value.kind == JsonValue::Kind::String ? MachineByName(value.text) : std::nullopt;
            if (!named || !IsMcs4(*named)) {
                why = KeyError(key, "expected one of the MCS-4 machines");
                return false;
            }
            continue;
        }
        if (key == "pc") {
            std::string what;
            if (!InRange(value, 0, 0xFFF, what)) {
                why = KeyError(key, what);
                return false;
            }
            pc = &value;
            continue;
        }
        if (!ReadMember(state, key, value, why)) return false;
    }
    // pc is the register under the pointer, whichever way the file gives them.
    if (pc != nullptr)
        state.stack[static_cast<size_t>(state.sp)] = static_cast<int32_t>(pc->number);
    return true;
}
