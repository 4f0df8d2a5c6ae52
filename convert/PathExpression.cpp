// The expression of one path: the branching probabilities times nested integrals, one per step,
// of the firing timer's density over the step's firing time, each carrying the survival of the
// transitions that compete with the step.

#include "convert/PathExpression.hpp"

#include "algebra/LinearConstraints.hpp"
#include "convert/ModelAccess.hpp"

#include <algorithm>
#include <unordered_map>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>

namespace drova {

namespace {

// What the integral of one step needs, gathered while the path is followed forward.
struct StepFrame {
    const GsmsTransition* transition = nullptr;
    const GsmsDestination* destination = nullptr;
    std::uint64_t timer = 0;  // the firing timer
    std::string name;         // the step's firing time
    LinearForm argument;      // the firing timer's age at the end of the step
    TimerAges ages;           // the ages when the step starts
    LinearForm elapsed;       // the time spent on the path before the step
};

}  // namespace

std::string PathExpression::nextStepName() { return variableName(stepCounter_++); }

const GsmsDestination& PathExpression::destinationAt(const GsmsTransition& transition, const Path& path,
                                                        std::size_t step) const {
    // A firing into nowhere: certain, and restarting nothing.
    static const GsmsDestination firesOnly{0, RationalOne, {}};
    if (lastStepFiresOnly_ && step + 1 == path.size()) return firesOnly;
    return destinationOf(transition, path[step]);
}

// The restarts of a path's last step change nothing in its expression (they matter only to later
// steps), so this is the expression of any of its destinations divided by that destination's
// probability, and exists also for a transition whose destinations are all improbable or absent.
Expolynomial PathExpression::fired(const Path& path) {
    lastStepFiresOnly_ = true;
    try {
        Expolynomial fired = (*this)(path);
        lastStepFiresOnly_ = false;
        return fired;
    } catch (...) {
        lastStepFiresOnly_ = false;
        throw;
    }
}

Expolynomial PathExpression::operator()(const Path& path) {
    if (path.empty()) throw std::out_of_range("The path has no steps");
    startState_ = model_.transition(path.front().transition).source;
    competitors_ = competitors(path);
    stepCounter_ = 0;

    // Ages count from the start of the path; the ages on entering the start state come in
    // through the firing distributions instead.
    TimerAges ages = agesOfActiveTimers(model_, startState_, [](std::uint64_t) { return LinearForm(); });
    LinearForm elapsed;
    std::vector<StepFrame> frames;
    frames.reserve(path.size());
    for (const PathStep& step : path) {
        StepFrame frame;
        frame.transition = &model_.transition(step.transition);
        frame.destination = &destinationAt(*frame.transition, path, frames.size());
        frame.name = nextStepName();
        frame.timer = firstTimer(*frame.transition, step.transition);
        requireDeterministicTimers(model_, step.transition);
        const LinearForm firingTime(frame.name);
        frame.argument = add(ageOf(ages, frame.timer, step.transition), firingTime);
        frame.ages = ages;
        frame.elapsed = elapsed;

        for (auto& [timer, age] : ages.entries())
            if (age) addInPlace(*age, firingTime);
        for (std::uint64_t timer : frame.transition->timers) ages.at(timer).reset();
        for (std::uint64_t timer : frame.destination->restartedTimers) ages.at(timer).emplace();
        addInPlace(elapsed, firingTime);
        frames.push_back(std::move(frame));
    }

    // The integrals nest from the last step outwards; the competitors' variables are numbered
    // after all step variables, the last step's first.
    Expolynomial expression = UnitExpolynomial;
    Rational factor = RationalOne;
    for (std::size_t k = frames.size(); k-- > 0;) {
        const StepFrame& frame = frames[k];
        factor *= frame.destination->probability;
        expression = applyCompetitors(expression, model_.outgoingOf(frame.transition->source), frame.ages,
                                      frame.elapsed, frame.name, k);
        const Distribution& firing =
            firingDistribution(frame.timer, frame.argument, add(frame.elapsed, LinearForm(frame.name)));
        expression = firing.integrate(frame.argument, frame.name, LinearForm(),
                                      subtract(LinearForm(std::string("t")), frame.elapsed), expression);
        if (pruning_) pruneHeavisides(expression);
    }
    return multiply(Term(factor), expression);
}

Expolynomial PathExpression::applyCompetitors(const Expolynomial& expression,
                                                 const std::vector<std::uint64_t>& outgoing, const TimerAges& ages,
                                                 const LinearForm& elapsed, const std::string& stepName,
                                                 std::size_t step) {
    Expolynomial result = expression;
    for (std::uint64_t competitor : outgoing) {
        if (!competitors_.contains({step, competitor})) continue;
        const std::string name = nextStepName();
        const std::uint64_t timer = firstTimer(model_.transition(competitor), competitor);
        const LinearForm survived(name);
        const LinearForm argument = add(ageOf(ages, timer, competitor), survived);
        const Distribution& outlasting = firingDistribution(timer, argument, add(elapsed, survived));
        result = outlasting.integrateToInfinity(argument, name, LinearForm(stepName), result);
        if (pruning_) pruneHeavisides(result);
    }
    return result;
}

namespace {

// The walk's view of the timer ages along a path, kept only to tell which transitions with
// several timers are enabled at each step: ages include the delays on entering the start state
// (0 where unknown), and a deterministic firing ages the timers by its known remaining time, so
// that remaining times compare as the walk compares them. Nothing here fails: an age that is
// missing makes a transition not enabled, and the path's own steps report the error.
class WalkAges {
public:
    WalkAges(const Gsms& model, std::uint64_t start) : model_(model), ages_(model.timerCount()) {
        const GsmsState& state = model.state(start);
        for (std::size_t position = 0; position < state.activeTimers.size(); ++position) {
            const std::uint64_t timer = state.activeTimers[position];
            if (timer < ages_.size()) ages_[timer].emplace(model.delayOf(start, timer).value_or(RationalZero));
        }
    }

