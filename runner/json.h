#pragma once
// A small JSON reader for the runner's --state files: objects, arrays,
// strings, whole numbers, true, false and null. It keeps the order of an
// object's keys, refuses what is not JSON with the line and column of the
// first fault, and refuses nesting deeper than a state ever needs.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct JsonMember;

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    int64_t number = 0;  // whole numbers only
    std::string text;
    std::vector<JsonValue> items;     // Array
    std::vector<JsonMember> members;  // Object, in order
};

struct JsonMember {
    std::string key;
    JsonValue value;
};

// The value of a whole JSON text, or nothing with `why` ("LINE:COLUMN: ...").
std::optional<JsonValue> ParseJson(std::string_view text, std::string& why);

// "an object", "a number", ... for a message.
std::string_view JsonKindName(JsonValue::Kind kind);
