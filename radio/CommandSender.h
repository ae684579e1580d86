#pragma once

#include <cstdint>
#include <functional>

#include "radio/CommandLink.h"

namespace radio {

// Reads a command response body: the two letters (either case), status 0, then at most four
// value bytes, most significant first. On true, value holds the value bytes, or is left as it
// was when the response carries none; on false it is unchanged.
bool checkResponse(const char* letters, transport::ByteView body, std::uint32_t& value);

// Sends one two-letter command and waits, with the default time-out, for its answer: a
// response with the request's frame id and letters, from the radio it was sent to. False when
// nothing could be written or no answer came in time.
class CommandSender {
public:
    virtual ~CommandSender() = default;
    virtual bool send(const char* letters) = 0;
    // The letters followed by any parameter bytes.
    virtual bool sendWithParameters(transport::ByteView bytes) = 0;
};

// Commands for the attached radio module.
class LocalCommandSender final : public CommandSender {
public:
    explicit LocalCommandSender(CommandLink& link) : link_(link) {}

    bool send(const char* letters) override;
    bool sendWithParameters(transport::ByteView bytes) override;

    // Node discovery: the first "ND" answer is awaited for 8 x unit ms, each further one for
    // 600 ms. Answers the number of waits that completed, or -1 when the request could not
    // be written. The nodes reach the dispatcher's node sink as they arrive.
    //
    // Radios spread their answers over the module's discovery time, so a 600 ms gap does not
    // mean that all have answered. When listenOn is given and answers true at such a gap,
    // discovery goes on listening to the end of the first wait's time, 8 x unit ms from the
    // request; an answer that then comes is followed by 600 ms waits again, as before.
    int discoverNodes(int unit, const std::function<bool()>& listenOn = {});

private:
    CommandLink& link_;
};

// Commands for the radio at the encoder's current node address.
class RemoteCommandSender final : public CommandSender {
public:
    explicit RemoteCommandSender(CommandLink& link) : link_(link) {}

    bool send(const char* letters) override;
    bool sendWithParameters(transport::ByteView bytes) override;

private:
    CommandLink& link_;
};

}  // namespace radio
