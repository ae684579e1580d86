#include "app/SpeedFix.h"

#include "app/ProcessObjects.h"
#include "app/TurbineSearch.h"
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

SpeedCheck SpeedFix::check() {
    SpeedCheck result;
    status(kStatusScanning);
    std::uint32_t speed = 0;
    if (!query("bd", speed)) {
        const std::optional<Outcome> cut = cutShort();
        if (cut == Outcome::Stopped) return result;
        const bool gone = cut == Outcome::DongleGone;
        status(gone ? kStatusDongleGone : kStatusQueryFailed);
        result.result = gone ? SpeedCheck::Result::DongleGone : SpeedCheck::Result::QueryFailed;
        return result;
    }
    result.speed = speed;
    switch (testInverter()) {
        case Outcome::Answers:
            result.result = SpeedCheck::Result::Answers;
            break;
        case Outcome::NoAnswer:
            result.result = SpeedCheck::Result::NoAnswer;
            break;
        case Outcome::DongleGone:
            status(kStatusDongleGone);
            result.result = SpeedCheck::Result::DongleGone;
            break;
        case Outcome::LostLink:
        case Outcome::Stopped:
            break;
    }
    return result;
}

FixResult SpeedFix::run() {
    FixResult result;
    const SpeedCheck first = check();
    result.speedRead = first.speed;
    switch (first.result) {
        case SpeedCheck::Result::Answers:
            fixed(kStatusSpeedCorrect);
            result.outcome = FixOutcome::SpeedCorrect;
            return result;
        case SpeedCheck::Result::QueryFailed:
            result.outcome = FixOutcome::QueryFailed;
            return result;
        case SpeedCheck::Result::DongleGone:
            result.outcome = FixOutcome::DongleGone;
            return result;
        case SpeedCheck::Result::Stopped:
            return result;
        case SpeedCheck::Result::NoAnswer:
            break;
    }
    const SpeedValues values = speedValuesFor(*first.speed);

    status(kStatusConfiguring);
    Outcome outcome = tryValue(values.first, result);
    if (outcome == Outcome::NoAnswer) {
        status(kStatusRetesting);
        outcome = tryValue(values.second, result);
    }
    switch (outcome) {
        case Outcome::Answers:
            fixed(kStatusSpeedFixed);
            result.outcome = FixOutcome::SpeedFixed;
            break;
        case Outcome::LostLink:
            status(kStatusLostLink);
            result.outcome = FixOutcome::LostLink;
            break;
        case Outcome::NoAnswer:
            status(kStatusUnable);
            result.outcome = FixOutcome::Unable;
            break;
        case Outcome::DongleGone:
            status(kStatusDongleGone);
            result.outcome = FixOutcome::DongleGone;
            break;
        case Outcome::Stopped:
            break;
    }
    return result;
}

SpeedFix::Outcome SpeedFix::tryValue(std::uint32_t value, FixResult& result) {
    if (const auto cut = cutShort()) return *cut;
    // A stop can still come before the "bd" frame goes out; only a value sent is reported.
    const std::uint32_t sentBefore = objects_.commandLink.framesSent();
    writeSpeed(value);
    if (objects_.commandLink.framesSent() != sentBefore) result.speedsWritten.push_back(value);
    if (const auto cut = cutShort()) return *cut;
    status(kStatusWaiting);
    search_.waitForLink(kLinkWaitMs);
    if (const auto cut = cutShort()) return *cut;
    status(kStatusLinking);
    std::uint32_t link = 0;
    if (!query("db", link) && !query("db", link)) return cutShort().value_or(Outcome::LostLink);
    return testInverter();
}

bool SpeedFix::query(const char* letters, std::uint32_t& value) {
    radio::RemoteCommandSender remote(objects_.commandLink);
    return remote.send(letters) &&
           radio::checkResponse(letters, objects_.frameDispatcher.body(), value);
}

void SpeedFix::writeSpeed(std::uint32_t value) {
    // Failures show later, as a lost link or a failed test.
    radio::RemoteCommandSender remote(objects_.commandLink);
    transport::ByteBuffer parameters;
    parameters.append("bd");
    parameters.appendNumber(static_cast<std::int32_t>(value), 1);
    remote.sendWithParameters(parameters.view());
    remote.send("wr");
    remote.send("fr");
}

SpeedFix::Outcome SpeedFix::testInverter() {
    if (objects_.turbineQuery.probeInverter(false, true) != 0) return Outcome::Answers;
    return cutShort().value_or(Outcome::NoAnswer);
}

std::optional<SpeedFix::Outcome> SpeedFix::cutShort() const {
    if (objects_.commandLink.stopped()) return Outcome::Stopped;
    if (objects_.commandLink.portFailed()) return Outcome::DongleGone;
    return std::nullopt;
}

void SpeedFix::status(const char* text) { observer_.setStatus(text); }

void SpeedFix::fixed(const char* text) {
    status(text);
    observer_.fixComplete();
}

}  // namespace app
