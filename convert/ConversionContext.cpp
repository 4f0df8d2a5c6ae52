// The walk over the paths between the states of the SMS, with truncation, the choice of the
// transitions that can fire, and the ageing of the timers when one fires.

#include "convert/ConversionContext.hpp"

#include "convert/ModelAccess.hpp"

#include <boost/multiprecision/cpp_bin_float.hpp>

#include <algorithm>
#include <stdexcept>
#include <string>

namespace drova {

TimerNotRunning::TimerNotRunning(std::uint64_t timer, std::uint64_t transition)
    : message_("Timer " + std::to_string(timer) + " is not running where transition " + std::to_string(transition) +
               " needs its age") {}

std::string variableName(std::uint64_t counter) {
    std::string name = "t";
    name += std::to_string(counter);
    return name;
}

std::uint64_t firstTimer(const GsmsTransition& transition, std::uint64_t index) {
    if (transition.timers.empty())
        throw std::out_of_range("Transition " + std::to_string(index) + " has no triggering timer");
    return transition.timers.front();
}

const GsmsDestination& destinationOf(const GsmsTransition& transition, const PathStep& step) {
    if (step.destination >= transition.destinations.size())
        throw std::out_of_range("Destination " + std::to_string(step.destination) + " of transition " +
                                std::to_string(step.transition) + " does not exist");
    return transition.destinations[step.destination];
}

const LinearForm& ageOf(const TimerAges& ages, std::uint64_t timer, std::uint64_t transition) {
    const std::optional<LinearForm>& age = ages.at(timer);
    if (!age) throw TimerNotRunning(timer, transition);
    return *age;
}

void requireDeterministicTimers(const Gsms& model, std::uint64_t transition) {
    const GsmsTransition& fired = model.transition(transition);
    if (fired.timers.size() < 2) return;
    for (std::uint64_t timer : fired.timers)
        if (!model.timer(timer).fixedDelay())
            throw std::invalid_argument("Transition " + std::to_string(transition) +
                                        " has several timers, so all its timers must be deterministic");
}

ConversionContext::ConversionContext(const Gsms& model, std::size_t maxPathLength)
    : model_(model), maxPathLength_(maxPathLength) {
    smsIndex_.reserve(model.stateCount());
    for (std::uint64_t state = 0; state < model.stateCount(); ++state) {
        smsIndex_.push_back(smsCount_);
        if (model.isSmsState(state)) ++smsCount_;
    }
}

KernelMatrix ConversionContext::computeSmsMatrix(const Rational& timeBound, double threshold, bool collectTruncated) {
    timeBound_ = timeBound;
    threshold_ = threshold;
    collectTruncated_ = collectTruncated;
    walkCounter_ = 0;
    pathsWalked_ = 0;
    const std::uint64_t size = smsCount_ + (collectTruncated ? 1 : 0);
    matrix_.assign(size, std::vector<Expolynomial>(size));

    for (std::uint64_t state = 0; state < model_.stateCount(); ++state) {
        if (!model_.isSmsState(state)) continue;
        currentRow_ = smsIndex_[state];
        // A state of the SMS knows every timer's age on entry, unless it has no outgoing
        // transition; a timer without a known age then simply has none.
        const TimerAges ages = agesOfActiveTimers(model_, state, [&](std::uint64_t timer) {
            std::optional<LinearForm> age;
            if (std::optional<Rational> delay = model_.delayOf(state, timer)) age.emplace(*delay);
            return age;
        });
        Path path;
        explore(state, path, ages);
    }
    return std::move(matrix_);
}

void ConversionContext::addTo(std::uint64_t column, const Expolynomial& expression) {
    Expolynomial& entry = matrix_[currentRow_][column];
    entry = add(entry, expression);
}

void ConversionContext::explore(std::uint64_t state, Path& path, const TimerAges& ages) {
    if (!path.empty()) {
        if (path.size() > maxPathLength_)
            throw std::invalid_argument("A path of more than " + std::to_string(maxPathLength_) +
                                        " steps was met; give a positive time bound and threshold so that long "
                                        "paths are cut off");
        const Expolynomial expression = pathExpression(path);
        ++pathsWalked_;
        if (model_.isSmsState(state)) {
            addTo(smsIndex_[state], expression);
            return;
        }
        if (expression.isZero()) return;
        if (timeBound_ != 0) {
            boost::multiprecision::cpp_bin_float_quad sum = 0;
            for (const Term& term : expression.terms) sum += valueAt(term, "t", timeBound_);
            const double value = static_cast<double>(sum);
            if (value <= threshold_) {
                if (collectTruncated_) addTo(smsCount_, expression);
                return;
            }
        }
    }
    for (std::uint64_t transition : enabledTransitions(state, ages)) {
        const TimerAges fired = fire(ages, transition, variableName(walkCounter_++));
        const std::vector<GsmsDestination>& destinations = model_.transition(transition).destinations;
        for (std::uint64_t position = 0; position < destinations.size(); ++position) {
            TimerAges entered = fired;
            for (std::uint64_t timer : destinations[position].restartedTimers) entered.at(timer).emplace();
            path.push_back({transition, position});
            explore(destinations[position].target, path, entered);
            path.pop_back();
        }
    }
}

namespace {

// The remaining time of a deterministic timer: its delay minus its age.
LinearForm remainingTime(const Gsms& model, const TimerAges& ages, std::uint64_t timer, std::uint64_t transition) {
    return subtract(LinearForm(*model.timer(timer).fixedDelay()), ageOf(ages, timer, transition));
}

// When a transition fires, known in advance: the remaining time of its deterministic first
// timer; none for a timer that draws its delay.
std::optional<LinearForm> firingInstant(const Gsms& model, const TimerAges& ages, std::uint64_t transition) {
    const GsmsTransition& fired = model.transition(transition);
    if (fired.timers.empty()) return std::nullopt;
    const std::uint64_t timer = fired.timers.front();
    if (!model.timer(timer).fixedDelay() || !ages.at(timer)) return std::nullopt;
    return remainingTime(model, ages, timer, transition);
}

bool shareATimer(const GsmsTransition& a, const GsmsTransition& b) {
    return std::any_of(a.timers.begin(), a.timers.end(), [&](std::uint64_t timer) {
        return std::find(b.timers.begin(), b.timers.end(), timer) != b.timers.end();
    });
}

// Two enabled transitions that fire at the same instant would both be counted in full.
void rejectSimultaneousFirings(const Gsms& model, std::uint64_t state, const TimerAges& ages,
                               const std::vector<std::uint64_t>& enabled) {
    std::vector<std::optional<LinearForm>> instants;
    for (std::uint64_t transition : enabled) instants.push_back(firingInstant(model, ages, transition));
    for (std::size_t i = 0; i < enabled.size(); ++i)
        for (std::size_t j = i + 1; j < enabled.size(); ++j) {
            const bool sameInstant = shareATimer(model.transition(enabled[i]), model.transition(enabled[j])) ||
                                     (instants[i] && instants[j] && *instants[i] == *instants[j]);
            if (!sameInstant) continue;
            const auto [first, second] = std::minmax(enabled[i], enabled[j]);
            throw std::invalid_argument("Transitions " + std::to_string(first) + " and " + std::to_string(second) +
                                        " of state " + std::to_string(state) +
                                        " fire at the same instant; simultaneous deterministic firings need one "
                                        "transition with several timers");
        }
}

}  // namespace

std::vector<std::uint64_t> ConversionContext::enabledTransitions(std::uint64_t state, const TimerAges& ages) const {
    std::vector<bool> marked(model_.timerCount());
    std::vector<std::uint64_t> enabled;
    const std::vector<std::uint64_t>& outgoing = model_.outgoingOf(state);
    // Transitions with more timers come last in the list and are met first.
    for (auto it = outgoing.rbegin(); it != outgoing.rend(); ++it) {
        const std::uint64_t index = *it;
        const GsmsTransition& transition = model_.transition(index);
        requireDeterministicTimers(model_, index);
        if (std::any_of(transition.timers.begin(), transition.timers.end(),
                        [&](std::uint64_t timer) { return marked.at(timer); }))
            continue;
        if (transition.timers.size() < 2) {
            enabled.push_back(index);
            continue;
        }
        const LinearForm first = remainingTime(model_, ages, transition.timers.front(), index);
        bool together = true;
        for (std::size_t i = 1; i < transition.timers.size(); ++i)
            together = remainingTime(model_, ages, transition.timers[i], index) == first && together;
        if (!together) continue;
        for (std::uint64_t timer : transition.timers) marked[timer] = true;
        enabled.push_back(index);
    }
    rejectSimultaneousFirings(model_, state, ages, enabled);
    return enabled;
}

TimerAges ConversionContext::fire(const TimerAges& ages, std::uint64_t transition, const std::string& name) const {
    const GsmsTransition& fired = model_.transition(transition);
    const std::uint64_t timer = firstTimer(fired, transition);
    const LinearForm elapsed = model_.timer(timer).fixedDelay() ? remainingTime(model_, ages, timer, transition)
                                                                 : LinearForm(name);
    TimerAges result = ages;
    for (std::optional<LinearForm>& age : result)
        if (age) addInPlace(*age, elapsed);
    for (std::uint64_t stopped : fired.timers) result.at(stopped).reset();
    return result;
}

}  // namespace drova
