#pragma once
// What the simulation needs of the host that runs it: random numbers, the host's request to
// stop, and the reporting of the failures that end the call. The simulation says what went
// wrong; the host decides how that is reported (modules/sim/ClassicSimHost.hpp reports them as
// the errors of MATLAB's generated code, with their identifiers).

#include "simulate/SimModel.hpp"

#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstdint>
#include <string_view>

namespace drova {

class SimHost {
public:
    virtual ~SimHost() = default;

    // A uniform number strictly between 0 and 1, and a standard normal one, from the host's
    // stream.
    virtual double uniform() = 0;
    virtual double normal() = 0;

    // The flag the host sets to ask the simulation to stop; polled between steps.
    virtual const std::atomic<bool>& interruptRequest() const = 0;

    // The failures. Each ends the call through the host's report of it, which does not return.

    // The stop the interrupt request asked for.
    [[noreturn]] void interrupted() {
        reportInterrupted();
        std::abort();
    }
    // A 1-based index into the list named `list` lies outside low ... high.
    [[noreturn]] void indexOutOfBounds(std::int64_t index, std::int64_t low, std::int64_t high,
                                       std::string_view list) {
        reportIndexOutOfBounds(index, low, high, list);
        std::abort();
    }
    // A negative number of runs.
    [[noreturn]] void negativeRunCount(std::int64_t runs) {
        reportNegativeRunCount(runs);
        std::abort();
    }
    // A list longer than the host's lists can be, or memory that cannot be had.
    [[noreturn]] void outOfMemory() {
        reportOutOfMemory();
        std::abort();
    }
    // A transition without timers, which therefore never fires.
    [[noreturn]] void transitionWithoutTimers() {
        reportTransitionWithoutTimers();
        std::abort();
    }
    // A transition's draw passed the cumulative probability of all its `destinations`.
    [[noreturn]] void noDestinationChosen(std::size_t destinations) {
        reportNoDestinationChosen(destinations);
        std::abort();
    }
    // A Deg or Exp record whose parameter list does not have its one entry.
    [[noreturn]] void parameterCount(DistType type, std::int64_t count) {
        reportParameterCount(type, count);
        std::abort();
    }

protected:
    // The host's reports of the failures above; none may return.
    virtual void reportInterrupted() = 0;
    virtual void reportIndexOutOfBounds(std::int64_t index, std::int64_t low, std::int64_t high,
                                        std::string_view list) = 0;
    virtual void reportNegativeRunCount(std::int64_t runs) = 0;
    virtual void reportOutOfMemory() = 0;
    virtual void reportTransitionWithoutTimers() = 0;
    virtual void reportNoDestinationChosen(std::size_t destinations) = 0;
    virtual void reportParameterCount(DistType type, std::int64_t count) = 0;
};

// The index, when it lies in low ... high; otherwise the host's failure.
inline std::int64_t checkedIndex(SimHost& host, std::int64_t index, std::int64_t low, std::int64_t high,
                                 std::string_view list) {
    if (index < low || index > high) [[unlikely]]
        host.indexOutOfBounds(index, low, high, list);
    return index;
}

// Polls the host's request to stop.
inline void pollInterrupt(SimHost& host, const std::atomic<bool>& request) {
    if (request.load(std::memory_order_relaxed)) [[unlikely]]
        host.interrupted();
}

}  // namespace drova
