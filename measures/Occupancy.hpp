#pragma once
// The occupancy side of a SemiMarkovModel: how each sojourn is spent in the GSMS states, and the
// checks that the availability measures need of it.

#include "algebra/Expolynomial.hpp"
#include "measures/ExactKernel.hpp"
#include "measures/SemiMarkovModel.hpp"

#include <cstddef>
#include <vector>

namespace drova::measures {

// sum over the GSMS states s with down flag `down` of occupancy[i][s].
Expolynomial occupancyOf(const SemiMarkovModel& model, std::size_t i, bool down);

// Whether SMS state i can be seen in a down state: flagged down itself, or with a down GSMS state
// in its occupancy.
bool showsDownState(const SemiMarkovModel& model, std::size_t i);

// For every state i with considered[i] true whose kernel row loses no probability: the occupancy
// must add up to the probability of not having left i, sum_s E_is(t) = 1 - sum_j Q_ij(t), exactly.
// Throws std::invalid_argument naming the first state where it does not.
void checkOccupancyAddsUp(const SemiMarkovModel& model, const ExactKernel& kernel, const std::vector<bool>& considered);

// Availability needs repair: throws std::invalid_argument when a state with considered[i] true is
// never left and shows a down state.
void checkDownStatesAreLeft(const SemiMarkovModel& model, const ExactKernel& kernel,
                            const std::vector<bool>& considered);

}  // namespace drova::measures
