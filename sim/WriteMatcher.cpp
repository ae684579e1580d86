#include "sim/WriteMatcher.h"

namespace sim {

namespace {
transport::ByteView viewOf(const std::vector<std::uint8_t>& bytes) {
    return transport::ByteView(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
}
}  // namespace

WriteMatcher::WriteMatcher(std::istream& recording)
    : reader_(recording),
      recordedFrames_([](transport::ByteView) {},
                      [this](transport::ByteView frame) {
                          expected_.push_back({{frame.begin(), frame.end()},
                                               carried_ ? pendingSince_ : currentLine_});
                          carried_ = false;
                          ++framesRecorded_;
                      }),
      writtenFrames_([](transport::ByteView) {},
                     [this](transport::ByteView frame) {
                         written_.emplace_back(frame.begin(), frame.end());
                     }) {}

void WriteMatcher::feedRecorded(const TraceLine& line) {
    currentLine_ = line.number;
    carried_ = !recordedFrames_.pending().empty();
    recordedFrames_.feed(viewOf(line.bytes));
    const bool unfinished = !recordedFrames_.pending().empty();
    if (unfinished && !carried_) pendingSince_ = currentLine_;
    carried_ = false;
    // A line that ends inside a frame is written once that frame is.
    pendingLines_.push_back({line.number, line.ms, framesRecorded_ + (unfinished ? 1 : 0)});
}

bool WriteMatcher::lookAhead() {
    while (expected_.empty() && !recordingEnded_) {
        const TraceReader::Status status = reader_.next(line_);
        if (status != TraceReader::Status::Line) {
            recordingEnded_ = true;
            unreadable_ = status == TraceReader::Status::Error;
        } else if (line_.tag == TraceTag::Tx) {
            feedRecorded(line_);
        }
    }
    return !unreadable_;
}

bool WriteMatcher::prepare(std::int64_t nowMs) {
    const bool readable = lookAhead();
    completeLines(nowMs);
    return readable;
}

void WriteMatcher::completeLines(std::int64_t nowMs) {
    while (!pendingLines_.empty() && pendingLines_.front().framesNeeded <= matched_) {
        writtenLines_.push_back({pendingLines_.front().number, nowMs - pendingLines_.front().ms});
        pendingLines_.pop_front();
    }
}

WriteMatcher::Verdict WriteMatcher::mismatchAt(std::vector<std::uint8_t> written) {
    mismatch_.written = std::move(written);
    if (!expected_.empty()) {
        mismatch_.line = expected_.front().line;
        mismatch_.expected = expected_.front().bytes;
    } else if (const transport::ByteView cut = recordedFrames_.pending(); !cut.empty()) {
        // The recording ends inside a frame: what there is of it was expected.
        mismatch_.line = pendingSince_;
        mismatch_.expected.assign(cut.begin(), cut.end());
    } else {
        mismatch_.line = reader_.lineNumber();
        mismatch_.expected.clear();
    }
    return Verdict::Mismatch;
}

WriteMatcher::Verdict WriteMatcher::onWrite(transport::ByteView bytes, std::int64_t nowMs) {
    written_.clear();
    writtenFrames_.feed(bytes);
    for (std::vector<std::uint8_t>& frame : written_) {
        if (!lookAhead()) return Verdict::Unreadable;
        if (expected_.empty() || expected_.front().bytes != frame)
            return mismatchAt(std::move(frame));
        expected_.pop_front();
        ++matched_;
        completeLines(nowMs);
    }
    return prepare(nowMs) ? Verdict::Matching : Verdict::Unreadable;
}

WriteMatcher::Verdict WriteMatcher::atEnd() {
    if (!lookAhead()) return Verdict::Unreadable;
    if (expected_.empty() && recordedFrames_.pending().empty()) return Verdict::Matching;
    return mismatchAt({});
}

}  // namespace sim
