#include "app/FixDialog.h"

#include "app/LinkWorker.h"
#include "engine/Messages.h"
#include "engine/TurbineIds.h"

namespace app {

namespace {
constexpr std::uintptr_t kControlIdMask = 0xFFFF;  // the low word of wParam
}  // namespace

FixDialog::FixDialog(DialogHost& host, engine::TurbineService& service)
    : ModalDialog(host), service_(service) {}

FixDialog::~FixDialog() { stopWorker(); }

void FixDialog::onInit() {
    host().enableItem(kIdFix, false);
    resetOthersCount();
    worker_ = std::make_unique<LinkWorker>(*this, service_);
    worker_->start();
}

void FixDialog::onCommand(std::uintptr_t wParam, std::intptr_t) {
    switch (wParam & kControlIdMask) {
        case kIdFix:
            if (worker_) worker_->requestFix();
            break;
        case kIdSearch:
            parseTurbineId();
            break;
        default:  // Escape sends kIdCancel: the dialog stays open
            break;
    }
}

void FixDialog::onClose() {
    // Only ask here: this may run inside a message box's loop that a worker call opened,
    // and that call must be able to finish. The worker is joined after the dialog ends.
    if (worker_) worker_->requestStop();
    host().calls().close();
    ModalDialog::onClose();
}

void FixDialog::stopWorker() {
    host().calls().close();
    if (worker_) worker_->stopAndWait();
}

void FixDialog::parseTurbineId() {
    std::string typed = host().itemText(kIdTurbineId, engine::kTurbineIdMaxChars);
    const std::int32_t value = engine::turbineIdValue(typed);
    if (value == 0) {
        host().messageBox(BoxOwner::Dialog, engine::kNoTurbineText, engine::kNoTurbineTitle,
                          BoxIcon::Error);
        return;
    }
    resetOthersCount();
    if (worker_) worker_->setTarget(engine::targetOf(value), std::move(typed));
}

void FixDialog::resetOthersCount() {
    othersFound_.store(0, std::memory_order_release);
    showOthersCount(0);
}

std::int32_t FixDialog::countOther(std::int32_t more) {
    return othersFound_.fetch_add(more, std::memory_order_acq_rel) + more;
}

void FixDialog::setTurbineIdText(const std::string& text) {
    host().calls().call([&] { host().setItemText(kIdTurbineId, text); });
}

void FixDialog::setStatus(const std::string& text) {
    host().calls().call([&] { host().setItemText(kIdStatus, text); });
}

void FixDialog::showOthersCount(std::int32_t count) {
    // Shown whole: the count box is wide enough only for small counts, but a cut number
    // would be a wrong one.
    const std::string text = std::to_string(count);
    host().calls().call([&] { host().setItemText(kIdOthersCount, text); });
}

void FixDialog::enableFix(bool enabled) {
    host().calls().call([&] { host().enableItem(kIdFix, enabled); });
}

void FixDialog::fixComplete() {
    const bool shown = host().calls().call([&] {
        host().messageBox(BoxOwner::Dialog, engine::kFixCompleteText, engine::kFixCompleteTitle,
                          BoxIcon::None);
    });
    if (!shown) return;  // the dialog is closing
    enableFix(false);
    resetOthersCount();
}

}  // namespace app
