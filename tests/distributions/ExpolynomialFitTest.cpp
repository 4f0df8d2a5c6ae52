// The expolynomial fits of the laws without an expolynomial density: valid densities in exact
// rationals (non-negative, integrating to exactly 1, readable as Expoly text), distances that hold
// against an independent comparison of the two distribution functions, and that shrink as the
// pieces grow.

#include "distributions/ExpolynomialFit.hpp"
#include "distributions/ExpolynomialText.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace drova;

namespace {

// sup |F - G| on a grid fine in both x and probability: a lower estimate of the true distance.
double gridDistance(const SampledLaw& law, const ExpolynomialLaw& fit) {
    double largest = 0;
    for (int i = 1; i < 5000; ++i) {
        const double x = law.quantile(i / 5000.0);
        largest = std::max(largest, std::abs(law.distributionAt(x) - fit.distributionAt(x)));
    }
    return largest;
}

TEST(ExpolynomialFit, FitsAreDensitiesWhoseDistancesHold) {
    const std::vector<std::shared_ptr<SampledLaw>> laws = {
        std::make_shared<Weibull>(Rational(2), Rational(1000)), std::make_shared<Weibull>(Rational(7, 10), Rational(1)),
        std::make_shared<Lognormal>(Rational(0), Rational(1)), std::make_shared<GammaLaw>(Rational(1, 2), Rational(1)),
        std::make_shared<TruncatedNormal>(Rational(10), Rational(3))};
    for (const auto& law : laws) {
        double previous = 1;
        for (const unsigned pieces : {5u, 10u, 20u}) {
            SCOPED_TRACE(law->toText() + " with " + std::to_string(pieces) + " pieces");
            const ExpolynomialFit fit = fitExpolynomial(*law, pieces);
            EXPECT_EQ(totalIntegral(fit.law->densityInX(), RationalZero, std::nullopt), Expolynomial(Term(RationalOne)));
            EXPECT_FALSE(negativePoint(fit.law->densityInX(), RationalZero, std::nullopt));
            // The reported distance bounds the one seen on an independent grid, and is close to it.
            const double seen = gridDistance(*law, *fit.law);
            EXPECT_LE(seen, fit.kolmogorov * (1 + 1e-9));
            EXPECT_LE(fit.kolmogorov, 1.5 * seen + 1e-5);
            EXPECT_GE(fit.totalVariation, fit.kolmogorov * (1 - 1e-6));
            EXPECT_LT(fit.kolmogorov, previous);
            previous = fit.kolmogorov;
            // The text of the fit reads back as an Expoly law that passes every check.
            const ExpolyDensity again(RationalZero, std::nullopt, densityText(fit.law->densityInX()));
            EXPECT_TRUE(again.equals(*fit.law));
        }
    }
}

TEST(ExpolynomialFit, SmoothLawsAreFittedClosely) {
    // The cubic pieces' error falls as the fourth power of their width.
    EXPECT_LT(fitExpolynomial(Weibull(Rational(2), Rational(1000)), 20).kolmogorov, 1e-4);
    EXPECT_LT(fitExpolynomial(GammaLaw(Rational(3), Rational(1)), 20).kolmogorov, 2e-4);
    EXPECT_LT(fitExpolynomial(Weibull(Rational(2), Rational(1000)), 40).kolmogorov, 3e-5);
}

TEST(ExpolynomialFit, PiecesAreLimited) {
    EXPECT_THROW(fitExpolynomial(Weibull(Rational(2), Rational(1)), 0), std::invalid_argument);
    EXPECT_THROW(fitExpolynomial(Weibull(Rational(2), Rational(1)), 201), std::invalid_argument);
    EXPECT_EQ(fitExpolynomial(Weibull(Rational(2), Rational(1)), 1).pieces, 1u);
}

}  // namespace
