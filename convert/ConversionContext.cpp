// The walk over the paths between the states of the SMS, with truncation, the choice of the
// transitions that can fire, and the ageing of the timers when one fires.

#include "convert/ConversionContext.hpp"

#include "algebra/MessageText.hpp"
#include "convert/ModelAccess.hpp"

#include <utility>
#include <boost/multiprecision/cpp_bin_float.hpp>

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <unistd.h>
#include <string>

namespace drova {

TimerNotRunning::TimerNotRunning(std::uint64_t timer, std::uint64_t transition)
    : message_("Timer " + std::to_string(timer) + " is not running where transition " + std::to_string(transition) +
               " needs its age") {}

EndlessCycle::EndlessCycle(std::string cycle)
    : std::invalid_argument("The walk met a cycle through states outside the SMS that it would follow without end: " +
                            cycle + "; give a positive time bound and threshold so that long paths are cut off"),
      cycle_(std::move(cycle)) {}

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

ConversionContext::ConversionContext(const Gsms& model, std::size_t maxPathLength, std::size_t maxTerms,
                                     std::optional<HeldBudget> held)
    : model_(model),
      maxPathLength_(maxPathLength),
      maxTerms_(maxTerms),
      held_(held ? *held : heldBudgetFromEnvironment()),
      expressionOf_(model) {
    // A law without exact integrals would fail deep inside the walk; say at once which timer it is.
    for (std::uint64_t timer = 0; timer < model.timerCount(); ++timer)
        if (!model.timer(timer).hasExactIntegrals())
            throw std::invalid_argument("Timer " + std::to_string(timer) + " is " + model.timer(timer).toText() +
                                        ", which has no exact integral: simulate the model (drova reliability or "
                                        "availability with --sim N) or solve an expolynomial fit of it exactly "
                                        "(--approximate N)");
    smsIndex_.reserve(model.stateCount());
    for (std::uint64_t state = 0; state < model.stateCount(); ++state) {
        smsIndex_.push_back(smsCount_);
        if (model.isSmsState(state)) ++smsCount_;
    }
}

Expolynomial ConversionContext::pathExpression(const Path& path) {
    if (path.size() > maxPathLength_)
        throw std::invalid_argument("The path has " + std::to_string(path.size()) + " steps, more than the limit of " +
                                    std::to_string(maxPathLength_));
    return withinTermLimit([&] { return expressionOf_(path); });
}

double ConversionContext::valueAtTimeBound(const Expolynomial& expression) {
    boost::multiprecision::cpp_bin_float_quad sum = 0;
    for (const Term& term : expression.terms) sum += valueAt(term, "t", timeBound_, exponentialsAtBound_);
    return static_cast<double>(sum);
}

void ConversionContext::requireMatrixWithinTermLimit(std::uint64_t size) const {
    // Every entry holds at least one term: the matrix alone must fit the budget.
    if (size != 0 && size > maxTerms_ / size)
        throw std::invalid_argument("The kernel of " + std::to_string(size) + " states would have " +
                                    (BigInt(size) * size).str() + " entries, more than the limit of " +
                                    std::to_string(maxTerms_) + " terms");
}

void ConversionContext::showProgress() {
    if (!progressOnTerminal_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - walkStart_ < std::chrono::seconds(1) || now - lastShown_ < std::chrono::milliseconds(250)) return;
    lastShown_ = now;
    const std::uint64_t held = heldBytes();
    const std::uint64_t megabytes = (held > heldAtWalkStart_ ? held - heldAtWalkStart_ : 0) >> 20;
    std::fprintf(stderr, "\rWalking the paths: %llu walked, %llu MB held   ",
                 static_cast<unsigned long long>(pathsWalked_), static_cast<unsigned long long>(megabytes));
    std::fflush(stderr);
    progressShown_ = true;
}

void ConversionContext::endProgress() {
    if (!progressShown_) return;
    std::fprintf(stderr, "\r%60s\r", "");
    std::fflush(stderr);
    progressShown_ = false;
}

KernelMatrix ConversionContext::computeSmsMatrix(const Rational& timeBound, double threshold, bool collectTruncated) {
    walkStart_ = lastShown_ = std::chrono::steady_clock::now();
    progressOnTerminal_ = isatty(STDERR_FILENO) == 1;
    heldAtWalkStart_ = heldBytes();
    struct End {
        ConversionContext& context;
        ~End() { context.endProgress(); }
    } end{*this};
    return withinTermLimit([&] { return walkSmsMatrix(timeBound, threshold, collectTruncated); });
}

KernelMatrix ConversionContext::walkSmsMatrix(const Rational& timeBound, double threshold, bool collectTruncated) {
    timeBound_ = timeBound;
    threshold_ = threshold;
    collectTruncated_ = collectTruncated;
    truncatedColumn_ = smsCount_;
    cutLongPaths_ = false;
    walkCounter_ = 0;
    pathsWalked_ = 0;
    const std::uint64_t size = smsCount_ + (collectTruncated ? 1 : 0);
    requireMatrixWithinTermLimit(size);
    matrix_.assign(size, std::vector<Expolynomial>(size));

    stops_.assign(model_.stateCount(), false);
    for (std::uint64_t state = 0; state < model_.stateCount(); ++state) stops_[state] = model_.isSmsState(state);
    columns_ = smsIndex_;
    sojourn_ = nullptr;
    // A threshold below 0 cuts nothing, whatever the time bound.
    rejectCycles_ = timeBound == 0 || threshold < 0;
    pathStates_.clear();
    pathAges_.clear();
    sparseRow_ = false;
    for (std::uint64_t state = 0; state < model_.stateCount(); ++state) {
        if (!model_.isSmsState(state)) continue;
        currentRow_ = smsIndex_[state];
        walkRow(state);
    }
    return std::move(matrix_);
}

RenewalProcess ConversionContext::computeRenewalProcess(bool downStatesAbsorb, const Rational& timeBound,
                                                       double threshold) {
    walkStart_ = lastShown_ = std::chrono::steady_clock::now();
    progressOnTerminal_ = isatty(STDERR_FILENO) == 1;
    heldAtWalkStart_ = heldBytes();
    struct End {
        ConversionContext& context;
        ~End() { context.endProgress(); }
    } end{*this};
    return withinTermLimit([&] { return walkRenewalProcess(downStatesAbsorb, timeBound, threshold); });
}

namespace {

RenewalProcess::SparseRow nonZeroEntries(std::map<std::uint64_t, Expolynomial>& entries) {
    RenewalProcess::SparseRow row;
    for (auto& [column, entry] : entries)
        if (!entry.isZero()) row.emplace_back(column, std::move(entry));
    entries.clear();
    return row;
}

}  // namespace

RenewalProcess ConversionContext::walkRenewalProcess(bool downStatesAbsorb, const Rational& timeBound,
                                                    double threshold) {
    // The measures need values, not the printed terms: the walk drops the terms whose heaviside
    // factors cannot all hold, so that a path that is zero everywhere is neither added nor
    // extended, and the factors the others imply.
    expressionOf_.setPruning(true);
    struct Unprune {
        PathExpression& expression;
        ~Unprune() { expression.setPruning(false); }
    } unprune{expressionOf_};
    const bool bounded = timeBound != 0 && threshold >= 0;
    timeBound_ = bounded ? timeBound : Rational(0);
    threshold_ = bounded ? threshold : 0;
    collectTruncated_ = bounded;
    cutLongPaths_ = bounded;
    walkCounter_ = 0;
    pathsWalked_ = 0;
    RenewalProcess process;
    process.downStatesAbsorb = downStatesAbsorb;
    stops_.assign(model_.stateCount(), false);
    columns_.assign(model_.stateCount(), 0);
    for (std::uint64_t state = 0; state < model_.stateCount(); ++state) {
        const bool absorbing = downStatesAbsorb && model_.state(state).flag;
        if (!model_.isSmsState(state) && !absorbing) continue;
        stops_[state] = true;
        columns_[state] = process.states.size();
        process.states.push_back(state);
    }
    // The rows are sparse: no limit on the number of states, only on the terms of each path.
    const std::size_t size = process.states.size();
    truncatedColumn_ = size;
    process.unresolvedState = bounded;
    rejectCycles_ = !bounded;  // without a bound nothing is cut off
    pathStates_.clear();
    pathAges_.clear();
    process.kernel.resize(size + (bounded ? 1 : 0));
    process.sojourn.resize(size + (bounded ? 1 : 0));
    sparseRow_ = true;
    for (std::size_t row = 0; row < size; ++row) {
        const std::uint64_t state = process.states[row];
        currentRow_ = row;
        if (downStatesAbsorb && model_.state(state).flag) {
            process.sojourn[row].emplace_back(state, UnitExpolynomial);
            continue;
        }
        // The walk's budget is the memory it holds, not the terms it produced: a process of many
        // easy rows is not refused for its size.
        walkRow(state);
        process.kernel[row] = nonZeroEntries(rowEntries_);
        process.sojourn[row] = nonZeroEntries(rowSojourn_);
    }
    // The unresolved state is never left.
    if (bounded) process.sojourn[size].emplace_back(model_.stateCount(), UnitExpolynomial);
    sparseRow_ = false;
    return process;
}

void ConversionContext::walkRow(std::uint64_t state) {
    // A state of the SMS knows every timer's age on entry, unless it has no outgoing
    // transition; a timer without a known age then simply has none.
    const TimerAges ages = agesOfActiveTimers(model_, state, [&](std::uint64_t timer) {
        std::optional<LinearForm> age;
        if (std::optional<Rational> delay = model_.delayOf(state, timer)) age.emplace(*delay);
        return age;
    });
    Path path;
    explore(state, path, ages, UnitExpolynomial);
}

void ConversionContext::addTo(std::uint64_t column, const Expolynomial& expression) {
    Expolynomial& entry = sparseRow_ ? rowEntries_[column] : matrix_[currentRow_][column];
    entry = add(std::move(entry), expression);
}

void ConversionContext::explore(std::uint64_t state, Path& path, const TimerAges& ages,
                                const Expolynomial& expression) {
    // `expression` is the path's: the empty path is certain, and a longer one comes from the
    // step that its parent computed once for all its destinations.
    if (!path.empty()) {
        if ((++pathsWalked_ & 63) == 0) showProgress();
        if (stops_[state]) {
            addTo(columns_[state], expression);
            return;
        }
        if (expression.isZero()) return;
        if (timeBound_ != 0) {
            const double value = valueAtTimeBound(expression);
            if (value <= threshold_) {
                if (collectTruncated_) addTo(truncatedColumn_, expression);
                return;
            }
        }
    }
    if (rejectCycles_) rejectEndlessCycle(state, path);
    pathStates_.push_back(state);
    pathAges_.push_back(&ages);
    struct Unwind {
        ConversionContext& context;
        ~Unwind() {
            context.pathStates_.pop_back();
            context.pathAges_.pop_back();
        }
    } unwind{*this};
    const std::vector<std::uint64_t> enabled = enabledTransitions(state, ages);
    // Per enabled transition, the expression of the path extended by its firing alone: every
    // destination's expression is it times the destination's probability (the restarts of a
    // path's last step do not enter its expression), and the sojourn and the ties use it too.
    FiredExpressions fired{path, enabled, std::vector<std::optional<Expolynomial>>(enabled.size())};
    rejectPossibleTies(state, fired, ages);
    if (sparseRow_) addSojourn(state, expression, fired);
    for (std::size_t i = 0; i < enabled.size(); ++i) {
        const std::uint64_t transition = enabled[i];
        const TimerAges firedAges = fire(ages, transition, variableName(walkCounter_++));
        const std::vector<GsmsDestination>& destinations = model_.transition(transition).destinations;
        if (destinations.empty()) continue;
        if (path.size() >= maxPathLength_ && cutLongPaths_) {
            // A cut-off walk sends the paths that would outgrow the limit to the unresolved state.
            const Expolynomial& once = firedExpression(fired, i);
            for (const GsmsDestination& destination : destinations)
                addTo(truncatedColumn_, multiply(Term(destination.probability), once));
            continue;
        }
        if (path.size() >= maxPathLength_)
            throw std::invalid_argument("A path of more than " + std::to_string(maxPathLength_) +
                                        " steps was met; give a positive time bound and threshold so that long "
                                        "paths are cut off");
        const Expolynomial& once = firedExpression(fired, i);
        for (std::uint64_t position = 0; position < destinations.size(); ++position) {
            TimerAges entered = firedAges;
            for (std::uint64_t timer : destinations[position].restartedTimers) entered.at(timer).emplace();
            path.push_back({transition, position});
            explore(destinations[position].target, path, entered,
                    multiply(Term(destinations[position].probability), once));
            path.pop_back();
        }
    }
}

const Expolynomial& ConversionContext::firedExpression(FiredExpressions& fired, std::size_t i) {
    std::optional<Expolynomial>& entry = fired.expressions.at(i);
    if (!entry) {
        fired.path.push_back({fired.enabled[i], 0});
        struct Pop {
            Path& path;
            ~Pop() { path.pop_back(); }
        } pop{fired.path};
        entry = expressionOf_.fired(fired.path);
    }
    return *entry;
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

// The pairs of enabled transitions that would fire at the same instant: two transitions of one
// timer, or two whose deterministic first timers have equal remaining times.
std::vector<std::pair<std::uint64_t, std::uint64_t>> simultaneousFirings(const Gsms& model, const TimerAges& ages,
                                                                         const std::vector<std::uint64_t>& enabled) {
    std::vector<std::optional<LinearForm>> instants;
    for (std::uint64_t transition : enabled) instants.push_back(firingInstant(model, ages, transition));
    std::vector<std::pair<std::uint64_t, std::uint64_t>> pairs;
    for (std::size_t i = 0; i < enabled.size(); ++i)
        for (std::size_t j = i + 1; j < enabled.size(); ++j) {
            const bool sameInstant = shareATimer(model.transition(enabled[i]), model.transition(enabled[j])) ||
                                     (instants[i] && instants[j] && *instants[i] == *instants[j]);
            if (sameInstant) pairs.emplace_back(i, j);
        }
    return pairs;
}

}  // namespace

std::vector<std::uint64_t> ConversionContext::enabledTransitions(std::uint64_t state, const TimerAges& ages) const {
    std::vector<std::uint64_t> marked;  // the timers taken by a transition with several timers
    std::vector<std::uint64_t> enabled;
    const std::vector<std::uint64_t>& outgoing = model_.outgoingOf(state);
    // Transitions with more timers come last in the list and are met first.
    for (auto it = outgoing.rbegin(); it != outgoing.rend(); ++it) {
        const std::uint64_t index = *it;
        const GsmsTransition& transition = model_.transition(index);
        requireDeterministicTimers(model_, index);
        if (std::any_of(transition.timers.begin(), transition.timers.end(),
                        [&](std::uint64_t timer) {
                            return std::find(marked.begin(), marked.end(), timer) != marked.end();
                        }))
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
        marked.insert(marked.end(), transition.timers.begin(), transition.timers.end());
        enabled.push_back(index);
    }
    return enabled;
}

TimerAges ConversionContext::fire(const TimerAges& ages, std::uint64_t transition, const std::string& name) const {
    const GsmsTransition& fired = model_.transition(transition);
    const std::uint64_t timer = firstTimer(fired, transition);
    const LinearForm elapsed = model_.timer(timer).fixedDelay() ? remainingTime(model_, ages, timer, transition)
                                                                 : LinearForm(name);
    TimerAges result = ages;
    for (auto& [timer, age] : result.entries())
        if (age) addInPlace(*age, elapsed);
    for (std::uint64_t stopped : fired.timers) result.at(stopped).reset();
    return result;
}

bool ConversionContext::canFire(FiredExpressions& fired, std::size_t i) {
    const std::vector<GsmsDestination>& destinations = model_.transition(fired.enabled[i]).destinations;
    // Without a destination the firing loses its probability; whether it ties cannot be told
    // from an expression, so it counts as possible.
    if (destinations.empty()) return true;
    if (firedExpression(fired, i).isZero()) return false;
    return std::any_of(destinations.begin(), destinations.end(),
                       [](const GsmsDestination& destination) { return !destination.probability.is_zero(); });
}

// Two transitions that fire at the same instant would both be counted in full. A tie matters only
// when both can fire there: a transition outlasted by an earlier deterministic firing, for one,
// has a zero expression on every extension of the path, and the tie never happens.
void ConversionContext::rejectPossibleTies(std::uint64_t state, FiredExpressions& fired, const TimerAges& ages) {
    const std::vector<std::uint64_t>& enabled = fired.enabled;
    const auto pairs = simultaneousFirings(model_, ages, enabled);
    if (pairs.empty()) return;
    std::vector<std::optional<bool>> possible(enabled.size());
    const auto can = [&](std::size_t i) {
        if (!possible[i]) possible[i] = canFire(fired, i);
        return *possible[i];
    };
    for (const auto& [i, j] : pairs) {
        if (!can(i) || !can(j)) continue;
        const auto [first, second] = std::minmax(enabled[i], enabled[j]);
        throw std::invalid_argument("Transitions " + std::to_string(first) + " and " + std::to_string(second) +
                                    " of state " + std::to_string(state) +
                                    " fire at the same instant; simultaneous deterministic firings need one "
                                    "transition with several timers");
    }
}

// A cycle is told from a detour that the walk finishes once the path has gone round it twice (the
// state is expanded a third time): the second round, which started where the first ended, is
// then judged. A round can be taken again and again, each time with a positive probability,
// unless both
//  - every round takes at least some fixed time: a timer whose delay is at least some positive
//    time (deterministic and positive, or uniform with a positive lower bound) is restarted and
//    fires within the round; and
//  - a timer whose delay is bounded (deterministic or uniform) runs through the whole round, being
//    neither restarted nor fired there, and a transition of each state of the round could fire on
//    it: once it expires the path leaves the round.
// Anything else repeats without end: the walk is refused at once rather than left to run into its
// limits.
bool ConversionContext::repeatsWithoutEnd(const Path& path, std::size_t from) const {
    std::vector<bool> restarted(model_.timerCount()), fired(model_.timerCount());
    for (std::size_t i = from; i < path.size(); ++i) {
        const GsmsTransition& transition = model_.transition(path[i].transition);
        for (std::uint64_t timer : transition.timers) fired[timer] = true;
        for (std::uint64_t timer : destinationOf(transition, path[i]).restartedTimers) restarted[timer] = true;
    }
    const auto lowerBound = [&](std::uint64_t timer) {
        const Endpoint& lower = model_.timer(timer).support().lower();
        return lower.value ? *lower.value : Rational(0);
    };
    bool takesTime = false;
    for (std::uint64_t timer = 0; timer < model_.timerCount(); ++timer)
        takesTime = takesTime || (restarted[timer] && fired[timer] && lowerBound(timer) > 0);
    if (!takesTime) return true;
    const TimerAges& ages = *pathAges_.at(from);
    for (std::uint64_t timer = 0; timer < model_.timerCount(); ++timer) {
        if (restarted[timer] || fired[timer] || !ages.at(timer)) continue;
        if (!model_.timer(timer).support().upper().value) continue;  // unbounded: may never expire
        bool endsTheRound = true;
        for (std::size_t i = from; i < path.size() && endsTheRound; ++i) {
            const std::vector<std::uint64_t>& outgoing = model_.outgoingOf(pathStates_[i]);
            endsTheRound = std::any_of(outgoing.begin(), outgoing.end(), [&](std::uint64_t t) {
                const std::vector<std::uint64_t>& timers = model_.transition(t).timers;
                return std::find(timers.begin(), timers.end(), timer) != timers.end();
            });
        }
        if (endsTheRound) return false;
    }
    return true;
}

void ConversionContext::rejectEndlessCycle(std::uint64_t state, const Path& path) const {
    std::vector<std::size_t> visits;
    for (std::size_t i = 0; i < pathStates_.size(); ++i)
        if (pathStates_[i] == state) visits.push_back(i);
    if (visits.size() < 2) return;
    const std::size_t from = visits.back();
    if (!repeatsWithoutEnd(path, from)) return;
    std::string cycle;
    for (std::size_t i = from; i <= pathStates_.size(); ++i) {
        const std::uint64_t s = i < pathStates_.size() ? pathStates_[i] : state;
        cycle += (cycle.empty() ? "" : " -> ") + std::string("state ") + std::to_string(s) + " (" +
                 messageText(model_.state(s).name, 40) + ")";
    }
    throw EndlessCycle(cycle);
}

void ConversionContext::addSojourn(std::uint64_t state, const Expolynomial& reached, FiredExpressions& fired) {
    Expolynomial staying = reached;
    for (std::size_t i = 0; i < fired.enabled.size(); ++i)
        staying = subtract(std::move(staying), firedExpression(fired, i));
    Expolynomial& entry = rowSojourn_[state];
    entry = add(entry, staying);
}

}  // namespace drova
