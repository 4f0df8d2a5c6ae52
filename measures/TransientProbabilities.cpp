#include "measures/TransientProbabilities.hpp"

#include "measures/AtTimeZero.hpp"
#include "measures/EarliestEntry.hpp"
#include "measures/ExactKernel.hpp"
#include "measures/FirstPassage.hpp"
#include "measures/FirstPieceSeries.hpp"
#include "measures/MarkovianKernel.hpp"
#include "measures/Occupancy.hpp"
#include "measures/RenewalSolver.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace drova::measures {

namespace {

// The probabilities by uniformization when every state that can be entered has an exponential
// sojourn spent in one GSMS state; none otherwise.
std::optional<TransientProbabilities> markovianTransient(const SemiMarkovModel& model, const ExactKernel& kernel,
                                                         const std::vector<std::size_t>& states, std::size_t start,
                                                         const std::vector<Rational>& times) {
    const std::size_t m = model.gsmsStates.size();
    std::vector<Rational> rates(states.size());
    std::vector<std::size_t> shown(states.size());  // the GSMS state of each sojourn
    for (std::size_t r = 0; r < states.size(); ++r) {
        const std::size_t i = states[r];
        const std::optional<Rational> rate = exponentialSojournRate(kernel, i);
        if (!rate) return std::nullopt;
        rates[r] = *rate;
        std::optional<std::size_t> only;
        for (const auto& [s, occupancy] : model.occupancy[i].entries()) {
            if (occupancy.isZero()) continue;
            if (only) return std::nullopt;
            const PiecewiseExpolynomial f = PiecewiseExpolynomial::fromExpolynomial(
                occupancy, "The occupancy of " + describeState(model, i) + " in GSMS state " + model.gsmsStates[s].name);
            if (!isExponentialSurvival(f, *rate)) return std::nullopt;
            only = s;
        }
        if (!only) return std::nullopt;
        shown[r] = *only;
    }
    const MarkovChain chain = markovChainOf(kernel, states, rates, std::vector<bool>(states.size(), false));
    std::vector<std::size_t> up, down;
    for (std::size_t r = 0; r < states.size(); ++r) (model.gsmsStates[shown[r]].down ? down : up).push_back(r);
    std::vector<std::vector<std::size_t>> watched;
    if (!up.empty()) watched.push_back(up);
    if (!down.empty()) watched.push_back(down);
    std::vector<double> at;
    for (const Rational& t : times) at.push_back(t.convert_to<double>());
    const std::size_t from = std::find(states.begin(), states.end(), start) - states.begin();
    const std::vector<std::vector<double>> distribution = uniformizedDistribution(chain, from, at, watched);

    TransientProbabilities result;
    result.states.assign(m, std::vector<double>(times.size(), 0.0));
    result.availability.assign(times.size(), 0.0);
    result.unavailability.assign(times.size(), 0.0);
    for (std::size_t k = 0; k < times.size(); ++k) {
        for (std::size_t r = 0; r < states.size(); ++r) result.states[shown[r]][k] += distribution[k][r];
        for (std::size_t r : up) result.availability[k] += distribution[k][r];
        for (std::size_t r : down) result.unavailability[k] += distribution[k][r];
        for (std::size_t s = 0; s < m; ++s) result.states[s][k] = std::clamp(result.states[s][k], 0.0, 1.0);
        result.availability[k] = std::clamp(result.availability[k], 0.0, 1.0);
        result.unavailability[k] = std::clamp(result.unavailability[k], 0.0, 1.0);
    }
    return result;
}

}  // namespace

TransientProbabilities transientProbabilities(const SemiMarkovModel& model, const std::vector<Rational>& times) {
    checkTimes(times);
    return transientProbabilities(model, ExactKernel(model), times);
}

TransientProbabilities transientProbabilities(const SemiMarkovModel& model, const ExactKernel& kernel,
                                              const std::vector<Rational>& times) {
    return transientProbabilities(model, kernel, times, RenewalForm::Automatic);
}

