#include "measures/KernelValues.hpp"

#include "measures/FirstPassage.hpp"
#include "measures/PiecewiseExpolynomial.hpp"

#include <algorithm>
#include <string>

namespace drova::measures {

namespace {

// f(t): the value in the last piece that starts at or before t.
double valueAt(const PiecewiseExpolynomial& f, const Rational& t) {
    const std::vector<Piece>& pieces = f.pieces();
    const auto after = std::upper_bound(pieces.begin(), pieces.end(), t,
                                        [](const Rational& time, const Piece& piece) { return time < piece.start; });
    const auto k = static_cast<std::size_t>(after - pieces.begin()) - 1;
    return f.valueInPiece(k, t - pieces[k].start).toDouble();
}

// The mean time to leave state i, given that it is left: the integral of L - S(t), S the row
// sum and L its limit, divided by L. None when the state is never left or the mean diverges.
std::optional<double> meanTimeToLeave(const ExpolynomialRow& row, std::size_t i) {
    Expolynomial sum;
    for (const auto& [j, entry] : row.entries()) sum = add(sum, entry);
    const PiecewiseExpolynomial total =
        PiecewiseExpolynomial::fromExpolynomial(sum, "The kernel row of state " + std::to_string(i));
    const std::optional<ExactValue> limit = total.limitAtInfinity();
    if (!limit || limit->isZero()) return std::nullopt;
    const std::optional<ExactValue> waiting = total.constantMinus(*limit).integralToInfinity();
    if (!waiting) return std::nullopt;
    return waiting->toDouble() / limit->toDouble();
}

}  // namespace

KernelValues kernelValues(const SemiMarkovModel& model, const std::vector<Rational>& times) {
    checkShape(model);
    checkTimes(times);
    const std::size_t n = model.states.size();
    KernelValues result;
    result.values.assign(n, std::vector<std::vector<double>>(n, std::vector<double>(times.size())));
    for (std::size_t i = 0; i < n; ++i) {
        for (const auto& [j, expression] : model.kernel[i].entries()) {
            const PiecewiseExpolynomial entry = PiecewiseExpolynomial::fromExpolynomial(
                expression, "The kernel entry from state " + std::to_string(i) + " to state " + std::to_string(j));
            for (std::size_t k = 0; k < times.size(); ++k) result.values[i][j][k] = valueAt(entry, times[k]);
        }
        if (const std::optional<double> mean = meanTimeToLeave(model.kernel[i], i))
            result.timeScale = std::max(result.timeScale, *mean);
    }
    return result;
}

}  // namespace drova::measures
