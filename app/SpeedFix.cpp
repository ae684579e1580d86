#include "app/SpeedFix.h"

#include "app/FixDialog.h"
#include "app/LinkWorker.h"
#include "app/ProcessObjects.h"
#include "radio/CommandSender.h"

namespace app {

namespace {
constexpr std::uint32_t kSpeedA = 4;
constexpr std::uint32_t kSpeedB = 6;
constexpr int kLinkWaitMs = 6000;
}  // namespace

SpeedValues speedValuesFor(std::uint32_t current) {
    if (current == kSpeedB) return {kSpeedA, kSpeedB};
    return {kSpeedB, kSpeedA};
}

void SpeedFix::run() {
    status(kStatusScanning);
    std::uint32_t speed = 0;
    if (!query("bd", speed)) {
        if (!stopped()) status(kStatusQueryFailed);
        return;
    }
    Outcome outcome = testInverter();
    if (outcome == Outcome::Answers) {
        fixed(kStatusSpeedCorrect);
        return;
    }
    if (outcome == Outcome::Stopped) return;
    const SpeedValues values = speedValuesFor(speed);

    status(kStatusConfiguring);
    outcome = tryValue(values.first);
    if (outcome == Outcome::NoAnswer) {
        status(kStatusRetesting);
        outcome = tryValue(values.second);
    }
    switch (outcome) {
        case Outcome::Answers:
            fixed(kStatusSpeedFixed);
            break;
        case Outcome::LostLink:
            status(kStatusLostLink);
            break;
        case Outcome::NoAnswer:
            status(kStatusUnable);
            break;
        case Outcome::Stopped:
            break;
    }
}

SpeedFix::Outcome SpeedFix::tryValue(std::uint32_t value) {
    writeSpeed(value);
    if (stopped()) return Outcome::Stopped;
    status(kStatusWaiting);
    worker_.waitForLink(kLinkWaitMs);
    if (stopped()) return Outcome::Stopped;
    status(kStatusLinking);
    std::uint32_t link = 0;
    if (!query("db", link) && !query("db", link)) {
        return stopped() ? Outcome::Stopped : Outcome::LostLink;
    }
    return testInverter();
}

bool SpeedFix::query(const char* letters, std::uint32_t& value) {
    ProcessObjects& objects = worker_.objects();
    radio::RemoteCommandSender remote(objects.commandLink);
    return remote.send(letters) &&
           radio::checkResponse(letters, objects.frameDispatcher.body(), value);
}

void SpeedFix::writeSpeed(std::uint32_t value) {
    // Failures show later, as a lost link or a failed test.
    radio::RemoteCommandSender remote(worker_.objects().commandLink);
    transport::ByteBuffer parameters;
    parameters.append("bd");
    parameters.appendNumber(static_cast<std::int32_t>(value), 1);
    remote.sendWithParameters(parameters.view());
    remote.send("wr");
    remote.send("fr");
}

SpeedFix::Outcome SpeedFix::testInverter() {
    if (worker_.objects().turbineQuery.probeInverter(false, true) != 0) return Outcome::Answers;
    return stopped() ? Outcome::Stopped : Outcome::NoAnswer;
}

bool SpeedFix::stopped() const { return worker_.objects().commandLink.stopped(); }

void SpeedFix::status(const char* text) { worker_.owner().setStatus(text); }

void SpeedFix::fixed(const char* text) {
    status(text);
    worker_.owner().fixComplete();
}

}  // namespace app
