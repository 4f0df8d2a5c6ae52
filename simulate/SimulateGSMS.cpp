#include "simulate/SimulateGSMS.hpp"

#include "simulate/SampleDistStruct.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace drova {

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// The host of one call, with its interrupt flag fetched once.
struct Host {
    SimHost& services;
    const std::atomic<bool>& interrupt;

    explicit Host(SimHost& host) : services(host), interrupt(host.interruptRequest()) {}
    void poll() const { pollInterrupt(services, interrupt); }
};

MinimumTimerChoice selectMinimum(std::span<const std::int64_t> outTrans, std::span<const double> timers,
                                 std::span<const SimTransition> transitions, const Host& host) {
    MinimumTimerChoice choice;
    if (outTrans.empty()) return choice;
    const auto transitionCount = static_cast<std::int64_t>(transitions.size());
    const auto timerCount = static_cast<std::int64_t>(timers.size());

    // One pass: for each transition the value of its deciding timer (the
    // largest running one), and the smallest of those so far. Both selections
    // skip NaN and keep the earliest position on ties; a NaN survives only if
    // every candidate is NaN.
    std::size_t chosen = 0;
    double smallest = NaN;
    for (std::size_t k = 0; k < outTrans.size(); ++k) {
        std::int64_t t = checkedIndex(host.services, outTrans[k], 1, transitionCount, "transitions");
        const std::vector<std::int64_t>& ds = transitions[t - 1].Distributions;
        double largest = NaN;
        for (std::int64_t d : ds) {
            double value = timers[checkedIndex(host.services, d, 1, timerCount, "timers") - 1];
            if (std::isnan(largest) || value > largest) largest = value;
        }
        if (ds.empty()) host.services.transitionWithoutTimers();
        if (std::isnan(smallest) ? !std::isnan(largest) : largest < smallest) {
            smallest = largest;
            chosen = k;
        }
        host.poll();
    }
    choice.minTimer = smallest;
    if (!std::isnan(smallest)) choice.minTrans = outTrans[chosen];
    return choice;
}

const SimDestination& chooseDestination(const SimTransition& transition, const Host& host) {
    const double r = host.services.uniform();
    const std::vector<SimDestination>& destinations = transition.Destinations;
    double cumulative = 0.0;
    for (const SimDestination& destination : destinations) {
        cumulative += destination.Probability;
        if (r < cumulative) return destination;
    }
    host.services.noDestinationChosen(destinations.size());
}

// Draws the listed timers, in list order, into their slots. Every entry is
// checked before the first draw; an entry listed twice keeps the later value.
void startTimers(std::span<double> timers, std::span<const std::int64_t> list,
                 std::span<const SimDistribution> distributions, const Host& host) {
    const auto count = static_cast<std::int64_t>(std::min(timers.size(), distributions.size()));
    for (std::int64_t entry : list) checkedIndex(host.services, entry, 1, count, "timers");
    for (std::int64_t entry : list)
        timers[entry - 1] = sampleDistribution(distributions[entry - 1], host.services, host.interrupt);
}

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
    return selectMinimum(outTrans, timers, transitions, Host(host));
}

const SimDestination& getDestinationState(const SimTransition& transition, SimHost& host) {
    return chooseDestination(transition, Host(host));
}

void restartTimers(std::span<double> timers, const SimDestination& destination,
                   std::span<const SimDistribution> distributions, SimHost& host) {
    startTimers(timers, destination.New, distributions, Host(host));
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

    const Host call(host);
    std::vector<double> timers = filledRow(static_cast<std::int64_t>(gsms.Distributions.size()), NaN, host);
    SimulationCounts done;
    for (std::int64_t run = 0; run < simulations; ++run) {
        double time = 0.0;
        std::int64_t current = initialState;
        std::fill(timers.begin(), timers.end(), NaN);
        startTimers(timers, gsms.Initial.InitialTimers, gsms.Distributions, call);
        done.timersSampled += static_cast<std::int64_t>(gsms.Initial.InitialTimers.size());
        for (;;) {
            checkedIndex(host, current, 1, stateCount, "gsms.States");
            MinimumTimerChoice next =
                selectMinimum(gsms.States[current - 1].Transitions, timers, gsms.Transitions, call);
            if (!next.minTrans) break;
            time += next.minTimer;
            if (time > analysisTime) break;
            const SimDestination& destination = chooseDestination(gsms.Transitions[*next.minTrans - 1], call);
            const std::int64_t target = checkedIndex(host, destination.Target, 1, stateCount, "gsms.States");
            ++done.transitionsTaken;
            if (gsms.States[target - 1].DownState) {
                times[run] = time;
                break;
            }
            // Every timer that has run out stops: the ones that fired, any
            // other that reached zero at the same moment, and negative ones.
            for (double& timer : timers) {
                double left = timer - next.minTimer;
                timer = left <= 0.0 ? NaN : left;
            }
            startTimers(timers, destination.New, gsms.Distributions, call);
            done.timersSampled += static_cast<std::int64_t>(destination.New.size());
            current = target;
            call.poll();
        }
        call.poll();
    }
    std::erase(times, Inf);
    if (counts != nullptr) *counts = done;
    return times;
}

}  // namespace drova
