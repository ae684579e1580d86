// The command-line program on pseudo-terminals dressed up as USB serial ports
// (tests/transport/PtyPorts.h): ttyUSB1 and ttyUSB10 of the dongle's vendor, devices 0 and
// 1, and ttyUSB0 of another. Each test runs the program in a child process; skipped where
// the machine allows no mount namespace.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <thread>

#include "ReadAll.h"
#include "cli/Program.h"
#include "tests/support/Bytes.h"
#include "tests/transport/PtyPorts.h"
#include "transport/Clock.h"

using namespace ptyports;
using testsupport::Bytes;
using testsupport::hex;
using testsupport::operator+;
using Json = nlohmann::json;

namespace {

// The module's discovery request, and a remote radio's answer to it.
const Bytes kDiscoveryRequest = hex("7E 00 04 09 01 4E 44 63");
const Bytes kAnswer =
    testsupport::apiFrame(hex("88 01 4E 44 00 7A 21 00 13 A2 00 41 C7 F3 21") +
                          testsupport::text("QOR123-7654321") + hex("00 FF FE 01 00 C1 05 10 1E"));

struct Outcome {
    int exitCode = -1;
    Json json;
};

// The program on the arguments with --json, with the system's drivers and list of ports, on
// real time sped up: the module check's discovery time passes in a fraction of a second.
Outcome runJson(std::vector<std::string> args) {
    args.push_back("--json");
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    transport::ScaledClock clock(40);
    cli::Context context;
    context.out = out;
    context.err = err;
    context.clock = &clock;
    Outcome run;
    run.exitCode = cli::runProgram(args, context);
    run.json = Json::parse(clitest::readAll(out), nullptr, false);
    std::fclose(out);
    std::fclose(err);
    return run;
}

// What reached a far end so far.
Bytes received(int master) {
    Bytes bytes;
    std::uint8_t buffer[64];
    ssize_t n = 0;
    while ((n = ::read(master, buffer, sizeof buffer)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    return bytes;
}

// A radio module at a far end: answers the discovery request with one remote radio.
class AnsweringModule {
public:
    explicit AnsweringModule(int master)
        : thread_([this, master] {
              Bytes got;
              const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
              while (!done_ && std::chrono::steady_clock::now() < end) {
                  const Bytes more = received(master);
                  got.insert(got.end(), more.begin(), more.end());
                  if (got == kDiscoveryRequest) {
                      request_ = true;
                      if (::write(master, kAnswer.data(), kAnswer.size()) < 0) return;
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }
          }) {}
    ~AnsweringModule() {
        done_ = true;
        thread_.join();
    }
    // Whether the request, and nothing else, reached it.
    bool asked() const { return request_; }

private:
    std::atomic<bool> done_{false};
    std::atomic<bool> request_{false};
    std::thread thread_;
};

std::vector<bool> stepsPassed(const Json& json) {
    std::vector<bool> passed;
    for (const Json& step : json.at("steps")) passed.push_back(step.at("passed"));
    return passed;
}

// By index, by path and by stable name, doctor reaches the port named and no other; its
// module answers there, and the whole chain passes.
TEST(CliPtyTest, DoctorReachesTheDeviceItIsGiven) {
    runOverThePtys([](int master, int secondMaster) {
        const struct {
            const char* device;
            bool second;
        } cases[] = {{"0", false}, {"1", true}, {"/dev/ttyUSB10", true}, {kStableName, false}};
        int step = 0;
        for (const auto& c : cases) {
            const int far = c.second ? secondMaster : master;
            const int other = c.second ? master : secondMaster;
            step += 10;
            bool asked = false;
            Outcome run;
            {
                const AnsweringModule module(far);
                run = runJson({"doctor", "--device", c.device});
                asked = module.asked();
            }
            if (run.json.is_discarded()) return step + 1;
            if (run.exitCode != 0 || stepsPassed(run.json) != std::vector<bool>(5, true))
                return step + 2;
            if (run.json.at("nodes").at(0).at("name") != "QOR123-7654321") return step + 3;
            if (!asked || !received(other).empty()) return step + 4;
        }
        return 0;
    });
}

// This user may not open the port, or another program holds it: doctor stops at the access
// check, before anything opens, and nothing reaches the module.
TEST(CliPtyTest, DoctorStopsWhereAccessFails) {
    runOverThePty([](int master) {
        const pid_t holder = startHolder("minicom");
        if (holder < 0) return 1;
        const Outcome busy = runJson({"doctor"});
        stopHolder(holder);
        if (busy.exitCode != 1 || stepsPassed(busy.json) != std::vector<bool>{true, false})
            return 2;
        const std::string found = busy.json.at("steps").at(1).at("finding");
        if (found.find("/dev/ttyUSB1: in use by minicom (pid ") != 0) return 3;
        if (!received(master).empty()) return 4;
        return 0;
    });
    runOverThePty([](int master) {
        if (chmod(kPortName, 0) != 0 || !dropCapabilities()) return kSkipped;
        const Outcome denied = runJson({"doctor", "--device", kStableName});
        if (denied.exitCode != 1 || stepsPassed(denied.json) != std::vector<bool>{true, false})
            return 1;
        const std::string found = denied.json.at("steps").at(1).at("finding");
        if (found.find("/dev/ttyUSB1: permission denied: owner") != 0) return 2;
        if (!received(master).empty()) return 3;
        return 0;
    });
}

}  // namespace
