#include "measures/SteadyState.hpp"

#include "measures/ExactKernel.hpp"
#include "measures/HighPrecision.hpp"
#include "measures/Occupancy.hpp"
#include "measures/SparseElimination.hpp"

#include <limits>
#include <map>
#include <optional>
#include <stdexcept>

namespace drova::measures {

namespace {

std::string listOfStates(const SemiMarkovModel& model, const std::vector<std::size_t>& states) {
    std::string text = "{";
    for (std::size_t k = 0; k < states.size(); ++k) text += (k ? ", " : "") + model.states[states[k]].name;
    return text + "}";
}

void checkEveryStateIsLeft(const SemiMarkovModel& model, const ExactKernel& kernel, const std::vector<bool>& reachable) {
    for (std::size_t i = 0; i < kernel.size(); ++i) {
        if (!reachable[i]) continue;
        if (kernel.neverLeft(i)) {
            if (showsDownState(model, i)) checkDownStatesAreLeft(model, kernel, reachable);
            throw std::invalid_argument("The " + describeState(model, i) +
                                        " is never left once entered, so the process has no steady state");
        }
        if (kernel.losesProbability(i))
            throw std::invalid_argument("The kernel row of " + describeState(model, i) + " sums to " +
                                        std::to_string(kernel.rowSum(i).toDouble()) +
                                        " at infinity: probability is lost, so the process has no steady state");
    }
}

// The stationary vector of P on `states` (a closed class): nu P = nu, sum nu = 1, by elimination
// without subtraction (SparseElimination), so every component keeps its relative accuracy however
// rarely its state is visited.
HighPrecisionVector stationaryVector(const ExactKernel& kernel, const std::vector<std::size_t>& states) {
    std::vector<std::size_t> position(kernel.size(), states.size());
    for (std::size_t r = 0; r < states.size(); ++r) position[states[r]] = r;
    SubstochasticSystem system(states.size());
    for (std::size_t r = 0; r < states.size(); ++r)
        for (const KernelEntry& entry : kernel.row(states[r]))
            if (position[entry.target] < states.size())
                system.addTransition(r, position[entry.target], entry.limit.toLongDouble());
    const std::vector<long double> nu = system.stationary();
    HighPrecisionVector result(static_cast<Eigen::Index>(states.size()));
    for (std::size_t r = 0; r < states.size(); ++r) result[static_cast<Eigen::Index>(r)] = HighPrecision(nu[r]);
    return result;
}

SteadyState steadyStateFrom(const SemiMarkovModel& model, const ExactKernel& kernel, std::size_t initial);

// The long run of a process that some up states, once entered, never leave: the process ends in
// one of the closed classes of its embedded chain, each with its absorption probability, and the
// long-run fractions are those of each class weighted by it. A state never left spends the rest of
// time as its occupancy settles (the limit of E_is as t grows).
SteadyState absorbedSteadyState(const SemiMarkovModel& model, const ExactKernel& kernel,
                                const std::vector<bool>& reachable) {
    const std::size_t n = kernel.size();
    const std::size_t m = model.gsmsStates.size();
    checkDownStatesAreLeft(model, kernel, reachable);
    const std::vector<std::vector<std::size_t>> classes = closedClasses(kernel.successors(), reachable);
    std::vector<std::size_t> classOf(n, classes.size());
    for (std::size_t c = 0; c < classes.size(); ++c)
        for (std::size_t i : classes[c]) classOf[i] = c;
    std::vector<std::size_t> transient, position(n, n);
    for (std::size_t i = 0; i < n; ++i) {
        if (!reachable[i] || classOf[i] < classes.size()) continue;
        if (kernel.losesProbability(i))
            throw std::invalid_argument("The kernel row of " + describeState(model, i) + " sums to " +
                                        std::to_string(kernel.rowSum(i).toDouble()) +
                                        " at infinity: probability is lost, so the process has no steady state");
        position[i] = transient.size();
        transient.push_back(i);
    }
    // The probability of ending in each class, starting in the initial state.
    std::vector<long double> absorbed(classes.size(), 0);
    if (classOf[model.initialState] < classes.size()) {
        absorbed[classOf[model.initialState]] = 1;
    } else {
        SubstochasticSystem system(transient.size());
        std::vector<std::vector<long double>> columns(classes.size(), std::vector<long double>(transient.size(), 0));
        for (std::size_t r = 0; r < transient.size(); ++r) {
            ExactValue exit;
            for (const KernelEntry& entry : kernel.row(transient[r])) {
                if (position[entry.target] < n) {
                    system.addTransition(r, position[entry.target], entry.limit.toLongDouble());
                } else {
                    exit += entry.limit;
                    columns[classOf[entry.target]][r] += entry.limit.toLongDouble();
                }
            }
            system.setExit(r, exit.toLongDouble());
        }
        const std::vector<std::vector<long double>> solved = system.solve(columns);
        for (std::size_t c = 0; c < classes.size(); ++c) absorbed[c] = solved[c][position[model.initialState]];
    }
    SteadyState result;
    result.embedded.assign(n, 0.0);
    result.meanSojourn.assign(n, std::numeric_limits<double>::quiet_NaN());
    result.smsTimeFractions.assign(n, 0.0);
    result.states.assign(m, 0.0);
    for (std::size_t c = 0; c < classes.size(); ++c) {
        const long double weight = absorbed[c];
        if (weight == 0) continue;
        const std::size_t first = classes[c].front();
        if (classes[c].size() == 1 && kernel.neverLeft(first)) {
            result.embedded[first] = static_cast<double>(weight);
            result.meanSojourn[first] = std::numeric_limits<double>::infinity();
            result.smsTimeFractions[first] = static_cast<double>(weight);
            if (m == 0) (model.states[first].down ? result.unavailability : result.availability) += static_cast<double>(weight);
            for (const auto& [s, expression] : m > 0 ? model.occupancy[first].entries()
                                                     : std::map<std::size_t, Expolynomial>()) {
                const std::string what = "The occupancy of " + describeState(model, first) + " in GSMS state " +
                                         model.gsmsStates[s].name;
                const std::optional<ExactValue> limit =
                    PiecewiseExpolynomial::fromExpolynomial(expression, what).limitAtInfinity();
                if (!limit) throw std::invalid_argument(what + " does not settle as t grows, so it has no long run");
                result.states[s] += static_cast<double>(weight * limit->toLongDouble());
            }
            continue;
        }
        const SteadyState inner = steadyStateFrom(model, kernel, first);
        for (std::size_t i : classes[c]) {
            result.embedded[i] = static_cast<double>(weight * inner.embedded[i]);
            result.meanSojourn[i] = inner.meanSojourn[i];
            result.smsTimeFractions[i] = static_cast<double>(weight * inner.smsTimeFractions[i]);
        }
        for (std::size_t s = 0; s < m; ++s) result.states[s] += static_cast<double>(weight * inner.states[s]);
        if (m == 0) {
            result.availability += static_cast<double>(weight * inner.availability);
            result.unavailability += static_cast<double>(weight * inner.unavailability);
        }
    }
    if (m > 0)
        for (std::size_t s = 0; s < m; ++s) (model.gsmsStates[s].down ? result.unavailability : result.availability) += result.states[s];
    return result;
}

}  // namespace

SteadyState steadyState(const SemiMarkovModel& model) { return steadyState(model, ExactKernel(model)); }

SteadyState steadyState(const SemiMarkovModel& model, const ExactKernel& kernel) {
    const std::vector<bool> reachable = reachableFrom(kernel.successors(), model.initialState);
    for (std::size_t i = 0; i < kernel.size(); ++i)
        if (reachable[i] && kernel.neverLeft(i) && !showsDownState(model, i))
            return absorbedSteadyState(model, kernel, reachable);
    return steadyStateFrom(model, kernel, model.initialState);
}

namespace {

SteadyState steadyStateFrom(const SemiMarkovModel& model, const ExactKernel& kernel, std::size_t initial) {
    const std::size_t n = kernel.size();
    const std::size_t m = model.gsmsStates.size();
    const std::vector<bool> reachable = reachableFrom(kernel.successors(), initial);
    checkEveryStateIsLeft(model, kernel, reachable);
    const std::vector<std::vector<std::size_t>> classes = closedClasses(kernel.successors(), reachable);
    if (classes.size() != 1) {
        std::string list;
        for (std::size_t k = 0; k < classes.size(); ++k) list += (k ? " and " : "") + listOfStates(model, classes[k]);
        throw std::invalid_argument("The embedded chain has " + std::to_string(classes.size()) +
                                    " closed classes that can be entered from the initial state (" + list +
                                    "): the long run depends on which is entered, so there is no unique steady state");
    }
    const std::vector<std::size_t>& closed = classes.front();
    std::vector<bool> inClass(n, false);
    for (std::size_t i : closed) inClass[i] = true;
    if (m > 0) checkOccupancyAddsUp(model, kernel, inClass);

    const HighPrecisionVector nu = stationaryVector(kernel, closed);
    std::vector<HighPrecision> sojourn(closed.size());
    HighPrecision cycleTime = 0;
    for (std::size_t r = 0; r < closed.size(); ++r) {
        ExactValue tau;
        for (const KernelEntry& entry : kernel.row(closed[r])) tau += kernel.partialMean(closed[r], entry.target);
        sojourn[r] = tau.approximate();
        cycleTime += nu[static_cast<Eigen::Index>(r)] * sojourn[r];
    }

    SteadyState result;
    result.embedded.assign(n, 0.0);
    result.meanSojourn.assign(n, std::numeric_limits<double>::quiet_NaN());
    result.smsTimeFractions.assign(n, 0.0);
    HighPrecision upTime = 0, downTime = 0;
    for (std::size_t r = 0; r < closed.size(); ++r) {
        const std::size_t i = closed[r];
        const HighPrecision weight = nu[static_cast<Eigen::Index>(r)];
        result.embedded[i] = weight.convert_to<double>();
        result.meanSojourn[i] = sojourn[r].convert_to<double>();
        result.smsTimeFractions[i] = (weight * sojourn[r] / cycleTime).convert_to<double>();
        if (m == 0) (model.states[i].down ? downTime : upTime) += weight * sojourn[r];
    }
    if (m > 0) {
        std::vector<HighPrecision> stateTime(m, HighPrecision(0));
        for (std::size_t r = 0; r < closed.size(); ++r)
            for (const auto& [s, expression] : model.occupancy[closed[r]].entries()) {
                const std::string what = "The occupancy of " + describeState(model, closed[r]) + " in GSMS state " +
                                         model.gsmsStates[s].name;
                const PiecewiseExpolynomial occupancy = PiecewiseExpolynomial::fromExpolynomial(expression, what);
                if (occupancy.isZero()) continue;
                const std::optional<ExactValue> eta = occupancy.integralToInfinity();
                if (!eta) throw std::invalid_argument(what + " does not vanish as t grows");
                stateTime[s] += nu[static_cast<Eigen::Index>(r)] * eta->approximate();
            }
        for (std::size_t s = 0; s < m; ++s) {
            result.states.push_back((stateTime[s] / cycleTime).convert_to<double>());
            (model.gsmsStates[s].down ? downTime : upTime) += stateTime[s];
        }
    }
    result.availability = (upTime / cycleTime).convert_to<double>();
    result.unavailability = (downTime / cycleTime).convert_to<double>();
    return result;
}

}  // namespace

}  // namespace drova::measures
