#include "gsms/ModelWarnings.hpp"

#include "algebra/MessageText.hpp"
#include "distributions/Exponential.hpp"

#include <algorithm>
#include <optional>

namespace drova {

namespace {

std::string stateLabel(const Gsms& model, std::uint64_t state) {
    return "state " + std::to_string(state) + " (" + messageText(model.state(state).name, 40) + ")";
}

std::string timerLabel(const Gsms& model, std::uint64_t timer) {
    return "timer " + std::to_string(timer) + " (" + model.timer(timer).toText() + ")";
}

bool contains(const std::vector<std::uint64_t>& list, std::uint64_t value) {
    return std::find(list.begin(), list.end(), value) != list.end();
}

// The age timer `timer` has when `transition` fires, if the model fixes it: its declared age on
// entering the source plus the time the firing takes, known when the first triggering timer is
// deterministic with a declared age there.
std::optional<Rational> ageAtFiring(const Gsms& model, std::uint64_t transition, std::uint64_t timer) {
    const GsmsTransition& fired = model.transition(transition);
    if (fired.timers.empty()) return std::nullopt;
    const std::uint64_t first = fired.timers.front();
    const std::optional<Rational> delay = model.timer(first).fixedDelay();
    const std::optional<Rational> firstAge = model.delayOf(fired.source, first);
    const std::optional<Rational> age = model.delayOf(fired.source, timer);
    if (!delay || !firstAge || !age) return std::nullopt;
    return *age + (*delay - *firstAge);
}

// The findings about destination `position` of `transition`.
void addAgeWarnings(const Gsms& model, std::uint64_t transition, std::uint64_t position,
                    std::vector<std::string>& warnings) {
    const GsmsTransition& fired = model.transition(transition);
    const GsmsDestination& destination = fired.destinations[position];
    const GsmsState& target = model.state(destination.target);
    if (target.outgoing.empty()) return;
    const GsmsState& source = model.state(fired.source);
    for (std::size_t k = 0; k < target.activeTimers.size(); ++k) {
        const std::uint64_t timer = target.activeTimers[k];
        // delayOf takes a timer's first position; a repeated timer is judged there once.
        if (std::find(target.activeTimers.begin(), target.activeTimers.end(), timer) !=
            target.activeTimers.begin() + static_cast<std::ptrdiff_t>(k))
            continue;
        if (!target.delays[k] || contains(destination.restartedTimers, timer)) continue;
        if (dynamic_cast<const Exponential*>(&model.timer(timer)) != nullptr) continue;  // has no memory
        const Rational& declared = *target.delays[k];
        std::string found;
        if (contains(fired.timers, timer)) {
            found = "although the timer fired the transition and is not running after it";
        } else if (!contains(source.activeTimers, timer)) {
            found = "although the timer is not running there (it is not active in " +
                    stateLabel(model, fired.source) + ")";
        } else if (const std::optional<Rational> age = ageAtFiring(model, transition, timer)) {
            if (*age == declared) continue;
            found = "and the timer's age is then " + toText(*age);
        } else {
            found = "and the timer's age then depends on when the transition fires";
        }
        warnings.push_back(stateLabel(model, destination.target) + " declares the age of " + timerLabel(model, timer) +
                           " on entry as " + toText(declared) + ", but transition " + std::to_string(transition) +
                           " enters it from " + stateLabel(model, fired.source) + " without restarting the timer, " +
                           found + "; write the age as unknown (-1 1) in " + stateLabel(model, destination.target) +
                           ", or restart timer " + std::to_string(timer) + " in destination " +
                           std::to_string(position) + " of transition " + std::to_string(transition));
    }
}

void addAgeWarnings(const Gsms& model, std::uint64_t transition, std::vector<std::string>& warnings) {
    const std::size_t count = model.transition(transition).destinations.size();
    for (std::uint64_t position = 0; position < count; ++position)
        addAgeWarnings(model, transition, position, warnings);
}

}  // namespace

std::vector<std::string> ageWarnings(const Gsms& model) {
    std::vector<std::string> warnings;
    for (std::uint64_t i = 0; i < model.transitionCount(); ++i) addAgeWarnings(model, i, warnings);
    return warnings;
}

std::vector<std::string> modelWarnings(const Gsms& model) {
    std::vector<std::string> warnings;
    for (std::uint64_t i = 0; i < model.transitionCount(); ++i) {
        const GsmsTransition& transition = model.transition(i);
        Rational sum = 0;
        for (const GsmsDestination& destination : transition.destinations) sum += destination.probability;
        if (sum != 1)
            warnings.push_back("the probabilities of the destinations of transition " + std::to_string(i) +
                               " add up to " + toText(sum) + ", not 1");
        if (transition.timers.size() >= 2)
            for (std::uint64_t timer : transition.timers)
                if (!model.timer(timer).fixedDelay())
                    warnings.push_back("transition " + std::to_string(i) +
                                       " has several timers, which only deterministic timers can fire together, but "
                                       "timer " + std::to_string(timer) + " is " + model.timer(timer).toText());
        addAgeWarnings(model, i, warnings);
    }
    return warnings;
}

}  // namespace drova
