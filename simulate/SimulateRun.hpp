#pragma once
// The steps of a simulation run (simulate/SimulateGSMS.hpp), over any host type: instantiated
// for the SimHost interface and for final host classes whose draws inline.

#include "simulate/SampleTimer.hpp"
#include "simulate/SimHost.hpp"
#include "simulate/SimModel.hpp"
#include "simulate/SimulateGSMS.hpp"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

namespace drova::detail {

// The host of one call, with its interrupt flag fetched once.
template <class Services>
struct RunHost {
    Services& services;
    const std::atomic<bool>& interrupt;

    explicit RunHost(Services& host) : services(host), interrupt(host.interruptRequest()) {}
    void poll() const { pollInterrupt(services, interrupt); }
};

template <class Services>
MinimumTimerChoice selectMinimum(std::span<const std::int64_t> outTrans, std::span<const double> timers,
                                 std::span<const SimTransition> transitions, const RunHost<Services>& host) {
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
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

template <class Services>
const SimDestination& chooseDestination(const SimTransition& transition, const RunHost<Services>& host) {
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
template <class Services>
void startTimers(std::span<double> timers, std::span<const std::int64_t> list,
                 std::span<const SimDistribution> distributions, const RunHost<Services>& host) {
    const auto count = static_cast<std::int64_t>(std::min(timers.size(), distributions.size()));
    for (std::int64_t entry : list) checkedIndex(host.services, entry, 1, count, "timers");
    for (std::int64_t entry : list)
        timers[entry - 1] = sampleTimer(distributions[entry - 1], host.services, host.interrupt);
}

// One run from the initial state (whose index the caller has checked and which is not a down
// state), with `timers` as working space of one slot per distribution. Returns the time the
// run entered a down state, or +Inf when it passed the horizon or found no enabled transition.
template <class Services>
double simulateRun(double analysisTime, const SimModel& gsms, std::int64_t initialState, std::span<double> timers,
                   const RunHost<Services>& call, SimulationCounts& done) {
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    const auto stateCount = static_cast<std::int64_t>(gsms.States.size());
    double time = 0.0;
    std::int64_t current = initialState;
    std::fill(timers.begin(), timers.end(), NaN);
    startTimers(timers, gsms.Initial.InitialTimers, gsms.Distributions, call);
    done.timersSampled += static_cast<std::int64_t>(gsms.Initial.InitialTimers.size());
    for (;;) {
        checkedIndex(call.services, current, 1, stateCount, "gsms.States");
        MinimumTimerChoice next = selectMinimum(gsms.States[current - 1].Transitions, timers, gsms.Transitions, call);
        if (!next.minTrans) break;
        time += next.minTimer;
        if (time > analysisTime) break;
        const SimDestination& destination = chooseDestination(gsms.Transitions[*next.minTrans - 1], call);
        const std::int64_t target = checkedIndex(call.services, destination.Target, 1, stateCount, "gsms.States");
        ++done.transitionsTaken;
        if (gsms.States[target - 1].DownState) return time;
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
    return std::numeric_limits<double>::infinity();
}

// One run from the initial state that goes on through down states and out of them until it has
// passed the last of the times `at` (ascending); for each of them at which the run is in a down
// state, adds one to that time's entry of `down`. The state at a time is the one entered last at
// or before it; a run that finds no enabled transition stays where it is.
template <class Services>
void simulateOccupancyRun(std::span<const double> at, const SimModel& gsms, std::int64_t initialState,
                          std::span<double> timers, const RunHost<Services>& call, SimulationCounts& done,
                          std::span<std::int64_t> down) {
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    const auto stateCount = static_cast<std::int64_t>(gsms.States.size());
    double time = 0.0;
    std::int64_t current = initialState;
    std::size_t next = 0;  // the first time of `at` not yet recorded
    // Records the current state at the times before `end`.
    auto recordUntil = [&](double end) {
        const bool isDown = gsms.States[current - 1].DownState;
        for (; next < at.size() && at[next] < end; ++next)
            if (isDown) ++down[next];
    };
    std::fill(timers.begin(), timers.end(), NaN);
    startTimers(timers, gsms.Initial.InitialTimers, gsms.Distributions, call);
    done.timersSampled += static_cast<std::int64_t>(gsms.Initial.InitialTimers.size());
    for (;;) {
        checkedIndex(call.services, current, 1, stateCount, "gsms.States");
        const MinimumTimerChoice step =
            selectMinimum(gsms.States[current - 1].Transitions, timers, gsms.Transitions, call);
        if (!step.minTrans) return recordUntil(std::numeric_limits<double>::infinity());
        recordUntil(time + step.minTimer);
        if (next == at.size()) return;
        time += step.minTimer;
        const SimDestination& destination = chooseDestination(gsms.Transitions[*step.minTrans - 1], call);
        current = checkedIndex(call.services, destination.Target, 1, stateCount, "gsms.States");
        ++done.transitionsTaken;
        for (double& timer : timers) {
            const double left = timer - step.minTimer;
            timer = left <= 0.0 ? NaN : left;
        }
        startTimers(timers, destination.New, gsms.Distributions, call);
        done.timersSampled += static_cast<std::int64_t>(destination.New.size());
        call.poll();
    }
}

// One run from the initial state through down states and out of them up to `horizon`; returns the
// time it spent in states that are not down states within [0, horizon]. A run that finds no enabled
// transition stays where it is.
template <class Services>
double simulateUpTimeRun(double horizon, const SimModel& gsms, std::int64_t initialState, std::span<double> timers,
                         const RunHost<Services>& call, SimulationCounts& done) {
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    const auto stateCount = static_cast<std::int64_t>(gsms.States.size());
    double time = 0.0, up = 0.0;
    std::int64_t current = initialState;
    std::fill(timers.begin(), timers.end(), NaN);
    startTimers(timers, gsms.Initial.InitialTimers, gsms.Distributions, call);
    done.timersSampled += static_cast<std::int64_t>(gsms.Initial.InitialTimers.size());
    for (;;) {
        checkedIndex(call.services, current, 1, stateCount, "gsms.States");
        const bool isUp = !gsms.States[current - 1].DownState;
        const MinimumTimerChoice step =
            selectMinimum(gsms.States[current - 1].Transitions, timers, gsms.Transitions, call);
        if (!step.minTrans || time + step.minTimer >= horizon) return up + (isUp ? horizon - time : 0.0);
        if (isUp) up += step.minTimer;
        time += step.minTimer;
        const SimDestination& destination = chooseDestination(gsms.Transitions[*step.minTrans - 1], call);
        current = checkedIndex(call.services, destination.Target, 1, stateCount, "gsms.States");
        ++done.transitionsTaken;
        for (double& timer : timers) {
            const double left = timer - step.minTimer;
            timer = left <= 0.0 ? NaN : left;
        }
        startTimers(timers, destination.New, gsms.Distributions, call);
        done.timersSampled += static_cast<std::int64_t>(destination.New.size());
        call.poll();
    }
}

// One run from the initial state up to the last of the times `at` (ascending), counting the draws
// of each timer: `firstAt[k * timers + i]` gains one for each draw of timer i made at a time in
// (at[k - 1], at[k]] (from 0 for k = 0); later draws are not counted. A run that finds no enabled
// transition draws nothing more.
template <class Services>
void simulateDrawCountRun(std::span<const double> at, const SimModel& gsms, std::int64_t initialState,
                          std::span<double> timers, const RunHost<Services>& call, SimulationCounts& done,
                          std::span<std::int64_t> firstAt) {
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    const auto stateCount = static_cast<std::int64_t>(gsms.States.size());
    const std::size_t timerCount = timers.size();
    const auto count = [&](double time, std::span<const std::int64_t> list) {
        const auto k = static_cast<std::size_t>(std::lower_bound(at.begin(), at.end(), time) - at.begin());
        if (k == at.size()) return;
        for (const std::int64_t entry : list)
            if (entry >= 1 && static_cast<std::size_t>(entry) <= timerCount) ++firstAt[k * timerCount + static_cast<std::size_t>(entry - 1)];
    };
    double time = 0.0;
    std::int64_t current = initialState;
    std::fill(timers.begin(), timers.end(), NaN);
    startTimers(timers, gsms.Initial.InitialTimers, gsms.Distributions, call);
    count(0.0, gsms.Initial.InitialTimers);
    done.timersSampled += static_cast<std::int64_t>(gsms.Initial.InitialTimers.size());
    for (;;) {
        checkedIndex(call.services, current, 1, stateCount, "gsms.States");
        const MinimumTimerChoice step =
            selectMinimum(gsms.States[current - 1].Transitions, timers, gsms.Transitions, call);
        if (!step.minTrans) return;
        time += step.minTimer;
        if (at.empty() || time > at.back()) return;
        const SimDestination& destination = chooseDestination(gsms.Transitions[*step.minTrans - 1], call);
        current = checkedIndex(call.services, destination.Target, 1, stateCount, "gsms.States");
        ++done.transitionsTaken;
        for (double& timer : timers) {
            const double left = timer - step.minTimer;
            timer = left <= 0.0 ? NaN : left;
        }
        startTimers(timers, destination.New, gsms.Distributions, call);
        count(time, destination.New);
        done.timersSampled += static_cast<std::int64_t>(destination.New.size());
        call.poll();
    }
}

}  // namespace drova::detail
