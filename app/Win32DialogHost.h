#pragma once

#include <windows.h>

#include <atomic>

#include "app/DialogHost.h"

namespace app {

// The dialog services on Win32. Dialogs come from the program's resources by the template's
// name and run with DialogBoxParamA; the template data itself only has to match them.
// Calls from the worker reach the dialog's thread as a posted message, which the dialog's
// loop, or the loop of a message box open over it, hands to the dialog procedure.
class Win32DialogHost final : public DialogHost {
public:
    explicit Win32DialogHost(HINSTANCE instance);
    ~Win32DialogHost() override;
    Win32DialogHost(const Win32DialogHost&) = delete;
    Win32DialogHost& operator=(const Win32DialogHost&) = delete;

    // -1 when the dialog could not be created (no such resource, no window station).
    int runModal(const DialogTemplate& dialogTemplate, ModalDialog& dialog) override;
    void endDialog(int result) override;
    std::string itemText(int id, std::size_t maxChars) override;
    void setItemText(int id, const std::string& text) override;
    void enableItem(int id, bool enabled) override;
    bool itemEnabled(int id) override;
    void messageBox(BoxOwner owner, const std::string& text, const std::string& caption,
                    BoxIcon icon, const std::string& details) override;

private:
    static INT_PTR CALLBACK dialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window() const { return window_.load(std::memory_order_acquire); }

    HINSTANCE instance_;
    ModalDialog* dialog_ = nullptr;      // the dialog being run, which messages are routed to
    std::atomic<HWND> window_{nullptr};  // read by the wake-up from other threads
};

}  // namespace app
