#include <gtest/gtest.h>

#include <functional>

#include "LinkRig.h"
#include "radio/CommandResponse.h"
#include "radio/CommandSender.h"
#include "tests/support/Bytes.h"

using namespace radio;
using namespace radio::test;
using namespace testsupport;

namespace {

const Bytes kNodeBytes = hex("11 22 33 44 55 66 77 88 12 34");

Bytes localResponse(const char* letters, const Bytes& statusAndValue) {
    return apiFrame(hex("88 01") + text(letters) + statusAndValue);
}

Bytes remoteResponse(const char* letters, const Bytes& statusAndValue) {
    return apiFrame(hex("97 03") + kNodeBytes + text(letters) + statusAndValue);
}

void aimAtNode(LinkRig& rig) {
    rig.encoder.setNodeAddress(makeNodeAddress(0x1122334455667788, 0x1234));
}

}  // namespace

TEST(CheckResponse, LettersStatusAndValue) {
    constexpr std::uint32_t kUntouched = 0xC0FFEE;
    struct Row {
        const char* letters;
        Bytes body;
        bool ok;
        std::uint32_t value;
    };
    const Row rows[] = {
        {"bd", text("BD") + hex("00 04"), true, 4},
        {"BD", text("bd") + hex("00 04"), true, 4},
        {"wr", text("WR") + hex("00"), true, kUntouched},
        {"db", text("DB") + hex("00 00 00 00 2A"), true, 0x2A},
        {"db", text("DB") + hex("00 FF FF FF FF"), true, 0xFFFFFFFF},
        {"db", text("db") + hex("00 01 02"), true, 0x0102},
        {"bd", text("bd") + hex("01"), false, kUntouched},
        {"bd", text("bd") + hex("01 04"), false, kUntouched},
        {"bd", text("bd") + hex("00 01 02 03 04 05"), false, kUntouched},
        {"bd", text("db") + hex("00 2A"), false, kUntouched},
        {"bd", text("bx") + hex("00 2A"), false, kUntouched},
        {"bd", {}, false, kUntouched},
        {"bd", text("bd"), false, kUntouched},
        // A single letter must not be compared with the byte after its terminator.
        {"b", text("b") + hex("00 00 07"), false, kUntouched},
        {"", hex("00 00 00"), false, kUntouched},
        {nullptr, text("bd") + hex("00 04"), false, kUntouched},
    };
    for (const Row& row : rows) {
        std::uint32_t value = kUntouched;
        const char* shown = row.letters ? row.letters : "(null)";
        EXPECT_EQ(checkResponse(row.letters, viewOf(row.body), value), row.ok)
            << shown << " on " << hexOf(row.body);
        EXPECT_EQ(value, row.value) << shown << " on " << hexOf(row.body);
    }
}

// A body is read only to its length: the bytes after it in memory (here a success status
// and a value, as a longer answer kept earlier in the same buffer leaves them) are not part
// of it, so a body shorter than its letters and status is never a success.
TEST(CheckResponse, ABodyShorterThanLettersAndStatusFails) {
    const Bytes memory = text("bd") + hex("00 04");
    for (std::uint32_t length = 0; length < 3; ++length) {
        const transport::ByteView body(memory.data(), length);
        std::uint32_t value = 7;
        EXPECT_FALSE(reportsSuccess(body, viewOf(text("bd")))) << length;
        EXPECT_FALSE(checkResponse("bd", body, value)) << length;
        EXPECT_EQ(value, 7u) << length;
    }
    EXPECT_TRUE(reportsSuccess(transport::ByteView(memory.data(), 3), viewOf(text("bd"))));
}

