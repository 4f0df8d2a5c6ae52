#pragma once
// Simulation runs on keyed substreams (simulate/PhiloxStream.hpp), shared out among threads: the
// first-passage times to the down states, or the runs in a down state at given times.
//
// Run r (counted from 0) draws only from substream r of the seed, so the times, which come back
// in run order, are the same for any number of threads and for any split of the runs into
// blocks (firstRun), byte for byte. A run's steps and the order of its draws are those of
// simulate/SimulateGSMS.hpp.
//
// A failure ends the call as it would end a call that simulated the runs one after the other:
// of the runs that fail, the lowest-numbered one's failure is the one kept, and the runs after
// it do not count. The host's interrupt request (polled by the calling thread every few
// milliseconds) ends every thread.

#include "simulate/SimHost.hpp"
#include "simulate/SimModel.hpp"
#include "simulate/SimulateGSMS.hpp"

#include <atomic>
#include <cstdint>
#include <exception>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace drova {

// One of the failures of simulate/SimHost.hpp with what the host needs to report it.
struct RunFailure {
    enum class Kind : std::int32_t {
        IndexOutOfBounds,         // index, low, high, list
        NegativeRunCount,         // index: the runs
        OutOfMemory,
        TransitionWithoutTimers,
        NoDestinationChosen,      // index: the number of destinations
        ParameterCount,           // index: the count, low: the DistType value
    };
    Kind kind = Kind::OutOfMemory;
    std::int64_t run = -1;  // the run it happened in; -1 before the first run
    std::int64_t index = 0;
    std::int64_t low = 0;
    std::int64_t high = 0;
    std::string list;
};

// Ends the call through the host's report of the failure.
[[noreturn]] void reportRunFailure(const RunFailure& failure, SimHost& host);

struct KeyedRunOptions {
    std::uint32_t seed = 0;
    int threads = 1;            // at least one thread is used
    std::int64_t firstRun = 0;  // the runs are firstRun ... firstRun + runs - 1
    // The host's interrupt request; null: none.
    const std::atomic<bool>* interrupt = nullptr;
    // Counts the runs done, for a progress display; null: not counted.
    std::atomic<std::int64_t>* runsDone = nullptr;
};

// How the runs of a call went.
struct KeyedRunStatus {
    SimulationCounts counts;         // of the runs simulated, in all threads
    std::optional<RunFailure> failure;
    bool interrupted = false;        // the interrupt request ended the call
    std::exception_ptr error;        // anything else that went wrong (memory), rethrown by the caller
};

struct KeyedRunsResult : KeyedRunStatus {
    std::vector<double> times;       // of the runs that reached a down state, in run order
};

struct KeyedOccupancyResult : KeyedRunStatus {
    std::vector<std::int64_t> down;  // for each of the times asked for, the runs in a down state then
};

struct KeyedUpTimeResult : KeyedRunStatus {
    std::vector<double> upTimes;     // per run, in run order: the time spent up within the horizon
};

struct KeyedDrawCountResult : KeyedRunStatus {
    // For each of the times and each timer (index time * timers + timer): the sum over the runs of
    // the number of draws of the timer made by that time, and the sum of their squares.
    std::vector<std::int64_t> sum, sumOfSquares;
};

// Simulates the runs; a failure or an interrupt leaves `times` empty. If the initial state is a
// down state, every run's time is 0 and nothing is drawn.
KeyedRunsResult simulateKeyedRuns(std::int64_t runs, double analysisTime, const SimModel& gsms,
                                  const KeyedRunOptions& options);

// Simulates the runs through down states and out of them, as far as the last of the times `at`
// (ascending and finite), and counts at each time the runs that are in a down state then: the
// estimate of the unavailability. A run draws from the same substream as in simulateKeyedRuns,
// and in the same order up to its first down state. A failure or an interrupt leaves `down` empty.
KeyedOccupancyResult simulateKeyedOccupancy(std::int64_t runs, std::span<const double> at, const SimModel& gsms,
                                            const KeyedRunOptions& options);

// Simulates the runs through down states and out of them up to `horizon` (finite), and records the
// time each spent in states that are not down states: the estimate of the long-run availability
// is their mean over the horizon. A failure or an interrupt leaves `upTimes` empty.
KeyedUpTimeResult simulateKeyedUpTime(std::int64_t runs, double horizon, const SimModel& gsms,
                                      const KeyedRunOptions& options);

// Simulates the runs up to the last of the times `at` (ascending and finite) and counts the draws of
// each timer made by each time: the expected numbers of draws that bound how far a model with
// replaced timer laws can be from the original. Sums of integers, the same for any threads. A
// failure or an interrupt leaves the sums empty.
KeyedDrawCountResult simulateKeyedDrawCounts(std::int64_t runs, std::span<const double> at, const SimModel& gsms,
                                             const KeyedRunOptions& options);

}  // namespace drova
