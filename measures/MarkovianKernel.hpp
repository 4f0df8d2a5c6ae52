#pragma once
// Whether a state's sojourn is exponential, read off its kernel row: then the process is a
// continuous-time Markov chain there, and the transient measures use uniformization.

#include "algebra/Rational.hpp"
#include "measures/ExactKernel.hpp"
#include "measures/Uniformization.hpp"

#include <cstddef>
#include <optional>
#include <vector>

namespace drova::measures {

// q when every entry of row i is c_j (1 - e^(-q t)) with one rate q > 0 and rational c_j (the
// state is left after an Exp(q) sojourn, to j with probability c_j, and loses 1 - sum c_j);
// 0 for a row without entries (never left); none otherwise.
std::optional<Rational> exponentialSojournRate(const ExactKernel& kernel, std::size_t i);

// Whether f is e^(-q t) for t >= 0 (1 when q = 0).
bool isExponentialSurvival(const PiecewiseExpolynomial& f, const Rational& q);

// The chain over `states` (chain state r is kernel state states[r]), rates q_i c_j, for rows
// that all have exponential sojourns (rates[r] = their q). A row listed as absorbing keeps its
// state: no transitions out. The chain has one more state, the last: where the probability that
// the kernel loses, or that moves to a state outside `states`, goes and stays.
MarkovChain markovChainOf(const ExactKernel& kernel, const std::vector<std::size_t>& states,
                          const std::vector<Rational>& rates, const std::vector<bool>& absorbing);

}  // namespace drova::measures