TEST(CommandSenders, WriteTheExactFrameAndCompleteOnTheAnswer) {
    struct Row {
        const char* name;
        std::function<bool(LinkRig&)> send;
        Bytes written;
        Bytes answer;
    };
    const Row rows[] = {
        {"local ND", [](LinkRig& rig) { return LocalCommandSender(rig.link).send("ND"); },
         hex("7E 00 04 09 01 4E 44 63"), localResponse("ND", hex("00"))},
        {"local cb 2",
         [](LinkRig& rig) {
             const Bytes parameters = text("cb") + hex("02");
             return LocalCommandSender(rig.link).sendWithParameters(viewOf(parameters));
         },
         hex("7E 00 05 08 01 63 62 02 2F"), localResponse("CB", hex("00"))},
        {"remote fr",
         [](LinkRig& rig) {
             aimAtNode(rig);
             return RemoteCommandSender(rig.link).send("fr");
         },
         hex("7E 00 0F 17 03") + kNodeBytes + hex("00 66 72 63"), remoteResponse("FR", hex("00"))},
        {"remote bd 4",
         [](LinkRig& rig) {
             aimAtNode(rig);
             const Bytes parameters = text("bd") + hex("04");
             return RemoteCommandSender(rig.link).sendWithParameters(viewOf(parameters));
         },
         hex("7E 00 10 17 03") + kNodeBytes + hex("00 62 64 04 71"),
         remoteResponse("BD", hex("00"))},
    };
    for (const Row& row : rows) {
        LinkRig rig;
        rig.peer.answerNextWrite({{35, row.answer}});
        EXPECT_TRUE(row.send(rig)) << row.name;
        EXPECT_EQ(rig.written(), std::vector<Bytes>{row.written}) << row.name;
        // Written after the drain of the exchange: three empty reads of 10 ms.
        ASSERT_EQ(rig.device.writes().size(), 1u);
        EXPECT_EQ(rig.device.writes()[0].atMs, 30) << row.name;
        EXPECT_EQ(rig.emptyReads(0, 10), 3) << row.name;
    }
}

TEST(CommandSenders, TheRemoteAnswerIsReadWithCheckResponse) {
    LinkRig rig;
    aimAtNode(rig);
    rig.peer.answerNextWrite({{100, remoteResponse("BD", hex("00 06"))}});
    ASSERT_TRUE(RemoteCommandSender(rig.link).send("bd"));
    std::uint32_t speed = 0;
    EXPECT_TRUE(checkResponse("bd", rig.dispatcher.body(), speed));
    EXPECT_EQ(speed, 6u);
}

// Without a poller, and once a stop is requested, every exchange fails at once: nothing is
// written, read or awaited, whatever is waiting on the line.
TEST(CommandSenders, WithoutAPollerOrOnceStoppedNothingIsWrittenOrAwaited) {
    for (const bool stopped : {false, true}) {
        SCOPED_TRACE(stopped ? "stopped" : "no poller");
        LinkRig rig;
        rig.device.line().schedule(0, viewOf(localResponse("ND", hex("00"))));
        if (stopped) {
            rig.link.requestStop();
        } else {
            rig.link.setPoller(nullptr);
        }
        EXPECT_EQ(rig.link.stopped(), stopped);
        LocalCommandSender local(rig.link);
        RemoteCommandSender remote(rig.link);
        const Bytes parameters = text("cb") + hex("02");
        EXPECT_FALSE(local.send("ND"));
        EXPECT_FALSE(local.sendWithParameters(viewOf(parameters)));
        EXPECT_FALSE(remote.send("fr"));
        EXPECT_FALSE(remote.sendWithParameters(viewOf(parameters)));
        EXPECT_EQ(local.discoverNodes(1100), -1);
        EXPECT_FALSE(rig.link.sendFrame(viewOf(parameters)));
        EXPECT_FALSE(rig.link.sendFrameAndWait(viewOf(parameters), 0));
        EXPECT_FALSE(rig.link.waitForCompletion(0));
        EXPECT_TRUE(rig.device.writes().empty());
        EXPECT_TRUE(rig.device.reads().empty());
        EXPECT_EQ(rig.clock.nowMs(), 0);
    }
}

