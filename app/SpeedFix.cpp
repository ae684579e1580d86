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
        status(kStatusQueryFailed);
        return;
    }
    if (inverterAnswers()) {
        fixed(kStatusSpeedCorrect);
        return;
    }
    const SpeedValues values = speedValuesFor(speed);

    status(kStatusConfiguring);
    Outcome outcome = tryValue(values.first);
    if (outcome == Outcome::NoAnswer) {
        status(kStatusRetesting);
        outcome = tryValue(values.second);
    }
    if (!worker_.running()) return;  // the dialog has closed; nobody reads the end
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
    }
}

SpeedFix::Outcome SpeedFix::tryValue(std::uint32_t value) {
    writeSpeed(value);
    status(kStatusWaiting);
    worker_.waitForLink(kLinkWaitMs);
    status(kStatusLinking);
    std::uint32_t link = 0;
    if (!query("db", link) && !query("db", link)) return Outcome::LostLink;
    return inverterAnswers() ? Outcome::Answers : Outcome::NoAnswer;
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

bool SpeedFix::inverterAnswers() {
    if (!worker_.running()) return false;
    return worker_.objects().turbineQuery.probeInverter(false, true) != 0;
}

void SpeedFix::status(const char* text) { worker_.owner().setStatus(text); }

void SpeedFix::fixed(const char* text) {
    status(text);
    worker_.owner().fixComplete();
}

}  // namespace app
