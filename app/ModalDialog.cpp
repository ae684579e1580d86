#include "app/ModalDialog.h"

namespace app {

int ModalDialog::run(const DialogTemplate& dialogTemplate) {
    host_.calls().bindToCurrentThread();
    return host_.runModal(dialogTemplate, *this);
}

bool ModalDialog::dispatch(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    switch (message) {
        case kMsgClose:
            onClose();
            return true;
        case kMsgInitDialog:
            onInit();
            return true;
        case kMsgCommand:
            onCommand(wParam, lParam);
            return true;
        default:
            return onMessage(message, wParam, lParam);
    }
}

bool ModalDialog::onMessage(std::uint32_t, std::uintptr_t, std::intptr_t) { return false; }

void ModalDialog::onClose() { host_.endDialog(0); }

}  // namespace app
