#pragma once
// An independent Monte Carlo estimate of a kernel row: runs of the GSMS semantics that start in a
// state of the SMS with its ages on entry and follow the timers until the first state of the SMS
// is entered. Written from the model description alone, in double precision, without any of the
// converter's code, so that agreement means something.
//
// The semantics simulated: each running timer has an expiry instant; in a state, the transitions
// with several timers are taken first (from the last of the outgoing list), each enabled when all
// its timers are running and expire at one instant, which takes those timers from every other
// transition there; a single-timer transition whose timer is not taken is enabled. The enabled
// transition with the earliest firing instant fires; a timer that expires where no enabled
// transition uses it is spent and never fires later. Two enabled transitions due at the same
// instant are a tie, which the run reports and ends on. A destination is chosen by its
// probability (what the probabilities leave is lost), its restarted timers draw new delays.

#include "RandomGsms.hpp"

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <vector>

namespace random_gsms {

struct RowEstimate {
    std::size_t runs = 0;
    // Per state of the model: the times at which runs first entered it as their next state of the SMS.
    std::vector<std::vector<double>> arrivals;
    std::size_t ties = 0;  // runs that met two transitions due at the same instant
    // Per observation time and state of the model: the runs that were in that state then, having
    // left the start and not yet entered a state of the SMS (the start counts until it is left).
    std::vector<double> observed;
    std::vector<std::vector<std::size_t>> occupied;
    std::optional<std::uint64_t> tieState;

    // The fraction of runs that entered `state` by `time`.
    double probability(std::uint64_t state, double time) const {
        std::size_t count = 0;
        for (double at : arrivals[state]) count += at <= time;
        return static_cast<double>(count) / static_cast<double>(runs);
    }
    // A standard error for an estimated probability p, never below that of one run in `runs`.
    double occupancy(std::size_t observation, std::uint64_t state) const {
        return static_cast<double>(occupied[observation][state]) / static_cast<double>(runs);
    }
    double standardError(double p) const {
        const double n = static_cast<double>(runs);
        return std::sqrt(std::max(p * (1 - p), 1 / n) / n);
    }
};

class MonteCarlo {
public:
    MonteCarlo(const Model& model, std::uint64_t seed) : model_(model), random_(seed) {}

    RowEstimate row(std::uint64_t start, std::size_t runs, double horizon, std::vector<double> observed = {}) {
        RowEstimate estimate;
        estimate.runs = runs;
        estimate.arrivals.resize(model_.states.size());
        estimate.observed = std::move(observed);
        estimate.occupied.assign(estimate.observed.size(), std::vector<std::size_t>(model_.states.size()));
        for (std::size_t run = 0; run < runs; ++run) oneRun(start, horizon, estimate);
        return estimate;
    }

private:
    static constexpr double Never = std::numeric_limits<double>::infinity();
    static constexpr double Tolerance = 1e-9;

    double uniform() { return std::uniform_real_distribution<double>(0, 1)(random_); }

    // A delay drawn for timer g that has already run `age`.
    double remaining(std::uint64_t g, double age) {
        const Timer& timer = model_.timers[g];
        switch (timer.kind) {
            case Kind::Exp: return std::exponential_distribution<double>(timer.first.value())(random_);
            case Kind::Deg: return timer.first.value() - age;
            case Kind::Uni: {
                const double low = std::max(timer.first.value(), age);
                return low + (timer.second.value() - low) * uniform() - age;
            }
        }
        return Never;
    }

    void oneRun(std::uint64_t start, double horizon, RowEstimate& estimate) {
        std::vector<double> expiry(model_.timers.size(), Never);  // Never: not running
        const State& first = model_.states[start];
        for (std::size_t i = 0; i < first.active.size(); ++i)
            expiry[first.active[i]] = remaining(first.active[i], first.ages[i].value());
        double now = 0;
        std::uint64_t state = start;
        for (bool left = false;; left = true) {
            if (left && model_.isSmsState(state)) {
                estimate.arrivals[state].push_back(now);
                return;
            }
            // The enabled transitions and when each would fire.
            std::vector<std::uint64_t> outgoing;
            for (std::uint64_t t = 0; t < model_.transitions.size(); ++t)
                if (model_.transitions[t].source == state) outgoing.push_back(t);
            std::stable_sort(outgoing.begin(), outgoing.end(), [&](std::uint64_t a, std::uint64_t b) {
                return model_.transitions[a].timers.size() < model_.transitions[b].timers.size();
            });
            std::vector<bool> taken(model_.timers.size());
            std::vector<std::pair<std::uint64_t, double>> enabled;
            for (auto it = outgoing.rbegin(); it != outgoing.rend(); ++it) {
                const Transition& transition = model_.transitions[*it];
                if (std::any_of(transition.timers.begin(), transition.timers.end(),
                                [&](std::uint64_t g) { return taken[g]; }))
                    continue;
                const double at = expiry[transition.timers.front()];
                if (transition.timers.size() >= 2) {
                    const bool together =
                        at != Never && std::all_of(transition.timers.begin(), transition.timers.end(),
                                                   [&](std::uint64_t g) { return std::abs(expiry[g] - at) < Tolerance; });
                    if (!together) continue;
                    for (std::uint64_t g : transition.timers) taken[g] = true;
                }
                // A timer that expired before now was spent where nothing used it.
                enabled.emplace_back(*it, at >= now - Tolerance ? at : Never);
            }
            double soonest = Never;
            for (const auto& [t, at] : enabled) soonest = std::min(soonest, at);
            occupy(estimate, state, now, soonest);
            if (soonest == Never || soonest > horizon) return;  // stuck, or beyond the horizon
            std::vector<std::uint64_t> due;
            for (const auto& [t, at] : enabled)
                if (std::abs(at - soonest) < Tolerance) due.push_back(t);
            if (due.size() > 1) {
                ++estimate.ties;
                estimate.tieState = state;
                return;
            }
            const Transition& fired = model_.transitions[due.front()];
            now = soonest;
            for (std::uint64_t g : fired.timers) expiry[g] = Never;
            double u = uniform();
            const Destination* chosen = nullptr;
            for (const Destination& destination : fired.destinations) {
                if (u < destination.probability.value()) {
                    chosen = &destination;
                    break;
                }
                u -= destination.probability.value();
            }
            if (!chosen) return;  // lost
            for (std::uint64_t g : chosen->restarted) expiry[g] = now + remaining(g, 0);
            state = chosen->target;
        }
    }

    // The run is in `state` from `from` until just before `until`.
    static void occupy(RowEstimate& estimate, std::uint64_t state, double from, double until) {
        for (std::size_t i = 0; i < estimate.observed.size(); ++i)
            if (from <= estimate.observed[i] && estimate.observed[i] < until) ++estimate.occupied[i][state];
    }

    const Model& model_;
    std::mt19937_64 random_;
};

}  // namespace random_gsms
