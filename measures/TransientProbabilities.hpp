#pragma once
// The transient state probabilities P_s(t) = P(the process is in GSMS state s at time t) and the
// availability A(t) = sum over the up states of P_s(t), for models with repair.
//
// With E the occupancy matrix, P(t) = E(t) + (dQ * P)(t) is a Markov renewal equation per GSMS
// state (one column each), solved together by RenewalSolver over the SMS states that can be
// entered. The availability and the unavailability U(t) = sum over the down states are solved as
// two more columns, with forcings sum_(s up) E_is and sum_(s down) E_is, so that each keeps its
// relative accuracy when it is small. Before the earliest instant at which a column's states can
// be occupied (exact, from the kernel's and the occupancy's supports) its value is exactly 0.

#include "algebra/Rational.hpp"
#include "measures/ExactKernel.hpp"
#include "measures/SemiMarkovModel.hpp"

#include <vector>

namespace drova::measures {

struct TransientProbabilities {
    // states[s][k] = P_s(times[k]), for the GSMS states in model order.
    std::vector<std::vector<double>> states;
    std::vector<double> availability;
    std::vector<double> unavailability;
};

// The probabilities at the given times (any order, each >= 0), starting in the initial state at
// time 0. All values lie in [0, 1]. When the kernel loses probability, the lost part is in no
// state, so A + U < 1. Throws std::invalid_argument when the model has no occupancy, a down
// state that can be entered is never left, the occupancy does not add up, or a time is negative.
TransientProbabilities transientProbabilities(const SemiMarkovModel& model, const std::vector<Rational>& times);
// The same with the model's kernel already converted (it must be the model's).
TransientProbabilities transientProbabilities(const SemiMarkovModel& model, const ExactKernel& kernel,
                                              const std::vector<Rational>& times);

}  // namespace drova::measures
