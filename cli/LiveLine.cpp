#include "cli/LiveLine.h"

#include <chrono>

#include "cli/Text.h"

namespace cli {

LiveLine::LiveLine(std::FILE* terminal, transport::Clock& clock, std::int64_t startMs, int redrawMs)
    : terminal_(terminal), clock_(clock), startMs_(startMs) {
    if (redrawMs > 0) redraws_ = std::thread(&LiveLine::redrawLoop, this, redrawMs);
}

void LiveLine::end() {
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
        wake_.notify_all();
    }
    if (redraws_.joinable()) redraws_.join();
    std::lock_guard lock(mutex_);
    erase();
}

void LiveLine::show(std::string step) {
    std::lock_guard lock(mutex_);
    step_ = std::move(step);
    if (!ending_) draw();
}

void LiveLine::printAround(const std::function<void()>& print, std::string nextStep) {
    std::lock_guard lock(mutex_);
    erase();
    print();
    if (!nextStep.empty()) step_ = std::move(nextStep);
    if (!ending_) draw();
}

void LiveLine::redrawLoop(int redrawMs) {
    std::unique_lock lock(mutex_);
    while (!ending_) {
        // Real time: this only paces the redraws of a terminal line, whatever the run's
        // clock does.
        wake_.wait_for(lock, std::chrono::milliseconds(redrawMs));
        if (!ending_) draw();
    }
}

void LiveLine::draw() {
    if (step_.empty()) return;
    std::string line = step_ + " (" + seconds(clock_.nowMs() - startMs_) + ")";
    if (line.size() > kMaxWidth) line.resize(kMaxWidth);
    const std::size_t width = line.size();
    if (width < drawn_) line.append(drawn_ - width, ' ');
    std::fprintf(terminal_, "\r%s", line.c_str());
    if (width < drawn_) std::fprintf(terminal_, "\r%s", line.substr(0, width).c_str());
    std::fflush(terminal_);
    drawn_ = width;
}

void LiveLine::erase() {
    if (drawn_ == 0) return;
    std::fprintf(terminal_, "\r%s\r", std::string(drawn_, ' ').c_str());
    std::fflush(terminal_);
    drawn_ = 0;
}

}  // namespace cli
