#include "measures/FailureProbability.hpp"

#include "measures/EarliestEntry.hpp"
#include "measures/ExactKernel.hpp"
#include "measures/FirstPassage.hpp"
#include "measures/RenewalSolver.hpp"

#include <utility>
#include <algorithm>

namespace drova::measures {

namespace {

std::string entryName(const char* function, std::size_t i) {
    return std::string(function) + " of state " + std::to_string(i);
}

}  // namespace

FailureCurve failureProbability(const SemiMarkovModel& model, const std::vector<Rational>& times,
                                std::optional<std::size_t> from) {
    checkTimes(times);
    const std::size_t start = startingState(model, from);
    const ExactKernel kernel(model);
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

    // The equations over the states that may fail and can be entered (through up states).
    std::vector<std::size_t> unknowns;
    for (std::size_t i = 0; i < n; ++i)
        if (passage.mayFail[i] && earliest[i]) unknowns.push_back(i);
    RenewalEquation equation;
    for (std::size_t i : unknowns) {
        std::vector<const PiecewiseExpolynomial*> row;
        for (std::size_t j : unknowns) row.push_back(&kernel.entry(i, j));
        equation.kernel.push_back(std::move(row));
        Expolynomial intoDown, intoDownOrFailing;
        for (std::size_t j = 0; j < n; ++j) {
            if (passage.down[j]) intoDown = add(std::move(intoDown), model.kernel[i][j]);
            if (passage.down[j] || passage.mayFail[j]) intoDownOrFailing = add(std::move(intoDownOrFailing), model.kernel[i][j]);
        }
        const Expolynomial staying = subtract(Expolynomial(Term(Rational(1))), intoDownOrFailing);
        equation.forcing.push_back({PiecewiseExpolynomial::fromExpolynomial(intoDown, entryName("Failure forcing", i)),
                                    PiecewiseExpolynomial::fromExpolynomial(staying, entryName("Survival forcing", i))});
    }

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
    const std::size_t row = std::find(unknowns.begin(), unknowns.end(), start) - unknowns.begin();
    const std::vector<std::vector<double>> values = solveRenewalEquation(equation, row, solved);
    for (std::size_t k = 0; k < solved.size(); ++k) {
        curve.failure[positions[k]] = std::clamp(values[k][0], 0.0, 1.0);
        curve.reliability[positions[k]] = std::clamp(values[k][1], 0.0, 1.0);
    }
    return curve;
}

}  // namespace drova::measures
