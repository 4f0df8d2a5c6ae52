// The expression of one path: the branching probabilities times nested integrals, one per step,
// of the firing timer's density over the step's firing time, each carrying the survival of the
// transitions that compete with the step.

#include "convert/ConversionContext.hpp"

#include "convert/ModelAccess.hpp"

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

std::string ConversionContext::nextStepName() { return variableName(stepCounter_++); }

Expolynomial ConversionContext::pathExpression(const Path& path) {
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
        frame.destination = &destinationOf(*frame.transition, step);
        frame.name = nextStepName();
        frame.timer = firstTimer(*frame.transition, step.transition);
        requireDeterministicTimers(model_, step.transition);
        const LinearForm firingTime(frame.name);
        frame.argument = add(ageOf(ages, frame.timer, step.transition), firingTime);
        frame.ages = ages;
        frame.elapsed = elapsed;

        for (std::optional<LinearForm>& age : ages)
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
    }
    return multiply(Term(factor), expression);
}

Expolynomial ConversionContext::applyCompetitors(const Expolynomial& expression,
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
    }
    return result;
}

// A competitor is a single-timer transition of a state the path leaves whose timer does not fire
// there. Per timer, the table keeps the latest competitor and the step that offered it; its
// survival is counted once, at that step, when the timer is next restarted or the path ends.
// A timer that fires, or a later step that offers it again, drops the older entry: surviving the
// later step implies surviving the earlier one.
std::set<ConversionContext::Competitor> ConversionContext::competitors(const Path& path) const {
    struct Entry {
        std::uint64_t transition = 0;
        std::size_t step = 0;
        bool pending = false;
    };
    std::vector<Entry> table(model_.timerCount());
    std::set<Competitor> result;
    for (std::size_t k = 0; k < path.size(); ++k) {
        const GsmsTransition& fired = model_.transition(path[k].transition);
        const GsmsDestination& destination = destinationOf(fired, path[k]);
        for (std::uint64_t competitor : model_.outgoingOf(fired.source)) {
            if (competitor == path[k].transition) continue;
            const GsmsTransition& other = model_.transition(competitor);
            if (other.timers.size() >= 2) continue;
            table.at(firstTimer(other, competitor)) = {competitor, k, true};
        }
        for (std::uint64_t timer : fired.timers) table.at(timer).pending = false;
        for (std::uint64_t timer : destination.restartedTimers) {
            Entry& entry = table.at(timer);
            if (!entry.pending) continue;
            result.insert({entry.step, entry.transition});
            entry.pending = false;
        }
    }
    for (const Entry& entry : table)
        if (entry.pending) result.insert({entry.step, entry.transition});
    return result;
}

const Distribution& ConversionContext::firingDistribution(std::uint64_t timer, const LinearForm& argument,
                                                          const LinearForm& elapsedPlus) {
    const Distribution& distribution = model_.timer(timer);
    // Equal variable counts mean the timer has run without restart since the path started, so
    // its age there (its delay in the start state, 0 when unknown) adds to the elapsed time.
    if (argument.variables.size() != elapsedPlus.variables.size()) return distribution;
    residual_ = distribution.residual(model_.delayOf(startState_, timer).value_or(RationalZero));
    return *residual_;
}

}  // namespace drova
