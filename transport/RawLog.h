#pragma once

#include "transport/ByteSink.h"

namespace transport {

// The first stage above the port: keeps a copy of the bytes received since its last reset,
// for the trace dump, and hands every chunk on unchanged. A node that never stops talking
// cannot make it grow: it keeps the last 64 KiB, far more than any exchange brings.
class RawLog final : public ReceiveStage {
public:
    static constexpr std::uint32_t kKeptBytes = 64 * 1024;

    void receive(ByteView bytes) override;
    bool reset() override;
    // A process-wide object: nothing below it may delete it.
    bool ownedBySource() override { return false; }

    // Empties the log without resetting the stages above.
    void clear() { buffer_.clear(); }
    // The bytes received since the last reset, or the last kKeptBytes of them.
    ByteView log() const;
};

}  // namespace transport
