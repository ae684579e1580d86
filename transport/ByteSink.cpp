#include "transport/ByteSink.h"

namespace transport {

void ByteSource::sync() {
    if (pending_ == current_) return;
    if (current_ && current_->ownedBySource()) delete current_;
    current_ = pending_;
    if (current_) {
        current_->setUpstream(this);
        current_->reset();
    }
}

void ByteSource::deliver(ByteView bytes) {
    sync();
    if (!current_) return;
    current_->receive(bytes);
    sync();
}

int ByteSource::forwardNotify(int value) {
    // upstream_ is a ByteSource, but notify belongs to its ByteSink side.
    ByteSink* below = upstream_;
    return below ? below->notify(value) : 0;
}

}  // namespace transport
