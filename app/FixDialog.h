#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "app/ModalDialog.h"

namespace engine {
class TurbineService;
}

namespace app {

class LinkWorker;

// The program's one dialog: the operator's Search and Fix become requests to the worker,
// and the worker shows its results through the operations below.
class FixDialog final : public ModalDialog {
public:
    FixDialog(DialogHost& host, engine::TurbineService& service);
    // Ends the worker first: it uses this dialog to the last.
    ~FixDialog() override;

    // The worker's operations. From any thread; each runs on the dialog's thread and
    // returns once it has been handled there, or at once when the dialog is closing.
    void setTurbineIdText(const std::string& text);
    void setStatus(const std::string& text);
    void showOthersCount(std::int32_t count);
    void enableFix(bool enabled);
    // The "Fix Complete" box; then Fix is disabled and the count goes back to 0.
    void fixComplete();

    // More node reports that did not match; answers the new count.
    std::int32_t countOther(std::int32_t more = 1);
    // The count back to 0, and shown.
    void resetOthersCount();
    std::int32_t othersFound() const { return othersFound_.load(std::memory_order_acquire); }

    // Ends the worker and waits for it: every call into the dialog is refused from here
    // on, so a worker held in one is let go. Safe to call more than once.
    void stopWorker();

    // Null until onInit.
    LinkWorker* worker() const { return worker_.get(); }

protected:
    void onInit() override;
    void onCommand(std::uintptr_t wParam, std::intptr_t lParam) override;
    void onClose() override;

private:
    void parseTurbineId();

    engine::TurbineService& service_;
    std::atomic<std::int32_t> othersFound_{0};
    std::unique_ptr<LinkWorker> worker_;
};

}  // namespace app
