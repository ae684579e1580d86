#pragma once

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <QObject>
#include <QRect>

#include "app/DialogHost.h"

class QApplication;
class QDialog;
class QMessageBox;
class QWidget;

namespace app {

// The dialog services on Qt Widgets. Build a QApplication before using it, and run it on
// the thread that owns the application.
class QtDialogHost final : public DialogHost {
public:
    QtDialogHost();
    ~QtDialogHost() override;

    int runModal(const DialogTemplate& dialogTemplate, ModalDialog& dialog) override;
    void endDialog(int result) override;
    std::string itemText(int id, std::size_t maxChars) override;
    void setItemText(int id, const std::string& text) override;
    void enableItem(int id, bool enabled) override;
    bool itemEnabled(int id) override;
    void messageBox(BoxOwner owner, const std::string& text, const std::string& caption,
                    BoxIcon icon, const std::string& details) override;

    // The running dialog's window, or null.
    QDialog* window() const;
    // Runs on the dialog's thread once the dialog is built and initialised, just before it
    // is shown: for tests and for screenshots.
    void setOnShow(std::function<void(QDialog&)> onShow) { onShow_ = std::move(onShow); }

private:
    class Window;

    QWidget* item(int id) const;
    void buildControls(const DialogTemplate& dialogTemplate);

    QObject waker_;  // lives on the dialog's thread; queued wake-ups run there
    std::unique_ptr<Window> window_;
    std::map<int, QWidget*> items_;
    std::map<int, QRect> fields_;      // where the template puts each static text
    std::vector<QMessageBox*> boxes_;  // message boxes open now, innermost last
    std::function<void(QDialog&)> onShow_;
};

// Gives the application the classic desktop look the dialog was laid out for.
void useClassicStyle(QApplication& application);

}  // namespace app