    // The transitions with several timers of `state`, other than `fired`, that are enabled: all
    // timers deterministic and running with one remaining time, none taken by a transition with
    // several timers met before it (the walk meets them from the end of the outgoing list).
    std::vector<std::uint64_t> enabledJoined(std::uint64_t state, std::uint64_t fired) const {
        std::vector<std::uint64_t> marked;  // the timers taken by a transition met before
        std::vector<std::uint64_t> enabled;
        const std::vector<std::uint64_t>& outgoing = model_.outgoingOf(state);
        for (auto it = outgoing.rbegin(); it != outgoing.rend(); ++it) {
            if (*it >= model_.transitionCount()) continue;
            const GsmsTransition& transition = model_.transition(*it);
            if (transition.timers.size() < 2) continue;
            std::optional<LinearForm> common;
            bool together = true;
            for (std::uint64_t timer : transition.timers) {
                const std::optional<LinearForm> left = remaining(timer);
                if (!left || std::find(marked.begin(), marked.end(), timer) != marked.end() ||
                    (common && *left != *common)) {
                    together = false;
                    break;
                }
                common = left;
            }
            if (!together) continue;
            marked.insert(marked.end(), transition.timers.begin(), transition.timers.end());
            if (*it != fired) enabled.push_back(*it);
        }
        return enabled;
    }

    // The ages after `transition` fires and `destination` restarts its timers.
    void fire(const GsmsTransition& transition, const GsmsDestination& destination) {
        std::optional<LinearForm> elapsed;
        if (!transition.timers.empty()) elapsed = remaining(transition.timers.front());
        if (!elapsed) elapsed.emplace(variableName(fresh_++));
        for (auto& [timer, age] : ages_.entries())
            if (age) addInPlace(*age, *elapsed);
        for (std::uint64_t timer : transition.timers)
            if (timer < ages_.size()) ages_[timer].reset();
        for (std::uint64_t timer : destination.restartedTimers)
            if (timer < ages_.size()) ages_[timer].emplace();
    }

private:
    std::optional<LinearForm> remaining(std::uint64_t timer) const {
        if (timer >= ages_.size() || !ages_[timer]) return std::nullopt;
        const std::optional<Rational> delay = model_.timer(timer).fixedDelay();
        if (!delay) return std::nullopt;
        return subtract(LinearForm(*delay), *ages_[timer]);
    }

