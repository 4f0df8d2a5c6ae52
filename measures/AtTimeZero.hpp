#pragma once
// The solution of a Markov renewal equation X(t) = B(t) + (dQ * X)(t) at t = 0 exactly: there
// the convolution keeps only the kernel's jumps at 0 (transitions that take no time), so
//   X(0) = B(0) + Q(0) X(0),
// one linear system over those jumps, solved without subtraction (SparseElimination). The
// numerical solver's cell polynomials would give X(0) only to within rounding of their values
// across the first cell, which is not 0 where X(0) is.

#include "measures/ExactKernel.hpp"

#include <cstddef>
#include <vector>

namespace drova::measures {

// The value at 0 of f (0 for the zero function).
ExactValue valueAtZero(const PiecewiseExpolynomial& f);

// X(0) for the unknowns (kernel states; position[i] their index among them, or unknowns.size()
// for states that are not unknowns), forcing[u][c] = B_(u, c)(0) >= 0: result[u][c].
// std::invalid_argument when a cycle of transitions taking no time returns with probability 1.
std::vector<std::vector<double>> solutionAtZero(const ExactKernel& kernel, const std::vector<std::size_t>& unknowns,
                                                const std::vector<std::size_t>& position,
                                                const std::vector<std::vector<ExactValue>>& forcing);

}  // namespace drova::measures
