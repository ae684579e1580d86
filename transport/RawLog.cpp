#include "transport/RawLog.h"

namespace transport {

void RawLog::receive(ByteView bytes) {
    buffer_.append(bytes);
    deliver(bytes);
}

bool RawLog::reset() {
    buffer_.clear();
    return resetCurrent();
}

}  // namespace transport
