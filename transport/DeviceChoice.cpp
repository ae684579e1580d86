#include "transport/DeviceChoice.h"

#include <charconv>
#include <limits>

namespace transport {

namespace {
bool allDigits(std::string_view text) {
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return !text.empty();
}
}  // namespace

DeviceChoice DeviceChoice::ofIndex(int index) {
    DeviceChoice choice;
    choice.index_ = index;
    return choice;
}

DeviceChoice DeviceChoice::ofPath(std::string path) {
    DeviceChoice choice;
    choice.path_ = std::move(path);
    return choice;
}

std::string DeviceChoice::name() const { return isPath() ? path_ : std::to_string(index_); }

bool parseDeviceChoice(std::string_view text, DeviceChoice& choice, std::string& error) {
    if (text.empty()) {
        error = "no device named: give an index (0, 1, ...) or the path of a serial port";
        return false;
    }
    if (allDigits(text)) {
        int index = 0;
        const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), index);
        if (ec != std::errc() || end != text.data() + text.size()) {
            error = "device index " + std::string(text) + " is too large; the largest is " +
                    std::to_string(std::numeric_limits<int>::max());
            return false;
        }
        choice = DeviceChoice::ofIndex(index);
        return true;
    }
    // A sign before digits is an index gone wrong rather than a file named "-1".
    if ((text[0] == '-' || text[0] == '+') && allDigits(text.substr(1))) {
        error = "a device index is a number from 0 up, without a sign; got " + std::string(text);
        return false;
    }
    for (const char c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            error = "a device path holds no control characters";
            return false;
        }
    }
    choice = DeviceChoice::ofPath(std::string(text));
    return true;
}

}  // namespace transport
