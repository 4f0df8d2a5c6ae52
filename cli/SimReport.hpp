#pragma once
// What drova sim writes: the first-passage times one per line or as CSV, and the summary of the
// runs (simulate/RunStatistics.hpp) as text or as one JSON object.

#include "cli/ProgressLine.hpp"
#include "host/classic/InterruptForwarding.hpp"
#include "simulate/KeyedRuns.hpp"
#include "simulate/RunStatistics.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace drova::cli {

// How the numbers were drawn, as the summary names it.
struct SimStreamDescription {
    std::string stream;  // "matlab" or "philox"
    std::uint32_t seed = 0;
};

// One line per time, "%.17g".
std::string timesText(const std::vector<double>& times);
// The header line "time", then one line per time, "%.17g".
std::string timesCsv(const std::vector<double>& times);

// The summary for people: one "name: value" line each, numbers to six significant digits.
std::string summaryText(const RunSummary& summary, double horizon);
// The summary as one JSON object on one line; numbers in full precision, null where there is no
// value (and for an infinite horizon).
std::string summaryJson(const RunSummary& summary, double horizon, const SimStreamDescription& stream);

// The options of runs on keyed substreams as the command makes them: `threads` 0 means all cores,
// the host's interrupt flag stops them, and `done` counts them for the progress line.
KeyedRunOptions keyedRunOptions(std::uint32_t seed, int threads, std::atomic<std::int64_t>& done);

// Ends the command as the module's call ends when the runs on keyed substreams were interrupted
// or failed: with the module's error (a ClassicError with its identifier); returns otherwise.
void raiseRunFailure(const KeyedRunStatus& status);

// Runs `simulate(options)`, `runs` runs on keyed substreams, as the commands do: Ctrl-C reaches
// the runs, the progress line shows on a terminal, and a failure ends the command as the
// module's call would end. Returns what `simulate` returns.
template <typename Simulate>
auto runKeyed(std::int64_t runs, std::uint32_t seed, int threads, Simulate simulate) {
    std::atomic<std::int64_t> done{0};
    const KeyedRunOptions options = keyedRunOptions(seed, threads, done);
    decltype(simulate(options)) result;
    {
        InterruptForwarding interrupts;
        ProgressLine progress(runs, &done);
        result = simulate(options);
    }
    raiseRunFailure(result);
    return result;
}

}  // namespace drova::cli
