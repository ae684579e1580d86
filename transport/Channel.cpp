#include "transport/Channel.h"

#include <unistd.h>

namespace transport {

void Channel::close() {
    if (!open_) return;
    ::close(descriptor_);
    open_ = false;
}

int Channel::read(void* buffer, int count) {
    return static_cast<int>(::read(descriptor_, buffer, static_cast<unsigned>(count)));
}

int Channel::write(const void* buffer, int count) {
    return static_cast<int>(::write(descriptor_, buffer, static_cast<unsigned>(count)));
}

}  // namespace transport
