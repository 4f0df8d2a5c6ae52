#include "measures/SteadyState.hpp"

#include "measures/ExactKernel.hpp"
#include "measures/HighPrecision.hpp"
#include "measures/Occupancy.hpp"
#include "measures/SparseElimination.hpp"

#include <limits>
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

}  // namespace

SteadyState steadyState(const SemiMarkovModel& model) { return steadyState(model, ExactKernel(model)); }

SteadyState steadyState(const SemiMarkovModel& model, const ExactKernel& kernel) {
    const std::size_t n = kernel.size();
    const std::size_t m = model.gsmsStates.size();
    const std::vector<bool> reachable = reachableFrom(kernel.successors(), model.initialState);
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

}  // namespace drova::measures
