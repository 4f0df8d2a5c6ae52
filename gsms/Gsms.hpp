#pragma once
// A generalised semi-Markov model: states, timers and transitions, all indexed from 0.
// Every element is validated as it is added; an operation that fails throws
// std::invalid_argument and leaves the model unchanged.

#include "algebra/Rational.hpp"
#include "distributions/Distribution.hpp"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace drova {

struct GsmsState {
    std::string name;
    bool flag = false;                          // kept from the file, not interpreted
    std::vector<std::uint64_t> outgoing;        // transitions leaving this state
    std::vector<std::uint64_t> activeTimers;    // in file order; duplicates allowed
    std::vector<std::optional<Rational>> delays;  // age on entry per active timer; absent: unknown
    bool allDelaysKnown = true;
};

struct GsmsDestination {
    std::uint64_t target = 0;
    Rational probability;
    std::vector<std::uint64_t> restartedTimers;  // their age is 0 on entering target
};

struct GsmsTransition {
    std::uint64_t source = 0;
    std::vector<std::uint64_t> timers;  // triggering timers; two or more expire together
    std::vector<GsmsDestination> destinations;
};

class Gsms {
public:
    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

    // Throws "There is not a delay for each active timer" when the list sizes differ.
    // Active timers are not checked: a file lists its states before its timers (readGsms checks
    // them once the timers are read).
    std::uint64_t addState(std::string name, bool flag, std::vector<std::uint64_t> activeTimers,
                           std::vector<std::optional<Rational>> delays);
    // Throws the State error for an index not less than the number of states.
    void setInitialState(std::uint64_t state);
    // Adds a copy of the distribution as the next timer.
    std::uint64_t addTimer(const Distribution& distribution);
    // Throws the State error for source, then the Timer error for the first bad timer.
    std::uint64_t addTransition(std::uint64_t source, std::vector<std::uint64_t> timers);
    // Checks the transition, the target, the restarted timers and then the probability
    // (0 <= p <= 1). Returns the destination's position within the transition.
    std::uint64_t addDestination(std::uint64_t transition, std::uint64_t target, Rational probability,
                                 std::vector<std::uint64_t> restartedTimers);

    // The age of `timer` on entering `state` (its first position among the active timers);
    // absent when the timer is not active there or its age is unknown.
    std::optional<Rational> delayOf(std::uint64_t state, std::uint64_t timer) const;
    // A state of the SMS has every timer age known on entry, or no outgoing transition.
    bool isSmsState(std::uint64_t state) const;
    const std::vector<std::uint64_t>& outgoingOf(std::uint64_t state) const;

    // Timer-count order: true when transition a has fewer triggering timers than b.
    bool hasFewerTimers(std::uint64_t a, std::uint64_t b) const;
    // Sorts every state's outgoing list by timer-count order; ties keep their order.
    void orderOutgoing();

    std::uint64_t stateCount() const { return states_.size(); }
    std::uint64_t timerCount() const { return timers_.size(); }
    std::uint64_t transitionCount() const { return transitions_.size(); }
    // Meaningful once set; a model read from a file always has one.
    std::uint64_t initialState() const { return initialState_; }

    // Bounds-checked access; each throws the State, Timer or Transition error.
    const GsmsState& state(std::uint64_t index) const;
    const Distribution& timer(std::uint64_t index) const;
    const GsmsTransition& transition(std::uint64_t index) const;
    const std::vector<GsmsState>& states() const { return states_; }
    const std::vector<GsmsTransition>& transitions() const { return transitions_; }

private:
    void checkState(std::uint64_t index) const;
    void checkTimer(std::uint64_t index) const;
    void checkTransition(std::uint64_t index) const;

    std::string name_;
    std::vector<GsmsState> states_;
    std::uint64_t initialState_ = 0;
    std::vector<std::unique_ptr<Distribution>> timers_;
    std::vector<GsmsTransition> transitions_;
};

}  // namespace drova
