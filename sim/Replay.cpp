#include "sim/Replay.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace sim {

namespace {
// What the driver is called when the recording does not say.
constexpr const char* kUnnamedDriver = "replayed device";
}  // namespace

std::unique_ptr<Replay> Replay::open(const Source& source, transport::Clock& clock,
                                     std::string& error) {
    std::unique_ptr<Replay> replay(new Replay());
    std::unique_ptr<std::istream> scan = source();
    replay->writes_ = source();
    replay->reads_ = source();
    if (!scan || !replay->writes_ || !replay->reads_) {
        error = "cannot be opened";
        return nullptr;
    }
    if (!scanRecording(*scan, replay->summary_, error)) return nullptr;

    // A recording that shows no attachment is played on one device that opens.
    std::vector<RecordedDriver> recorded = replay->summary_.drivers;
    std::size_t attached = replay->summary_.attached;
    if (recorded.empty()) {
        recorded.emplace_back();
        attached = 0;
    }
    for (const RecordedDriver& driver : recorded) {
        auto device = std::make_unique<transport::SimulatedDevice>(clock);
        device->setRecording(false);  // the recording is the record
        if (!driver.opens) {
            device->setFault(transport::DeviceFault::Open);
            device->setOpenError(driver.openError);
        }
        if (driver.configurationFails) device->setFault(driver.failedSetting);
        replay->drivers_.push_back(
            {device.get(), driver.label.empty() ? kUnnamedDriver : driver.label});
        replay->devices_.push_back(std::move(device));
    }
    // When no driver opened, the peer stands behind none the run can open.
    if (attached == RecordingSummary::kNone) {
        replay->devices_.push_back(std::make_unique<transport::SimulatedDevice>(clock));
        attached = replay->devices_.size() - 1;
    }
    replay->played_ = attached;
    transport::SimulatedDevice& played = *replay->devices_[attached];
    played.line().setChunkPerRead(true);
    replay->peer_ =
        std::make_unique<ReplayPeer>(replay->summary_, *replay->writes_, *replay->reads_, played);
    played.setPeer(replay->peer_.get());
    return replay;
}

Replay::~Replay() {
    if (!devices_.empty()) devices_[played_]->setPeer(nullptr);
}

std::unique_ptr<Replay> openReplay(const std::string& path, transport::Clock& clock,
                                   std::string& error) {
    int openError = 0;
    auto source = [&path, &openError]() -> std::unique_ptr<std::istream> {
        auto file = std::make_unique<std::ifstream>(path, std::ios::binary);
        if (file->is_open()) return file;
        openError = errno;
        return nullptr;
    };
    std::unique_ptr<Replay> replay = Replay::open(source, clock, error);
    if (openError != 0) error += std::string(": ") + std::strerror(openError);
    return replay;
}

}  // namespace sim
