#include "gsms/Gsms.hpp"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace drova {

namespace {

[[noreturn]] void throwMissing(const char* what, std::uint64_t index) {
    throw std::invalid_argument(std::string(what) + " " + std::to_string(index) + " does not exist");
}

}  // namespace

void Gsms::checkState(std::uint64_t index) const {
    if (index >= states_.size()) throwMissing("State", index);
}

void Gsms::checkTimer(std::uint64_t index) const {
    if (index >= timers_.size()) throwMissing("Timer", index);
}

void Gsms::checkTransition(std::uint64_t index) const {
    if (index >= transitions_.size()) throwMissing("Transition", index);
}

std::uint64_t Gsms::addState(std::string name, bool flag, std::vector<std::uint64_t> activeTimers,
                             std::vector<std::optional<Rational>> delays) {
    if (delays.size() != activeTimers.size())
        throw std::invalid_argument("There is not a delay for each active timer");
    GsmsState state;
    state.name = std::move(name);
    state.flag = flag;
    state.activeTimers = std::move(activeTimers);
    state.allDelaysKnown =
        std::all_of(delays.begin(), delays.end(), [](const auto& delay) { return delay.has_value(); });
    state.delays = std::move(delays);
    states_.push_back(std::move(state));
    return states_.size() - 1;
}

void Gsms::setInitialState(std::uint64_t state) {
    checkState(state);
    initialState_ = state;
}

std::uint64_t Gsms::addTimer(const Distribution& distribution) {
    timers_.push_back(distribution.clone());
    return timers_.size() - 1;
}

std::uint64_t Gsms::addTransition(std::uint64_t source, std::vector<std::uint64_t> timers) {
    checkState(source);
    for (std::uint64_t timer : timers) checkTimer(timer);
    // Reserve first, so that nothing can fail once the transition is appended.
    std::vector<std::uint64_t>& outgoing = states_[source].outgoing;
    outgoing.reserve(outgoing.size() + 1);
    transitions_.push_back(GsmsTransition{source, std::move(timers), {}});
    outgoing.push_back(transitions_.size() - 1);
    return transitions_.size() - 1;
}

std::uint64_t Gsms::addDestination(std::uint64_t transition, std::uint64_t target, Rational probability,
                                   std::vector<std::uint64_t> restartedTimers) {
    checkTransition(transition);
    checkState(target);
    for (std::uint64_t timer : restartedTimers) checkTimer(timer);
    if (probability < 0 || probability > 1)
        throw std::invalid_argument("Probability " + toText(probability) + " not in range [0, 1]");
    auto& destinations = transitions_[transition].destinations;
    destinations.push_back(GsmsDestination{target, std::move(probability), std::move(restartedTimers)});
    return destinations.size() - 1;
}

std::optional<Rational> Gsms::delayOf(std::uint64_t state, std::uint64_t timer) const {
    checkState(state);
    checkTimer(timer);
    const GsmsState& s = states_[state];
    auto found = std::find(s.activeTimers.begin(), s.activeTimers.end(), timer);
    if (found == s.activeTimers.end()) return std::nullopt;
    return s.delays[found - s.activeTimers.begin()];
}

bool Gsms::isSmsState(std::uint64_t state) const {
    const GsmsState& s = this->state(state);
    return s.allDelaysKnown || s.outgoing.empty();
}

const std::vector<std::uint64_t>& Gsms::outgoingOf(std::uint64_t state) const { return this->state(state).outgoing; }

bool Gsms::hasFewerTimers(std::uint64_t a, std::uint64_t b) const {
    return transition(a).timers.size() < transition(b).timers.size();
}

void Gsms::orderOutgoing() {
    // std::stable_sort keeps the file order of transitions with equal timer counts.
    for (GsmsState& s : states_)
        std::stable_sort(s.outgoing.begin(), s.outgoing.end(),
                         [this](std::uint64_t a, std::uint64_t b) { return hasFewerTimers(a, b); });
}

const GsmsState& Gsms::state(std::uint64_t index) const {
    checkState(index);
    return states_[index];
}

const Distribution& Gsms::timer(std::uint64_t index) const {
    checkTimer(index);
    return *timers_[index];
}

const GsmsTransition& Gsms::transition(std::uint64_t index) const {
    checkTransition(index);
    return transitions_[index];
}

}  // namespace drova
