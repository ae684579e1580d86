#pragma once

#include <cstdint>

#include "sim/FaultSet.h"
#include "sim/InverterPacket.h"
#include "sim/Scenario.h"

namespace sim {

// The turbine's inverter behind its radio. It gathers the packet data the radio passes on,
// however it is split into pieces, and answers each query with a good CRC and code 0x8108.
class Inverter {
public:
    static constexpr std::uint16_t kQueryCode = 0x8108;

    Inverter(const NodeConfig& config, FaultSet& faults);

    // Data from the radio's serial side. Unless the radio's speed matches its own, the
    // inverter sees only garbage: nothing is understood and a packet in progress is lost.
    // Framed replies to the queries completed by this data are appended to replies.
    void receive(transport::ByteView data, bool speedMatches, transport::ByteBuffer& replies);
    // A well-formed reply to a query of its own controller, framed, appended to out.
    void appendUnaskedReply(transport::ByteBuffer& out);

    std::uint32_t queriesAnswered() const { return queriesAnswered_; }
    std::uint32_t packetsRejected() const { return packetsRejected_; }

private:
    void onPacket(transport::ByteView packet);
    // Into reply_: the four address bytes, then the header and, withWords, the words.
    void buildPacket(transport::ByteView addresses, std::uint8_t sequence, std::uint32_t flags,
                     std::uint32_t code, bool withWords);

    const NodeConfig& config_;
    FaultSet& faults_;
    PacketUnframer unframer_;
    transport::ByteBuffer* replies_ = nullptr;  // set for the duration of receive
    transport::ByteBuffer reply_;
    std::uint32_t queriesAnswered_ = 0;
    std::uint32_t packetsRejected_ = 0;
    std::uint8_t unaskedSequence_ = 0;
};

}  // namespace sim
