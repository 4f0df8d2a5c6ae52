#include "measures/TimeToFailure.hpp"

#include "measures/ExactKernel.hpp"
#include "measures/FirstPassage.hpp"
#include "measures/SparseElimination.hpp"

#include <algorithm>
#include <limits>

namespace drova::measures {

namespace {

constexpr std::size_t NotInSystem = static_cast<std::size_t>(-1);

// Positions of the states with member[i] true, in index order.
std::vector<std::size_t> membersOf(const std::vector<bool>& member) {
    std::vector<std::size_t> members;
    for (std::size_t i = 0; i < member.size(); ++i)
        if (member[i]) members.push_back(i);
    return members;
}

// P restricted to `states`, with each state's exit from them, exact before it is rounded.
SubstochasticSystem embeddedSystem(const ExactKernel& kernel, const std::vector<std::size_t>& states,
                                   const std::vector<std::size_t>& position) {
    SubstochasticSystem system(states.size());
    for (std::size_t r = 0; r < states.size(); ++r) {
        ExactValue exit(Rational(1));
        for (const KernelEntry& entry : kernel.row(states[r])) {
            const std::size_t c = position[entry.target];
            if (c == NotInSystem) continue;
            exit -= entry.limit;
            system.addTransition(r, c, entry.limit.toLongDouble());
        }
        system.setExit(r, exit.toLongDouble());
    }
    return system;
}

std::vector<std::size_t> positionsOf(const std::vector<std::size_t>& states, std::size_t n) {
    std::vector<std::size_t> position(n, NotInSystem);
    for (std::size_t r = 0; r < states.size(); ++r) position[states[r]] = r;
    return position;
}

}  // namespace

TimeToFailure timeToFailure(const SemiMarkovModel& model, std::optional<std::size_t> from) {
    startingState(model, from);
    return timeToFailure(model, ExactKernel(model), from);
}

TimeToFailure timeToFailure(const SemiMarkovModel& model, const ExactKernel& kernel, std::optional<std::size_t> from) {
    const std::size_t start = startingState(model, from);
    const FirstPassage passage = analyseFirstPassage(model, kernel, start);
    if (passage.down[start]) return TimeToFailure{0, 0, 0};
    const std::size_t n = kernel.size();

    // Absorption probabilities and partial means over the states that may fail; from the others
    // no down state is ever entered (a = 0, w = 0). The probability of never failing is solved
    // for by itself, from the exits that do not fail, so that it keeps its digits when small.
    const std::vector<std::size_t> mayFail = membersOf(passage.mayFail);
    const std::vector<std::size_t> position = positionsOf(mayFail, n);
    const SubstochasticSystem system = embeddedSystem(kernel, mayFail, position);
    std::vector<long double> intoDown(mayFail.size(), 0.0L), notFailing(mayFail.size(), 0.0L);
    for (std::size_t r = 0; r < mayFail.size(); ++r) {
        ExactValue down, other(Rational(1));
        for (const KernelEntry& entry : kernel.row(mayFail[r])) {
            if (passage.down[entry.target]) down += entry.limit;
            if (passage.down[entry.target] || position[entry.target] != NotInSystem) other -= entry.limit;
        }
        intoDown[r] = down.toLongDouble();
        notFailing[r] = other.toLongDouble();
    }
    const std::vector<std::vector<long double>> absorbed = system.solve({intoDown, notFailing});
    const std::vector<long double>& absorption = absorbed[0];

    std::vector<long double> partialMeanRhs(mayFail.size(), 0.0L);
    for (std::size_t r = 0; r < mayFail.size(); ++r)
        for (const KernelEntry& entry : kernel.row(mayFail[r])) {
            const std::size_t j = entry.target;
            if (passage.down[j])
                partialMeanRhs[r] += kernel.partialMean(mayFail[r], j).toLongDouble();
            else if (position[j] != NotInSystem)
                partialMeanRhs[r] += kernel.partialMean(mayFail[r], j).toLongDouble() * absorption[position[j]];
        }
    const std::vector<long double> partialMeans = system.solve({partialMeanRhs})[0];
    const std::size_t at = position[start];

    TimeToFailure result;
    result.meanGivenFailure = static_cast<double>(partialMeans[at] / absorption[at]);
    if (!passage.sureToFail[start]) {
        result.neverFails = static_cast<double>(absorbed[1][at]);
        result.mean = std::numeric_limits<double>::infinity();
        return result;
    }

    // Failing is certain: m = (I - P)^(-1) tau over the states sure to fail, tau_i = sum_j mu_ij.
    const std::vector<std::size_t> sure = membersOf(passage.sureToFail);
    const std::vector<std::size_t> surePosition = positionsOf(sure, n);
    std::vector<long double> sojourn(sure.size(), 0.0L);
    for (std::size_t r = 0; r < sure.size(); ++r) {
        ExactValue tau;
        for (const KernelEntry& entry : kernel.row(sure[r])) tau += kernel.partialMean(sure[r], entry.target);
        sojourn[r] = tau.toLongDouble();
    }
    const std::vector<long double> means = embeddedSystem(kernel, sure, surePosition).solve({sojourn})[0];
    result.mean = static_cast<double>(means[surePosition[start]]);
    result.neverFails = 0;
    return result;
}

}  // namespace drova::measures
