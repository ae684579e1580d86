#pragma once

#include <cstdint>
#include <deque>
#include <istream>
#include <string>
#include <vector>

#include "sim/ApiFrame.h"
#include "sim/TraceReader.h"
#include "transport/ByteBuffer.h"

namespace sim {

// A tx line of the recording whose frames the tool has all written, and the replay's time
// for the recorded one: replay ms = recorded ms + offsetMs for what follows that line.
struct WrittenLine {
    std::uint64_t number;
    std::int64_t offsetMs;
};

// Where what the tool writes leaves the recording.
struct WriteMismatch {
    std::uint64_t line = 0;              // of the recorded frame, or the recording's last
    std::vector<std::uint8_t> expected;  // the recorded frame; empty: the recording has no more
    std::vector<std::uint8_t> written;   // the tool's; empty: it wrote no more
};

// Compares what the tool writes with what the recording wrote, frame by frame: both sides
// are cut into frames by the field's frame reader, so a frame written in other pieces than
// recorded is still the same frame, and a frame with a wrong checksum is compared too. It
// reads the recording's tx lines as the tool's writes need them, holding the frames of one
// line.
class WriteMatcher {
public:
    enum class Verdict { Matching, Mismatch, Unreadable };

    explicit WriteMatcher(std::istream& recording);

    // Reads ahead to the first recorded frame; tx lines before it, which hold no frame, count
    // as written at nowMs. Answers false when the recording cannot be read.
    bool prepare(std::int64_t nowMs);
    // Takes what the tool wrote at nowMs. Answers Mismatch at the first written frame that
    // differs from the recorded one, or that the recording does not have.
    Verdict onWrite(transport::ByteView bytes, std::int64_t nowMs);
    // After the run: Mismatch when the recording goes on writing.
    Verdict atEnd();

    // The tx lines completed so far and not yet taken, oldest first.
    std::deque<WrittenLine>& writtenLines() { return writtenLines_; }
    const WriteMismatch& mismatch() const { return mismatch_; }
    const std::string& error() const { return reader_.error(); }
    std::uint64_t framesMatched() const { return matched_; }
    // The recording's tx frames run out before the tool's writes did.
    bool recordingRanOut() const { return mismatch_.expected.empty(); }

private:
    struct Frame {
        std::vector<std::uint8_t> bytes;
        std::uint64_t line;  // where it starts
    };
    // A tx line read, and how many frames must be matched for all of it to be written.
    struct PendingLine {
        std::uint64_t number;
        std::int64_t ms;
        std::uint64_t framesNeeded;
    };

    // Reads tx lines until a recorded frame waits to be matched or the recording ends.
    bool lookAhead();
    void feedRecorded(const TraceLine& line);
    void completeLines(std::int64_t nowMs);
    Verdict mismatchAt(std::vector<std::uint8_t> written);

    TraceReader reader_;
    TraceLine line_;
    bool recordingEnded_ = false;
    bool unreadable_ = false;

    ApiFrameReader recordedFrames_;
    std::deque<Frame> expected_;
    std::uint64_t currentLine_ = 0;
    std::uint64_t pendingSince_ = 0;  // the line where the frame begun and not whole starts
    bool carried_ = false;            // that frame began on an earlier line
    std::uint64_t framesRecorded_ = 0;

    ApiFrameReader writtenFrames_;
    std::vector<std::vector<std::uint8_t>> written_;  // whole frames of the write at hand
    std::uint64_t matched_ = 0;

    std::deque<PendingLine> pendingLines_;
    std::deque<WrittenLine> writtenLines_;
    WriteMismatch mismatch_;
};

}  // namespace sim
