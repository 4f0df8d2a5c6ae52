#pragma once
// The kernel of a semi-Markov process as numbers: every entry K_ij(t) at given times, and the
// time scale on which the process leaves its states, for drawing the kernel.

#include "algebra/Rational.hpp"
#include "measures/SemiMarkovModel.hpp"

#include <vector>

namespace drova::measures {

struct KernelValues {
    // values[i][j][k] = K_ij(times[k]), right-continuous (the value at a jump is the one after it).
    std::vector<std::vector<std::vector<double>>> values;
    // The largest mean time, over the states that are left with positive probability, from
    // entering the state to leaving it, given that it is left; 0 when no state is ever left.
    double timeScale = 0;
};

// std::invalid_argument for a negative time, or a kernel entry that is not a distribution
// function of t.
KernelValues kernelValues(const SemiMarkovModel& model, const std::vector<Rational>& times);

}  // namespace drova::measures
