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
class LiveLine {
public:
    // The longest line drawn, so that it never wraps on a terminal of 80 columns.
    static constexpr std::size_t kMaxWidth = 79;

    // redrawMs: real time between redraws while nothing happens; 0 draws only on show.
    LiveLine(std::FILE* terminal, transport::Clock& clock, std::int64_t startMs,
             int redrawMs = 250);
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

    std::FILE* terminal_;
    transport::Clock& clock_;
    const std::int64_t startMs_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::string step_;
    std::size_t drawn_ = 0;  // characters on the terminal now
    bool ending_ = false;
    std::thread redraws_;
};

}  // namespace cli
