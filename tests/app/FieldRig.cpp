#include "FieldRig.h"

namespace app::testing {

namespace {
// A remote command frame: 7E, length, 17, frame id, ten address bytes, options, letters.
constexpr std::size_t kRemoteTypeAt = 3;
constexpr std::size_t kRemoteLettersAt = 16;
constexpr std::uint8_t kRemoteCommandType = 0x17;
}  // namespace

std::vector<unsigned> FieldRig::speedsWritten() const {
    std::vector<unsigned> speeds;
    for (const transport::WriteRecord& write : field->device().writes()) {
        const std::vector<std::uint8_t>& b = write.bytes;
        // Letters, one value byte and the checksum: a "bd" set, not a read.
        if (b.size() == kRemoteLettersAt + 4 && b[kRemoteTypeAt] == kRemoteCommandType &&
            b[kRemoteLettersAt] == 'b' && b[kRemoteLettersAt + 1] == 'd') {
            speeds.push_back(b[kRemoteLettersAt + 2]);
        }
    }
    return speeds;
}

bool loadScenarioFile(const std::string& name, sim::Scenario& scenario, std::string& error) {
    return sim::loadScenario(std::string(QOR_SCENARIO_DIR) + "/" + name, scenario, error);
}

bool parseField(const std::string& text, sim::Scenario& scenario, std::string& error) {
    return sim::parseScenario(text, scenario, error, "test field");
}

}  // namespace app::testing
