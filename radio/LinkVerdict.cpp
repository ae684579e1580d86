#include "radio/LinkVerdict.h"

namespace radio {

LinkVerdict classifyLink(const FrameCounts& during) {
    if (during.passed > 0) return LinkVerdict::Frames;
    if (during.failed > 0) return LinkVerdict::FailedChecksums;
    if (during.bytes > 0) return LinkVerdict::NoFrames;
    return LinkVerdict::Silent;
}

}  // namespace radio
