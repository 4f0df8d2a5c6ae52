#pragma once
// The cell length of the renewal-equation solver's grid t_K = K h.
//
// Every instant where a kernel entry or a forcing function changes its analytic expression
// (every piece boundary) must be a grid point: the solution is then analytic inside every cell,
// because its own breakpoints are sums of those instants. So h divides all of them exactly.
// Within that constraint h is made small enough for the exponential rates: with |rate| * h <= 1
// the kernel's functions vary by at most a factor e over a cell (and the solution, whose rates can
// reach twice the kernel's, by e^2), which the 16-node cell polynomials of CellBasis resolve to
// double rounding. The margin is wide: with |rate| * h up to 4 the solution of a stiff chain still
// kept 10 digits at its smallest values.

#include "algebra/Rational.hpp"
#include "measures/PiecewiseExpolynomial.hpp"

#include <vector>

namespace drova::measures {

// The largest |rate| * h allowed.
inline const Rational LargestRateTimesStep{1, 1};

// h = g / m for the rational greatest common divisor g of all piece boundaries and the smallest
// whole m with (largest |rate|) * h <= LargestRateTimesStep. Without boundaries h is that rate
// bound itself, and for functions without rates or boundaries it is max(horizon, 1).
Rational chooseCellLength(const std::vector<const PiecewiseExpolynomial*>& functions, const Rational& horizon);

// The greatest rational g such that a / g and b / g are whole numbers (a, b > 0).
Rational rationalGcd(const Rational& a, const Rational& b);

}  // namespace drova::measures
