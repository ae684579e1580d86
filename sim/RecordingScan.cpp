#include "sim/RecordingScan.h"

#include "sim/TraceReader.h"

namespace sim {

namespace {

// The calls a run makes while it attaches the radio, before anything else.
bool isAttachCall(DriverCall call) { return call != DriverCall::Read && call != DriverCall::Write; }

bool settingOf(DriverCall call, transport::DeviceFault& fault) {
    switch (call) {
        case DriverCall::BaudRate:
            fault = transport::DeviceFault::BaudRate;
            return true;
        case DriverCall::DataCharacteristics:
            fault = transport::DeviceFault::DataCharacteristics;
            return true;
        case DriverCall::FlowControl:
            fault = transport::DeviceFault::FlowControl;
            return true;
        default:
            return false;
    }
}

// One driver-call note of the attachment.
void attachStep(const DriverCallNote& note, std::int64_t ms, RecordingSummary& summary) {
    if (note.call == DriverCall::Open) {
        RecordedDriver driver;
        driver.label = note.label;
        driver.openMs = ms;
        driver.opens = note.ok;
        if (!note.ok) driver.openError = errorFromDescription(note.failure);
        summary.drivers.push_back(std::move(driver));
        return;
    }
    transport::DeviceFault fault{};
    if (note.ok || !settingOf(note.call, fault)) return;
    for (auto driver = summary.drivers.rbegin(); driver != summary.drivers.rend(); ++driver) {
        if (driver->label != note.label) continue;
        driver->configurationFails = true;
        driver->failedSetting = fault;
        return;
    }
}

}  // namespace

bool scanRecording(std::istream& in, RecordingSummary& summary, std::string& error) {
    summary = RecordingSummary{};
    TraceReader reader(in);
    TraceLine line;
    bool attaching = true;
    TraceReader::Status status;
    while ((status = reader.next(line)) == TraceReader::Status::Line) {
        if (line.tag == TraceTag::Out || line.tag == TraceTag::Err) continue;
        DriverCallNote call;
        OutcomeNote outcome;
        if (line.tag != TraceTag::Note) {
            attaching = false;
        } else if (readOutcomeNote(line.text, outcome)) {
            summary.hasOutcome = true;
            summary.outcome = outcome;
            attaching = false;
        } else if (attaching && readDriverCallNote(line.text, call) && isAttachCall(call.call)) {
            attachStep(call, line.ms, summary);
        } else {
            attaching = false;
        }
    }
    if (status == TraceReader::Status::Error) {
        error = reader.error();
        return false;
    }
    summary.lastLine = reader.lineNumber();
    summary.cutShort = reader.cutShort();
    for (std::size_t i = 0; i < summary.drivers.size(); ++i) {
        if (summary.drivers[i].opens && !summary.drivers[i].configurationFails)
            summary.attached = i;
    }
    return true;
}

}  // namespace sim
