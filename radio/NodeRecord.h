#pragma once

#include "radio/NodeSink.h"
#include "transport/ByteBuffer.h"

namespace radio {

// Each reads the node record from the body of one announcement and hands it to the sink.
// They answer false, without calling the sink, when the body holds no complete record.
//
// "ND" response (body from frame-data offset 2): letters "ND" in either case, status 0,
// network address, address high, address low, name, 8 bytes, extra.
bool readDiscoveryResponse(transport::ByteView body, NodeSink& sink);
// Node identification (body from frame-data offset 1): address high, address low, network
// address, 11 bytes, name, 8 bytes, extra.
bool readNodeIdentification(transport::ByteView body, NodeSink& sink);

}  // namespace radio
