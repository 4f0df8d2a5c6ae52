#pragma once
// The time to failure T (the first instant at which a down state is entered) in closed form:
// its mean, and the probability that it is infinite.
//
// With P = Q(infinity) the embedded chain and mu_ij = integral of t dQ_ij(t) (both exact, from the
// kernel's terms), the probabilities a_i of ever failing and the partial means
// w_i = E[T; T < infinity | start in i] solve, over the up states that may fail,
//   (I - P) a = P 1_down,   (I - P) w = mu 1_down + mu a,
// and when failing is certain (a = 1) the mean time to failure m = w solves (I - P) m = tau with
// tau_i the mean sojourn in i. These systems are solved by sparse elimination without subtraction
// (SparseElimination), and the probability of never failing from the exits that do not fail, so
// every result keeps its relative accuracy to a few roundings, small or not.

#include "measures/ExactKernel.hpp"
#include "measures/SemiMarkovModel.hpp"

#include <cstddef>
#include <optional>

namespace drova::measures {

struct TimeToFailure {
    // E[T]: +infinity when neverFails > 0.
    double mean = 0;
    // P(T = infinity): the probability of never entering a down state (lost probability counts
    // as never failing). Exactly 0 when failing is certain.
    double neverFails = 0;
    // E[T | T < infinity]; equal to mean when neverFails is 0.
    double meanGivenFailure = 0;
};

// The time to failure starting in `from` (by default the initial state) at time 0. Throws
// std::invalid_argument when no down state can be entered (see analyseFirstPassage) or the model
// is malformed.
TimeToFailure timeToFailure(const SemiMarkovModel& model, std::optional<std::size_t> from = std::nullopt);
// The same with the model's kernel already converted (it must be the model's).
TimeToFailure timeToFailure(const SemiMarkovModel& model, const ExactKernel& kernel,
                            std::optional<std::size_t> from = std::nullopt);

}  // namespace drova::measures
