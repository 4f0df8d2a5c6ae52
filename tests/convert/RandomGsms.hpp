#pragma once
// Small random GSMS models for checking the kernel against an independent Monte Carlo run of
// the same semantics. A model is drawn as a plain description, written out as GSMS text (so the
// reader is part of every check) and simulated from the description alone.
//
// What a drawn model respects, so that the exact walk can treat it:
//  - every transition with several timers has only deterministic timers;
//  - the timers running on entering a state are exactly the state's active timers (a transition
//    restarts what its target needs and stops nothing the target lists), so every triggering
//    timer is running where its transition starts;
//  - every active timer of a state that has transitions triggers one of them, so that no timer
//    expires where nothing uses it (what happens to such a timer is left open here);
//  - the states outside the SMS (an unknown age) lead only to states of the SMS or to
//    higher-numbered states outside it, so that no path avoids the SMS for ever;
//  - known ages stay below a deterministic delay and below a uniform's upper bound (with Extras,
//    a uniform's age may lie just below its bound, and a deterministic delay may be 0).
// Everything else is left to chance: equal delays (and so ties, possible or not), destination
// probabilities that lose mass, several destinations, ages on entry, states without transitions.

#include <algorithm>
#include <cstdint>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace random_gsms {

// An exact rational written as numerator and denominator.
struct Fraction {
    std::int64_t numerator = 0;
    std::int64_t denominator = 1;
    double value() const { return static_cast<double>(numerator) / static_cast<double>(denominator); }
};

enum class Kind { Exp, Deg, Uni };

struct Timer {
    Kind kind = Kind::Exp;
    Fraction first;   // rate, delay or lower bound
    Fraction second;  // upper bound of a uniform
};

struct State {
    std::vector<std::uint64_t> active;
    std::vector<Fraction> ages;  // per active timer; numerator -1 means unknown
    bool known() const {
        return std::none_of(ages.begin(), ages.end(), [](const Fraction& a) { return a.numerator < 0; });
    }
};

struct Destination {
    std::uint64_t target = 0;
    Fraction probability;
    std::vector<std::uint64_t> restarted;
};

struct Transition {
    std::uint64_t source = 0;
    std::vector<std::uint64_t> timers;
    std::vector<Destination> destinations;
};

struct Model {
    std::vector<Timer> timers;
    std::vector<State> states;
    std::vector<Transition> transitions;

    bool isSmsState(std::uint64_t s) const {
        if (states[s].known()) return true;
        return std::none_of(transitions.begin(), transitions.end(),
                            [&](const Transition& t) { return t.source == s; });
    }
    bool hasSeveralTimerTransition() const {
        return std::any_of(transitions.begin(), transitions.end(),
                           [](const Transition& t) { return t.timers.size() >= 2; });
    }
};

