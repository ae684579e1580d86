#pragma once

#include "transport/ByteBuffer.h"

namespace transport {

class ByteSource;

// The receiving side of a receive stage. Bytes climb the chain through receive();
// a completion notice travels back down through notify().
class ByteSink {
public:
    virtual ~ByteSink() = default;

    virtual void receive(ByteView bytes) = 0;
    // Clears the stage's state; stages pass it on to the stage above them.
    virtual bool reset() { return true; }
    // True when the stage below deletes this sink on replacing it.
    virtual bool ownedBySource() { return true; }
    // 1: the awaited answer is complete; 0: not complete; 2: drop a partial frame.
    virtual int notify(int value) {
        (void)value;
        return 0;
    }
    virtual void setUpstream(ByteSource* source) { (void)source; }
};

// The handing-on side of a stage: the stage below it (upstream), the stage now receiving
// from it (current) and the stage that is to receive from it from the next sync (pending).
class ByteSource : public virtual ByteSink {
public:
    void setUpstream(ByteSource* source) override { upstream_ = source; }

    // Plain assignment; takes effect at the next sync.
    void setPending(ByteSink* sink) { pending_ = sink; }
    // Makes the pending sink current: the old one is deleted when it is owned by this
    // source, and the new one learns its upstream and is reset.
    void sync();
    // sync, hand the bytes to the current sink, sync again.
    void deliver(ByteView bytes);

    ByteSource* upstream() const { return upstream_; }
    ByteSink* current() const { return current_; }
    ByteSink* pending() const { return pending_; }

protected:
    // Passes a notice to the stage below; answers 0 when there is none.
    int forwardNotify(int value);

private:
    ByteSource* upstream_ = nullptr;
    ByteSink* current_ = nullptr;
    ByteSink* pending_ = nullptr;
};

// The flag at the bottom of the chain that ends a wait.
class CompletionFlag : public virtual ByteSink {
public:
    bool reset() override {
        complete_ = false;
        return true;
    }
    int notify(int value) override {
        if (value == 0 || value == 1) complete_ = value == 1;
        return value;
    }
    bool isComplete() const { return complete_; }

private:
    bool complete_ = false;
};

// The shape of every receive stage: a buffer of its own plus a ByteSource, with ByteSink
// the one shared virtual base. Notices are forwarded down unless a stage says otherwise.
class ReceiveStage : public ByteSource {
public:
    int notify(int value) override { return forwardNotify(value); }
    const ByteBuffer& buffer() const { return buffer_; }

protected:
    // Resets the current sink, if any; answers its answer, or true without one.
    bool resetCurrent() { return current() ? current()->reset() : true; }

    ByteBuffer buffer_;
};

}  // namespace transport
