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
    // Removing a state can remove its predecessors: a worklist over the predecessors keeps this
    // linear in the number of transitions.
    result.sureToFail = result.mayFail;
    Successors predecessors(n);
    for (std::size_t i = 0; i < n; ++i)
        if (result.mayFail[i])
            for (std::size_t j : kernel.successors()[i]) predecessors[j].push_back(i);
    std::vector<std::size_t> removed;
    const auto remove = [&](std::size_t i) {
        if (!result.sureToFail[i]) return;
        result.sureToFail[i] = false;
        removed.push_back(i);
    };
    for (std::size_t i = 0; i < n; ++i) {
        if (!result.sureToFail[i]) continue;
        if (kernel.losesProbability(i)) remove(i);
        for (std::size_t j : kernel.successors()[i])
            if (!result.down[j] && !result.mayFail[j]) remove(i);
    }
    while (!removed.empty()) {
        const std::size_t j = removed.back();
        removed.pop_back();
        for (std::size_t i : predecessors[j]) remove(i);
    }
    return result;
}

}  // namespace drova::measures