inline bool contains(const std::vector<std::uint64_t>& list, std::uint64_t value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

inline std::string text(const Fraction& f) {
    return std::to_string(f.numerator) + " " + std::to_string(f.denominator);
}

// The model as a GSMS file.
inline std::string gsmsText(const Model& model, const std::string& name = "random") {
    std::ostringstream out;
    out << name << "\n" << model.states.size() << "\n";
    for (std::size_t s = 0; s < model.states.size(); ++s) {
        const State& state = model.states[s];
        out << "S" << s << " 0\n";
        for (std::size_t i = 0; i < state.active.size(); ++i) out << (i ? " " : "") << state.active[i];
        out << "\n";
        for (std::size_t i = 0; i < state.ages.size(); ++i) out << (i ? " " : "") << text(state.ages[i]);
        out << "\n";
    }
    out << "0\n" << model.timers.size() << "\n";
    for (const Timer& timer : model.timers) {
        switch (timer.kind) {
            case Kind::Exp: out << "Exp " << text(timer.first) << "\n"; break;
            case Kind::Deg: out << "Deg " << text(timer.first) << "\n"; break;
            case Kind::Uni: out << "Uni " << text(timer.first) << " " << text(timer.second) << "\n"; break;
        }
    }
    out << model.transitions.size() << "\n";
    for (const Transition& transition : model.transitions) {
        out << transition.source;
        for (std::uint64_t timer : transition.timers) out << " " << timer;
        out << "\n" << transition.destinations.size() << "\n";
        for (const Destination& destination : transition.destinations) {
            out << destination.target << " " << text(destination.probability) << "\n";
            for (std::size_t i = 0; i < destination.restarted.size(); ++i)
                out << (i ? " " : "") << destination.restarted[i];
            out << "\n";
        }
    }
    return out.str();
}

// What a draw may add to the models above; each off by default, so that a seed draws the same
// models as before.
struct Extras {
    // Deterministic timers of delay 0, which fire at the instant they start, next to whatever
    // else is due then.
    bool zeroDelays = false;
    // Known ages of uniform timers just below their upper bound, whose residual is then short.
    bool agesNearTheBound = false;
};

class Generator {
public:
    explicit Generator(std::uint64_t seed, Extras extras = {}) : random_(seed), extras_(extras) {}

    Model draw() {
        Model model;
        // At most one uniform timer: paths through several of them grow expressions that take
        // the exact walk seconds, and add nothing that one does not show.
        const std::size_t timerCount = pick(1, 4);
        bool uniform = false;
        for (std::size_t g = 0; g < timerCount; ++g) {
            Timer timer = drawTimer();
            while (uniform && timer.kind == Kind::Uni) timer = drawTimer();
            uniform = uniform || timer.kind == Kind::Uni;
            model.timers.push_back(timer);
        }
        // Sometimes a twin: a second deterministic timer with the first one's delay that runs,
        // ages and restarts with it, so that a transition joining the two is always enabled
        // where it is offered and may stand alone, without a transition of either timer.
        if (model.timers.size() >= 2 && chance(0.4)) {
            twin_ = {model.timers.size() - 2, model.timers.size() - 1};
            const Timer twin{Kind::Deg, oneOf<Fraction>({{1, 2}, {1, 1}, {3, 2}, {2, 1}}), {}};
            model.timers[twin_->first] = model.timers[twin_->second] = twin;
        } else {
            twin_.reset();
        }
        const std::size_t stateCount = pick(2, 5);
        for (std::size_t s = 0; s < stateCount; ++s) model.states.push_back(drawState(model, s == 0));
        for (std::uint64_t s = 0; s < stateCount; ++s) {
            // Some states end the process: no transition leaves them.
            if (s != 0 && chance(0.15)) continue;
            const std::vector<std::uint64_t>& active = model.states[s].active;
            // The twins fire together, and then perhaps by nothing else.
            bool twinsAlone = false;
            if (twin_ && std::find(active.begin(), active.end(), twin_->first) != active.end() && chance(0.6)) {
                addTransition(model, s, {twin_->first, twin_->second});
                twinsAlone = chance(0.6);
            }
            // Every other active timer has a transition of its own, so no timer expires unused.
            for (std::uint64_t g : active) {
                if (twinsAlone && isTwin(g)) continue;
                addTransition(model, s, {g});
                if (chance(0.05)) addTransition(model, s, {g});  // a second one: a tie
            }
            std::vector<std::uint64_t> deterministic;
            for (std::uint64_t g : model.states[s].active)
                if (model.timers[g].kind == Kind::Deg && !isTwin(g)) deterministic.push_back(g);
            if (deterministic.size() >= 2 && chance(0.5)) {
                std::shuffle(deterministic.begin(), deterministic.end(), random_);
                std::vector<std::uint64_t> joined(deterministic.begin(), deterministic.begin() + 2);
                std::sort(joined.begin(), joined.end());
                addTransition(model, s, joined);
            }
        }
        return model;
    }

private:
    bool isTwin(std::uint64_t g) const { return twin_ && (g == twin_->first || g == twin_->second); }

    std::size_t pick(std::size_t low, std::size_t high) {
        return std::uniform_int_distribution<std::size_t>(low, high)(random_);
    }
    bool chance(double p) { return std::bernoulli_distribution(p)(random_); }
    template <typename T>
    const T& oneOf(const std::vector<T>& values) {
        return values[pick(0, values.size() - 1)];
    }

    Timer drawTimer() {
        Timer timer;
        const std::size_t kind = pick(0, 2);
        if (kind == 0) {
            timer.kind = Kind::Exp;
            timer.first = oneOf<Fraction>({{1, 2}, {1, 1}, {3, 2}, {2, 1}});
        } else if (kind == 1) {
            timer.kind = Kind::Deg;
            timer.first = oneOf<Fraction>({{1, 2}, {1, 1}, {3, 2}, {2, 1}, {3, 1}});
            if (extras_.zeroDelays && chance(0.35)) timer.first = {0, 1};
        } else {
            timer.kind = Kind::Uni;
            timer.first = oneOf<Fraction>({{0, 1}, {1, 2}, {1, 1}});
            timer.second = oneOf<Fraction>({{3, 2}, {2, 1}, {3, 1}});
        }
        return timer;
    }

    Fraction drawAge(const Timer& timer) {
        if (chance(0.7)) return {0, 1};
        switch (timer.kind) {
            case Kind::Exp: return {1, 1};
            case Kind::Deg: return {timer.first.numerator, timer.first.denominator * 2};  // half the delay
            case Kind::Uni:
                // Just below the upper bound: the bound less 1/16.
                if (extras_.agesNearTheBound && chance(0.6))
                    return {timer.second.numerator * 16 - timer.second.denominator, timer.second.denominator * 16};
                return {timer.second.numerator, timer.second.denominator * 2};
        }
        return {0, 1};
    }

    State drawState(const Model& model, bool initial) {
        State state;
        // The initial state runs every timer, so that every transition can lead back to it.
        for (std::uint64_t g = 0; g < model.timers.size(); ++g)
            if (initial || (twin_ && g == twin_->second ? contains(state.active, twin_->first) : chance(0.75)))
                state.active.push_back(g);
        // The initial state is a state of the SMS, so that the walk has a row to start from.
        const bool unknownAge = !initial && !state.active.empty() && chance(0.45);
        const std::size_t unknownAt = unknownAge ? pick(0, state.active.size() - 1) : state.active.size();
        for (std::size_t i = 0; i < state.active.size(); ++i) {
            const bool second = twin_ && state.active[i] == twin_->second;
            if (second) state.ages.push_back(state.ages[i - 1]);  // the twin's age, unknown or not
            else state.ages.push_back(i == unknownAt ? Fraction{-1, 1} : drawAge(model.timers[state.active[i]]));
        }
        return state;
    }

    void addTransition(Model& model, std::uint64_t source, std::vector<std::uint64_t> timers) {
        const State& from = model.states[source];
        Transition transition;
        transition.source = source;
        transition.timers = std::move(timers);
        // The timers that go on running must be active where the transition leads.
        std::vector<std::uint64_t> going;
        for (std::uint64_t g : from.active)
            if (std::find(transition.timers.begin(), transition.timers.end(), g) == transition.timers.end())
                going.push_back(g);
        std::vector<std::uint64_t> targets;
        for (std::uint64_t s = 0; s < model.states.size(); ++s) {
            const State& to = model.states[s];
            const bool holds = std::all_of(going.begin(), going.end(), [&](std::uint64_t g) {
                return std::find(to.active.begin(), to.active.end(), g) != to.active.end();
            });
            // Outside the SMS, only forward: no cycle avoids the SMS.
            const bool forward = from.known() || to.known() || s > source;
            if (holds && forward) targets.push_back(s);
        }
        if (targets.empty()) return;
        const std::size_t count = chance(0.3) ? 2 : 1;
        // Probabilities: mostly a full split, sometimes a lossy one.
        std::vector<Fraction> split;
        if (count == 1) split = {chance(0.9) ? Fraction{1, 1} : Fraction{3, 4}};
        else split = chance(0.9) ? std::vector<Fraction>{{1, 3}, {2, 3}} : std::vector<Fraction>{{1, 4}, {1, 2}};
        for (std::size_t j = 0; j < count; ++j) {
            Destination destination;
            destination.target = oneOf(targets);
            destination.probability = split[j];
            const State& to = model.states[destination.target];
            for (std::uint64_t g : to.active) {
                const bool stillRunning = std::find(going.begin(), going.end(), g) != going.end();
                if (!stillRunning || chance(0.2)) destination.restarted.push_back(g);
            }
            // Twins restart together.
            if (twin_ && contains(destination.restarted, twin_->first) != contains(destination.restarted, twin_->second)) {
                destination.restarted.push_back(contains(destination.restarted, twin_->first) ? twin_->second
                                                                                               : twin_->first);
                std::sort(destination.restarted.begin(), destination.restarted.end());
            }
            transition.destinations.push_back(destination);
        }
        model.transitions.push_back(transition);
    }

    std::mt19937_64 random_;
    Extras extras_;
    std::optional<std::pair<std::uint64_t, std::uint64_t>> twin_;
};

}  // namespace random_gsms
