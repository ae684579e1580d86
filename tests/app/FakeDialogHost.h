#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "app/DialogHost.h"
#include "app/ModalDialog.h"

namespace app::testing {

// What the dialog's thread was asked to do, in order.
struct HostEvent {
    enum Kind { Init, Text, Enable, Box, Idle };
    Kind kind;
    int id = kIdNone;
    std::string text;  // Text: the new text; Box: the caption
    bool enabled = false;
};

// The dialog layer without a toolkit. runModal turns the calling thread into the dialog's
// thread: it runs the worker's calls as they come and hands every event to a script,
// which acts like an operator (type, press, close) on that same thread. Message boxes are
// recorded and dismissed at once, after the script has seen them. While nothing happens
// the script is shown Idle every few milliseconds, so it can act on the worker's state.
class FakeDialogHost final : public DialogHost {
public:
    using Script = std::function<void(FakeDialogHost&, const HostEvent&)>;

    FakeDialogHost();
    ~FakeDialogHost() override;

    void setScript(Script script) { script_ = std::move(script); }

    int runModal(const DialogTemplate& dialogTemplate, ModalDialog& dialog) override;
    void endDialog(int result) override;
    std::string itemText(int id, std::size_t maxChars) override;
    void setItemText(int id, const std::string& text) override;
    void enableItem(int id, bool enabled) override;
    bool itemEnabled(int id) override;
    void messageBox(BoxOwner owner, const std::string& text, const std::string& caption,
                    BoxIcon icon, const std::string& details) override;

    // The operator, from the script.
    void type(const std::string& text) { items_[kIdTurbineId].text = text; }
    void press(int id);
    void close();

    // Only read these on the dialog's thread or once runModal has returned.
    const std::vector<HostEvent>& events() const { return events_; }
    std::vector<std::string> texts(int id) const;
    // Box captions with their texts, "caption: text".
    std::vector<std::string> boxes() const { return boxes_; }
    // The details of each box, in the same order; empty for a box without.
    std::vector<std::string> boxDetails() const { return boxDetails_; }
    bool ended() const { return ended_; }

private:
    struct Item {
        std::string text;
        bool enabled = true;
    };
    void record(const HostEvent& event);

    Script script_;
    ModalDialog* dialog_ = nullptr;
    std::map<int, Item> items_;
    std::vector<HostEvent> events_;
    std::vector<std::string> boxes_;
    std::vector<std::string> boxDetails_;
    bool ended_ = false;
    int result_ = 0;

    std::mutex wakeMutex_;
    std::condition_variable woken_;
    bool wakePending_ = false;
};

}  // namespace app::testing
