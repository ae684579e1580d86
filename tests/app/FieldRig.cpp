#include "FieldRig.h"

#include "tests/support/Bytes.h"

namespace app::testing {

namespace {
// A frame: 7E, length, type. A remote command goes on: frame id, ten address bytes,
// options, letters.
constexpr std::size_t kTypeAt = 3;
constexpr std::size_t kRemoteLettersAt = 16;
constexpr std::uint8_t kRemoteCommandType = 0x17;

bool hasType(transport::ByteView frame, std::uint8_t type) {
    return frame.length() > kTypeAt && frame[kTypeAt] == type;
}
}  // namespace

int FieldRig::framesWritten(std::uint8_t type) const {
    int count = 0;
    for (const transport::WriteRecord& write : field->device().writes()) {
        if (hasType(testsupport::viewOf(write.bytes), type)) ++count;
    }
    return count;
}

WriteGate::WriteGate(FieldRig& rig, std::uint8_t frameType, int nth)
    : rig_(rig), frameType_(frameType), nth_(nth) {
    rig_.field->device().setPeer(this);
}

WriteGate::~WriteGate() {
    release();
    rig_.field->device().setPeer(&rig_.field->field());
}

void WriteGate::onWrite(transport::ByteView bytes, std::int64_t nowMs,
                        transport::DeviceLine& line) {
    rig_.field->field().onWrite(bytes, nowMs, line);
    if (!hasType(bytes, frameType_) || ++seen_ != nth_) return;
    std::unique_lock lock(mutex_);
    holding_ = true;
    released_.wait(lock, [&] { return open_; });
    holding_ = false;
}

void WriteGate::onTime(std::int64_t untilMs, transport::DeviceLine& line) {
    rig_.field->field().onTime(untilMs, line);
}

bool WriteGate::holding() const {
    std::lock_guard lock(mutex_);
    return holding_;
}

void WriteGate::release() {
    std::lock_guard lock(mutex_);
    open_ = true;
    released_.notify_all();
}

int FieldRig::remoteCommandsWritten(const char* letters) const {
    int count = 0;
    for (const transport::WriteRecord& write : field->device().writes()) {
        const std::vector<std::uint8_t>& b = write.bytes;
        if (b.size() > kRemoteLettersAt + 1 && b[kTypeAt] == kRemoteCommandType &&
            b[kRemoteLettersAt] == letters[0] && b[kRemoteLettersAt + 1] == letters[1]) {
            ++count;
        }
    }
    return count;
}

std::vector<unsigned> FieldRig::speedsWritten() const {
    std::vector<unsigned> speeds;
    for (const transport::WriteRecord& write : field->device().writes()) {
        const std::vector<std::uint8_t>& b = write.bytes;
        // Letters, one value byte and the checksum: a "bd" set, not a read.
        if (b.size() == kRemoteLettersAt + 4 && b[kTypeAt] == kRemoteCommandType &&
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
