#pragma once

#include <cstdint>

#include "app/DialogHost.h"

namespace app {

// A dialog object that the platform's dialog messages are routed to.
class ModalDialog {
public:
    explicit ModalDialog(DialogHost& host) : host_(host) {}
    virtual ~ModalDialog() = default;
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Runs the dialog until it ends; answers its result.
    int run(const DialogTemplate& dialogTemplate);

    // The shared dialog procedure: backends hand every message here, on the dialog's
    // thread. Answers whether the message was handled.
    bool dispatch(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

    DialogHost& host() const { return host_; }

protected:
    virtual void onInit() {}
    virtual void onCommand(std::uintptr_t wParam, std::intptr_t lParam) = 0;
    virtual bool onMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    virtual void onClose();

private:
    DialogHost& host_;
};

}  // namespace app
