#pragma once

#include <cstdint>

#include "radio/NodeAddress.h"

namespace radio {

// Longer node names are cut to this many characters.
inline constexpr std::uint32_t kMaxNodeNameLength = 23;

// Receives the node records that discovery answers and node identifications carry.
class NodeSink {
public:
    virtual ~NodeSink() = default;
    // name: at most kMaxNodeNameLength characters, valid only during the call.
    // extra: the four bytes after the block that follows the name; -1 when absent.
    virtual void onNode(NodeId node, std::uint16_t network, const char* name,
                        std::int32_t extra) = 0;
};

}  // namespace radio