    const Gsms& model_;
    TimerAges ages_;
    std::uint64_t fresh_ = 0;
};

bool sharesATimer(const GsmsTransition& transition, const std::vector<std::uint64_t>& timers) {
    for (std::uint64_t timer : transition.timers)
        if (std::find(timers.begin(), timers.end(), timer) != timers.end()) return true;
    return false;
}

}  // namespace

// A competitor is a transition of a state the path leaves that does not fire there: a
// single-timer transition whose timer keeps running, or an enabled transition with several
// (deterministic) timers, which survives the step exactly when the step ends before their common
// remaining time. Per timer, and per transition with several timers, the table keeps the latest
// offer and the step that made it; its survival is counted once, at that step, when a timer of it
// is next restarted or the path ends. A timer that fires, or a later step that offers the same
// expiry again, drops the older entry: surviving the later step implies surviving the earlier
// one. A single-timer transition whose timer is taken by an enabled transition with several
// timers can never fire; the joined transition carries its survival.
std::set<PathExpression::Competitor> PathExpression::competitors(const Path& path) const {
    struct Entry {
        std::uint64_t transition = 0;
        std::size_t step = 0;
        bool pending = false;
    };
    std::unordered_map<std::uint64_t, Entry> table;  // by timer: only the timers the path meets
    std::map<std::uint64_t, Entry> joined;  // by transition
    std::set<Competitor> result;
    std::optional<WalkAges> walk;
    for (std::size_t k = 0; k < path.size(); ++k) {
        const GsmsTransition& fired = model_.transition(path[k].transition);
        const GsmsDestination& destination = destinationAt(fired, path, k);
        if (!walk) walk.emplace(model_, fired.source);
        const std::vector<std::uint64_t> enabledJoined = walk->enabledJoined(fired.source, path[k].transition);
        std::vector<std::uint64_t> takenTimers;
        for (std::uint64_t competitor : enabledJoined) {
            const GsmsTransition& other = model_.transition(competitor);
            joined[competitor] = {competitor, k, true};
            for (std::uint64_t timer : other.timers) {
                table[timer].pending = false;
                takenTimers.push_back(timer);
            }
        }
        for (std::uint64_t competitor : model_.outgoingOf(fired.source)) {
            if (competitor == path[k].transition) continue;
            const GsmsTransition& other = model_.transition(competitor);
            if (other.timers.size() >= 2) continue;
            const std::uint64_t timer = firstTimer(other, competitor);
            if (std::find(takenTimers.begin(), takenTimers.end(), timer) != takenTimers.end()) continue;
            table[timer] = {competitor, k, true};
            for (auto& [index, entry] : joined)
                if (entry.pending && sharesATimer(model_.transition(index), {timer})) entry.pending = false;
        }
        for (std::uint64_t timer : fired.timers) table[timer].pending = false;
        for (auto& [index, entry] : joined)
            if (entry.pending && sharesATimer(model_.transition(index), fired.timers)) entry.pending = false;
        for (std::uint64_t timer : destination.restartedTimers) {
            Entry& entry = table[timer];
            if (!entry.pending) continue;
            result.insert({entry.step, entry.transition});
            entry.pending = false;
        }
        for (auto& [index, entry] : joined) {
            if (!entry.pending || !sharesATimer(model_.transition(index), destination.restartedTimers)) continue;
            result.insert({entry.step, entry.transition});
            entry.pending = false;
        }
        walk->fire(fired, destination);
    }
    for (const auto& [timer, entry] : table)
        if (entry.pending) result.insert({entry.step, entry.transition});
    for (const auto& [index, entry] : joined)
        if (entry.pending) result.insert({entry.step, entry.transition});
    return result;
}

const Distribution& PathExpression::firingDistribution(std::uint64_t timer, const LinearForm& argument,
                                                          const LinearForm& elapsedPlus) {
    const Distribution& distribution = model_.timer(timer);
    // Equal variable counts mean the timer has run without restart since the path started, so
    // its age there (its delay in the start state, 0 when unknown) adds to the elapsed time.
    if (argument.variables.size() != elapsedPlus.variables.size()) return distribution;
    residual_ = distribution.residual(model_.delayOf(startState_, timer).value_or(RationalZero));
    return *residual_;
}

}  // namespace drova
