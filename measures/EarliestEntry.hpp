#pragma once
// The earliest instants at which states can be entered: before them the probabilities that
// depend on those states are exactly 0, whatever the numerical method gives.

#include "algebra/Rational.hpp"
#include "measures/ExactKernel.hpp"

#include <optional>
#include <vector>

namespace drova::measures {

// earliest[j] = the infimum of the instants at which SMS state j can be entered, having entered
// `start` at time 0 (0 for start itself; none for states that cannot be entered). A transition
// i -> j takes at least the first instant at which Q_ij is not zero; paths pass only through
// states with passable[i] true. Exact (shortest paths over rational delays).
std::vector<std::optional<Rational>> earliestEntry(const ExactKernel& kernel, std::size_t start,
                                                   const std::vector<bool>& passable);

}  // namespace drova::measures
