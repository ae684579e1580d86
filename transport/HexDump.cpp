#include "transport/HexDump.h"

namespace transport {

void dumpHex(ByteView bytes, std::FILE* out) {
    if (bytes.empty()) return;
    for (std::uint8_t byte : bytes) std::fprintf(out, "%02x", byte);
    std::fprintf(out, "\n");
}

}  // namespace transport
