#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace app {

// Runs calls from other threads on the dialog's thread and holds each caller until its
// call has run there. The dialog's thread runs them when the backend wakes it.
//
// Closing is what keeps the end of the program free of deadlocks: once closed, queued
// calls are cancelled (their callers return false) and new ones are refused at once, so
// the dialog's thread may wait for the calling thread to end. A call already running is
// never cancelled: its function may use the caller's data, so the caller is released
// only after it returns (the backend's endDialog dismisses any box such a call shows).
class DialogCalls {
public:
    using Function = std::function<void()>;

    // Makes the calling thread the dialog's thread.
    void bindToCurrentThread();
    bool onDialogThread() const;

    // The backend's way of asking the dialog's thread to call runPending soon; any thread
    // may call it, it must not block.
    void setWake(Function wake);

    // Runs function on the dialog's thread and returns true once it has run there. On the
    // dialog's thread itself it runs at once. False, without running it, once closed.
    bool call(const Function& function);

    // On the dialog's thread: runs every queued call, oldest first.
    void runPending();

    // Refuses new calls and cancels queued ones. Safe to call more than once.
    void close();
    bool closed() const;

private:
    enum class State { Queued, Running, Done, Cancelled };
    struct Pending {
        const Function* function;
        State state;
    };

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Pending*> queue_;
    Function wake_;
    std::thread::id dialogThread_ = std::this_thread::get_id();
    bool closed_ = false;
};

}  // namespace app
