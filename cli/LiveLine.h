#pragma once

#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "transport/Clock.h"

namespace cli {

// One line on the terminal that tells the step in progress and the time since the run
// began, rewritten in place with a carriage return. A thread of its own redraws it while a
// long wait runs; it touches nothing but the terminal. Cleared at the end.
//
// The line is cut to the terminal's width, asked at each drawing, less one column: a line
// that reached the last column would wrap on some terminals, and each redraw would then
// leave a copy behind.
class LiveLine {
public:
    // The terminal's width in columns, 0 when unknown; and the width taken then.
    using Columns = std::function<int()>;
    static constexpr int kDefaultColumns = 80;

    // redrawMs: real time between redraws while nothing happens; 0 draws only on show.
    LiveLine(std::FILE* terminal, transport::Clock& clock, std::int64_t startMs, int redrawMs = 250,
             Columns columns = {});
    ~LiveLine() { end(); }
    LiveLine(const LiveLine&) = delete;
    LiveLine& operator=(const LiveLine&) = delete;

    // The step in progress; drawn at once.
    void show(std::string step);
    // Runs print with the line off the terminal, for output that shares it; the line comes
    // back after, with the next step when one is given.
    void printAround(const std::function<void()>& print, std::string nextStep = {});
    // Stops the redraws and clears the line for good. Safe to call more than once.
    void end();

private:
    void redrawLoop(int redrawMs);
    void draw();   // locked by caller
    void erase();  // locked by caller
    std::size_t width() const;

    std::FILE* terminal_;
    transport::Clock& clock_;
    const Columns columns_;
    const std::int64_t startMs_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::string step_;
    std::size_t drawn_ = 0;  // characters on the terminal now
    bool ending_ = false;
    std::thread redraws_;
};

}  // namespace cli
