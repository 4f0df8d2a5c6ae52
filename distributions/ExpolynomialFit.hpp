#pragma once
// An expolynomial law close to a law without one: a density in polynomial pieces with an
// exponential tail, whose exact answers stand in for those of the law it fits.
//
// The fit interpolates the distribution function F: on each piece [a, b] the fitted G is the
// cubic with G = F and G' = f at both ends (Hermite), so G(a_i) = F(a_i) at every breakpoint and
// the pieces' masses are F's, rounded to 12 decimals; its density is a quadratic on the piece. Where
// that cubic would not be increasing, its end slopes are scaled down (Fritsch and Carlson) so that
// the density stays non-negative; an infinite density at 0 gets the steepest slope allowed. The
// breakpoints are the quantiles at the levels (1 - cos(pi i / N)) / 2 * (1 - 1/1000), dense where
// F bends most at both ends, rounded to multiples of one step (1, 2 or 5 times a power of ten near
// median / (10 N), or half the first breakpoint), so that the exact measures' grid, which holds every breakpoint and every delay
// of the model, stays coarse; beyond the last, an exponential
// tail carries the remaining mass with the law's hazard rate there. The error of a cubic Hermite
// piece falls as the fourth power of its width, so the Kolmogorov distance falls quickly with N.
//
// The distances are measured, not estimated: the Kolmogorov distance is an upper bound from a fine
// grid on which both distribution functions are non-decreasing, so that between two grid points
// |F - G| is at most max(F(x2) - G(x1), G(x2) - F(x1)); beyond the grid, the larger of the two tails.

#include "distributions/ExpolyDensity.hpp"
#include "distributions/SampledLaws.hpp"

#include <memory>

namespace drova {

struct ExpolynomialFit {
    std::unique_ptr<ExpolyDensity> law;
    unsigned pieces = 0;        // polynomial pieces; an exponential tail follows them
    double kolmogorov = 0;      // an upper bound of sup |F - G|
    double totalVariation = 0;  // (1/2) integral |f - g|, by the midpoint rule on the same grid
};

// Throws std::invalid_argument unless 1 <= pieces <= 200.
ExpolynomialFit fitExpolynomial(const SampledLaw& law, unsigned pieces);

}  // namespace drova
