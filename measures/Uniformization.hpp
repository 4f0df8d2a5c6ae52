#pragma once
// Transient probabilities of a continuous-time Markov chain by uniformization, for the models
// whose every timer is exponential: then each SMS state i is left at a rate q_i, to j with
// probability p_ij, and the kernel is Q_ij(t) = p_ij (1 - e^(-q_i t)).
//
// With Lambda >= every q_i and the stochastic matrix U = I + G / Lambda (G the generator), the
// distribution at time t starting in state s is
//   pi(t) = sum over k >= 0 of w_k(Lambda t) e_s U^k,   w_k(a) = e^(-a) a^k / k!,
// a sum of non-negative vectors with non-negative weights. Nothing cancels, so every state
// probability, and every sum of them (the failure probability, the unavailability), keeps its
// relative accuracy however small it is: F(1e-9) of a unit failing at rate 1 comes out as
// 9.999999995e-10. Each step is one product with the sparse U, so a time costs about
// Lambda t + 12 sqrt(Lambda t) products of the number of transitions.
//
// The weights are computed from the mode of the Poisson distribution outwards and normalised
// (Fox and Glynn), without underflow for any Lambda t. The series is cut where the weights left
// out add up to at most 1e-15 of each watched sum (or to 1e-300 while that sum is still 0); those
// left out before the first term kept are each below 1e-300 of the largest, so even a
// probability that only the first steps carry (staying in the initial state, e^(-Lambda t)) is
// kept down to about 1e-300. The rounding of the
// products adds at most 2 units of double rounding per step, relative, to each probability
// (all terms are non-negative), which in practice grows as the square root of the steps.

#include <cstddef>
#include <optional>
#include <vector>

namespace drova::measures {

struct MarkovChain {
    // (source, rate) of the transitions into each state.
    std::vector<std::vector<std::pair<std::size_t, double>>> incoming;
    // The total rate out of each state, including what is lost (leaves every state).
    std::vector<double> exitRate;

    std::size_t size() const { return exitRate.size(); }
};

// The largest product of the fastest exit rate and a time: the series takes about that many
// steps, and its Poisson weights about 37 times its square root (beyond 10^8 they would take
// gigabytes, the steps hours).
inline constexpr double MaximumUniformizationSteps = 1e8;

// result[k][i] = P(in state i at times[k] | in `start` at time 0). `watched`: groups of states
// whose total probability must keep its relative accuracy (the series runs until the weights
// left out are small against each); each group should be reachable from `start`.
// Throws std::invalid_argument when a time takes more than MaximumUniformizationSteps steps.
std::vector<std::vector<double>> uniformizedDistribution(const MarkovChain& chain, std::size_t start,
                                                         const std::vector<double>& times,
                                                         const std::vector<std::vector<std::size_t>>& watched);

}  // namespace drova::measures
