#include "app/Win32DialogHost.h"

#include "app/ModalDialog.h"

namespace app {

namespace {

// Posted to the dialog when calls from other threads are waiting.
constexpr UINT kMsgRunCalls = WM_APP + 1;
constexpr int kRunFailed = -1;

// A message box open over the dialog runs a loop of its own, nested in the dialog's: the
// dialog can only end once the box has gone.
BOOL CALLBACK endBoxOwnedBy(HWND window, LPARAM owner) {
    if (GetWindow(window, GW_OWNER) == reinterpret_cast<HWND>(owner)) EndDialog(window, IDOK);
    return TRUE;
}

}  // namespace

Win32DialogHost::Win32DialogHost(HINSTANCE instance) : instance_(instance) {
    // Called under the calls' lock: PostMessageA queues and returns, it never waits.
    calls().setWake([this] {
        if (HWND dialog = window()) PostMessageA(dialog, kMsgRunCalls, 0, 0);
    });
}

Win32DialogHost::~Win32DialogHost() { calls().close(); }

int Win32DialogHost::runModal(const DialogTemplate& dialogTemplate, ModalDialog& dialog) {
    dialog_ = &dialog;
    const INT_PTR result = DialogBoxParamA(instance_, dialogTemplate.name, nullptr, dialogProc,
                                           reinterpret_cast<LPARAM>(this));
    window_.store(nullptr, std::memory_order_release);
    dialog_ = nullptr;
    return result == -1 ? kRunFailed : static_cast<int>(result);
}

INT_PTR CALLBACK Win32DialogHost::dialogProc(HWND window, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        // The host comes as the initialisation value and stays with the window.
        auto* host = reinterpret_cast<Win32DialogHost*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        host->window_.store(window, std::memory_order_release);
        // Calls queued before the window existed had nowhere to post their wake-up.
        PostMessageA(window, kMsgRunCalls, 0, 0);
    }
    auto* host = reinterpret_cast<Win32DialogHost*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!host || !host->dialog_) return FALSE;  // messages before WM_INITDIALOG
    if (message == kMsgRunCalls) {
        host->calls().runPending();
        return TRUE;
    }
    // TRUE for WM_INITDIALOG also gives the focus to the first tab stop, the Turbine ID box.
    return host->dialog_->dispatch(message, wParam, lParam) ? TRUE : FALSE;
}

void Win32DialogHost::endDialog(int result) {
    HWND dialog = window();
    if (!dialog) return;
    EnumThreadWindows(GetCurrentThreadId(), endBoxOwnedBy, reinterpret_cast<LPARAM>(dialog));
    EndDialog(dialog, result);
}

std::string Win32DialogHost::itemText(int id, std::size_t maxChars) {
    std::string text(maxChars + 1, '\0');  // room for the terminating NUL
    const UINT length = GetDlgItemTextA(window(), id, text.data(), static_cast<int>(text.size()));
    text.resize(length);
    return text;
}

void Win32DialogHost::setItemText(int id, const std::string& text) {
    SetDlgItemTextA(window(), id, text.c_str());
}

void Win32DialogHost::enableItem(int id, bool enabled) {
    EnableWindow(GetDlgItem(window(), id), enabled ? TRUE : FALSE);
}

bool Win32DialogHost::itemEnabled(int id) {
    HWND item = GetDlgItem(window(), id);
    return item && IsWindowEnabled(item);
}

void Win32DialogHost::messageBox(BoxOwner owner, const std::string& text,
                                 const std::string& caption, BoxIcon icon,
                                 const std::string& details) {
    const UINT type = MB_OK | (icon == BoxIcon::Error ? MB_ICONERROR : 0);
    const std::string shown = details.empty() ? text : text + "\n\n" + details;
    MessageBoxA(owner == BoxOwner::Dialog ? window() : nullptr, shown.c_str(), caption.c_str(),
                type);
}

}  // namespace app
