#pragma once
// Long solves show how far they are and stop on request. Whoever runs them (a module's call, a
// command) installs a SolveControl for its thread; the solvers' loops count their steps through
// a SolveSteps, whose step() reads the interrupt flag (one relaxed atomic load) and the clock,
// and hands a SolveProgress to the control's report at most every quarter second once the solve
// has run for a second. Without a SolveControl the steps cost a null-pointer test.
//
// The interrupt flag is only read here: a signal handler may set it (a lock-free atomic store is
// all it needs to do), and the solve ends at its next step by throwing SolveInterrupted.

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <stdexcept>

namespace drova::measures {

// A solve ended because its interrupt flag was set.
class SolveInterrupted : public std::runtime_error {
public:
    SolveInterrupted() : std::runtime_error("The solve was interrupted") {}
};

// A solve ended because the deadline of its control passed.
class SolveTimeLimit : public std::runtime_error {
public:
    SolveTimeLimit() : std::runtime_error("The solve reached its time limit") {}
};

struct SolveProgress {
    const char* stage = "";    // what is being solved
    std::size_t states = 0;    // its unknowns (states of the process)
    std::size_t done = 0;      // steps done (time cells, uniformization steps)
    std::size_t total = 0;     // steps in all
    double secondsLeft = -1;   // estimated from the pace so far; negative before any step
};

class SolveControl {
public:
    // `interrupt`: read at every step, null for none. `report`: called with the progress;
    // `finished`: called when a solve that was reported on ends (to erase a progress line).
    // `quiet`: how long a solve runs before it is first reported on.
    SolveControl(const std::atomic<bool>* interrupt, std::function<void(const SolveProgress&)> report = {},
                 std::function<void()> finished = {}, std::chrono::milliseconds quiet = std::chrono::seconds(1));
    // A control for the solves of a stretch of work that must end by `deadline`: it keeps the
    // interrupt flag and the reports of the thread's control (if any), and its solves throw
    // SolveTimeLimit at their first step past the deadline.
    explicit SolveControl(std::chrono::steady_clock::time_point deadline);
    ~SolveControl();
    SolveControl(const SolveControl&) = delete;
    SolveControl& operator=(const SolveControl&) = delete;

private:
    friend class SolveSteps;
    const std::atomic<bool>* interrupt_;
    std::function<void(const SolveProgress&)> report_;
    std::function<void()> finished_;
    std::chrono::milliseconds quiet_;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    SolveControl* previous_;
};

// One solve's steps, counted against the thread's SolveControl (if any).
class SolveSteps {
public:
    SolveSteps(const char* stage, std::size_t states, std::size_t total);
    ~SolveSteps();
    SolveSteps(const SolveSteps&) = delete;
    SolveSteps& operator=(const SolveSteps&) = delete;

    // `done` steps of the total are done; throws SolveInterrupted when the flag is set.
    void step(std::size_t done) {
        if (control_ != nullptr) checkAndReport(done);
    }

private:
    void checkAndReport(std::size_t done);

    SolveControl* control_;
    SolveProgress progress_;
    std::chrono::steady_clock::time_point start_, lastReport_;
    bool reported_ = false;
};

}  // namespace drova::measures
