#include "measures/TimeGrid.hpp"

#include <algorithm>
#include <optional>

namespace drova::measures {

Rational rationalGcd(const Rational& a, const Rational& b) {
    // a = p / q, b = r / s: gcd = gcd(p s, r q) / (q s).
    const BigInt common = gcd(BigInt(numeratorOf(a) * denominatorOf(b)), BigInt(numeratorOf(b) * denominatorOf(a)));
    return Rational(common) / Rational(BigInt(denominatorOf(a) * denominatorOf(b)));
}

Rational chooseCellLength(const std::vector<const PiecewiseExpolynomial*>& functions, const Rational& horizon) {
    std::optional<Rational> boundaryGcd;
    Rational largestRate = 0;
    for (const PiecewiseExpolynomial* function : functions) {
        for (const Rational& boundary : function->breakpoints())
            boundaryGcd = boundaryGcd ? rationalGcd(*boundaryGcd, boundary) : boundary;
        largestRate = std::max(largestRate, function->largestRate());
    }
    if (!boundaryGcd) {
        if (largestRate.is_zero()) return std::max(horizon, Rational(1));
        return LargestRateTimesStep / largestRate;
    }
    // The smallest whole m with largestRate * g / m <= bound.
    const Rational ratio = largestRate * *boundaryGcd / LargestRateTimesStep;
    BigInt parts = numeratorOf(ratio) / denominatorOf(ratio);
    if (Rational(parts) < ratio) parts += 1;
    if (parts < 1) parts = 1;
    return *boundaryGcd / Rational(parts);
}

}  // namespace drova::measures
