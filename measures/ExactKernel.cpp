#include "measures/ExactKernel.hpp"

#include <stdexcept>

namespace drova::measures {

std::string describeState(const SemiMarkovModel& model, std::size_t i) {
    return "state " + std::to_string(i) + " (" + model.states[i].name + ")";
}

ExactKernel::ExactKernel(const SemiMarkovModel& model) {
    checkShape(model);
    const std::size_t n = model.states.size();
    entries_.resize(n);
    embedded_.resize(n);
    successors_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            const std::string what = "Kernel entry (" + std::to_string(i) + ", " + std::to_string(j) + ")";
            PiecewiseExpolynomial entry = PiecewiseExpolynomial::fromExpolynomial(model.kernel[i][j], what);
            const std::optional<ExactValue> limit = entry.limitAtInfinity();
            if (!limit)
                throw std::invalid_argument(what + " does not settle to a limit as t grows, so it is not a distribution "
                                                   "function");
            if (!entry.isZero()) successors_[i].push_back(j);
            embedded_[i].push_back(*limit);
            entries_[i].push_back(std::move(entry));
        }
        // Q_i(infinity) > 1 cannot be a probability; such a row would give negative probabilities of
        // never failing and probabilities above 1, so it is refused rather than clamped away.
        const ExactValue excess = rowSum(i) - ExactValue(Rational(1));
        if (!excess.isZero() && excess.approximate() > 0)
            throw std::invalid_argument("The kernel row of " + describeState(model, i) + " sums to " +
                                        std::to_string(rowSum(i).toDouble()) +
                                        " at infinity, more than 1: it is not a probability distribution");
    }
}

ExactValue ExactKernel::rowSum(std::size_t i) const {
    ExactValue sum;
    for (const ExactValue& p : embedded_[i]) sum += p;
    return sum;
}

bool ExactKernel::losesProbability(std::size_t i) const { return !(rowSum(i) == ExactValue(Rational(1))); }

ExactValue ExactKernel::partialMean(std::size_t i, std::size_t j) const {
    // integral of t dQ(t) = integral of (Q(infinity) - Q(t)) dt; the complement decays in the last
    // piece because Q settles there.
    const PiecewiseExpolynomial complement = entries_[i][j].constantMinus(embedded_[i][j]);
    if (complement.isZero()) return ExactValue();
    std::optional<ExactValue> integral = complement.integralToInfinity();
    if (!integral) throw std::logic_error("partialMean: the kernel entry does not settle");
    return *integral;
}

}  // namespace drova::measures
