#pragma once
// The failure probability F(t) = P(a down state has been entered by time t) and the reliability
// R(t) = 1 - F(t), the down states being absorbing.
//
// Both solve Markov renewal equations over the up states that may fail (RenewalSolver):
//   F_i(t) = sum_(j down) Q_ij(t) + sum_j (dQ_ij * F_j)(t),
//   R_i(t) = 1 - sum_(j down or may fail) Q_ij(t) + sum_j (dQ_ij * R_j)(t),
// R's forcing being the probability of still being in i, or of having moved to a state from which
// no failure is possible, or lost. Solving for R itself, rather than taking 1 - F, keeps its
// relative accuracy when it is small (long missions), as solving for F keeps F's when F is small
// (short missions). Before the earliest instant at which a down state can be entered (exact, from
// the kernel's supports) F is exactly 0 and R exactly 1.

#include "algebra/Rational.hpp"
#include "measures/ExactKernel.hpp"
#include "measures/SemiMarkovModel.hpp"

#include <cstddef>
#include <optional>
#include <vector>

namespace drova::measures {

struct FailureCurve {
    // F(times[k]) and R(times[k]), each within [0, 1].
    std::vector<double> failure;
    std::vector<double> reliability;
    // No down state can have been entered before this instant.
    Rational earliestFailure;
};

// F and R at the given times (any order, each >= 0), starting in `from` (by default the initial
// state) at time 0. Throws std::invalid_argument when no down state can be entered, a time is
// negative, or the model is malformed.
FailureCurve failureProbability(const SemiMarkovModel& model, const std::vector<Rational>& times,
                                std::optional<std::size_t> from = std::nullopt);
// The same with the model's kernel already converted (it must be the model's).
FailureCurve failureProbability(const SemiMarkovModel& model, const ExactKernel& kernel,
                                const std::vector<Rational>& times, std::optional<std::size_t> from = std::nullopt);

}  // namespace drova::measures
