#include "measures/ExactKernel.hpp"

#include <algorithm>
#include <stdexcept>

namespace drova::measures {

std::string describeState(const SemiMarkovModel& model, std::size_t i) {
    return "state " + std::to_string(i) + " (" + model.states[i].name + ")";
}

ExactKernel::ExactKernel(const SemiMarkovModel& model) {
    checkShape(model);
    const std::size_t n = model.states.size();
    rows_.resize(n);
    successors_.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        for (const auto& [j, expression] : model.kernel[i].entries()) {
            if (expression.isZero()) continue;
            const std::string what = "Kernel entry (" + std::to_string(i) + ", " + std::to_string(j) + ")";
            PiecewiseExpolynomial entry = PiecewiseExpolynomial::fromExpolynomial(expression, what);
            const std::optional<ExactValue> limit = entry.limitAtInfinity();
            if (!limit)
                throw std::invalid_argument(what + " does not settle to a limit as t grows, so it is not a distribution "
                                                   "function");
            if (entry.isZero()) continue;
            successors_[i].push_back(j);
            rows_[i].push_back(KernelEntry{j, std::move(entry), *limit});
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

const KernelEntry* ExactKernel::find(std::size_t i, std::size_t j) const {
    const std::vector<KernelEntry>& entries = rows_[i];
    const auto found = std::lower_bound(entries.begin(), entries.end(), j,
                                        [](const KernelEntry& entry, std::size_t target) { return entry.target < target; });
    return found != entries.end() && found->target == j ? &*found : nullptr;
}

const PiecewiseExpolynomial& ExactKernel::entry(std::size_t i, std::size_t j) const {
    static const PiecewiseExpolynomial zero;
    const KernelEntry* found = find(i, j);
    return found ? found->function : zero;
}

const ExactValue& ExactKernel::embedded(std::size_t i, std::size_t j) const {
    static const ExactValue zero;
    const KernelEntry* found = find(i, j);
    return found ? found->limit : zero;
}

ExactValue ExactKernel::rowSum(std::size_t i) const {
    ExactValue sum;
    for (const KernelEntry& entry : rows_[i]) sum += entry.limit;
    return sum;
}

bool ExactKernel::losesProbability(std::size_t i) const { return !(rowSum(i) == ExactValue(Rational(1))); }

ExactValue ExactKernel::partialMean(std::size_t i, std::size_t j) const {
    // integral of t dQ(t) = integral of (Q(infinity) - Q(t)) dt; the complement decays in the last
    // piece because Q settles there.
    const KernelEntry* found = find(i, j);
    if (!found) return ExactValue();
    const PiecewiseExpolynomial complement = found->function.constantMinus(found->limit);
    if (complement.isZero()) return ExactValue();
    std::optional<ExactValue> integral = complement.integralToInfinity();
    if (!integral) throw std::logic_error("partialMean: the kernel entry does not settle");
    return *integral;
}

}  // namespace drova::measures
