#pragma once

#include <cstdint>
#include <string>

#include "app/DialogCalls.h"
#include "app/DialogTemplate.h"

namespace app {

class ModalDialog;

// Dialog messages, with the platform's numbers so that a Win32 dialog procedure can pass
// its own through unchanged.
inline constexpr std::uint32_t kMsgClose = 0x0010;
inline constexpr std::uint32_t kMsgInitDialog = 0x0110;
inline constexpr std::uint32_t kMsgCommand = 0x0111;

enum class BoxIcon { None, Error };
enum class BoxOwner { None, Dialog };

// The platform's dialog services, one backend per platform (Qt Widgets, Win32, and a test
// double). Everything here runs on the dialog's thread, except calls(), which other
// threads use to reach it.
class DialogHost {
public:
    virtual ~DialogHost() = default;

    // Builds the dialog from the template and runs it modally, routing its messages to
    // dialog.dispatch; answers the result given to endDialog.
    virtual int runModal(const DialogTemplate& dialogTemplate, ModalDialog& dialog) = 0;
    // Ends the running dialog; dismisses any message box still open over it first.
    virtual void endDialog(int result) = 0;

    // The text of a control, cut to at most maxChars characters.
    virtual std::string itemText(int id, std::size_t maxChars) = 0;
    virtual void setItemText(int id, const std::string& text) = 0;
    virtual void enableItem(int id, bool enabled) = 0;
    virtual bool itemEnabled(int id) = 0;

    // A modal message box with an OK button; returns when it is dismissed. Details, when
    // given, stand below the text as a paragraph of their own.
    virtual void messageBox(BoxOwner owner, const std::string& text, const std::string& caption,
                            BoxIcon icon, const std::string& details = {}) = 0;

    // Calls from other threads run on the dialog's thread through this object.
    DialogCalls& calls() { return calls_; }

private:
    DialogCalls calls_;
};

}  // namespace app
