#pragma once
// A model whose timers without exact integrals (Weibull, Lognormal, Gamma, Normal) are replaced
// by expolynomial fits (distributions/ExpolynomialFit.hpp), so that it can be solved exactly.

#include "gsms/Gsms.hpp"

#include <cstdint>
#include <string>
#include <vector>

namespace drova {

struct TimerFit {
    std::uint64_t timer = 0;
    std::string law;            // the law fitted, as text
    unsigned pieces = 0;        // polynomial pieces before the exponential tail
    double kolmogorov = 0;      // an upper bound of sup |F - G|
    double totalVariation = 0;
};

struct ApproximatedGsms {
    Gsms model;                 // every other element as in the original
    std::vector<TimerFit> fits; // in timer order; empty when every timer has exact integrals
};

// std::invalid_argument for a number of pieces outside 1 to 200.
ApproximatedGsms approximateGsms(const Gsms& model, unsigned pieces);

}  // namespace drova
