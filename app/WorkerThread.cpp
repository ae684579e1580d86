#include "app/WorkerThread.h"

#include <system_error>

namespace app {

WorkerThread::~WorkerThread() {
    // A subclass's run() has long returned here: stopAndWait ran in its destructor or
    // before. This is the last guard against destroying a joinable std::thread.
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) stopAndWait();
    if (thread_.joinable()) thread_.detach();
}

bool WorkerThread::start() {
    if (thread_.joinable()) return false;
    // Set here rather than on the new thread, so a stop requested before the thread gets
    // going is not undone by it.
    ended_.store(false, std::memory_order_release);
    running_.store(true, std::memory_order_release);
    try {
        thread_ = std::thread(&WorkerThread::entry, this);
    } catch (const std::system_error&) {
        running_.store(false, std::memory_order_release);
        return false;
    }
    return true;
}

void WorkerThread::entry() {
    if (running()) run();
    running_.store(false, std::memory_order_release);
    ended_.store(true, std::memory_order_release);
}

void WorkerThread::requestStop() {
    running_.store(false, std::memory_order_release);
    onStopRequested();
}

void WorkerThread::stopAndWait() {
    if (!thread_.joinable()) return;
    requestStop();
    if (thread_.get_id() == std::this_thread::get_id()) return;  // cannot join itself
    thread_.join();
}

}  // namespace app
