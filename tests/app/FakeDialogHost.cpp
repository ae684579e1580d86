#include "FakeDialogHost.h"

#include <chrono>

namespace app::testing {

namespace {
constexpr std::chrono::milliseconds kIdleEvery{2};
}  // namespace

FakeDialogHost::FakeDialogHost() {
    calls().setWake([this] {
        std::lock_guard lock(wakeMutex_);
        wakePending_ = true;
        woken_.notify_all();
    });
}

FakeDialogHost::~FakeDialogHost() { calls().close(); }

int FakeDialogHost::runModal(const DialogTemplate& dialogTemplate, ModalDialog& dialog) {
    dialog_ = &dialog;
    for (const ControlTemplate& control : dialogTemplate.controls) {
        if (control.id != kIdNone) items_[control.id] = {control.text, true};
    }
    dialog.dispatch(kMsgInitDialog, 0, 0);
    record({HostEvent::Init, kIdNone, {}, false});
    while (!ended_) {
        bool woken = false;
        {
            std::unique_lock lock(wakeMutex_);
            woken = woken_.wait_for(lock, kIdleEvery, [&] { return wakePending_; });
            wakePending_ = false;
        }
        if (woken)
            calls().runPending();
        else
            record({HostEvent::Idle, kIdNone, {}, false});
    }
    dialog_ = nullptr;
    return result_;
}

void FakeDialogHost::endDialog(int result) {
    ended_ = true;
    result_ = result;
}

std::string FakeDialogHost::itemText(int id, std::size_t maxChars) {
    std::string text = items_[id].text;
    if (text.size() > maxChars) text.resize(maxChars);
    return text;
}

void FakeDialogHost::setItemText(int id, const std::string& text) {
    items_[id].text = text;
    record({HostEvent::Text, id, text, false});
}

void FakeDialogHost::enableItem(int id, bool enabled) {
    items_[id].enabled = enabled;
    record({HostEvent::Enable, id, {}, enabled});
}

bool FakeDialogHost::itemEnabled(int id) { return items_[id].enabled; }

void FakeDialogHost::messageBox(BoxOwner, const std::string& text, const std::string& caption,
                                BoxIcon, const std::string& details) {
    boxes_.push_back(caption + ": " + text);
    boxDetails_.push_back(details);
    record({HostEvent::Box, kIdNone, caption, false});
}

void FakeDialogHost::press(int id) {
    // A disabled button sends nothing.
    if (items_[id].enabled && dialog_) dialog_->dispatch(kMsgCommand, static_cast<unsigned>(id), 0);
}

void FakeDialogHost::close() {
    if (dialog_ && !ended_) dialog_->dispatch(kMsgClose, 0, 0);
}

std::vector<std::string> FakeDialogHost::texts(int id) const {
    std::vector<std::string> out;
    for (const HostEvent& event : events_) {
        if (event.kind == HostEvent::Text && event.id == id) out.push_back(event.text);
    }
    return out;
}

void FakeDialogHost::record(const HostEvent& event) {
    if (event.kind != HostEvent::Idle) events_.push_back(event);
    if (script_) script_(*this, event);
}

}  // namespace app::testing
