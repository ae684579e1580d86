#include "transport/TraceSink.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

namespace transport {

namespace {

class StandardStreams final : public TraceSink {
public:
    void output(std::string_view text) override { write(stdout, text); }
    void error(std::string_view text) override { write(stderr, text); }

private:
    static void write(std::FILE* stream, std::string_view text) {
        std::fwrite(text.data(), 1, text.size(), stream);
    }
};

StandardStreams standardStreams;
std::atomic<TraceSink*> current{&standardStreams};

constexpr char kHexDigits[] = "0123456789abcdef";

}  // namespace

TraceSink& traceSink() { return *current.load(std::memory_order_acquire); }

TraceSink* setTraceSink(TraceSink* sink) {
    return current.exchange(sink ? sink : &standardStreams, std::memory_order_acq_rel);
}

void TraceSink::print(const char* format, ...) {
    char small[256];
    std::va_list args;
    va_start(args, format);
    std::va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    if (length < 0) {
        va_end(again);
        return;
    }
    if (static_cast<std::size_t>(length) < sizeof small) {
        va_end(again);
        output(std::string_view(small, static_cast<std::size_t>(length)));
        return;
    }
    std::vector<char> large(static_cast<std::size_t>(length) + 1);
    std::vsnprintf(large.data(), large.size(), format, again);
    va_end(again);
    output(std::string_view(large.data(), static_cast<std::size_t>(length)));
}

void TraceSink::dumpHex(ByteView bytes) {
    if (bytes.empty()) return;
    std::string text;
    text.reserve(bytes.length() * 2 + 1);
    for (std::uint8_t byte : bytes) {
        text += kHexDigits[byte >> 4];
        text += kHexDigits[byte & 0xF];
    }
    text += '\n';
    output(text);
}

}  // namespace transport
