#pragma once

#include <vector>

#include "Bytes.h"
#include "transport/ByteSink.h"

namespace radio::test {

// The bottom of a test chain, shaped like the port: hands chunks up and counts the
// completion notices that reach it.
class ChainBottom final : public transport::ByteSource, public transport::CompletionFlag {
public:
    void receive(transport::ByteView bytes) override { deliver(bytes); }
    int notify(int value) override {
        if (value == 1) ++completions;
        return CompletionFlag::notify(value);
    }
    int completions = 0;
};

// The top of a test chain: keeps each chunk handed to it as one entry.
class ChunkRecorder final : public transport::ReceiveStage {
public:
    void receive(transport::ByteView bytes) override { chunks.push_back(bytesOf(bytes)); }
    bool reset() override {
        ++resets;
        return true;
    }
    bool ownedBySource() override { return false; }
    std::vector<Bytes> chunks;
    int resets = 0;
};

// bottom -> stage -> top, linked as start-up links them.
template <typename Stage>
struct ProbeChain {
    ChainBottom bottom;
    Stage stage;
    ChunkRecorder top;
    ProbeChain() {
        bottom.setPending(&stage);
        bottom.sync();
        stage.setPending(&top);
    }
    void feed(const Bytes& bytes) { bottom.receive(viewOf(bytes)); }
};

}  // namespace radio::test
