#include "radio/NodeRecord.h"

#include "radio/CommandResponse.h"

namespace radio {

using transport::ByteReader;
using transport::ByteView;

namespace {

constexpr std::uint32_t kIdentificationGap = 11;
constexpr std::uint32_t kGapAfterName = 8;
constexpr std::uint32_t kExtraWidth = 4;
constexpr std::int32_t kNoExtra = -1;

// width bytes, most significant first; stops at the end of the body.
std::uint32_t readNumber(ByteReader& in, std::uint32_t width) {
    std::uint32_t value = 0;
    for (std::uint32_t i = 0; i < width && !in.atEnd(); ++i) value = (value << 8) | in.next();
    return value;
}

void skip(ByteReader& in, std::uint32_t count) {
    in.advance(count);
    in.clamp();
}

// The 64-bit node address, most significant byte first.
NodeId readNodeId(ByteReader& in) {
    const NodeId high = readNumber(in, 4);
    return (high << 32) | readNumber(in, 4);
}

// The name and what follows it, read the same way in both announcements.
bool readRest(ByteReader& in, NodeId node, std::uint16_t network, NodeSink& sink) {
    char name[kMaxNodeNameLength + 1];
    std::uint32_t nameLength = 0;
    while (!in.atEnd()) {
        const std::uint8_t c = in.next();
        if (c == 0) break;
        if (nameLength < kMaxNodeNameLength) name[nameLength++] = static_cast<char>(c);
    }
    name[nameLength] = '\0';
    // An announcement that ends with its name is incomplete.
    if (in.atEnd()) return false;

    skip(in, kGapAfterName);
    // Fewer than four bytes left cannot make the extra value; count it as absent.
    std::int32_t extra = kNoExtra;
    if (in.rest().length() >= kExtraWidth) {
        extra = static_cast<std::int32_t>(readNumber(in, kExtraWidth));
    }
    sink.onNode(node, network, name, extra);
    return true;
}

}  // namespace

bool readDiscoveryResponse(ByteView body, NodeSink& sink) {
    if (!reportsSuccess(body, ByteView("nd"))) return false;
    ByteReader in(body);
    skip(in, kResponseHeaderLength);
    const auto network = static_cast<std::uint16_t>(readNumber(in, 2));
    const NodeId node = readNodeId(in);
    return readRest(in, node, network, sink);
}

bool readNodeIdentification(ByteView body, NodeSink& sink) {
    ByteReader in(body);
    const NodeId node = readNodeId(in);
    const auto network = static_cast<std::uint16_t>(readNumber(in, 2));
    skip(in, kIdentificationGap);
    return readRest(in, node, network, sink);
}

}  // namespace radio
