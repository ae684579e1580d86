#include "cli/LiveLine.h"

#include <algorithm>
#include <chrono>
#include <utility>

#include "cli/Text.h"

namespace cli {

LiveLine::LiveLine(std::FILE* terminal, transport::Clock& clock, std::int64_t startMs, int redrawMs,
                   Columns columns)
    : terminal_(terminal), clock_(clock), columns_(std::move(columns)), startMs_(startMs) {
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

std::size_t LiveLine::width() const {
    const int columns = columns_ ? columns_() : 0;
    return static_cast<std::size_t>(std::max(columns > 0 ? columns : kDefaultColumns, 2) - 1);
}

void LiveLine::draw() {
    if (step_.empty()) return;
    const std::size_t fits = width();
    std::string line = step_ + " (" + seconds(clock_.nowMs() - startMs_) + ")";
    if (line.size() > fits) line.resize(fits);
    const std::size_t shown = line.size();
    // Spaces over the rest of a longer line drawn before.
    const std::size_t cover = std::min(drawn_, fits);
    if (shown < cover) line.append(cover - shown, ' ');
    std::fprintf(terminal_, "\r%s", line.c_str());
    if (shown < cover) std::fprintf(terminal_, "\r%s", line.substr(0, shown).c_str());
    std::fflush(terminal_);
    drawn_ = shown;
}

void LiveLine::erase() {
    if (drawn_ == 0) return;
    std::fprintf(terminal_, "\r%s\r", std::string(std::min(drawn_, width()), ' ').c_str());
    std::fflush(terminal_);
    drawn_ = 0;
}

}  // namespace cli
