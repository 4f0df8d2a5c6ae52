#include "measures/FirstPassage.hpp"

#include <stdexcept>

namespace drova::measures {

std::size_t startingState(const SemiMarkovModel& model, std::optional<std::size_t> from) {
    const std::size_t state = from.value_or(model.initialState);
    if (state >= model.states.size())
        throw std::invalid_argument("The starting state " + std::to_string(state) + " is not an SMS state (there are " +
                                    std::to_string(model.states.size()) + ")");
    return state;
}

void checkTimes(const std::vector<Rational>& times) {
    for (const Rational& t : times)
        if (t < 0) throw std::invalid_argument("The time " + toText(t) + " is negative");
}

FirstPassage analyseFirstPassage(const SemiMarkovModel& model, const ExactKernel& kernel, std::size_t from) {
    const std::size_t n = kernel.size();
    FirstPassage result;
    result.from = from;
    result.down.resize(n);
    bool anyDown = false;
    for (std::size_t i = 0; i < n; ++i) {
        result.down[i] = model.states[i].down;
        anyDown = anyDown || result.down[i];
    }
    if (!anyDown)
        throw std::invalid_argument("The model has no down state, so it never fails: the failure probability "
                                    "and the mean time to failure do not exist");

    std::vector<bool> up(n);
    for (std::size_t i = 0; i < n; ++i) up[i] = !result.down[i];
    const std::vector<bool> reaches = canReach(kernel.successors(), result.down, up);
    if (!reaches[from])
        throw std::invalid_argument("No down state can be entered from " + describeState(model, from) +
                                    ", so the system never fails: the failure probability and the mean time to "
                                    "failure do not exist");
    result.mayFail.resize(n);
    for (std::size_t i = 0; i < n; ++i) result.mayFail[i] = up[i] && reaches[i];

    // The largest set of up states that lose no probability and lead only to down states or back
    // into the set: from them the down states are entered with probability 1.
    result.sureToFail = result.mayFail;
    for (std::size_t i = 0; i < n; ++i)
        if (result.sureToFail[i] && kernel.losesProbability(i)) result.sureToFail[i] = false;
    for (bool changed = true; changed;) {
        changed = false;
        for (std::size_t i = 0; i < n; ++i) {
            if (!result.sureToFail[i]) continue;
            for (std::size_t j : kernel.successors()[i])
                if (!result.down[j] && !result.sureToFail[j]) {
                    result.sureToFail[i] = false;
                    changed = true;
                    break;
                }
        }
    }
    return result;
}

}  // namespace drova::measures
