#include "measures/FailureProbability.hpp"

#include "measures/AtTimeZero.hpp"
#include "measures/EarliestEntry.hpp"
#include "measures/ExactKernel.hpp"
#include "measures/FirstPassage.hpp"
#include "measures/FirstPieceSeries.hpp"
#include "measures/MarkovianKernel.hpp"
#include "measures/RenewalSolver.hpp"

#include <utility>
#include <algorithm>

namespace drova::measures {

namespace {

std::string entryName(const char* function, std::size_t i) {
    return std::string(function) + " of state " + std::to_string(i);
}

// F and R at the times when every state that may fail has an exponential sojourn: by
// uniformization of the chain over the `entered` states, the others absorbing. None otherwise.
std::optional<std::vector<std::pair<double, double>>> markovianFailure(const ExactKernel& kernel,
                                                                       const FirstPassage& passage,
                                                                       const std::vector<std::size_t>& entered,
                                                                       std::size_t start,
                                                                       const std::vector<Rational>& times) {
    std::vector<Rational> rates(entered.size());
    std::vector<bool> absorbing(entered.size());
    std::vector<std::size_t> down, up;
    for (std::size_t r = 0; r < entered.size(); ++r) {
        const std::size_t i = entered[r];
        absorbing[r] = !passage.mayFail[i];
        (passage.down[i] ? down : up).push_back(r);
        if (absorbing[r]) continue;
        const std::optional<Rational> rate = exponentialSojournRate(kernel, i);
        if (!rate) return std::nullopt;
        rates[r] = *rate;
    }
    const MarkovChain chain = markovChainOf(kernel, entered, rates, absorbing);
    up.push_back(entered.size());  // what is lost never fails
    std::vector<double> at;
    for (const Rational& t : times) at.push_back(t.convert_to<double>());
    const std::size_t from = std::find(entered.begin(), entered.end(), start) - entered.begin();
    const std::vector<std::vector<double>> distribution = uniformizedDistribution(chain, from, at, {down, up});
    std::vector<std::pair<double, double>> result;
    for (const std::vector<double>& pi : distribution) {
        double failed = 0, surviving = 0;
        for (std::size_t r : down) failed += pi[r];
        for (std::size_t r : up) surviving += pi[r];
        result.emplace_back(failed, surviving);
    }
    return result;
}

}  // namespace

FailureCurve failureProbability(const SemiMarkovModel& model, const std::vector<Rational>& times,
                                std::optional<std::size_t> from) {
    checkTimes(times);
    startingState(model, from);
    return failureProbability(model, ExactKernel(model), times, from);
}

FailureCurve failureProbability(const SemiMarkovModel& model, const ExactKernel& kernel,
                                const std::vector<Rational>& times, std::optional<std::size_t> from) {
    checkTimes(times);
    const std::size_t start = startingState(model, from);
    const FirstPassage passage = analyseFirstPassage(model, kernel, start);
    const std::size_t n = kernel.size();

    FailureCurve curve;
    curve.failure.assign(times.size(), 1.0);
    curve.reliability.assign(times.size(), 0.0);
    if (passage.down[start]) return curve;

    std::vector<bool> up(n);
    for (std::size_t i = 0; i < n; ++i) up[i] = !passage.down[i];
    const std::vector<std::optional<Rational>> earliest = earliestEntry(kernel, start, up);
    std::optional<Rational> earliestFailure;
    for (std::size_t j = 0; j < n; ++j)
        if (passage.down[j] && earliest[j] && (!earliestFailure || *earliest[j] < *earliestFailure))
            earliestFailure = earliest[j];
    curve.earliestFailure = *earliestFailure;

    std::vector<Rational> solved;
    std::vector<std::size_t> positions;
    for (std::size_t k = 0; k < times.size(); ++k) {
        if (times[k] < curve.earliestFailure) {
            curve.failure[k] = 0.0;
            curve.reliability[k] = 1.0;
        } else {
            solved.push_back(times[k]);
            positions.push_back(k);
        }
    }
    if (solved.empty()) return curve;

    // The states that can be entered through up states; those that may fail are left, the
    // others (down, or unable to fail) keep their probability.
    std::vector<std::size_t> entered;
    for (std::size_t i = 0; i < n; ++i)
        if (earliest[i]) entered.push_back(i);
    if (const auto values = markovianFailure(kernel, passage, entered, start, solved)) {
        for (std::size_t k = 0; k < solved.size(); ++k) {
            curve.failure[positions[k]] = std::clamp((*values)[k].first, 0.0, 1.0);
            curve.reliability[positions[k]] = std::clamp((*values)[k].second, 0.0, 1.0);
        }
        return curve;
    }

    // The equations over the states that may fail and can be entered (through up states).
    std::vector<std::size_t> unknowns;
    std::vector<std::size_t> position(n, n);
    for (std::size_t i = 0; i < n; ++i)
        if (passage.mayFail[i] && earliest[i]) {
            position[i] = unknowns.size();
            unknowns.push_back(i);
        }
    RenewalEquation equation;
    for (std::size_t u = 0; u < unknowns.size(); ++u) {
        const std::size_t i = unknowns[u];
        Expolynomial intoDown, intoDownOrFailing;
        for (const KernelEntry& entry : kernel.row(i)) {
            const std::size_t j = entry.target;
            if (position[j] < n) equation.kernel.push_back({u, position[j], &entry.function});
            const Expolynomial& expression = model.kernel[i][j];
            if (passage.down[j]) intoDown = add(std::move(intoDown), expression);
            if (passage.down[j] || passage.mayFail[j]) intoDownOrFailing = add(std::move(intoDownOrFailing), expression);
        }
        const Expolynomial staying = subtract(Expolynomial(Term(Rational(1))), intoDownOrFailing);
        equation.forcing.push_back({PiecewiseExpolynomial::fromExpolynomial(intoDown, entryName("Failure forcing", i)),
                                    PiecewiseExpolynomial::fromExpolynomial(staying, entryName("Survival forcing", i))});
    }

    // Before any kernel entry changes its expression the Taylor series keeps F's relative
    // accuracy at small t; the cells of the renewal solver take the other times.
    const std::vector<std::optional<std::vector<double>>> early =
        solveByFirstPieceSeries(equation, position[start], solved);
    std::vector<Rational> later;
    for (std::size_t k = 0; k < solved.size(); ++k) {
        if (early[k]) {
            curve.failure[positions[k]] = std::clamp((*early[k])[0], 0.0, 1.0);
            curve.reliability[positions[k]] = std::clamp((*early[k])[1], 0.0, 1.0);
        } else {
            later.push_back(solved[k]);
        }
    }
    const std::vector<std::vector<double>> values = solveRenewalEquation(equation, position[start], later);
    for (std::size_t k = 0, l = 0; k < solved.size(); ++k) {
        if (early[k]) continue;
        curve.failure[positions[k]] = std::clamp(values[l][0], 0.0, 1.0);
        curve.reliability[positions[k]] = std::clamp(values[l][1], 0.0, 1.0);
        ++l;
    }
    // At t = 0 only the transitions that take no time count: solved for exactly.
    if (std::find(solved.begin(), solved.end(), Rational(0)) != solved.end()) {
        std::vector<std::vector<ExactValue>> forcingAtZero;
        for (std::size_t u = 0; u < unknowns.size(); ++u)
            forcingAtZero.push_back({valueAtZero(equation.forcing[u][0]), valueAtZero(equation.forcing[u][1])});
        const std::vector<double> atZero = solutionAtZero(kernel, unknowns, position, forcingAtZero)[position[start]];
        for (std::size_t k = 0; k < solved.size(); ++k)
            if (solved[k] == 0) {
                curve.failure[positions[k]] = std::clamp(atZero[0], 0.0, 1.0);
                curve.reliability[positions[k]] = std::clamp(atZero[1], 0.0, 1.0);
            }
    }
    return curve;
}

}  // namespace drova::measures
