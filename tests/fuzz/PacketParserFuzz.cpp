// The packet parser on what the reassembler could hand it, then the reading of the reply
// as the inverter query reads it. The input's first byte splits it into two views, given
// one after the other, so that a packet that follows another in one view is met too.
#include <cstdio>

#include "radio/CommandLink.h"
#include "tests/fuzz/FuzzCheck.h"
#include "transport/Clock.h"
#include "turbine/PacketParser.h"
#include "turbine/TurbineQuery.h"

namespace {

struct Query {
    transport::Settings settings;
    transport::VirtualClock clock;
    transport::RawLog rawLog;
    radio::FrameEncoder frames;
    radio::FrameDispatcher dispatcher;
    radio::CommandLink link{settings, rawLog, frames, dispatcher};
    turbine::PacketEncoder packets;
    turbine::PacketParser parser{settings};
    turbine::TurbineQuery query{link, packets, parser, clock};
};

void readReply(const Query& q, std::uint32_t given) {
    const transport::ByteView payload = q.parser.replyPayload();
    FUZZ_CHECK(payload.length() <= given);
    const std::int32_t word = q.query.replyWord(turbine::TurbineQuery::kProbeCode);
    FUZZ_CHECK(word >= -1 && word <= 0xFFFF);
    FUZZ_CHECK(q.query.replyWord(q.parser.code()) <= 0xFFFF);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Query q;
    if (size == 0) return 0;
    const std::uint32_t rest = static_cast<std::uint32_t>(size - 1);
    const std::uint32_t split = rest == 0 ? 0 : data[0] % (rest + 1);
    q.parser.reset();
    q.parser.receive(transport::ByteView(data + 1, split));
    readReply(q, split);
    q.parser.receive(transport::ByteView(data + 1 + split, rest - split));
    readReply(q, rest - split);
    // The buffer holds one packet's un-stuffed bytes at most.
    FUZZ_CHECK(q.parser.buffer().length() <= rest);
    return 0;
}
