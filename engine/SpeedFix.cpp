#include "engine/SpeedFix.h"

#include "engine/Messages.h"
#include "engine/ProcessObjects.h"
#include "engine/TurbineSearch.h"
#include "radio/CommandSender.h"

namespace engine {

namespace {
constexpr std::uint32_t kSpeedA = 4;
constexpr std::uint32_t kSpeedB = 6;
constexpr int kLinkWaitMs = 6000;
}  // namespace

SpeedValues speedValuesFor(std::uint32_t current) {
    if (current == kSpeedB) return {kSpeedA, kSpeedB};
    return {kSpeedB, kSpeedA};
}

CheckResult SpeedFix::check() {
    CheckResult result;
    status(kStatusScanning);
    std::uint32_t speed = 0;
    if (!query("bd", speed)) {
        const std::optional<Step> cut = cutShort();
        if (cut == Step::Stopped) return result;
        result.outcome = cut == Step::DongleGone ? Outcome::DongleGone : Outcome::QueryFailed;
        status(statusOf(result.outcome));
        return result;
    }
    result.speed = speed;
    const Step step = testInverter();
    result.outcome = outcomeOf(step, Outcome::SpeedCorrect);
    result.inverterAnswers = answersAt(step);
    // The check's other endings are told by the fix that goes on from it.
    if (result.outcome == Outcome::DongleGone) status(statusOf(result.outcome));
    return result;
}

FixResult SpeedFix::run() {
    FixResult result;
    const CheckResult first = check();
    result.speedRead = first.speed;
    result.inverterAnswers = first.inverterAnswers;
    if (first.outcome != Outcome::Unable) {
        // Correct already, or nothing more can be learnt: a failed query, a stop, no dongle.
        result.outcome = first.outcome;
        if (result.outcome == Outcome::SpeedCorrect) ended(result.outcome);
        return result;
    }
    const SpeedValues values = speedValuesFor(*first.speed);

    status(kStatusConfiguring);
    Step step = tryValue(values.first, result);
    if (step == Step::NoAnswer) {
        status(kStatusRetesting);
        step = tryValue(values.second, result);
    }
    result.outcome = outcomeOf(step, Outcome::SpeedFixed);
    result.inverterAnswers = answersAt(step);
    if (result.outcome != Outcome::Stopped) ended(result.outcome);
    return result;
}

Outcome SpeedFix::outcomeOf(Step step, Outcome answered) {
    switch (step) {
        case Step::Answers:
            return answered;
        case Step::NoAnswer:
            return Outcome::Unable;
        case Step::LostLink:
            return Outcome::LostLink;
        case Step::DongleGone:
            return Outcome::DongleGone;
        case Step::Stopped:
            break;
    }
    return Outcome::Stopped;
}

std::optional<bool> SpeedFix::answersAt(Step step) {
    if (step == Step::Answers || step == Step::NoAnswer) return step == Step::Answers;
    return std::nullopt;
}

SpeedFix::Step SpeedFix::tryValue(std::uint32_t value, FixResult& result) {
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
    if (!query("db", link) && !query("db", link)) return cutShort().value_or(Step::LostLink);
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

SpeedFix::Step SpeedFix::testInverter() {
    if (objects_.turbineQuery.probeInverter(false, true) != 0) return Step::Answers;
    return cutShort().value_or(Step::NoAnswer);
}

std::optional<SpeedFix::Step> SpeedFix::cutShort() const {
    if (objects_.commandLink.stopped()) return Step::Stopped;
    if (objects_.commandLink.portFailed()) return Step::DongleGone;
    return std::nullopt;
}

void SpeedFix::status(const char* text) { observer_.setStatus(text); }

void SpeedFix::ended(Outcome outcome) {
    status(statusOf(outcome));
    if (outcome == Outcome::SpeedCorrect || outcome == Outcome::SpeedFixed) observer_.fixComplete();
}

}  // namespace engine
