#pragma once
// Monte Carlo simulation of a GSMS: first-passage times to the down states.
//
// Every run starts in Initial.InitialState at time 0 with the initial timers
// drawn, then repeatedly fires the outgoing transition whose deciding timer
// runs out first, moves to a randomly chosen destination and restarts that
// destination's timers, until it enters a down state (its time is recorded),
// finds no enabled transition, or would pass the horizon. Timers not
// restarted keep running. Random numbers come from the host
// (simulate/SimHost.hpp) in a fixed order: within a run, the initial timers
// in list order, then per transition taken one uniform number for the
// destination followed (unless the destination is a down state) by the draws
// of its New timers in order.
//
// Every failure ends the call through the host: no partial result is
// returned.

#include "simulate/SimHost.hpp"
#include "simulate/SimModel.hpp"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace drova {

// What a call did, for measurements.
struct SimulationCounts {
    std::int64_t transitionsTaken = 0;  // timer expiries that moved a run
    std::int64_t timersSampled = 0;     // timer values drawn
};

// Runs `simulations` independent runs on the host's random numbers and
// returns, in run order, the time at which each run that reached a down state
// no later than analysisTime first did so. If the initial state is a down
// state, the result is `simulations` zeros and nothing is drawn. counts, if
// given, receives what the call did.
std::vector<double> simulateGSMS(std::int64_t simulations, double analysisTime, const SimModel& gsms, SimHost& host,
                                 SimulationCounts* counts = nullptr);

struct MinimumTimerChoice {
    std::optional<std::int64_t> minTrans;  // position in the model's Transitions; empty: none enabled
    double minTimer = 0.0;                 // remaining time until it fires
};

// Among the transitions outTrans (positions in transitions), the one that
// fires first: each transition fires when the last of its running timers
// expires; NaN timers are stopped and ignored; ties go to the earlier entry of
// outTrans.
MinimumTimerChoice getOutgoingTransWithMinimumTimer(std::span<const std::int64_t> outTrans,
                                                    std::span<const double> timers,
                                                    std::span<const SimTransition> transitions, SimHost& host);

// Draws one uniform r and returns the first destination whose cumulative
// probability exceeds r.
const SimDestination& getDestinationState(const SimTransition& transition, SimHost& host);

// Draws the destination's New timers, in order, into their slots of timers.
void restartTimers(std::span<double> timers, const SimDestination& destination,
                   std::span<const SimDistribution> distributions, SimHost& host);

}  // namespace drova
