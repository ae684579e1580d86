#pragma once

#include <QObject>
#include <QTimer>

#include "sim/RecordedCommand.h"

class QDialog;

namespace sim {
class Replay;
}

namespace app {

class QtDialogHost;

// Plays the operator of a recorded run at the dialog: types the turbine ID the recording
// names and presses Search, then Fix once the search has found the turbine, and leaves the
// dialog to be watched. When the replay leaves the recording, a box says where and how.
// Everything it does runs on the dialog's thread; it outlives the dialog's run.
class ReplayOperator {
public:
    ReplayOperator(QtDialogHost& host, sim::Replay& replay, sim::RecordedCommand command);
    ~ReplayOperator();
    ReplayOperator(const ReplayOperator&) = delete;
    ReplayOperator& operator=(const ReplayOperator&) = delete;

    // For the host's onShow: the dialog is about to show.
    void start(QDialog& dialog);

private:
    void press(const char* button);
    void pressFixOnceEnabled();
    void showStop();

    QtDialogHost& host_;
    sim::Replay& replay_;
    const sim::RecordedCommand command_;
    QDialog* dialog_ = nullptr;
    QObject context_;  // on the dialog's thread: where the replay's stop is shown
    QTimer fixPoll_;
};

}  // namespace app
