#pragma once
// The input of the reliability measures: a semi-Markov process given by its exact kernel, and
// how its sojourns are spent in the states of the underlying GSMS.

#include "algebra/Expolynomial.hpp"

#include <cstddef>
#include <string>
#include <vector>

namespace drova::measures {

// Rows of expolynomials in the single variable t.
using ExpolynomialMatrix = std::vector<std::vector<Expolynomial>>;

struct NamedState {
    std::string name;
    bool down = false;
};

struct SemiMarkovModel {
    // The n states of the semi-Markov process (SMS states). For the failure measures the down
    // states are absorbing: their kernel rows are not used, so a kernel whose down states have
    // zero rows and one whose down states are left again give the same results.
    std::vector<NamedState> states;
    // n by n: kernel[i][j](t) = probability that the next SMS state is j and is entered by time
    // t, having entered i at time 0. Right-continuous in t (heaviside(0) = 1); the row sums tend
    // to at most 1, less when probability is lost.
    ExpolynomialMatrix kernel;
    // The m states of the GSMS in which the sojourns are spent, with their up/down flags. Only
    // the transient probabilities and the steady state use them.
    std::vector<NamedState> gsmsStates;
    // n by m (or empty when m = 0): occupancy[i][s](t) = probability that, having entered SMS
    // state i at time 0, the process is at time t in GSMS state s and has not yet entered the
    // next SMS state.
    ExpolynomialMatrix occupancy;
    // The SMS state entered at time 0.
    std::size_t initialState = 0;
};

// Checks the sizes and the initial state; throws std::invalid_argument saying what is wrong.
void checkShape(const SemiMarkovModel& model);

}  // namespace drova::measures
