#pragma once
// The values of a piecewise function at the nodes of successive grid cells.
//
// Each cell lies inside one piece (piece boundaries are grid points). On a piece starting at
// cell L, a term c * w^r * e^(a w) at the node x_i of cell K is c h^r omega^r e^(a h omega) with
// omega = K - L + x_i; e^(a h omega) is taken as e^(a h (K - L)) * e^(a h x_i), so one exponential
// per term and cell suffices. Evaluated in long double; where the terms cancel by more than
// a factor 1000 (1 - e^(-a t) for small t, or the probability that n exponential failures all
// happen by t, which is (a t)^n small while its terms are binomial coefficients), the node's
// value is formed again in 100-digit arithmetic, so that a small value keeps its relative
// accuracy rather than an absolute one of about 1e-19 times the terms.

#include "algebra/Rational.hpp"
#include "measures/CellBasis.hpp"
#include "measures/PiecewiseExpolynomial.hpp"

#include <boost/multiprecision/cpp_bin_float.hpp>

#include <cstddef>
#include <vector>

namespace drova::measures {

class GridSampler {
public:
    GridSampler(const PiecewiseExpolynomial& function, const Rational& h, const CellBasis& basis);

    // The values at the nodes of cell K; cells must be asked for in ascending order.
    void sample(std::size_t cell, std::vector<double>& values);

private:
    struct Term {
        long double coefficient;  // c h^r
        unsigned power;
        long double rate;         // a h
        std::vector<long double> nodeFactors;  // e^(a h x_i)
    };
    using Precise = boost::multiprecision::number<boost::multiprecision::cpp_bin_float<100>>;
    struct PreciseTerm {
        Precise coefficient;  // c h^r
        unsigned power;
        Precise rate;         // a h
    };
    struct SampledPiece {
        std::size_t startCell;
        std::vector<Term> terms;
        std::vector<PreciseTerm> precise;
    };
    // The value at node i of `cell` in 100 digits.
    long double preciseValue(const SampledPiece& piece, std::size_t cell, std::size_t i) const;

    std::vector<SampledPiece> pieces_;
    std::vector<long double> nodes_;
    std::size_t current_ = 0;
    std::vector<long double> sums_;
    std::vector<long double> magnitudes_;
};

}  // namespace drova::measures
