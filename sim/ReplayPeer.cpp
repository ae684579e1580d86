#include "sim/ReplayPeer.h"

namespace sim {

namespace {
std::string attachedLabel(const RecordingSummary& summary) {
    return summary.attached == RecordingSummary::kNone ? std::string()
                                                       : summary.drivers[summary.attached].label;
}
}  // namespace

ReplayPeer::ReplayPeer(const RecordingSummary& summary, std::istream& writes, std::istream& reads,
                       transport::SimulatedDevice& device)
    : summary_(summary),
      device_(device),
      matcher_(writes),
      schedule_(reads, attachedLabel(summary), [this](std::int64_t atMs) {
          lostAtMs_ = atMs;
          device_.vanishAt(atMs);
      }) {
    result_.hasRecordedOutcome = summary.hasOutcome;
    result_.recordedOutcome = summary.outcome;
}

void ReplayPeer::onOpen(std::int64_t nowMs, transport::DeviceLine& line) {
    if (opened_ || stopped()) return;
    opened_ = true;
    const std::int64_t openMs = summary_.attached == RecordingSummary::kNone
                                    ? 0
                                    : summary_.drivers[summary_.attached].openMs;
    schedule_.start(nowMs - openMs);
    if (!matcher_.prepare(nowMs)) return unreadable(matcher_.error());
    if (!schedule_.serveUntil(nowMs, matcher_.writtenLines(), line)) unreadable(schedule_.error());
}

void ReplayPeer::onWrite(transport::ByteView bytes, std::int64_t nowMs, transport::DeviceLine&) {
    compare(bytes, nowMs);
}

void ReplayPeer::onLostWrite(transport::ByteView bytes, std::int64_t nowMs) {
    compare(bytes, nowMs);
}

void ReplayPeer::onTime(std::int64_t untilMs, transport::DeviceLine& line) {
    if (stopped() || !opened_) return;
    if (!schedule_.serveUntil(untilMs, matcher_.writtenLines(), line))
        return unreadable(schedule_.error());
    // Everything recorded is served and read, and the run would wait past the recording's
    // end: a recording cut off has nothing more to say, and one whose run was interrupted
    // ends with that stop. Either way what the run did next would be judged on nothing.
    const bool endsWithAStop = !summary_.hasOutcome || summary_.outcome.name == kStoppedOutcome;
    if (endsWithAStop && schedule_.ended() && line.pendingBytes() == 0 &&
        untilMs > schedule_.endMs()) {
        result_.line = summary_.lastLine;
        stop(summary_.hasOutcome ? ReplayResult::Kind::Matched : ReplayResult::Kind::EndedEarly);
    }
}

void ReplayPeer::compare(transport::ByteView bytes, std::int64_t nowMs) {
    if (stopped()) return;
    switch (matcher_.onWrite(bytes, nowMs)) {
        case WriteMatcher::Verdict::Matching:
            // Nothing is read from a device that is gone: what the reads would follow, no
            // one waits for.
            if (nowMs >= lostAtMs_) matcher_.writtenLines().clear();
            return;
        case WriteMatcher::Verdict::Unreadable:
            return unreadable(matcher_.error());
        case WriteMatcher::Verdict::Mismatch:
            break;
    }
    const WriteMismatch& mismatch = matcher_.mismatch();
    result_.line = mismatch.line;
    result_.expected = mismatch.expected;
    result_.written = mismatch.written;
    // Past the last recorded frame: a run that was cut off could have gone on like this; a
    // run that ended wrote no more.
    stop(matcher_.recordingRanOut() && !summary_.hasOutcome ? ReplayResult::Kind::EndedEarly
                                                            : ReplayResult::Kind::Diverged);
}

void ReplayPeer::stop(ReplayResult::Kind kind) {
    result_.kind = kind;
    result_.framesMatched = matcher_.framesMatched();
    stopped_.store(true, std::memory_order_release);
    device_.line().clear();
    if (onStop_) onStop_();
}

void ReplayPeer::unreadable(const std::string& error) {
    result_.error = error;
    stop(ReplayResult::Kind::Unreadable);
}

ReplayResult ReplayPeer::finish() {
    if (stopped()) return result_;
    stopped_.store(true, std::memory_order_release);
    result_.framesMatched = matcher_.framesMatched();
    switch (matcher_.atEnd()) {
        case WriteMatcher::Verdict::Unreadable:
            result_.kind = ReplayResult::Kind::Unreadable;
            result_.error = matcher_.error();
            break;
        case WriteMatcher::Verdict::Mismatch:
            // The run ended where the recording wrote on.
            result_.kind = ReplayResult::Kind::Diverged;
            result_.line = matcher_.mismatch().line;
            result_.expected = matcher_.mismatch().expected;
            result_.written.clear();
            break;
        case WriteMatcher::Verdict::Matching:
            result_.kind =
                summary_.hasOutcome ? ReplayResult::Kind::Matched : ReplayResult::Kind::EndedEarly;
            result_.line = summary_.lastLine;
            break;
    }
    return result_;
}

}  // namespace sim
