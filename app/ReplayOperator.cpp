#include "app/ReplayOperator.h"

#include <QDialog>
#include <QPushButton>

#include <string>
#include <utility>

#include "app/DialogTemplate.h"
#include "app/QtDialogHost.h"
#include "sim/Replay.h"
#include "sim/ReplayReport.h"

namespace app {

namespace {
// How often the operator looks whether Fix has become enabled.
constexpr int kFixPollMs = 200;
}  // namespace

ReplayOperator::ReplayOperator(QtDialogHost& host, sim::Replay& replay,
                               sim::RecordedCommand command)
    : host_(host), replay_(replay), command_(std::move(command)) {
    fixPoll_.setInterval(kFixPollMs);
    QObject::connect(&fixPoll_, &QTimer::timeout, &context_, [this] { pressFixOnceEnabled(); });
    // The replay stops on the worker's thread; the box shows on the dialog's.
    replay_.setOnStop([this] {
        QMetaObject::invokeMethod(
            &context_, [this] { showStop(); }, Qt::QueuedConnection);
    });
}

ReplayOperator::~ReplayOperator() { replay_.setOnStop({}); }

void ReplayOperator::start(QDialog& dialog) {
    dialog_ = &dialog;
    // Only a turbine ID can be typed in the dialog: scan, check --all and --address have
    // nothing to type, and the operator leaves the dialog as it is.
    if (command_.id.empty() || command_.all || command_.byAddress) return;
    QTimer::singleShot(0, &context_, [this] {
        host_.setItemText(kIdTurbineId, command_.id);
        press("Search");
        fixPoll_.start();
    });
}

void ReplayOperator::press(const char* button) {
    if (!dialog_ || !host_.window()) return;
    for (QPushButton* candidate : dialog_->findChildren<QPushButton*>()) {
        if (candidate->accessibleName() == QLatin1String(button)) candidate->click();
    }
}

void ReplayOperator::pressFixOnceEnabled() {
    if (!host_.window()) return fixPoll_.stop();
    if (!host_.itemEnabled(kIdFix)) return;
    fixPoll_.stop();
    press("Fix");
}

void ReplayOperator::showStop() {
    fixPoll_.stop();
    if (!host_.window()) return;
    // Nothing changes the result once the replay has stopped.
    const sim::ReplayResult result = replay_.finish();
    // A recording that ends where its user stopped the run stops this one there too.
    if (result.kind == sim::ReplayResult::Kind::Matched) {
        host_.messageBox(BoxOwner::Dialog, "The recorded run was stopped here by its user.",
                         "Replay", BoxIcon::None, sim::describeReplay(result));
        return;
    }
    const char* text = result.kind == sim::ReplayResult::Kind::EndedEarly
                           ? "The recording ended while the run went on."
                           : "The run left the recording.";
    host_.messageBox(BoxOwner::Dialog, text, "Replay", BoxIcon::Error, sim::describeReplay(result));
}

}  // namespace app
