#pragma once

#include <cstdio>

#include "transport/ByteBuffer.h"

namespace transport {

// Each byte as two lower-case hex digits, then a line end; nothing at all when empty.
void dumpHex(ByteView bytes, std::FILE* out = stdout);

}  // namespace transport
