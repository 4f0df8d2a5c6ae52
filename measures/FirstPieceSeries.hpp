#pragma once
// The solution of a Markov renewal equation X = B + dQ * X (RenewalSolver) by its Taylor series
// at 0, for the times before the first instant at which any kernel entry or forcing changes its
// expression.
//
// There every Q_ij and B_i is one expolynomial, an entire function, and so is X. With x_k, b_k
// and Q^(k) the k-th derivatives at 0, and no transition taking no time (Q(0) = 0),
//   x_0 = b_0,   x_k = b_k + sum over a = 0 .. k - 1 of Q^(a + 1) x_(k - 1 - a),
// since the convolution of t^a / a! and t^b / b! is t^(a + b + 1) / (a + b + 1)!. The series is
// summed in 50-digit arithmetic. Unlike the cell polynomials, whose error is a small fraction of
// the values across a whole cell, it keeps the relative accuracy of a value that is tiny because
// t is: F(1e-9) of a unit failing at rate 1 is 9.999999995e-10, and 16 units failing at 1/1000
// each have F(12) = (1 - e^(-0.012))^16 to all printed digits.
//
// It is used where it is cheap and sure: rho t <= 20 for the largest |rate| rho of those first
// pieces (the terms then cancel by at most e^40, leaving over 30 digits), at most 400 terms, and
// an equation of at most MaximumSeriesWork products of terms and kernel entries, and of
// MaximumExactDerivatives exact derivative terms.

#include "algebra/Rational.hpp"
#include "measures/RenewalSolver.hpp"

#include <cstddef>
#include <optional>
#include <vector>

namespace drova::measures {

inline constexpr std::size_t MaximumSeriesWork = 20'000'000;
// The most terms of exact derivatives (k-th derivative of one term of one first piece).
inline constexpr std::size_t MaximumExactDerivatives = 200'000;

// result[k]: X_row(times[k]) (all columns) where the series applies at times[k], none elsewhere.
std::vector<std::optional<std::vector<double>>> solveByFirstPieceSeries(const RenewalEquation& equation,
                                                                        std::size_t row,
                                                                        const std::vector<Rational>& times);

}  // namespace drova::measures
