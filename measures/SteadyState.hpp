#pragma once
// The steady state: the long-run fractions of time spent in each state, and the long-run
// availability.
//
// With nu the stationary vector of the embedded chain P = Q(infinity) on its one closed class,
// tau_i the mean sojourn in SMS state i and eta_is = integral of E_is(t) dt the mean time a
// sojourn in i spends in GSMS state s, the long-run fraction of time in s is
//   pi_s = sum_i nu_i eta_is / sum_i nu_i tau_i
// (the time average; it is also lim P_s(t) whenever that limit exists, which fails only for
// lattice sojourns, such as deterministic cycles). tau and eta are exact integrals of the kernel
// and occupancy terms; nu is solved by sparse elimination without subtraction (SparseElimination).

#include "measures/ExactKernel.hpp"
#include "measures/SemiMarkovModel.hpp"

#include <vector>

namespace drova::measures {

struct SteadyState {
    // The embedded chain's stationary vector, 0 outside its closed class.
    std::vector<double> embedded;
    // The mean sojourn in each SMS state of the closed class; NaN for the others.
    std::vector<double> meanSojourn;
    // The long-run fraction of time in each SMS state's sojourns.
    std::vector<double> smsTimeFractions;
    // The long-run fraction of time in each GSMS state (empty when the model has none).
    std::vector<double> states;
    // The long-run fraction of time in up (down) states: of GSMS states when the model has them,
    // of SMS states by their flags otherwise.
    double availability = 0;
    double unavailability = 0;
};

// When an up state that can be entered is never left, the long run is that of the closed classes
// weighted by the probabilities of ending in each (a state never left keeps the limits of its
// occupancy). Throws std::invalid_argument when the process has no unique steady state otherwise:
// a down state that can be entered is never left, a state loses probability, or more than one
// closed class can be entered from the initial state; or when the occupancy does not add up.
SteadyState steadyState(const SemiMarkovModel& model);
// The same with the model's kernel already converted (it must be the model's).
SteadyState steadyState(const SemiMarkovModel& model, const ExactKernel& kernel);

}  // namespace drova::measures
