#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "cli/RunView.h"
#include "cli/TraceFile.h"
#include "transport/TraceSink.h"
#include "transport/TracingDriver.h"

namespace cli {

// The trace's three roles, each writing its lines through the one trace file.

// The diagnostics the dialog program prints on its standard streams: "out" and "err".
class TraceDiagnostics final : public transport::TraceSink {
public:
    explicit TraceDiagnostics(TraceFile& file) : file_(file) {}
    void output(std::string_view text) override { file_.output(text); }
    void error(std::string_view text) override { file_.error(text); }

private:
    TraceFile& file_;
};

// Every chunk read and written, "rx" and "tx", and each call of the driver with its answer.
class TraceDriverLog final : public transport::DriverTrace {
public:
    explicit TraceDriverLog(TraceFile& file) : file_(file) {}
    void onRead(transport::ByteView bytes) override { file_.bytesLine("rx", bytes); }
    void onWrite(transport::ByteView bytes) override { file_.bytesLine("tx", bytes); }
    void onCall(std::string_view call, const transport::DriverError& result) override;

private:
    TraceFile& file_;
};

// The run's steps, as notes.
class TraceRunView final : public RunView {
public:
    explicit TraceRunView(TraceFile& file) : file_(file) {}
    void searching(const engine::SearchTarget& target) override;
    void found(const NodeRow& node, std::size_t others) override;
    void status(const StatusEntry& entry) override;
    void checking(const NodeRow& turbine, std::size_t index, std::size_t count) override;
    void checked(const CheckRow& row) override;
    void finished(const RunReport& report) override;

private:
    TraceFile& file_;
};

// Diagnostics go nowhere: the program's own output stays clean for scripts.
class NoTrace final : public transport::TraceSink {
public:
    void output(std::string_view) override {}
    void error(std::string_view) override {}
};

}  // namespace cli
