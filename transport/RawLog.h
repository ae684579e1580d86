#pragma once

#include "transport/ByteSink.h"

namespace transport {

// The first stage above the port: keeps a copy of every byte received since its last
// reset, for the trace dump, and hands every chunk on unchanged.
class RawLog final : public ReceiveStage {
public:
    void receive(ByteView bytes) override;
    bool reset() override;
    // A process-wide object: nothing below it may delete it.
    bool ownedBySource() override { return false; }

    // Empties the log without resetting the stages above.
    void clear() { buffer_.clear(); }
    ByteView log() const { return buffer_.view(); }
};

}  // namespace transport
