#include "simulate/SimulateGSMS.hpp"

#include "simulate/SimulateRun.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace drova {

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

using detail::RunHost;

std::vector<double> filledRow(std::int64_t count, double value, SimHost& host) {
    // Lists hold signed 32-bit counts; a longer one cannot be had.
    if (count > std::numeric_limits<std::int32_t>::max()) host.outOfMemory();
    try {
        return std::vector<double>(static_cast<std::size_t>(count), value);
    } catch (const std::bad_alloc&) {
        host.outOfMemory();
    }
}

}  // namespace

MinimumTimerChoice getOutgoingTransWithMinimumTimer(std::span<const std::int64_t> outTrans,
                                                    std::span<const double> timers,
                                                    std::span<const SimTransition> transitions, SimHost& host) {
    return detail::selectMinimum(outTrans, timers, transitions, RunHost<SimHost>(host));
}

const SimDestination& getDestinationState(const SimTransition& transition, SimHost& host) {
    return detail::chooseDestination(transition, RunHost<SimHost>(host));
}

void restartTimers(std::span<double> timers, const SimDestination& destination,
                   std::span<const SimDistribution> distributions, SimHost& host) {
    detail::startTimers(timers, destination.New, distributions, RunHost<SimHost>(host));
}

std::vector<double> simulateGSMS(std::int64_t simulations, double analysisTime, const SimModel& gsms, SimHost& host,
                                 SimulationCounts* counts) {
    if (simulations < 0) host.negativeRunCount(simulations);
    std::vector<double> times = filledRow(simulations, Inf, host);
    const auto stateCount = static_cast<std::int64_t>(gsms.States.size());
    const std::int64_t initialState = checkedIndex(host, gsms.Initial.InitialState, 1, stateCount, "gsms.States");
    if (gsms.States[initialState - 1].DownState) {
        std::fill(times.begin(), times.end(), 0.0);
        return times;
    }

    const RunHost<SimHost> call(host);
    std::vector<double> timers = filledRow(static_cast<std::int64_t>(gsms.Distributions.size()), NaN, host);
    SimulationCounts done;
    for (std::int64_t run = 0; run < simulations; ++run) {
        times[run] = detail::simulateRun(analysisTime, gsms, initialState, timers, call, done);
        call.poll();
    }
    std::erase(times, Inf);
    if (counts != nullptr) *counts = done;
    return times;
}

}  // namespace drova
