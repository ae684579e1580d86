// The node record readers on any body: a record comes out whole or not at all, its name
// terminated and cut to its limit.
#include <cstring>

#include "radio/NodeRecord.h"
#include "tests/fuzz/FuzzCheck.h"

namespace {

class CheckingSink final : public radio::NodeSink {
public:
    void onNode(radio::NodeId, std::uint16_t, const char* name, std::int32_t) override {
        FUZZ_CHECK(name != nullptr);
        FUZZ_CHECK(std::strlen(name) <= radio::kMaxNodeNameLength);
        ++records;
    }
    int records = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const transport::ByteView body(data, static_cast<std::uint32_t>(size));
    CheckingSink sink;
    FUZZ_CHECK(radio::readDiscoveryResponse(body, sink) == (sink.records == 1));
    CheckingSink identified;
    FUZZ_CHECK(radio::readNodeIdentification(body, identified) == (identified.records == 1));
    return 0;
}