TEST(CommandExchange, AnswersLeftFromEarlierExchangesAreForgotten) {
    LinkRig rig;
    // A late "cb" answer and half of another frame are on the line before the command goes.
    rig.device.line().schedule(0, viewOf(localResponse("cb", hex("00"))));
    rig.device.line().schedule(0, viewOf(hex("7E 00 05 88 01")));
    EXPECT_FALSE(LocalCommandSender(rig.link).send("wr"));
    EXPECT_TRUE(rig.dispatcher.body().empty());

    // After a reset the rest of a cut frame is skipped and the new answer arrives whole.
    rig.device.line().schedule(0, viewOf(hex("63 62 00 B1")));  // the rest of the first
    rig.device.line().schedule(0, viewOf(localResponse("cb", hex("00"))));
    rig.device.line().schedule(0, viewOf(hex("7E 00 05")));
    rig.peer.answerNextWrite({{40, hex("88 01 63 62 00 B1") + localResponse("WR", hex("00"))}});
    EXPECT_TRUE(LocalCommandSender(rig.link).send("wr"));
    std::uint32_t value = 0;
    EXPECT_TRUE(checkResponse("wr", rig.dispatcher.body(), value));
}

TEST(CommandExchange, OnlyACompletionWithinAWaitEndsIt) {
    LinkRig rig;
    rig.peer.answerNextWrite({{20, localResponse("cb", hex("00"))}, {200, apiFrame(hex("8A 02"))}});
    ASSERT_TRUE(LocalCommandSender(rig.link).send("cb"));
    // As the worker's idle waits follow an exchange: the modem status ends nothing.
    const std::int64_t start = rig.clock.nowMs();
    EXPECT_FALSE(rig.link.waitForCompletion(500));
    EXPECT_EQ(rig.clock.nowMs() - start, 24 * 20);
}

TEST(CommandExchange, ATimeOutOfZeroUsesTheDefault) {
    struct Row {
        const char* name;
        std::int32_t startingDefault;
        int setDefault;  // 0: left alone
        int waitMs;
        int emptyReads;
    };
    const Row rows[] = {
        {"starting default", 1800, 0, 0, 88},
        {"another starting default", 1000, 0, 0, 48},
        {"lowered for idle polling", 1800, 500, 0, 23},
        {"explicit time-out", 1800, 500, 250, 10},
    };
    for (const Row& row : rows) {
        transport::Settings settings;
        settings.defaultTimeoutMs = row.startingDefault;
        LinkRig rig(settings);
        if (row.setDefault) {
            EXPECT_EQ(rig.link.setDefaultTimeout(row.setDefault), row.setDefault);
        }
        EXPECT_FALSE(rig.link.waitForCompletion(row.waitMs)) << row.name;
        EXPECT_EQ(rig.emptyReads(0, 20), row.emptyReads) << row.name;
        EXPECT_EQ(rig.clock.nowMs(), row.emptyReads * 20) << row.name;
    }
}

TEST(CommandExchange, TraceDumpsTheFramesWrittenAndTheBytesReceived) {
    struct Row {
        std::uint32_t mask;
        const char* output;
    };
    const Row rows[] = {
        {0x0, ""},
        {transport::kTraceFramesWritten, "7e000409014e4463\n"},
        {transport::kTraceRawLog, "7e000588014e4400e4\n"},
        {transport::kTraceFramesWritten | transport::kTraceRawLog,
         "7e000409014e4463\n7e000588014e4400e4\n"},
    };
    for (const Row& row : rows) {
        transport::Settings settings;
        settings.traceMask = row.mask;
        LinkRig rig(settings);
        rig.peer.answerNextWrite({{15, localResponse("ND", hex("00"))}});
        testing::internal::CaptureStdout();
        EXPECT_TRUE(LocalCommandSender(rig.link).send("ND"));
        // The log starts afresh with each exchange; an empty one dumps nothing.
        rig.link.beginExchange();
        EXPECT_FALSE(rig.link.waitForCompletion(100));
        EXPECT_EQ(testing::internal::GetCapturedStdout(), row.output) << "mask " << row.mask;
    }
}
