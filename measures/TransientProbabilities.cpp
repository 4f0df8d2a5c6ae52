#include "measures/TransientProbabilities.hpp"

#include "measures/EarliestEntry.hpp"
#include "measures/ExactKernel.hpp"
#include "measures/FirstPassage.hpp"
#include "measures/Occupancy.hpp"
#include "measures/RenewalSolver.hpp"

#include <algorithm>
#include <stdexcept>

namespace drova::measures {

TransientProbabilities transientProbabilities(const SemiMarkovModel& model, const std::vector<Rational>& times) {
    checkTimes(times);
    const ExactKernel kernel(model);
    if (model.gsmsStates.empty())
        throw std::invalid_argument("The model has no GSMS states and occupancy, so its state probabilities and "
                                    "availability cannot be computed");
    const std::size_t n = kernel.size();
    const std::size_t m = model.gsmsStates.size();
    const std::size_t start = model.initialState;
    const std::vector<bool> reachable = reachableFrom(kernel.successors(), start);
    checkDownStatesAreLeft(model, kernel, reachable);
    checkOccupancyAddsUp(model, kernel, reachable);

    // Columns: the m GSMS states, then the availability and the unavailability.
    std::vector<std::size_t> unknowns;
    for (std::size_t i = 0; i < n; ++i)
        if (reachable[i]) unknowns.push_back(i);
    RenewalEquation equation;
    for (std::size_t i : unknowns) {
        std::vector<const PiecewiseExpolynomial*> row;
        for (std::size_t j : unknowns) row.push_back(&kernel.entry(i, j));
        equation.kernel.push_back(std::move(row));
        std::vector<PiecewiseExpolynomial> forcing;
        const std::string state = describeState(model, i);
        for (std::size_t s = 0; s < m; ++s)
            forcing.push_back(PiecewiseExpolynomial::fromExpolynomial(
                model.occupancy[i][s], "The occupancy of " + state + " in GSMS state " + model.gsmsStates[s].name));
        forcing.push_back(PiecewiseExpolynomial::fromExpolynomial(occupancyOf(model, i, false),
                                                                  "The up occupancy of " + state));
        forcing.push_back(PiecewiseExpolynomial::fromExpolynomial(occupancyOf(model, i, true),
                                                                  "The down occupancy of " + state));
        equation.forcing.push_back(std::move(forcing));
    }

    // A column is 0 before the earliest entry into an SMS state plus the earliest instant at
    // which that state's forcing is not 0; never 0 when no such instant exists.
    const std::vector<std::optional<Rational>> earliest = earliestEntry(kernel, start, std::vector<bool>(n, true));
    const std::size_t columns = m + 2;
    std::vector<std::optional<Rational>> firstPossible(columns);
    std::vector<bool> everPossible(columns, false);
    for (std::size_t u = 0; u < unknowns.size(); ++u)
        for (std::size_t c = 0; c < columns; ++c) {
            const std::optional<Rational> first = equation.forcing[u][c].firstNonzeroTime();
            if (!first) continue;
            const Rational possible = *earliest[unknowns[u]] + *first;
            if (!everPossible[c] || possible < *firstPossible[c]) firstPossible[c] = possible;
            everPossible[c] = true;
        }

    const std::size_t row = std::find(unknowns.begin(), unknowns.end(), start) - unknowns.begin();
    const std::vector<std::vector<double>> values = solveRenewalEquation(equation, row, times);
    std::vector<std::vector<double>> byColumn(columns, std::vector<double>(times.size(), 0.0));
    for (std::size_t k = 0; k < times.size(); ++k)
        for (std::size_t c = 0; c < columns; ++c)
            if (everPossible[c] && times[k] >= *firstPossible[c]) byColumn[c][k] = std::clamp(values[k][c], 0.0, 1.0);

    TransientProbabilities result;
    result.unavailability = std::move(byColumn[m + 1]);
    result.availability = std::move(byColumn[m]);
    byColumn.resize(m);
    result.states = std::move(byColumn);
    return result;
}

}  // namespace drova::measures
