#include "sim/ReadSchedule.h"

#include "sim/TraceNotes.h"

namespace sim {

ReadSchedule::ReadSchedule(std::istream& recording, std::string label, LossHandler onLoss)
    : reader_(recording), label_(std::move(label)), onLoss_(std::move(onLoss)) {}

void ReadSchedule::start(std::int64_t offsetMs) { offsetMs_ = offsetMs; }

bool ReadSchedule::serveUntil(std::int64_t untilMs, std::deque<WrittenLine>& written,
                              transport::DeviceLine& line) {
    while (!ended_) {
        if (!havePending_) {
            const TraceReader::Status status = reader_.next(pending_);
            if (status == TraceReader::Status::Error) return false;
            ended_ = status == TraceReader::Status::End;
            havePending_ = !ended_;
            continue;
        }
        if (!serve(untilMs, written, line)) return true;
        lastAtMs_ = pending_.ms + offsetMs_;
        havePending_ = false;
    }
    return true;
}

bool ReadSchedule::serve(std::int64_t untilMs, std::deque<WrittenLine>& written,
                         transport::DeviceLine& line) {
    switch (pending_.tag) {
        case TraceTag::Rx: {
            const std::int64_t atMs = pending_.ms + offsetMs_;
            if (atMs > untilMs) return false;
            line.schedule(atMs,
                          transport::ByteView(pending_.bytes.data(),
                                              static_cast<std::uint32_t>(pending_.bytes.size())));
            return true;
        }
        case TraceTag::Tx:
            // What follows a write answers it: it waits for the tool to write the same.
            if (written.empty() || written.front().number != pending_.number) return false;
            offsetMs_ = written.front().offsetMs;
            written.pop_front();
            return true;
        case TraceTag::Note: {
            DriverCallNote call;
            if (!lost_ && readDriverCallNote(pending_.text, call) && !call.ok &&
                (call.call == DriverCall::Read || call.call == DriverCall::Write ||
                 call.call == DriverCall::Timeouts) &&
                (label_.empty() || call.label == label_)) {
                lost_ = true;
                onLoss_(pending_.ms + offsetMs_);
            }
            return true;
        }
        case TraceTag::Out:
        case TraceTag::Err:
            return true;
    }
    return true;
}

}  // namespace sim
