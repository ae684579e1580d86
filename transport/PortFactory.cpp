#include "transport/PortFactory.h"

#include <cerrno>
#include <new>

#include "transport/TraceSink.h"

namespace transport {

namespace {

const char* messageOf(OpenStep step) {
    switch (step) {
        case OpenStep::Open:
            return "unable to open communication device";
        case OpenStep::BaudRate:
            return "baud rate err";
        case OpenStep::DataCharacteristics:
            return "port setup err";
        case OpenStep::FlowControl:
            return "port flow err";
    }
    return "";
}

// A driver that found no device, or is not installed, says the least about why the radio
// cannot be reached: a permission refused by the other one is what the operator can mend.
bool saysMoreThanNoDevice(const DriverError& error) {
    return error.cause != DriverError::Cause::NoDevice &&
           error.cause != DriverError::Cause::LibraryMissing;
}

}  // namespace

OpenOutcome runOpenSequence(Driver& driver, int deviceIndex, int baud) {
    OpenOutcome outcome;
    DeviceHandle handle = nullptr;
    outcome.error = driver.open(deviceIndex, &handle);
    if (!outcome.error.ok() || !handle) {
        if (outcome.error.ok()) outcome.error = {DriverError::Cause::NoDevice, 0, {}};
        return outcome;
    }
    outcome.failedStep = OpenStep::BaudRate;
    outcome.error = driver.setBaudRate(handle, static_cast<std::uint32_t>(baud));
    if (outcome.error.ok()) {
        outcome.failedStep = OpenStep::DataCharacteristics;
        outcome.error = driver.setDataCharacteristics(handle, kWordLength, kOneStopBit, kNoParity);
    }
    if (outcome.error.ok()) {
        outcome.failedStep = OpenStep::FlowControl;
        outcome.error = driver.setFlowControl(handle, kNoFlowControl, 0, 0);
    }
    if (!outcome.error.ok()) {
        // Not left open: a later attempt, or another program, could not open it again.
        driver.close(handle);
        return outcome;
    }
    driver.setTimeouts(handle, kOpenReadTimeoutMs, 0);
    outcome.handle = handle;
    return outcome;
}

std::string openOutcomeText(const OpenOutcome& outcome, const Settings& settings) {
    std::string text;
    const bool opened = outcome.handle || outcome.failedStep != OpenStep::Open;
    if (opened && settings.verbose) text += "ftopen\n";
    if (!outcome.handle) text += messageOf(outcome.failedStep);
    return text;
}

void printOpenOutcome(const OpenOutcome& outcome, const Settings& settings, std::FILE* out) {
    std::fputs(openOutcomeText(outcome, settings).c_str(), out);
}

DeviceHandle openDevice(Driver& driver, const Settings& settings, int deviceIndex, int baud,
                        std::FILE* out) {
    const OpenOutcome outcome = runOpenSequence(driver, deviceIndex, baud);
    printOpenOutcome(outcome, settings, out);
    return outcome.handle;
}

PortFactory::PortFactory(const std::vector<std::unique_ptr<Driver>>& drivers, Clock& clock,
                         const Settings& settings)
    : PortFactory(std::vector<Driver*>{}, clock, settings) {
    for (const auto& driver : drivers) drivers_.push_back(driver.get());
}

std::unique_ptr<PortPoller> PortFactory::create(ByteSource*& source, int deviceIndex, int baud,
                                                DriverError* failure, bool quiet) {
    source = nullptr;
    Driver* driver = nullptr;
    OpenOutcome reported{nullptr, OpenStep::Open, {DriverError::Cause::NoDevice, 0, {}}};
    for (Driver* candidate : drivers_) {
        OpenOutcome outcome = runOpenSequence(*candidate, deviceIndex, baud);
        if (outcome.handle) driver = candidate;
        if (outcome.handle || saysMoreThanNoDevice(outcome.error) ||
            !saysMoreThanNoDevice(reported.error))
            reported = std::move(outcome);
        if (driver) break;
    }
    if (const std::string text = openOutcomeText(reported, settings_); !text.empty() && !quiet)
        traceSink().output(text);
    if (failure) *failure = reported.error;
    if (!driver) return nullptr;

    DeviceHandle handle = reported.handle;
    auto* port = new (std::nothrow) FtdiPort(*driver, clock_, handle);
    if (!port) {
        driver->close(handle);
        if (failure) *failure = {DriverError::Cause::IoError, ENOMEM, {}};
        return nullptr;
    }
    std::unique_ptr<PortPoller> poller(new (std::nothrow) PortPoller(port));
    if (!poller) {
        delete port;  // closes the device
        if (failure) *failure = {DriverError::Cause::IoError, ENOMEM, {}};
        return nullptr;
    }
    source = port;
    return poller;
}

std::unique_ptr<PortPoller> PortFactory::createLinked(int deviceIndex, int baud, RawLog& rawLog,
                                                      ByteSink& top, DriverError* failure,
                                                      bool quiet) {
    ByteSource* source = nullptr;
    std::unique_ptr<PortPoller> poller = create(source, deviceIndex, baud, failure, quiet);
    if (!poller) return poller;
    source->setPending(&rawLog);
    source->sync();
    rawLog.setPending(&top);
    rawLog.sync();
    return poller;
}

}  // namespace transport
