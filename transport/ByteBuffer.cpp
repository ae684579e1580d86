#include "transport/ByteBuffer.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace transport {

ByteView::ByteView(const char* text)
    : ByteRange(reinterpret_cast<const std::uint8_t*>(text),
                text ? static_cast<std::uint32_t>(std::strlen(text)) : 0) {}

ByteView ByteReader::rest() const {
    if (position_ >= length_) return ByteView(data_ + length_, 0);
    return ByteView(data_ + position_, static_cast<std::uint32_t>(length_ - position_));
}

void ByteReader::clamp() {
    if (position_ > length_) position_ = length_;
}

ByteBuffer::ByteBuffer() {
    data_ = static_cast<std::uint8_t*>(std::malloc(kInitialCapacity));
    capacity_ = data_ ? kInitialCapacity : 0;
}

ByteBuffer::~ByteBuffer() {
    std::free(storage());
    data_ = nullptr;
}

std::uint64_t ByteBuffer::growthFor(std::uint32_t need) {
    // 64-bit: the largest needs round up past what 32 bits hold.
    if (need < 256) return 256;
    if (need < 8192) return (need & ~std::uint64_t{255}) + 256;
    return (need & ~std::uint64_t{8191}) + 8192;
}

bool ByteBuffer::grow(std::uint32_t need) {
    const std::uint64_t wanted = std::uint64_t{capacity_} + growthFor(need);
    if (wanted > std::numeric_limits<std::uint32_t>::max()) return false;
    // A failed allocation keeps the old storage; the append that asked then stores less.
    auto* moved = static_cast<std::uint8_t*>(std::realloc(storage(), wanted));
    if (!moved) return false;
    data_ = moved;
    capacity_ = static_cast<std::uint32_t>(wanted);
    return true;
}

std::uint32_t ByteBuffer::append(std::uint8_t byte) {
    if (length_ == capacity_ && !grow(1)) return length_;
    storage()[length_++] = byte;
    return length_;
}

std::uint32_t ByteBuffer::append(const char* text) {
    if (!text) return length_;
    while (*text && length_ < capacity_) storage()[length_++] = static_cast<std::uint8_t>(*text++);
    if (*text) {
        const auto remaining = static_cast<std::uint32_t>(std::strlen(text));
        if (!grow(remaining)) return length_;
        append(text, remaining);
    }
    return length_;
}

std::uint32_t ByteBuffer::append(const void* bytes, std::uint32_t count) {
    if (count == 0) return length_;
    const auto* source = static_cast<const std::uint8_t*>(bytes);
    const std::uint32_t free = capacity_ - length_;
    if (count > free) {
        // The source may lie in our own storage, which growing moves.
        const bool inside = source >= data_ && source < data_ + capacity_;
        const std::size_t offset = inside ? static_cast<std::size_t>(source - data_) : 0;
        if (!grow(count - free)) return length_;
        if (inside) source = data_ + offset;
    }
    std::memmove(storage() + length_, source, count);
    length_ += count;
    return length_;
}

void ByteBuffer::appendUint16(std::uint16_t value) {
    append(static_cast<std::uint8_t>(value >> 8));
    append(static_cast<std::uint8_t>(value));
}

void ByteBuffer::appendNumber(std::int32_t value, std::uint32_t width) {
    for (std::uint32_t i = width; i-- > 0;) {
        append(i >= 4 ? std::uint8_t{0} : static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

void ByteBuffer::put(std::uint32_t position, std::uint8_t byte) {
    if (position < length_) storage()[position] = byte;
}

}  // namespace transport
