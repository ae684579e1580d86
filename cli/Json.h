#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Report.h"

namespace cli {

// Builds one JSON text. Commas and nesting are its own business; the caller names each
// member of an object before its value.
class JsonWriter {
public:
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The name of the next member of the object being written.
    void key(std::string_view name);

    void string(std::string_view bytes);
    void number(std::int64_t value);
    void boolean(bool value);
    void null();

    // Null for none.
    void number(std::optional<std::int64_t> value);
    void boolean(std::optional<bool> value);

    const std::string& text() const { return text_; }

private:
    void beforeValue();

    std::string text_;
    std::vector<bool> firstInLevel_;
    bool afterKey_ = false;
};

// A JSON string for any bytes: quote, backslash and every byte outside printable ASCII
// escaped as \u00XX, so that the text is pure ASCII and always valid, and each byte of an
// untrusted name can be read back from it.
std::string jsonString(std::string_view bytes);

// The object the program prints with --json, on one line.
std::string reportJson(const RunReport& report);

}  // namespace cli
