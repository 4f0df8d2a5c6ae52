#include "measures/TimeToFailure.hpp"

#include "measures/ExactKernel.hpp"
#include "measures/FirstPassage.hpp"
#include "measures/HighPrecision.hpp"

#include <algorithm>
#include <limits>

namespace drova::measures {

namespace {

// Positions of the states with member[i] true, in index order.
std::vector<std::size_t> membersOf(const std::vector<bool>& member) {
    std::vector<std::size_t> members;
    for (std::size_t i = 0; i < member.size(); ++i)
        if (member[i]) members.push_back(i);
    return members;
}

// I - P restricted to `states`.
HighPrecisionMatrix identityMinusEmbedded(const ExactKernel& kernel, const std::vector<std::size_t>& states) {
    const Eigen::Index size = static_cast<Eigen::Index>(states.size());
    HighPrecisionMatrix matrix = HighPrecisionMatrix::Identity(size, size);
    for (Eigen::Index r = 0; r < size; ++r)
        for (Eigen::Index c = 0; c < size; ++c) matrix(r, c) -= kernel.embedded(states[r], states[c]).approximate();
    return matrix;
}

}  // namespace

TimeToFailure timeToFailure(const SemiMarkovModel& model, std::optional<std::size_t> from) {
    const std::size_t start = startingState(model, from);
    const ExactKernel kernel(model);
    const FirstPassage passage = analyseFirstPassage(model, kernel, start);
    if (passage.down[start]) return TimeToFailure{0, 0, 0};
    const std::size_t n = kernel.size();

    // Absorption probabilities and partial means over the states that may fail; from the others
    // no down state is ever entered (a = 0, w = 0).
    const std::vector<std::size_t> mayFail = membersOf(passage.mayFail);
    const Eigen::Index size = static_cast<Eigen::Index>(mayFail.size());
    const Eigen::FullPivLU<HighPrecisionMatrix> system(identityMinusEmbedded(kernel, mayFail));
    HighPrecisionVector intoDown = HighPrecisionVector::Zero(size);
    for (Eigen::Index r = 0; r < size; ++r)
        for (std::size_t j = 0; j < n; ++j)
            if (passage.down[j]) intoDown[r] += kernel.embedded(mayFail[r], j).approximate();
    const HighPrecisionVector absorption = system.solve(intoDown);

    HighPrecisionVector partialMeanRhs = HighPrecisionVector::Zero(size);
    for (Eigen::Index r = 0; r < size; ++r)
        for (std::size_t j = 0; j < n; ++j) {
            if (passage.down[j]) {
                partialMeanRhs[r] += kernel.partialMean(mayFail[r], j).approximate();
            } else if (passage.mayFail[j]) {
                const auto column = std::find(mayFail.begin(), mayFail.end(), j) - mayFail.begin();
                partialMeanRhs[r] += kernel.partialMean(mayFail[r], j).approximate() * absorption[column];
            }
        }
    const HighPrecisionVector partialMeans = system.solve(partialMeanRhs);
    const auto position = std::find(mayFail.begin(), mayFail.end(), start) - mayFail.begin();

    TimeToFailure result;
    result.meanGivenFailure = (partialMeans[position] / absorption[position]).convert_to<double>();
    if (!passage.sureToFail[start]) {
        result.neverFails = (1 - absorption[position]).convert_to<double>();
        result.mean = std::numeric_limits<double>::infinity();
        return result;
    }

    // Failing is certain: m = (I - P)^(-1) tau over the states sure to fail, tau_i = sum_j mu_ij.
    const std::vector<std::size_t> sure = membersOf(passage.sureToFail);
    HighPrecisionVector sojourn = HighPrecisionVector::Zero(static_cast<Eigen::Index>(sure.size()));
    for (std::size_t r = 0; r < sure.size(); ++r) {
        ExactValue tau;
        for (std::size_t j : kernel.successors()[sure[r]]) tau += kernel.partialMean(sure[r], j);
        sojourn[static_cast<Eigen::Index>(r)] = tau.approximate();
    }
    const HighPrecisionVector means = identityMinusEmbedded(kernel, sure).fullPivLu().solve(sojourn);
    result.mean = means[std::find(sure.begin(), sure.end(), start) - sure.begin()].convert_to<double>();
    result.neverFails = 0;
    return result;
}

}  // namespace drova::measures
