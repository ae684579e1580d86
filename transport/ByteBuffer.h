#pragma once

#include <cstddef>
#include <cstdint>

namespace transport {

// Root of the byte classes and of Channel.
class RootObject {
public:
    virtual ~RootObject() = default;
};

// The two fields every byte class starts with, so any of them can be read as a view.
class ByteRange : public RootObject {
public:
    const std::uint8_t* data() const { return data_; }
    std::uint32_t length() const { return length_; }
    bool empty() const { return length_ == 0; }
    const std::uint8_t* begin() const { return data_; }
    const std::uint8_t* end() const { return data_ + length_; }
    std::uint8_t operator[](std::uint32_t i) const { return data_[i]; }

protected:
    ByteRange() = default;
    ByteRange(const std::uint8_t* data, std::uint32_t length) : data_(data), length_(length) {}

    const std::uint8_t* data_ = nullptr;
    std::uint32_t length_ = 0;
};

// A pointer and a length; owns nothing. The bytes must outlive the view.
class ByteView : public ByteRange {
public:
    ByteView() = default;
    ByteView(const void* data, std::uint32_t length)
        : ByteRange(static_cast<const std::uint8_t*>(data), length) {}
    // The characters before the terminating zero; a null pointer gives an empty view.
    explicit ByteView(const char* text);
    ByteView(const ByteRange& range) : ByteRange(range.data(), range.length()) {}
    ByteView(const ByteView&) = default;
    ByteView& operator=(const ByteView&) = default;
};

// A view with a read cursor. The cursor may be advanced past the end by a length taken
// from the data; clamp() brings it back so rest() is empty rather than negative.
class ByteReader : public ByteRange {
public:
    explicit ByteReader(const ByteRange& range) : ByteRange(range.data(), range.length()) {}

    // The n bytes at the cursor; the caller checks n against rest() first.
    ByteView take(std::uint32_t n) const { return ByteView(data_ + position_, n); }
    ByteView rest() const;
    void clamp();

    bool atEnd() const { return position_ >= length_; }
    // Reads one byte and advances; only called while !atEnd().
    std::uint8_t next() { return data_[position_++]; }
    void advance(std::size_t n) { position_ += n; }
    std::size_t position() const { return position_; }

private:
    // An offset rather than a pointer, so that running past the end is well defined.
    std::size_t position_ = 0;
};

// A growable byte array that owns its storage: 1024 bytes at construction, grown by a
// fixed rule, never shrunk. Not copied.
class ByteBuffer : public ByteRange {
public:
    static constexpr std::uint32_t kInitialCapacity = 1024;

    ByteBuffer();
    ~ByteBuffer() override;
    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;

    std::uint32_t capacity() const { return capacity_; }

    // Each append answers the new length.
    std::uint32_t append(std::uint8_t byte);
    std::uint32_t append(const char* text);
    std::uint32_t append(const void* bytes, std::uint32_t count);
    std::uint32_t append(const ByteRange& bytes) { return append(bytes.data(), bytes.length()); }

    // Big-endian numbers, as the radio module's frames carry them.
    void appendUint16(std::uint16_t value);
    // width bytes of value, most significant first; bytes from bit 32 upward are zero.
    void appendNumber(std::int32_t value, std::uint32_t width);

    // Overwrites an existing byte; positions at or past the length are ignored.
    void put(std::uint32_t position, std::uint8_t byte);
    void clear() { length_ = 0; }
    ByteView view() const { return ByteView(data_, length_); }

    // Enlarges the capacity by the growth rule so at least need more bytes fit.
    // Answers false, keeping the old storage, when the allocator fails.
    bool grow(std::uint32_t need);

    // The capacity increase the growth rule gives for a need; always more than need.
    static std::uint64_t growthFor(std::uint32_t need);

private:
    std::uint8_t* storage() { return const_cast<std::uint8_t*>(data_); }

    std::uint32_t capacity_ = 0;
};

}  // namespace transport
