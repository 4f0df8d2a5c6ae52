// Expolynomials split into analytic pieces, and the exact values taken from the pieces.

#include "MeasuresTestSupport.hpp"

#include "measures/ExactValue.hpp"
#include "measures/PiecewiseExpolynomial.hpp"

#include <gtest/gtest.h>

namespace {

using namespace measures_test;
using drova::measures::ExactValue;
using drova::measures::PiecewiseExpolynomial;

TEST(PiecewiseExpolynomial, UniformRepairAfterADelayHasItsPiecesJumpAndIntegrals) {
    // 0 before t = 1, t/4 on [1, 4] (a point mass 1/4 at t = 1, then a uniform density), 1 after.
    const Expolynomial f = sum({term(Rational(1, 4), "t", 0, 1, {step("t", 1, -1)}),
                                term(Rational(-1, 4), "t", 0, 1, {step("t", 1, -4)}), term(1, "t", 0, 0, {step("t", 1, -4)})});
    const auto pieces = PiecewiseExpolynomial::fromExpolynomial(f, "f");
    ASSERT_EQ(pieces.breakpoints(), (std::vector<Rational>{1, 4}));
    EXPECT_TRUE(pieces.jumpAt(0).isZero());
    EXPECT_EQ(pieces.jumpAt(1), ExactValue(Rational(1, 4)));
    EXPECT_TRUE(pieces.jumpAt(2).isZero());
    EXPECT_EQ(pieces.valueInPiece(1, 2), ExactValue(Rational(3, 4)));
    EXPECT_EQ(pieces.firstNonzeroTime(), Rational(1));
    // The mean of the distribution: integral of 1 - f = 1 + (3/4 * 3) / 2 = 17/8.
    EXPECT_EQ(pieces.constantMinus(ExactValue(Rational(1))).integralToInfinity(), ExactValue(Rational(17, 8)));
}

TEST(PiecewiseExpolynomial, ExponentialsStayExactAcrossPieces) {
    // 1 - e^(-t) up to 24 and 1 - e^(-24) after: the limit keeps e^(-24) as an exact term, and the
    // complement integrates to 1 - 25 e^(-24) exactly.
    const Expolynomial f = sum({term(1, "t"), term(-1, "t", -1), term(1, "t", -1, 0, {step("t", 1, -24)}),
                                Term(Rational(-1), -24, {}, {}, {step("t", 1, -24)})});
    const auto pieces = PiecewiseExpolynomial::fromExpolynomial(f, "f");
    const ExactValue limit = *pieces.limitAtInfinity();
    EXPECT_EQ(limit, ExactValue(Rational(1)) - ExactValue::exponential(1, -24));
    const ExactValue mean = *pieces.constantMinus(limit).integralToInfinity();
    EXPECT_EQ(mean, ExactValue(Rational(1)) - ExactValue::exponential(25, -24));
    EXPECT_NEAR(mean.toDouble(), 1 - 25 * std::exp(-24.0), 2e-16);
}

TEST(PiecewiseExpolynomial, ABoundaryWhereNothingChangesIsDropped) {
    // t written as t H(1 - t) + t H(t - 1) - t H(1 - t) H(t - 1): one piece, so it does not
    // constrain the solver's grid.
    const Expolynomial f = sum({term(1, "t", 0, 1, {step("t", -1, 1)}), term(1, "t", 0, 1, {step("t", 1, -1)}),
                                term(-1, "t", 0, 1, {step("t", -1, 1), step("t", 1, -1)})});
    const auto pieces = PiecewiseExpolynomial::fromExpolynomial(f, "f");
    EXPECT_TRUE(pieces.breakpoints().empty());
    EXPECT_EQ(pieces.pieces().front().terms.size(), 1u);
}

TEST(ExactValue, CancellationIsResolvedByMorePrecision) {
    // e^(1/10^30) - 1 - 1/10^30 ~ 5e-61: 50 digits alone would return noise.
    const Rational tiny(1, BigInt("1000000000000000000000000000000"));
    const ExactValue value = ExactValue::exponential(1, tiny) - ExactValue(Rational(1)) - ExactValue(tiny);
    EXPECT_FALSE(value.isZero());
    EXPECT_NEAR(value.toDouble() / 5e-61, 1.0, 1e-12);
}

}  // namespace