TransientProbabilities transientProbabilities(const SemiMarkovModel& model, const ExactKernel& kernel,
                                              const std::vector<Rational>& times, RenewalForm form) {
    checkTimes(times);
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
    std::vector<std::size_t> position(n, n);
    for (std::size_t i = 0; i < n; ++i)
        if (reachable[i]) {
            position[i] = unknowns.size();
            unknowns.push_back(i);
        }
    if (std::optional<TransientProbabilities> markovian = markovianTransient(model, kernel, unknowns, start, times))
        return std::move(*markovian);

    // Only the GSMS states that some sojourn can show get a column of their own; the others are
    // never occupied.
    std::vector<bool> isShown(m, false);
    for (std::size_t i : unknowns)
        for (const auto& [s, occupancy] : model.occupancy[i].entries())
            if (!occupancy.isZero()) isShown[s] = true;
    std::vector<std::size_t> shown;
    for (std::size_t s = 0; s < m; ++s)
        if (isShown[s]) shown.push_back(s);
    const std::size_t shownCount = shown.size();

    RenewalEquation equation;
    for (std::size_t u = 0; u < unknowns.size(); ++u) {
        const std::size_t i = unknowns[u];
        for (const KernelEntry& entry : kernel.row(i))
            if (position[entry.target] < n) equation.kernel.push_back({u, position[entry.target], &entry.function});
        std::vector<PiecewiseExpolynomial> forcing;
        const std::string state = describeState(model, i);
        for (std::size_t s : shown)
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
    const std::size_t columns = shownCount + 2;
    if (form == RenewalForm::Automatic)
        form = columns > BackwardColumns ? RenewalForm::Forward : RenewalForm::Backward;
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

    // Before any kernel entry or occupancy changes its expression the Taylor series keeps a small
    // probability's relative accuracy (the unavailability at small t); the cells take the rest.
    const std::vector<std::optional<std::vector<double>>> early =
        solveByFirstPieceSeries(equation, position[start], times);
    std::vector<Rational> later;
    for (std::size_t k = 0; k < times.size(); ++k)
        if (!early[k]) later.push_back(times[k]);
    const std::vector<std::vector<double>> cells = form == RenewalForm::Forward
                                                       ? solveForwardFrom(equation, position[start], later)
                                                       : solveRenewalEquation(equation, position[start], later);
    std::vector<std::vector<double>> values;
    for (std::size_t k = 0, l = 0; k < times.size(); ++k) values.push_back(early[k] ? *early[k] : cells[l++]);
    std::vector<std::vector<double>> byColumn(columns, std::vector<double>(times.size(), 0.0));
    for (std::size_t k = 0; k < times.size(); ++k)
        for (std::size_t c = 0; c < columns; ++c)
            if (everPossible[c] && times[k] >= *firstPossible[c]) byColumn[c][k] = std::clamp(values[k][c], 0.0, 1.0);

    // At t = 0 only the transitions that take no time count: solved for exactly.
    if (std::find(times.begin(), times.end(), Rational(0)) != times.end()) {
        std::vector<std::vector<ExactValue>> forcingAtZero(unknowns.size());
        for (std::size_t u = 0; u < unknowns.size(); ++u)
            for (const PiecewiseExpolynomial& f : equation.forcing[u]) forcingAtZero[u].push_back(valueAtZero(f));
        const std::vector<double> atZero = solutionAtZero(kernel, unknowns, position, forcingAtZero)[position[start]];
        for (std::size_t k = 0; k < times.size(); ++k)
            if (times[k] == 0)
                for (std::size_t c = 0; c < columns; ++c) byColumn[c][k] = std::clamp(atZero[c], 0.0, 1.0);
    }

    TransientProbabilities result;
    result.unavailability = std::move(byColumn[shownCount + 1]);
    result.availability = std::move(byColumn[shownCount]);
    result.states.assign(m, std::vector<double>(times.size(), 0.0));
    for (std::size_t c = 0; c < shownCount; ++c) result.states[shown[c]] = std::move(byColumn[c]);
    return result;
}

}  // namespace drova::measures
