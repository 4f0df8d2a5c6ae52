#include "measures/Occupancy.hpp"

#include "measures/PiecewiseExpolynomial.hpp"

#include <utility>
#include <stdexcept>

namespace drova::measures {

Expolynomial occupancyOf(const SemiMarkovModel& model, std::size_t i, bool down) {
    Expolynomial total;
    for (const auto& [s, entry] : model.occupancy[i].entries())
        if (model.gsmsStates[s].down == down) total = add(std::move(total), entry);
    return total;
}

bool showsDownState(const SemiMarkovModel& model, std::size_t i) {
    if (model.states[i].down) return true;
    if (model.occupancy.empty()) return false;
    for (const auto& [s, entry] : model.occupancy[i].entries())
        if (model.gsmsStates[s].down && !entry.isZero()) return true;
    return false;
}

void checkOccupancyAddsUp(const SemiMarkovModel& model, const ExactKernel& kernel, const std::vector<bool>& considered) {
    for (std::size_t i = 0; i < kernel.size(); ++i) {
        if (!considered[i] || kernel.losesProbability(i)) continue;
        Expolynomial difference = subtract(add(occupancyOf(model, i, false), occupancyOf(model, i, true)),
                                           Expolynomial(Term(Rational(1))));
        for (const auto& [j, entry] : model.kernel[i].entries()) difference = add(std::move(difference), entry);
        const std::string what = "The occupancy of " + describeState(model, i);
        if (!PiecewiseExpolynomial::fromExpolynomial(difference, what).isZero())
            throw std::invalid_argument(what + " does not add up to the probability of not having left it");
    }
}

void checkDownStatesAreLeft(const SemiMarkovModel& model, const ExactKernel& kernel,
                            const std::vector<bool>& considered) {
    for (std::size_t i = 0; i < kernel.size(); ++i)
        if (considered[i] && kernel.neverLeft(i) && showsDownState(model, i))
            throw std::invalid_argument("The down " + describeState(model, i) +
                                        " is never left once entered: availability needs repair out of the down "
                                        "states (use the failure probability instead)");
}

}  // namespace drova::measures
