#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A strict JSON reader of the tests' own, so that the program's JSON is checked by code that
// shares nothing with the writer: any text that is not exactly one valid JSON value fails.
namespace clitest {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string string;  // code points up to U+00FF as single bytes; others as UTF-8
    std::vector<JsonValue> array;
    std::map<std::string, JsonValue> object;

    bool isNull() const { return kind == Kind::Null; }
    // The member, or a null value when there is none.
    const JsonValue& operator[](const std::string& key) const {
        static const JsonValue none;
        const auto found = object.find(key);
        return found == object.end() ? none : found->second;
    }
    const JsonValue& operator[](std::size_t index) const { return array.at(index); }
    std::int64_t integer() const { return static_cast<std::int64_t>(number); }
};

class JsonReader {
public:
    // False unless text is one JSON value, with nothing but white space around it.
    static bool parse(std::string_view text, JsonValue& value) {
        JsonReader reader(text);
        return reader.value(value, 0) && reader.end();
    }

private:
    static constexpr int kMaxDepth = 64;

    explicit JsonReader(std::string_view text) : text_(text) {}

    void space() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' ||
                                      text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }
    bool end() {
        space();
        return at_ == text_.size();
    }
    bool literal(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) return false;
        at_ += word.size();
        return true;
    }

    bool value(JsonValue& out, int depth) {
        if (depth > kMaxDepth) return false;
        space();
        if (at_ >= text_.size()) return false;
        const char c = text_[at_];
        if (c == '{') return object(out, depth);
        if (c == '[') return array(out, depth);
        if (c == '"') {
            out.kind = JsonValue::Kind::String;
            return string(out.string);
        }
        if (literal("true")) {
            out.kind = JsonValue::Kind::Bool;
            out.boolean = true;
            return true;
        }
        if (literal("false")) {
            out.kind = JsonValue::Kind::Bool;
            return true;
        }
        if (literal("null")) return true;
        return number(out);
    }

    bool object(JsonValue& out, int depth) {
        out.kind = JsonValue::Kind::Object;
        ++at_;
        space();
        if (at_ < text_.size() && text_[at_] == '}') return ++at_, true;
        for (;;) {
            space();
            std::string key;
            if (at_ >= text_.size() || text_[at_] != '"' || !string(key)) return false;
            if (out.object.count(key)) return false;  // a repeated member is a fault here
            space();
            if (at_ >= text_.size() || text_[at_++] != ':') return false;
            if (!value(out.object[key], depth + 1)) return false;
            space();
            if (at_ >= text_.size()) return false;
            if (text_[at_] == '}') return ++at_, true;
            if (text_[at_++] != ',') return false;
        }
    }

    bool array(JsonValue& out, int depth) {
        out.kind = JsonValue::Kind::Array;
        ++at_;
        space();
        if (at_ < text_.size() && text_[at_] == ']') return ++at_, true;
        for (;;) {
            out.array.emplace_back();
            if (!value(out.array.back(), depth + 1)) return false;
            space();
            if (at_ >= text_.size()) return false;
            if (text_[at_] == ']') return ++at_, true;
            if (text_[at_++] != ',') return false;
        }
    }

    static int hexDigit(char c) {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    }

    bool string(std::string& out) {
        ++at_;  // the opening quote
        while (at_ < text_.size()) {
            const auto c = static_cast<unsigned char>(text_[at_++]);
            if (c == '"') return true;
            if (c < 0x20) return false;  // control characters must be escaped
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (at_ >= text_.size()) return false;
            const char e = text_[at_++];
            switch (e) {
                case '"':
                case '\\':
                case '/':
                    out += e;
                    break;
                case 'b':
                    out += '\b';
                    break;
                case 'f':
                    out += '\f';
                    break;
                case 'n':
                    out += '\n';
                    break;
                case 'r':
                    out += '\r';
                    break;
                case 't':
                    out += '\t';
                    break;
                case 'u': {
                    unsigned code = 0;
                    for (int i = 0; i < 4; ++i) {
                        if (at_ >= text_.size()) return false;
                        const int digit = hexDigit(text_[at_++]);
                        if (digit < 0) return false;
                        code = code * 16 + static_cast<unsigned>(digit);
                    }
                    if (code >= 0xD800 && code <= 0xDFFF) return false;  // no surrogates here
                    if (code <= 0xFF) {
                        out += static_cast<char>(code);
                    } else if (code < 0x800) {
                        out += static_cast<char>(0xC0 | (code >> 6));
                        out += static_cast<char>(0x80 | (code & 0x3F));
                    } else {
                        out += static_cast<char>(0xE0 | (code >> 12));
                        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
                        out += static_cast<char>(0x80 | (code & 0x3F));
                    }
                    break;
                }
                default:
                    return false;
            }
        }
        return false;
    }

    bool number(JsonValue& out) {
        const std::size_t start = at_;
        if (at_ < text_.size() && text_[at_] == '-') ++at_;
        if (at_ >= text_.size()) return false;
        if (text_[at_] == '0') {
            ++at_;
        } else if (text_[at_] >= '1' && text_[at_] <= '9') {
            while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
        } else {
            return false;
        }
        if (at_ < text_.size() && text_[at_] == '.') {
            ++at_;
            const std::size_t digits = at_;
            while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
            if (at_ == digits) return false;
        }
        if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
            ++at_;
            if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
            const std::size_t digits = at_;
            while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
            if (at_ == digits) return false;
        }
        out.kind = JsonValue::Kind::Number;
        out.number = std::stod(std::string(text_.substr(start, at_ - start)));
        return true;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

}  // namespace clitest
