#include "runner/json.h"

#include <limits>

namespace {

// Deeper than any state needs, shallow enough that no text can exhaust the
// stack.
constexpr int32_t kDeepest = 32;

class Parser {
public:
    explicit Parser(std::string_view text) : text_(text) {}

    std::optional<JsonValue> Document(std::string& why) {
        JsonValue value;
        bool whole = Value(value, 0);
        if (whole) {
            SkipBlanks();
            if (position_ != text_.size()) whole = Fail("text after the value");
        }
        if (!whole) {
            why = Where() + ": " + error_;
            return std::nullopt;
        }
        return value;
    }

private:
    bool Fail(std::string message) {
        if (error_.empty()) error_ = std::move(message);
        return false;
    }

    // "LINE:COLUMN" of the position reached.
    std::string Where() const {
        int32_t line = 1;
        int32_t column = 1;
        for (size_t k = 0; k < position_ && k < text_.size(); ++k) {
            if (text_[k] == '\n') {
                ++line;
                column = 1;
            } else {
                ++column;
            }
        }
        return std::to_string(line) + ":" + std::to_string(column);
    }

    void SkipBlanks() {
        while (position_ < text_.size() && (text_[position_] == ' ' || text_[position_] == '\t' ||
                                            text_[position_] == '\n' || text_[position_] == '\r')) {
            ++position_;
        }
    }

    bool Literal(std::string_view word) {
        if (text_.substr(position_, word.size()) != word) return Fail("expected a value");
        position_ += word.size();
        return true;
    }

    bool Value(JsonValue& value, int32_t depth) {
        if (depth > kDeepest) return Fail("nested too deeply");
        SkipBlanks();
        if (position_ >= text_.size()) return Fail("expected a value, found the end");
        const char c = text_[position_];
        switch (c) {
            case '{': return Object(value, depth);
            case '[': return Array(value, depth);
            case '"': value.kind = JsonValue::Kind::String; return String(value.text);
            case 't':
                value.kind = JsonValue::Kind::Bool;
                value.boolean = true;
                return Literal("true");
            case 'f': value.kind = JsonValue::Kind::Bool; return Literal("false");
            case 'n': value.kind = JsonValue::Kind::Null; return Literal("null");
            default: value.kind = JsonValue::Kind::Number; return Number(value.number);
        }
    }

    bool Object(JsonValue& value, int32_t depth) {
        value.kind = JsonValue::Kind::Object;
        ++position_;
        SkipBlanks();
        if (position_ < text_.size() && text_[position_] == '}') {
            ++position_;
            return true;
        }
        for (;;) {
            SkipBlanks();
            if (position_ >= text_.size() || text_[position_] != '"') return Fail("expected a key");
            std::string key;
            if (!String(key)) return false;
            SkipBlanks();
            if (position_ >= text_.size() || text_[position_] != ':') return Fail("expected ':'");
            ++position_;
            JsonValue member;
            if (!Value(member, depth + 1)) return false;
            value.members.push_back(JsonMember{std::move(key), std::move(member)});
            if (!Separator('}')) return false;
            if (text_[position_ - 1] == '}') return true;
        }
    }

    bool Array(JsonValue& value, int32_t depth) {
        value.kind = JsonValue::Kind::Array;
        ++position_;
        SkipBlanks();
        if (position_ < text_.size() && text_[position_] == ']') {
            ++position_;
            return true;
        }
        for (;;) {
            JsonValue item;
            if (!Value(item, depth + 1)) return false;
            value.items.push_back(std::move(item));
            if (!Separator(']')) return false;
            if (text_[position_ - 1] == ']') return true;
        }
    }

    // After a member or an item: ',' or the closing bracket.
    bool Separator(char close) {
        SkipBlanks();
        if (position_ < text_.size() && (text_[position_] == ',' || text_[position_] == close)) {
            ++position_;
            return true;
        }
        return Fail(std::string("expected ',' or '") + close + "'");
    }

    bool String(std::string& out) {
        ++position_;  // the opening quote
        while (position_ < text_.size()) {
            const char c = text_[position_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return Fail("a control character in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (position_ >= text_.size()) break;
            const char escaped = text_[position_++];
            switch (escaped) {
                case '"':
                case '\\':
                case '/': out += escaped; break;
                case 'b': out += '\b'; break;
                case 'f': out += '\f'; break;
                case 'n': out += '\n'; break;
                case 'r': out += '\r'; break;
                case 't': out += '\t'; break;
                case 'u': {
                    // Keys and hex digits are ASCII: other characters are
                    // kept as '?', which no key or digit matches.
                    if (text_.size() - position_ < 4) return Fail("a \\u escape needs four digits");
                    uint32_t code = 0;
                    for (int k = 0; k < 4; ++k) {
                        const char h = text_[position_++];
                        const int digit = h >= '0' && h <= '9'   ? h - '0'
                                          : h >= 'a' && h <= 'f' ? h - 'a' + 10
                                          : h >= 'A' && h <= 'F' ? h - 'A' + 10
                                                                 : -1;
                        if (digit < 0) return Fail("a \\u escape needs four hex digits");
                        code = code * 16 + static_cast<uint32_t>(digit);
                    }
                    out += code < 0x80 ? static_cast<char>(code) : '?';
                    break;
                }
                default: return Fail("an unknown escape in a string");
            }
        }
        return Fail("a string without its closing quote");
    }

    bool Number(int64_t& number) {
        const size_t start = position_;
        const bool negative = text_[position_] == '-';
        if (negative) ++position_;
        if (position_ >= text_.size() || text_[position_] < '0' || text_[position_] > '9') {
            position_ = start;
            return Fail("expected a value");
        }
        if (text_[position_] == '0' && position_ + 1 < text_.size() &&
            text_[position_ + 1] >= '0' && text_[position_ + 1] <= '9') {
            return Fail("a number with a leading zero");
        }
        uint64_t magnitude = 0;
        while (position_ < text_.size() && text_[position_] >= '0' && text_[position_] <= '9') {
            const auto digit = static_cast<uint64_t>(text_[position_++] - '0');
            if (magnitude > (std::numeric_limits<uint64_t>::max() - digit) / 10) {
                return Fail("a number too large");
            }
            magnitude = magnitude * 10 + digit;
        }
        if (position_ < text_.size() &&
            (text_[position_] == '.' || text_[position_] == 'e' || text_[position_] == 'E')) {
            return Fail("not a whole number");
        }
        const uint64_t limit =
            static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
        if (magnitude > limit) return Fail("a number too large");
        number = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
        return true;
    }

    std::string_view text_;
    size_t position_ = 0;
    std::string error_;
};

}  // namespace

std::optional<JsonValue> ParseJson(std::string_view text, std::string& why) {
    return Parser(text).Document(why);
}

std::string_view JsonKindName(JsonValue::Kind kind) {
    switch (kind) {
        case JsonValue::Kind::Null: return "null";
        case JsonValue::Kind::Bool: return "true or false";
        case JsonValue::Kind::Number: return "a number";
        case JsonValue::Kind::String: return "a string";
        case JsonValue::Kind::Array: return "a list";
        case JsonValue::Kind::Object: return "an object";
    }
    return "a value";
}
