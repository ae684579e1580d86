#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "LinkRig.h"
#include "radio/CommandSender.h"
#include "tests/support/Bytes.h"

using namespace radio;
using namespace radio::test;
using namespace testsupport;

namespace {

constexpr int kWorkerUnit = 1100;
constexpr std::int64_t kWrittenAtMs = 30;  // after the drain of the exchange

Bytes discoveryAnswer(const std::string& name) {
    return apiFrame(hex("88 01") + text("ND") + hex("00 12 34 11 22 33 44 55 66 77 88") +
                    text(name) + hex("00 FF FE 00 01 02 03 04 05 00 00 00 01"));
}

class NameSink final : public NodeSink {
public:
    void onNode(radio::NodeId, std::uint16_t, const char* name, std::int32_t) override {
        names.emplace_back(name);
    }
    std::vector<std::string> names;
};

struct DiscoveryRig : LinkRig {
    NameSink sink;
    DiscoveryRig() { dispatcher.setNodeSink(&sink); }
    int discover() { return LocalCommandSender(link).discoverNodes(kWorkerUnit); }
};

}  // namespace

TEST(DiscoverNodes, WithoutAnswersItEndsAfterTheFirstWaitsSilence) {
    DiscoveryRig rig;
    EXPECT_EQ(rig.discover(), 0);
    EXPECT_EQ(rig.written(), std::vector<Bytes>{hex("7E 00 04 09 01 4E 44 63")});
    EXPECT_EQ(rig.device.writes()[0].atMs, kWrittenAtMs);
    EXPECT_EQ(rig.emptyReads(kWrittenAtMs, 20), 438);
    EXPECT_EQ(rig.clock.nowMs(), kWrittenAtMs + 438 * 20);
    EXPECT_TRUE(rig.sink.names.empty());
}

TEST(DiscoverNodes, CountsTheWaitsThatEachFurtherAnswerCompletes) {
    DiscoveryRig rig;
    rig.peer.answerNextWrite({{2000, discoveryAnswer("WTG 0000101")},
                              {2400, discoveryAnswer("WTG 0000102")},
                              {2800, discoveryAnswer("WTG 0000103")}});
    EXPECT_EQ(rig.discover(), 3);
    EXPECT_EQ(rig.sink.names,
              (std::vector<std::string>{"WTG 0000101", "WTG 0000102", "WTG 0000103"}));
}

TEST(DiscoverNodes, AnAnswerASecondLateEndsDiscoveryButStillReachesTheSink) {
    DiscoveryRig rig;
    rig.peer.answerNextWrite({{2000, discoveryAnswer("WTG 0000101")},
                              {2400, discoveryAnswer("WTG 0000102")},
                              {3400, discoveryAnswer("WTG 0000103")}});
    EXPECT_EQ(rig.discover(), 2);
    EXPECT_EQ(rig.sink.names, (std::vector<std::string>{"WTG 0000101", "WTG 0000102"}));

    // The worker's idle poll that follows.
    const int saved = rig.link.defaultTimeout();
    rig.link.setDefaultTimeout(500);
    rig.link.waitForCompletion(0);
    rig.link.setDefaultTimeout(saved);
    EXPECT_EQ(rig.sink.names.size(), 3u);
}

TEST(DiscoverNodes, AnswersInOneReadCompleteOneWait) {
    DiscoveryRig rig;
    rig.peer.answerNextWrite(
        {{500, discoveryAnswer("WTG 0000101") + discoveryAnswer("WTG 0000102")}});
    EXPECT_EQ(rig.discover(), 1);
    EXPECT_EQ(rig.sink.names.size(), 2u);
}

TEST(DiscoverNodes, AnswersThatKeepComingCannotKeepItGoing) {
    DiscoveryRig rig;
    // An answer every 500 ms for five minutes, as from a field of hundreds of nodes.
    std::vector<AnsweringPeer::Reply> replies;
    for (std::int64_t at = 500; at <= 300000; at += 500)
        replies.push_back({at, discoveryAnswer("WTG 0000109")});
    rig.peer.answerNextWrite(replies);

    const int completed = rig.discover();
    // It ends within 20 s of the request and one read, not when the answers stop.
    EXPECT_LE(rig.clock.nowMs(), kWrittenAtMs + 20000 + 20);
    EXPECT_GT(rig.clock.nowMs(), kWrittenAtMs + 20000 - 600);
    // One completed wait for each answer from 500 ms to 19.5 s.
    EXPECT_EQ(completed, 39);
    EXPECT_EQ(rig.sink.names.size(), 39u);
}

// A read that ends inside an answer must not lose it: the stages keep the first part of
// the frame across the continue between two answers, wherever the read cut it.
TEST(DiscoverNodes, AnAnswerCutByAReadBetweenTwoAnswersIsKept) {
    const Bytes first = discoveryAnswer("WTG 0000101");
    const Bytes second = discoveryAnswer("WTG 0000102");
    for (std::size_t split = 1; split < second.size(); ++split) {
        SCOPED_TRACE(split);
        DiscoveryRig rig;
        const auto cut = second.begin() + static_cast<std::ptrdiff_t>(split);
        rig.peer.answerNextWrite(
            {{500, first + Bytes(second.begin(), cut)}, {700, Bytes(cut, second.end())}});
        EXPECT_EQ(rig.discover(), 2);
        EXPECT_EQ(rig.sink.names, (std::vector<std::string>{"WTG 0000101", "WTG 0000102"}));
    }
}

// Radios spread their answers over the discovery time. Past a 600 ms gap, discovery listens
// on to the end of the first wait's time (8.8 s after the request) while its caller asks.
TEST(DiscoverNodes, ListensOnPastAGapWhileAsked) {
    enum class Ask { Never, Always, UntilThirdHeard };
    struct Row {
        const char* name;
        std::vector<std::int64_t> answersAtMs;  // after the request
        Ask ask;
        std::size_t heard;
        std::int64_t endsAfterMs;  // after the request; ends within 40 ms past this
    };
    const std::vector<std::int64_t> spread{400, 1400, 2400, 3400};
    const Row rows[] = {
        {"gap ends it", spread, Ask::Never, 1, 400 + 560},
        {"whole time", spread, Ask::Always, 4, 8800 - 40},
        {"until the third answers, then the gap", spread, Ask::UntilThirdHeard, 3, 2400 + 560},
        {"silence", {}, Ask::Always, 0, 8800 - 40},
        // An answer near the end is followed by 600 ms waits again, past the 8.8 s.
        {"answers beyond the time", {400, 8600, 9100}, Ask::Always, 3, 9100 + 560},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        DiscoveryRig rig;
        std::vector<AnsweringPeer::Reply> replies;
        for (std::int64_t at : row.answersAtMs) {
            replies.push_back({at, discoveryAnswer("WTG 000010" + std::to_string(replies.size()))});
        }
        rig.peer.answerNextWrite(replies);
        std::function<bool()> listenOn;
        if (row.ask == Ask::Always) listenOn = [] { return true; };
        if (row.ask == Ask::UntilThirdHeard)
            listenOn = [&rig] { return rig.sink.names.size() < 3; };
        const int completed = LocalCommandSender(rig.link).discoverNodes(kWorkerUnit, listenOn);
        EXPECT_EQ(rig.sink.names.size(), row.heard);
        EXPECT_EQ(completed, static_cast<int>(row.heard));
        EXPECT_GE(rig.clock.nowMs(), kWrittenAtMs + row.endsAfterMs);
        EXPECT_LE(rig.clock.nowMs(), kWrittenAtMs + row.endsAfterMs + 40);
    }
}
