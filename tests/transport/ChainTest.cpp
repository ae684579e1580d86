#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "transport/ByteSink.h"
#include "transport/RawLog.h"
#include "transport/TraceSink.h"

using namespace transport;

namespace {

std::string text(ByteView bytes) { return {bytes.begin(), bytes.end()}; }

// The bottom of a chain, shaped like the port: a source with the completion flag.
class Bottom final : public ByteSource, public CompletionFlag {
public:
    void receive(ByteView bytes) override { deliver(bytes); }
};

// A frame-collecting stage: keeps what it gets, drops it on notify(2), hands every chunk on.
class Collector final : public ReceiveStage {
public:
    explicit Collector(bool owned = false) : owned_(owned) {}
    ~Collector() override { ++destroyed; }
    void receive(ByteView bytes) override {
        buffer_.append(bytes);
        deliver(bytes);
    }
    bool reset() override {
        ++resets;
        buffer_.clear();
        return resetCurrent();
    }
    bool ownedBySource() override { return owned_; }
    int notify(int value) override {
        if (value == 2) buffer_.clear();
        return forwardNotify(value);
    }
    int resets = 0;
    static inline int destroyed = 0;

private:
    bool owned_;
};

struct Chain {
    Bottom port;
    RawLog rawLog;
    Collector assembler;
    Collector top;
    Chain() {
        port.setPending(&rawLog);
        port.sync();
        rawLog.setPending(&assembler);
        rawLog.sync();
        assembler.setPending(&top);  // becomes current at the first hand-over
    }
};

}  // namespace

TEST(ByteSourceSync, SamePendingDoesNotResetAgain) {
    ByteSource* source = new Bottom;
    Collector sink;
    source->setPending(&sink);
    source->sync();
    EXPECT_EQ(sink.resets, 1);
    EXPECT_EQ(sink.upstream(), source);
    source->sync();
    EXPECT_EQ(sink.resets, 1);
    delete source;
}

TEST(ByteSourceSync, AnOwnedCurrentSinkIsDestroyedWhenReplaced) {
    Bottom source;
    auto* owned = new Collector(/*owned=*/true);
    Collector kept;
    source.setPending(owned);
    source.sync();
    const int before = Collector::destroyed;
    source.setPending(&kept);
    source.sync();
    EXPECT_EQ(Collector::destroyed, before + 1);
    EXPECT_EQ(source.current(), &kept);
    EXPECT_EQ(kept.resets, 1);

    // A sink that is not owned survives its replacement.
    source.setPending(nullptr);
    source.sync();
    EXPECT_EQ(Collector::destroyed, before + 1);
    EXPECT_EQ(source.current(), nullptr);
}

TEST(ByteSourceDeliver, WithoutACurrentSinkTheBytesGoNowhere) {
    Bottom source;
    source.deliver(ByteView("lost"));
    EXPECT_EQ(source.current(), nullptr);
}

TEST(ReceiveChain, BytesClimbAndTheTopBecomesCurrentAtTheFirstHandOver) {
    Chain chain;
    EXPECT_EQ(chain.assembler.current(), nullptr);
    chain.port.receive(ByteView("abc"));
    EXPECT_EQ(chain.assembler.current(), &chain.top);
    EXPECT_EQ(text(chain.top.buffer().view()), "abc");
}

TEST(ReceiveChain, NoticesTravelDownToTheCompletionFlag) {
    Chain chain;
    chain.port.receive(ByteView("partial"));
    EXPECT_EQ(chain.top.notify(1), 1);
    EXPECT_TRUE(chain.port.isComplete());

    // 2 drops the collector's partial frame on its way and leaves the flag alone.
    EXPECT_EQ(chain.top.notify(2), 2);
    EXPECT_TRUE(chain.port.isComplete());
    EXPECT_TRUE(chain.assembler.buffer().empty());
    EXPECT_EQ(text(chain.rawLog.log()), "partial");

    EXPECT_EQ(chain.top.notify(0), 0);
    EXPECT_FALSE(chain.port.isComplete());

    Collector loose;
    EXPECT_EQ(loose.notify(1), 0);  // no stage below: goes nowhere
}

TEST(ReceiveChain, ResetTravelsUpAndStopsAtTheLastLinkedStage) {
    Chain chain;
    const int assemblerResets = chain.assembler.resets;
    chain.rawLog.reset();
    EXPECT_EQ(chain.assembler.resets, assemblerResets + 1);
    EXPECT_EQ(chain.top.resets, 0);  // not yet linked

    chain.port.receive(ByteView("x"));
    const int topResets = chain.top.resets;  // its linking reset
    chain.rawLog.reset();
    EXPECT_EQ(chain.top.resets, topResets + 1);
    EXPECT_TRUE(chain.top.buffer().empty());

    // The port's own reset clears its flag and goes no further.
    chain.top.notify(1);
    chain.port.reset();
    EXPECT_FALSE(chain.port.isComplete());
    EXPECT_EQ(chain.top.resets, topResets + 1);
}

TEST(RawLogTest, KeepsEveryByteSinceItsLastResetInOrder) {
    Bottom port;
    RawLog rawLog;
    port.setPending(&rawLog);
    port.sync();
    port.receive(ByteView("ab"));  // nothing above takes them
    port.receive(ByteView("cd"));
    EXPECT_EQ(text(rawLog.log()), "abcd");
    EXPECT_TRUE(rawLog.reset());
    port.receive(ByteView("e"));
    EXPECT_EQ(text(rawLog.log()), "e");
}

TEST(RawLogTest, KeepsTheLastSixtyFourKibibytesAndStopsGrowing) {
    Bottom port;
    RawLog rawLog;
    port.setPending(&rawLog);
    port.sync();
    // A counting pattern whose period does not divide the chunk size.
    std::vector<std::uint8_t> stream(3 * 1024 * 1024);
    for (std::size_t i = 0; i < stream.size(); ++i) stream[i] = static_cast<std::uint8_t>(i % 251);
    const std::size_t kChunk = 512;
    const std::size_t kFirstMegabyte = 1024 * 1024;
    const std::uint32_t kKept = 64 * 1024;
    std::uint32_t capacity = 0;
    for (std::size_t at = 0; at < stream.size(); at += kChunk) {
        port.receive(ByteView(stream.data() + at, kChunk));
        if (at + kChunk == kFirstMegabyte) capacity = rawLog.buffer().capacity();
    }
    EXPECT_LE(capacity, 2 * kKept + 8192);
    EXPECT_EQ(rawLog.buffer().capacity(), capacity);
    const ByteView log = rawLog.log();
    ASSERT_EQ(log.length(), kKept);
    EXPECT_TRUE(std::equal(log.begin(), log.end(), stream.end() - kKept));

    // One chunk longer than what is kept leaves its own last part.
    port.receive(ByteView(stream.data(), kKept + 100));
    EXPECT_TRUE(std::equal(rawLog.log().begin(), rawLog.log().end(), stream.begin() + 100));

    rawLog.reset();
    port.receive(ByteView("e"));
    EXPECT_EQ(text(rawLog.log()), "e");
}

TEST(HexDumpTest, TwoDigitsPerByteThenALineEndNothingForEmpty) {
    testing::internal::CaptureStdout();
    const std::uint8_t bytes[] = {0x7E, 0x00, 0x0A, 0xFF};
    traceSink().dumpHex(ByteView(bytes, 4));
    traceSink().dumpHex(ByteView());
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "7e000aff\n");
}
