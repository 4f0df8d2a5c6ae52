#include "modules/rel/GsmsMeasures.hpp"

#include "algebra/MessageText.hpp"
#include "convert/ConversionContext.hpp"
#include "measures/FailureProbability.hpp"
#include "measures/FirstPassage.hpp"
#include "measures/KernelValues.hpp"
#include "measures/StateGraph.hpp"
#include "measures/SolveControl.hpp"
#include "measures/SteadyState.hpp"
#include "measures/TimeToFailure.hpp"
#include "measures/TransientProbabilities.hpp"

#include "algebra/TermLimit.hpp"

#include <algorithm>
#include <chrono>
#include <charconv>
#include <cstdlib>
#include <limits>
#include <cmath>
#include <regex>
#include <stdexcept>
#include <system_error>

namespace drova::rel {

namespace {

bool startsWith(const std::string& text, const std::string& prefix) { return text.rfind(prefix, 0) == 0; }

bool endsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The longest path between two states of the process that the walk follows. Without a time bound
// nothing cuts a path off, and a cycle through states outside the SMS makes the walk endless; the
// walk's cost grows with about the cube of the path length (a deterministic cycle: 1 s to reach
// 100 steps, 5 s for 200, 30 s for 400), so the limit is well below that of drova konv.
constexpr std::size_t MeasuresPathLength = 100;

// The exact walk cannot be finished: a walk cut off at a time bound may still give the transient
// values with an error bound.
class NeedsTimeBound : public std::invalid_argument {
public:
    using std::invalid_argument::invalid_argument;
};

// The walk's own advice is to cut long paths off at a time bound, which the exact measures cannot
// do: they need every path to its end. Its failures of that kind are said again in those terms.
// With `boundedFallback`, a walk cut off at a time bound can take over, so the exact walk gets
// only its share of the time: a cycle that ends, but only after paths whose expressions grow
// without measure, would otherwise keep it from ever giving way.
constexpr double ExactWalkSeconds = 10;

RenewalProcess walk(const Gsms& model, bool downStatesAbsorb, bool boundedFallback = false) {
    try {
        HeldBudget budget = heldBudgetFromEnvironment();
        if (boundedFallback) budget.maxSeconds = budget.maxSeconds > 0 ? budget.maxSeconds / 2 : ExactWalkSeconds;
        return ConversionContext(model, MeasuresPathLength, DefaultTermLimit, budget)
            .computeRenewalProcess(downStatesAbsorb);
    } catch (const EndlessCycle& e) {
        throw NeedsTimeBound(
            "The model has a cycle through states outside the SMS, " + e.cycle() +
            ", that only a time bound would cut off, so its reliability measures cannot be computed exactly; split a "
            "state of the cycle by how it is entered, so that its timers' ages on entry are known, or write the model "
            "as a net (.toml), from which drova builds states whose ages are known");
    } catch (const WalkLimitExceeded& e) {
        throw NeedsTimeBound(e.limit() +
                                    ": the paths between states of the SMS grow too long or too many for the "
                                    "reliability measures, which need every path walked to its end");
    } catch (const std::invalid_argument& e) {
        const std::string message = e.what();
        const std::string cutOffAdvice = "; give a positive time bound and threshold so that long paths are cut off";
        const std::string noTimeBound =
            ": the model has a cycle through states outside the SMS that only a time bound would cut off, so its "
            "reliability measures cannot be computed exactly";
        if (startsWith(message, "A path of more than ") && endsWith(message, cutOffAdvice))
            throw NeedsTimeBound(message.substr(0, message.size() - cutOffAdvice.size()) + noTimeBound);
        throw;
    }
}

std::string quoted(const std::string& name) { return "\"" + name + "\""; }

// The GSMS state where the process starts.
std::uint64_t startOf(const Gsms& model, const std::optional<std::string>& from) {
    if (!from) return model.initialState();
    std::vector<std::uint64_t> named;
    for (std::uint64_t s = 0; s < model.stateCount(); ++s)
        if (model.state(s).name == *from) named.push_back(s);
    if (named.empty()) {
        std::vector<std::string> names;
        for (const GsmsState& state : model.states()) names.push_back(state.name);
        const std::string closest = closestName(*from, names);
        throw std::invalid_argument("The model has no state named " + quoted(messageText(*from, 40)) +
                                    (closest.empty() ? "" : "; did you mean " + quoted(closest) + "?"));
    }
    if (named.size() > 1)
        throw std::invalid_argument("The model has " + std::to_string(named.size()) + " states named " + quoted(*from) +
                                    " (states " + std::to_string(named[0]) + " and " + std::to_string(named[1]) +
                                    "), so the name does not say where to start");
    return named.front();
}

// The measures name the states of the process as "state I (NAME)" with I counted among the states
// of the process; the user knows the states by their index in the file.
std::string inFileNumbers(const std::string& message, const GsmsProcess& process) {
    static const std::regex named(R"(state ([0-9]+) \(([^()]*)\))");
    std::string result;
    auto last = message.cbegin();
    for (std::sregex_iterator it(message.begin(), message.end(), named), end; it != end; ++it) {
        const std::smatch& match = *it;
        result.append(last, match[0].first);
        last = match[0].second;
        const std::string number = match[1].str();
        std::size_t index = 0;
        const bool small = number.size() < 10;
        if (small) index = std::stoul(number);
        if (small && index < process.gsmsIndex.size() && process.model.states[index].name == match[2].str())
            result += "state " + std::to_string(process.gsmsIndex[index]) + " (" + match[2].str() + ")";
        else
            result += match[0].str();
    }
    result.append(last, message.cend());
    return result;
}

// Runs a measure, its failures naming states by their index in the file.
template <typename Measure>
auto measured(const GsmsProcess& process, Measure measure) {
    try {
        return measure();
    } catch (const std::invalid_argument& e) {
        throw std::invalid_argument(inFileNumbers(e.what(), process));
    }
}

// The name of the unresolved state, as a state of the process and as the extra GSMS state.
const char* const UnresolvedName = "(unresolved)";

// The process as the measures take it, starting in its first state; the unresolved state, if
// any, is an up state (never left, so it cannot fail), last among the states of the process and
// among the GSMS states.
GsmsProcess toMeasures(const Gsms& model, RenewalProcess process) {
    GsmsProcess result;
    result.gsmsIndex = process.states;
    measures::SemiMarkovModel& sms = result.model;
    for (std::uint64_t s : process.states) sms.states.push_back({model.state(s).name, model.state(s).flag});
    for (const GsmsState& s : model.states()) sms.gsmsStates.push_back({s.name, s.flag});
    if (process.unresolvedState) {
        sms.states.push_back({UnresolvedName, false});
        sms.gsmsStates.push_back({UnresolvedName, false});
    }
    const auto toRows = [](std::vector<RenewalProcess::SparseRow>& rows, std::size_t width) {
        measures::SparseExpolynomialMatrix matrix;
        for (RenewalProcess::SparseRow& row : rows) {
            measures::ExpolynomialRow sparse(width);
            for (auto& [column, entry] : row) sparse[column] = std::move(entry);
            matrix.push_back(std::move(sparse));
            RenewalProcess::SparseRow().swap(row);
        }
        return matrix;
    };
    sms.kernel = toRows(process.kernel, sms.states.size());
    sms.occupancy = toRows(process.sojourn, sms.gsmsStates.size());
    return result;
}

GsmsProcess walkedProcess(const Gsms& model, bool downStatesAbsorb, bool boundedFallback = false) {
    return toMeasures(model, walk(model, downStatesAbsorb, boundedFallback));
}

// Sets where the process starts: the model's initial state or the state named `from`.
void startAt(const Gsms& model, GsmsProcess& result, const std::optional<std::string>& from) {
    const std::uint64_t start = startOf(model, from);
    const std::vector<std::uint64_t>& states = result.gsmsIndex;
    const auto position = std::find(states.begin(), states.end(), start);
    if (position == states.end())
        throw std::invalid_argument(std::string(from ? "The state " : "The initial state ") +
                                    quoted(model.state(start).name) + " (" + std::to_string(start) +
                                    ") is not a state of the SMS: the ages of its timers on entry are not all known, "
                                    "so the measures cannot start there");
    result.model.initialState = static_cast<std::size_t>(position - states.begin());
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The bounded walks stop refining after this long when no time limit is set.
constexpr double DefaultRefinementSeconds = 60;
// The threshold of the first bounded walk.
constexpr double FirstThreshold = 1e-2;

// Whether some row of the process enters the unresolved state (the last one).
bool entersUnresolved(const measures::SemiMarkovModel& model) {
    if (model.states.empty()) return false;
    const std::size_t unresolved = model.states.size() - 1;
    for (const measures::ExpolynomialRow& row : model.kernel) {
        const auto found = row.entries().find(unresolved);
        if (found != row.entries().end() && !found->second.isZero()) return true;
    }
    return false;
}

// The largest time asked, at which the walk is cut off (1 when every time is 0: the values at 0
// are no larger than those at 1, so the cut is as sound).
Rational timeBoundOf(const std::vector<Rational>& times) {
    Rational bound(0);
    for (const Rational& t : times)
        if (t > bound) bound = t;
    return bound == 0 ? Rational(1) : bound;
}

std::string shortNumber(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g", value);
    return text;
}

// Walks the model cut off at the latest time with lower and lower thresholds, and solves each
// process with `solve` (which fills a result and returns the error bound at the times), until the
// bound at the latest time is within the tolerance or the budget runs out. The result of the last
// walk that finished is kept; a budget that runs out before the first one fails with `why` (the
// reason the exact walk failed) and the limit.
template <typename Result, typename Solve>
Result refined(const Gsms& model, bool downStatesAbsorb, const std::vector<Rational>& times,
               const std::optional<std::string>& from, double tolerance, const std::string& why, double exactSeconds,
               Solve solve) {
    const Rational timeBound = timeBoundOf(times);
    HeldBudget budget = heldBudgetFromEnvironment();
    // What the time limit leaves after the exact walk's share.
    const double seconds = budget.maxSeconds > 0 ? budget.maxSeconds - exactSeconds : DefaultRefinementSeconds;
    const auto start = std::chrono::steady_clock::now();
    std::optional<Result> best;
    double bestBound = std::numeric_limits<double>::infinity();
    double threshold = FirstThreshold;
    const auto aboveTolerance = [&] {
        return "The error bound at t = " + toText(timeBound) + " is " + shortNumber(bestBound) + ", above the tolerance " +
               shortNumber(tolerance);
    };
    // The budget ran out (`limit`) on a walk that `failed`: the best result so far, or `why`
    // when there is none.
    const auto stopped = [&](const std::string& limit, const std::string& failed, const std::string& done) {
        if (!best)
            throw std::invalid_argument(why + "; a walk cut off at t = " + toText(timeBound) + " " + failed +
                                        " either: " + limit);
        best->limitReached = aboveTolerance() + ": " + limit + " before a finer walk " + done;
        return *best;
    };
    for (;;) {
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::string limit;
        std::optional<GsmsProcess> process;
        if (elapsed >= seconds) {
            limit = "the time limit of " + shortNumber(seconds) + " s was reached";
        } else {
            budget.maxSeconds = seconds - elapsed;
            try {
                process = toMeasures(model, ConversionContext(model, MeasuresPathLength, DefaultTermLimit, budget)
                                                .computeRenewalProcess(downStatesAbsorb, timeBound, threshold));
            } catch (const WalkLimitExceeded& e) {
                limit = e.limit();
                // It follows a colon.
                if (!limit.empty() && limit[0] >= 'A' && limit[0] <= 'Z') limit[0] = static_cast<char>(limit[0] - 'A' + 'a');
            }
        }
        if (!process) return stopped(limit, "did not finish", "finished");
        startAt(model, *process, from);
        Result result;
        try {
            // The solve gets what is left of the time too.
            const measures::SolveControl deadline(start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                                              std::chrono::duration<double>(seconds)));
            result.errorBound = solve(*process, result);
        } catch (const measures::SolveTimeLimit&) {
            return stopped("the time limit of " + shortNumber(seconds) + " s was reached", "was not solved in time",
                           "was solved");
        }
        double bound = 0;
        for (double b : result.errorBound) bound = std::max(bound, b);
        const bool shrinking = bound < 0.5 * bestBound;
        if (!best || bound <= bestBound) {
            best = std::move(result);
            bestBound = bound;
        }
        if (bound <= tolerance) return *best;
        if (!shrinking || threshold < 1e-300) {
            best->limitReached = aboveTolerance() + ": a lower threshold no longer shrinks it (paths longer than " +
                                 std::to_string(MeasuresPathLength) + " steps are cut off too)";
            return *best;
        }
        // The bound shrinks about as the threshold does, and the cost of the walk grows steeply with
        // it: aim below the tolerance, by a factor of 10 to 1000 at a time, so that the budget ends
        // on a walk that finished.
        threshold *= std::clamp(tolerance / bound / 10, 1e-3, 1e-1);
    }
}

// The exact process, or NeedsTimeBound.
GsmsProcess exactProcessOf(const Gsms& model, bool downStatesAbsorb, const std::optional<std::string>& from,
                           bool boundedFallback) {
    GsmsProcess result = walkedProcess(model, downStatesAbsorb, boundedFallback);
    startAt(model, result, from);
    return result;
}

}  // namespace

GsmsProcess processOf(const Gsms& model, bool downStatesAbsorb, const std::optional<std::string>& from) {
    return exactProcessOf(model, downStatesAbsorb, from, false);
}

double toleranceFromEnvironment() {
    const char* text = std::getenv("DROVA_TOLERANCE");
    if (text == nullptr || *text == '\0') return DefaultTolerance;
    char* end = nullptr;
    const double tolerance = std::strtod(text, &end);
    if (*end != '\0' || !std::isfinite(tolerance) || tolerance <= 0)
        throw std::invalid_argument("DROVA_TOLERANCE must be a positive number, not \"" + messageText(text, 40) + "\"");
    return tolerance;
}

namespace {

// Why a bounded walk gives no long-run value.
std::string noLongRun(const std::vector<Rational>& times, const std::string& what) {
    return ": the exact walk does not finish, and a walk cut off at t = " + toText(timeBoundOf(times)) +
           " says nothing of the time beyond it; estimate " + what + " with drova sim";
}

// Whether the model has down states but the cut-off walk entered none of them from the start,
// while it entered the unresolved state: the down states lie beyond the cut, not out of reach.
bool downStateBeyondCut(const GsmsProcess& process, const measures::ExactKernel& kernel) {
    const measures::SemiMarkovModel& model = process.model;
    const bool modelHasDown = std::any_of(model.gsmsStates.begin(), model.gsmsStates.end(),
                                          [](const measures::NamedState& s) { return s.down; });
    if (!modelHasDown || !entersUnresolved(model)) return false;
    const std::size_t n = model.states.size();
    std::vector<bool> down(n), up(n);
    for (std::size_t i = 0; i < n; ++i) {
        down[i] = model.states[i].down;
        up[i] = !down[i];
    }
    return !measures::canReach(kernel.successors(), down, up)[model.initialState];
}

// F and R of a process with an unresolved state, and the probability of having entered that
// state by each time: the failure probability of the same process with the unresolved state as
// its only down state (the down states, absorbing, then count as up).
std::vector<double> boundedReliability(const GsmsProcess& process, const std::vector<Rational>& times,
                                       GsmsReliability& result) {
    const measures::ExactKernel kernel = measured(process, [&] { return measures::ExactKernel(process.model); });
    if (downStateBeyondCut(process, kernel)) {
        // Every way to a down state was cut off: F is 0 up to the bound.
        result.failure.assign(times.size(), 0.0);
        result.reliability.assign(times.size(), 1.0);
    } else {
        measures::FailureCurve curve =
            measured(process, [&] { return measures::failureProbability(process.model, kernel, times); });
        result.failure = std::move(curve.failure);
        result.reliability = std::move(curve.reliability);
    }
    if (!entersUnresolved(process.model)) return std::vector<double>(times.size(), 0.0);
    measures::SemiMarkovModel unresolved = process.model;
    for (measures::NamedState& state : unresolved.states) state.down = false;
    unresolved.states.back().down = true;
    for (measures::NamedState& state : unresolved.gsmsStates) state.down = false;
    unresolved.gsmsStates.back().down = true;
    return measured(process, [&] { return measures::failureProbability(unresolved, kernel, times); }).failure;
}

}  // namespace

GsmsReliability reliabilityOf(const Gsms& model, const std::vector<Rational>& times,
                              const std::optional<std::string>& from, double tolerance) {
    measures::checkTimes(times);
    std::optional<GsmsProcess> exact;
    const auto start = std::chrono::steady_clock::now();
    try {
        exact = exactProcessOf(model, true, from, !times.empty());
    } catch (const NeedsTimeBound& e) {
        if (times.empty()) throw std::invalid_argument(e.what());
        GsmsReliability result = refined<GsmsReliability>(
            model, true, times, from, tolerance, e.what(), secondsSince(start),
            [&](const GsmsProcess& process, GsmsReliability& r) { return boundedReliability(process, times, r); });
        result.mttf = result.neverFails = result.mttfGivenFailure = std::numeric_limits<double>::quiet_NaN();
        result.notComputed = "The mean time to failure is not computed" + noLongRun(times, "it");
        return result;
    }
    const GsmsProcess& process = *exact;
    const measures::ExactKernel kernel = measured(process, [&] { return measures::ExactKernel(process.model); });
    const measures::TimeToFailure failure =
        measured(process, [&] { return measures::timeToFailure(process.model, kernel); });
    GsmsReliability result;
    result.mttf = failure.mean;
    result.neverFails = failure.neverFails;
    result.mttfGivenFailure = failure.meanGivenFailure;
    if (!times.empty()) {
        measures::FailureCurve curve =
            measured(process, [&] { return measures::failureProbability(process.model, kernel, times); });
        result.failure = std::move(curve.failure);
        result.reliability = std::move(curve.reliability);
    }
    result.errorBound.assign(times.size(), 0.0);
    return result;
}

GsmsKernel kernelOf(const Gsms& model, const std::vector<Rational>& times) {
    measures::checkTimes(times);
    const GsmsProcess process = walkedProcess(model, false);
    GsmsKernel result;
    for (const measures::NamedState& state : process.model.states) result.names.push_back(state.name);
    measures::KernelValues values = measured(process, [&] { return measures::kernelValues(process.model, times); });
    result.values = std::move(values.values);
    result.timeScale = values.timeScale;
    result.gsmsIndex = process.gsmsIndex;
    return result;
}

namespace {

// The state probabilities and A of a process with an unresolved state; the unresolved state's
// own probability is the error bound. It counts as up in the process, so A is taken without it.
std::vector<double> boundedAvailability(const GsmsProcess& process, const std::vector<Rational>& times,
                                        std::size_t stateCount, GsmsAvailability& result) {
    const measures::ExactKernel kernel = measured(process, [&] { return measures::ExactKernel(process.model); });
    measures::TransientProbabilities transient =
        measured(process, [&] { return measures::transientProbabilities(process.model, kernel, times); });
    std::vector<double> bound = transient.states.size() > stateCount ? transient.states[stateCount]
                                                                     : std::vector<double>(times.size(), 0.0);
    transient.states.resize(stateCount);
    result.states = std::move(transient.states);
    result.availability = std::move(transient.availability);
    for (std::size_t k = 0; k < times.size(); ++k)
        result.availability[k] = std::max(0.0, result.availability[k] - bound[k]);
    return bound;
}

}  // namespace

GsmsAvailability availabilityOf(const Gsms& model, const std::vector<Rational>& times,
                                const std::optional<std::string>& from, double tolerance) {
    measures::checkTimes(times);
    std::optional<GsmsProcess> exact;
    const auto start = std::chrono::steady_clock::now();
    try {
        exact = exactProcessOf(model, false, from, !times.empty());
    } catch (const NeedsTimeBound& e) {
        if (times.empty()) throw std::invalid_argument(e.what());
        GsmsAvailability result = refined<GsmsAvailability>(
            model, false, times, from, tolerance, e.what(), secondsSince(start), [&](const GsmsProcess& process, GsmsAvailability& r) {
                return boundedAvailability(process, times, model.stateCount(), r);
            });
        result.steadyAvailability = std::numeric_limits<double>::quiet_NaN();
        result.steadyStates.assign(model.stateCount(), std::numeric_limits<double>::quiet_NaN());
        result.notComputed = "The long-run values are not computed" + noLongRun(times, "them");
        return result;
    }
    const GsmsProcess& process = *exact;
    const measures::ExactKernel kernel = measured(process, [&] { return measures::ExactKernel(process.model); });
    const measures::SteadyState steady = measured(process, [&] { return measures::steadyState(process.model, kernel); });
    GsmsAvailability result;
    result.steadyAvailability = steady.availability;
    result.steadyStates = steady.states;
    result.states.assign(model.stateCount(), {});
    if (!times.empty()) {
        measures::TransientProbabilities transient =
            measured(process, [&] { return measures::transientProbabilities(process.model, kernel, times); });
        result.availability = std::move(transient.availability);
        result.states = std::move(transient.states);
    }
    result.errorBound.assign(times.size(), 0.0);
    return result;
}

Rational timeOfDouble(double time) {
    if (!std::isfinite(time)) throw std::invalid_argument("A time must be a finite number");
    char text[64];
    const auto [end, error] = std::to_chars(text, text + sizeof text, time, std::chars_format::scientific);
    if (error != std::errc()) throw std::logic_error("timeOfDouble: no shortest text");
    // d.ddde[+-]xx: the digits as a whole number, scaled by 10 to the exponent minus the
    // number of digits after the point.
    const std::string written(text, end);
    const std::size_t e = written.find('e');
    std::string digits;
    int after = 0;
    bool point = false;
    for (std::size_t i = 0; i < e; ++i) {
        const char c = written[i];
        if (c == '.') {
            point = true;
        } else {
            digits += c;
            if (point && c != '-') ++after;
        }
    }
    const int exponent = std::stoi(written.substr(e + 1)) - after;
    Rational value = parseRational(digits);
    const Rational ten(10);
    for (int k = 0; k < std::abs(exponent); ++k) {
        if (exponent > 0)
            value *= ten;
        else
            value /= ten;
    }
    return value;
}

}  // namespace drova::rel
