#pragma once
// The transient state probabilities P_s(t) = P(the process is in GSMS state s at time t) and the
// availability A(t) = sum over the up states of P_s(t), for models with repair.
//
// With E the occupancy matrix, P(t) = E(t) + (dQ * P)(t) is a Markov renewal equation per GSMS
// state (one column each) over the SMS states that can be entered; RenewalSolver solves it, for a
// model of many states from the starting state alone by the forward equations (RenewalForm). The availability and the unavailability U(t) = sum over the down states are solved as
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

// How the renewal equations of a model that is not all exponential are solved.
// - Backward: one unknown per state and column; the cost per cell grows with the kernel's pieces
//   times the columns (the model's states + 2), so with the square of the states for a large
//   model. Rounding grows about linearly with the renewals by t (relative errors of 1e-16 to
//   1e-12).
// - Forward: from the starting state, the expected entrances into every state, then each column
//   from them (solveForwardFrom): one unknown per state and column, one right-hand side, so the
//   cost per cell grows with the kernel's and the occupancy's pieces. The entrances count up
//   with t, and each column is entrances minus departures: its absolute error is about double
//   rounding times the entrances by t times the square root of the cells (measured: 4e-10
//   relative on a probability of 0.017 after 1000 renewals and 10^5 cells; 1e-14 after 10).
//   Occupancies whose terms are much larger than their values (n exponential timers racing
//   within one sojourn, terms of 2^n) are convolved from expansions formed in 100 digits, as
//   every such kernel density is (DiscreteKernel), so they keep the same accuracy.
// - Automatic: Backward up to BackwardColumns columns, where it costs little more; Forward
//   otherwise.
// Times before any kernel entry or occupancy changes its expression take the Taylor series at 0
// (FirstPieceSeries) where that is cheap, so small values there keep their relative accuracy.
enum class RenewalForm { Automatic, Forward, Backward };
inline constexpr std::size_t BackwardColumns = 16;
TransientProbabilities transientProbabilities(const SemiMarkovModel& model, const ExactKernel& kernel,
                                              const std::vector<Rational>& times, RenewalForm form);

}  // namespace drova::measures
