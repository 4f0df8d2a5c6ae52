#pragma once
// An independent Monte Carlo simulation of a net's token game, written from the net's rules alone
// (it shares only the net as read, none of the GSMS builder), in double precision:
//  - in every marking the enabled immediate transitions of the highest priority fire first, one
//    chosen in proportion to the weights, until none is enabled;
//  - every enabled timed transition holds a timer drawn when it became enabled (an exponential one
//    is drawn afresh in every marking, at its rate times the enabling degree for infinite
//    servers); a disabled one loses its timer, and one that fires draws anew if still enabled;
//  - the earliest timer fires; timers due at the same instant fire in order of priority (then of
//    the file), each only if still enabled, with the immediate transitions in between.

#include "convert/net/PetriNet.hpp"
#include "distributions/Degenerate.hpp"
#include "distributions/Exponential.hpp"
#include "distributions/Uniform.hpp"


#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <vector>

namespace token_game {

using drova::net::NetTransition;
using drova::net::PetriNet;

struct Run {
    double firstDown = std::numeric_limits<double>::infinity();
    std::vector<bool> downAt;  // per observation time: in a down marking then
};

class Simulator {
public:
    Simulator(const PetriNet& net, std::uint64_t seed) : net_(net), random_(seed) {}

    Run run(double horizon, const std::vector<double>& observed) {
        Run result;
        result.downAt.assign(observed.size(), false);
        std::vector<std::uint32_t> m = net_.initialMarking;
        std::vector<std::optional<double>> due(net_.transitions.size());
        double now = 0;
        std::size_t next = 0;  // the next observation
        settle(m, due, now);
        while (true) {
            const bool down = net_.down && net_.down->holds(m);
            if (down && now < result.firstDown) result.firstDown = now;
            // The earliest timer; among equal instants the highest priority, then the first.
            std::optional<std::size_t> fire;
            for (std::size_t t = 0; t < due.size(); ++t) {
                if (!due[t]) continue;
                if (!fire || *due[t] < *due[*fire] ||
                    (*due[t] == *due[*fire] && net_.transitions[t].priority > net_.transitions[*fire].priority))
                    fire = t;
            }
            const double until = fire ? *due[*fire] : std::numeric_limits<double>::infinity();
            while (next < observed.size() && observed[next] < until) result.downAt[next++] = down;
            if (!fire || until > horizon) break;
            now = until;
            m = fired(*fire, m);
            due[*fire].reset();
            settle(m, due, now);
        }
        return result;
    }

private:
    static double value(const drova::Rational& r) { return r.template convert_to<double>(); }

    bool enabled(std::size_t t, const std::vector<std::uint32_t>& m) const {
        const NetTransition& transition = net_.transitions[t];
        for (const auto& arc : transition.inputs)
            if (m[arc.place] < arc.count) return false;
        for (const auto& arc : transition.inhibitors)
            if (m[arc.place] >= arc.count) return false;
        return !transition.guard || transition.guard->holds(m);
    }

    std::vector<std::uint32_t> fired(std::size_t t, std::vector<std::uint32_t> m) const {
        for (const auto& arc : net_.transitions[t].inputs) m[arc.place] -= arc.count;
        for (const auto& arc : net_.transitions[t].outputs) m[arc.place] += arc.count;
        return m;
    }

    double draw(std::size_t t, const std::vector<std::uint32_t>& m) {
        const NetTransition& transition = net_.transitions[t];
        if (const auto* e = dynamic_cast<const drova::Exponential*>(transition.law.get())) {
            double degree = 1;
            if (transition.infiniteServers && !transition.inputs.empty()) {
                degree = std::numeric_limits<double>::infinity();
                for (const auto& arc : transition.inputs) degree = std::min(degree, std::floor(m[arc.place] / double(arc.count)));
            }
            return std::exponential_distribution<double>(value(e->rate()) * degree)(random_);
        }
        if (const auto* d = dynamic_cast<const drova::Degenerate*>(transition.law.get())) return value(d->delay());
        const auto& u = dynamic_cast<const drova::Uniform&>(*transition.law);
        return std::uniform_real_distribution<double>(value(u.lower()), value(u.upper()))(random_);
    }

    // Fires immediate transitions until none is enabled, then brings the timers up to date.
    void settle(std::vector<std::uint32_t>& m, std::vector<std::optional<double>>& due, double now) {
        while (true) {
            for (std::size_t t = 0; t < due.size(); ++t)
                if (due[t] && !enabled(t, m)) due[t].reset();
            std::vector<std::size_t> immediates;
            std::int64_t top = std::numeric_limits<std::int64_t>::min();
            for (std::size_t t = 0; t < net_.transitions.size(); ++t)
                if (net_.transitions[t].immediate() && enabled(t, m)) {
                    immediates.push_back(t);
                    top = std::max(top, net_.transitions[t].priority);
                }
            if (immediates.empty()) break;
            std::vector<double> weights;
            for (std::size_t t : immediates)
                weights.push_back(net_.transitions[t].priority == top ? value(net_.transitions[t].weight) : 0.0);
            const std::size_t pick = std::discrete_distribution<std::size_t>(weights.begin(), weights.end())(random_);
            m = fired(immediates[pick], m);
        }
        for (std::size_t t = 0; t < due.size(); ++t) {
            const NetTransition& transition = net_.transitions[t];
            if (transition.immediate() || !enabled(t, m)) continue;
            if (!due[t] || transition.exponential) due[t] = now + draw(t, m);
        }
    }

    const PetriNet& net_;
    std::mt19937_64 random_;
};

}  // namespace token_game
