#include "app/DialogCalls.h"

namespace app {

void DialogCalls::bindToCurrentThread() {
    std::lock_guard lock(mutex_);
    dialogThread_ = std::this_thread::get_id();
}

bool DialogCalls::onDialogThread() const {
    std::lock_guard lock(mutex_);
    return dialogThread_ == std::this_thread::get_id();
}

void DialogCalls::setWake(Function wake) {
    std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
}

bool DialogCalls::call(const Function& function) {
    std::unique_lock lock(mutex_);
    if (closed_) return false;
    if (dialogThread_ == std::this_thread::get_id()) {
        // Queuing would wait for ourselves; the dialog's own thread simply runs it.
        lock.unlock();
        function();
        return true;
    }
    Pending pending{&function, State::Queued};
    queue_.push_back(&pending);
    if (wake_) wake_();
    changed_.wait(
        lock, [&] { return pending.state == State::Done || pending.state == State::Cancelled; });
    return pending.state == State::Done;
}

void DialogCalls::runPending() {
    std::unique_lock lock(mutex_);
    while (!queue_.empty()) {
        Pending* pending = queue_.front();
        queue_.pop_front();
        pending->state = State::Running;
        lock.unlock();
        (*pending->function)();
        lock.lock();
        pending->state = State::Done;
        changed_.notify_all();
    }
}

void DialogCalls::close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    for (Pending* pending : queue_) pending->state = State::Cancelled;
    queue_.clear();
    changed_.notify_all();
}

bool DialogCalls::closed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

}  // namespace app
