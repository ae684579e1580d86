#pragma once

#include <cstdint>

#include "radio/FrameCounts.h"

namespace radio {

// How the line from the radio module looked while the tool waited for answers, judged from
// the frame assembler's counts over that wait (FrameCounts::since).
enum class LinkVerdict : std::uint8_t {
    Silent,           // no byte at all: the module is unpowered, or says nothing at this speed
                      // or in this mode
    NoFrames,         // bytes that never formed a frame: another line speed or mode
    FailedChecksums,  // frames, none of which passed its checksum: a noisy line
    Frames,           // at least one well-formed frame: the module answers in frame mode
};

// One good frame is enough: noise that also spoils some frames does not stop the module
// from being reached.
LinkVerdict classifyLink(const FrameCounts& during);

}  // namespace radio
