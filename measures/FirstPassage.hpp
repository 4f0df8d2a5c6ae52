#pragma once
// Which SMS states can lead to a failure, exactly: the structure behind the failure probability
// and the time to failure. The down states are absorbing (their kernel rows are not used).

#include "measures/ExactKernel.hpp"
#include "measures/SemiMarkovModel.hpp"

#include <cstddef>
#include <vector>

namespace drova::measures {

struct FirstPassage {
    std::size_t from = 0;
    // The down states (absorbing).
    std::vector<bool> down;
    // Up states from which a down state can be entered.
    std::vector<bool> mayFail;
    // Up states from which a down state is entered with probability 1: no probability is lost
    // and no state is reachable from which no down state can be entered. A subset of mayFail.
    std::vector<bool> sureToFail;
};

// Throws std::invalid_argument when the model has no down state, or none can be entered from
// `from` (then there is no failure time at all).
FirstPassage analyseFirstPassage(const SemiMarkovModel& model, const ExactKernel& kernel, std::size_t from);

// `from`, or the model's initial state when none; std::invalid_argument when out of range.
std::size_t startingState(const SemiMarkovModel& model, std::optional<std::size_t> from);

// std::invalid_argument naming the first negative time.
void checkTimes(const std::vector<Rational>& times);

}  // namespace drova::measures
