#include "radio/CommandSender.h"

#include <algorithm>
#include <limits>

#include "radio/ApiFrame.h"
#include "radio/AwaitedAnswer.h"
#include "radio/CommandResponse.h"

namespace radio {

using transport::ByteView;

namespace {
constexpr std::uint32_t kMaxValueBytes = 4;

constexpr int kDiscoveryEighths = 8;
constexpr int kFurtherAnswerMs = 600;
// The module sends every answer of a discovery within its own discovery time, which the
// first wait (8.8 s for the worker) is sized to cover, and 600 ms of silence then end it:
// the longest real discovery is over in under 9.5 s. Twice that bounds a discovery that a
// node announcing itself every few hundred milliseconds would otherwise keep going.
constexpr std::int64_t kDiscoveryLimitMs = 20000;
// Listening on to the end of the first wait's time stops short of a wait this brief: a
// wait's reads are a fifth of its time, and they must move the clock on.
constexpr std::int64_t kShortestListenMs = 20;
}  // namespace

bool checkResponse(const char* letters, ByteView body, std::uint32_t& value) {
    // Fewer than two letters cannot name a command; never read past their end.
    if (!letters || !letters[0] || !letters[1]) return false;
    if (!reportsSuccess(body, ByteView(letters, 2))) return false;
    const std::uint32_t valueBytes = body.length() - kResponseHeaderLength;
    if (valueBytes == 0) return true;
    if (valueBytes > kMaxValueBytes) return false;
    std::uint32_t read = 0;
    for (std::uint32_t i = kResponseHeaderLength; i < body.length(); ++i) {
        read = (read << 8) | body[i];
    }
    value = read;
    return true;
}

namespace {
AwaitedAnswer localResponseTo(ByteView command) {
    return AwaitedAnswer::localResponse(kLocalCommandFrameId, command);
}
}  // namespace

bool LocalCommandSender::send(const char* letters) {
    const ByteView command(letters);
    link_.encoder().buildFrame(kLocalCommand, kLocalCommandFrameId, command);
    link_.beginExchange();
    link_.dispatcher().await(localResponseTo(command));
    return link_.sendFrameAndWait(link_.encoder().bytes(), 0);
}

bool LocalCommandSender::sendWithParameters(ByteView bytes) {
    link_.beginExchange();
    link_.encoder().buildFrame(kLocalCommandWithParameters, kLocalCommandFrameId, bytes);
    link_.dispatcher().await(localResponseTo(bytes));
    return link_.sendFrameAndWait(link_.encoder().bytes(), 0);
}

int LocalCommandSender::discoverNodes(int unit, const std::function<bool()>& listenOn) {
    const ByteView command("ND");
    link_.encoder().buildFrame(kLocalCommand, kLocalCommandFrameId, command);
    link_.beginExchange();
    link_.dispatcher().await(localResponseTo(command));
    if (!link_.sendFrame(link_.encoder().bytes())) return -1;
    transport::Clock& clock = link_.poller()->port().clock();
    int count = 0;
    int waitMs = std::clamp(unit, 0, std::numeric_limits<int>::max() / kDiscoveryEighths) *
                 kDiscoveryEighths;
    const std::int64_t firstWaitEndMs = clock.nowMs() + waitMs;
    // A first wait longer than the limit is still waited out, and one further answer.
    const std::int64_t endMs =
        clock.nowMs() + std::max(kDiscoveryLimitMs, std::int64_t{waitMs} + kFurtherAnswerMs);
    bool listening = false;  // past a gap, to the end of the first wait's time
    // Each wait ends on one "ND" answer; several answers in one read count once, and all of
    // them reach the node sink. The wait in progress when the limit falls is cut short there.
    for (;;) {
        const std::int64_t nowMs = clock.nowMs();
        std::int64_t leftMs = endMs - nowMs;
        if (listening) leftMs = std::min(leftMs, firstWaitEndMs - nowMs);
        if (leftMs <= 0 || (listening && leftMs < kShortestListenMs)) break;
        if (!link_.waitForCompletion(static_cast<int>(std::min<std::int64_t>(waitMs, leftMs)))) {
            // A stopped link's waits, and a failed port's, end at once: listening on would
            // never end.
            if (!listenOn || link_.stopped() || link_.portFailed() || !listenOn()) break;
            listening = true;
            continue;
        }
        link_.continueExchange();
        link_.dispatcher().await(localResponseTo(command));
        ++count;
        waitMs = kFurtherAnswerMs;
        listening = false;
    }
    return count;
}

bool RemoteCommandSender::send(const char* letters) {
    return sendWithParameters(ByteView(letters));
}

bool RemoteCommandSender::sendWithParameters(ByteView bytes) {
    link_.beginExchange();
    FrameEncoder& encoder = link_.encoder();
    encoder.buildAddressedFrames(kRemoteCommand, kRemoteCommandFrameId, bytes);
    link_.dispatcher().await(
        AwaitedAnswer::remoteResponse(kRemoteCommandFrameId, bytes, nodeOf(encoder.nodeAddress())));
    return link_.sendFrameAndWait(link_.encoder().bytes(), 0);
}

}  // namespace radio
