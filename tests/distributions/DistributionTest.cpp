#include "Failure.hpp"
#include "distributions/Degenerate.hpp"
#include "distributions/Exponential.hpp"
#include "distributions/Uniform.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

using namespace drova;

namespace {

Rational r(long num, long den = 1) { return Rational(num, den); }

TEST(Interval, RejectsLowerAboveUpperOnlyWhenBothArePresent) {
    EXPECT_EQ(failure<std::invalid_argument>([] { Interval(Endpoint{r(2), false}, Endpoint{r(1), false}); }),
              "Lower bound endpoint must be lesser or equal to upper bound endpoint");
    EXPECT_EQ(failure<std::invalid_argument>([] { Interval(Endpoint{r(1), true}, Endpoint{r(1), true}); }), "no error");
    EXPECT_EQ(failure<std::invalid_argument>([] { Interval(Endpoint{r(5), true}, Endpoint{std::nullopt, true}); }), "no error");
}

TEST(Distribution, TextForms) {
    EXPECT_EQ(Exponential(r(1, 2)).toText(), "Exp(1/2)");
    EXPECT_EQ(Degenerate(r(0)).toText(), "Deg(0)");
    EXPECT_EQ(Degenerate(r(7, 3)).toText(), "Deg(7/3)");
    EXPECT_EQ(Uniform(r(0), r(3)).toText(), "Uni(0, 3)");
    EXPECT_EQ(Uniform(r(1, 2), r(6, 4)).toText(), "Uni(1/2, 3/2)");
}

TEST(Distribution, ConstructorChecksInTheirOrder) {
    EXPECT_EQ(failure<std::invalid_argument>([] { Exponential(r(0)); }), "The rate must be positive");
    EXPECT_EQ(failure<std::invalid_argument>([] { Degenerate(r(-1, 100)); }), "The delay must be non-negative");
    // The support is built before the parameters are tested.
    EXPECT_EQ(failure<std::invalid_argument>([] { Uniform(r(3), r(1)); }),
              "Lower bound endpoint must be lesser or equal to upper bound endpoint");
    EXPECT_EQ(failure<std::invalid_argument>([] { Uniform(r(-1), r(-3)); }),
              "Lower bound endpoint must be lesser or equal to upper bound endpoint");
    EXPECT_EQ(failure<std::invalid_argument>([] { Uniform(r(-1), r(2)); }), "The lower bound must be non-negative");
    EXPECT_EQ(failure<std::invalid_argument>([] { Uniform(r(-2), r(-1)); }), "The lower bound must be non-negative");
    EXPECT_EQ(failure<std::invalid_argument>([] { Uniform(r(2), r(2)); }), "The upper bound must greater than the lower bound");
}

TEST(Distribution, SupportAndFixedDelay) {
    const Exponential exponential(r(2));
    EXPECT_EQ(exponential.support(), Interval(Endpoint{r(0), true}, Endpoint{std::nullopt, true}));
    EXPECT_EQ(exponential.fixedDelay(), std::nullopt);

    const Degenerate degenerate(r(5));
    EXPECT_EQ(degenerate.support(), Interval(Endpoint{r(5), false}, Endpoint{r(5), false}));
    EXPECT_EQ(degenerate.fixedDelay(), r(5));

    const Uniform uniform(r(1), r(3));
    EXPECT_EQ(uniform.support(), Interval(Endpoint{r(1), true}, Endpoint{r(3), true}));
    EXPECT_EQ(uniform.fixedDelay(), std::nullopt);
}

TEST(Distribution, CloneKeepsClassAndParameters) {
    const Uniform uniform(r(1), r(3));
    std::unique_ptr<Distribution> copy = uniform.clone();
    ASSERT_NE(dynamic_cast<Uniform*>(copy.get()), nullptr);
    EXPECT_TRUE(copy->equals(uniform));
    EXPECT_EQ(copy->support(), uniform.support());
    EXPECT_NE(copy.get(), &uniform);
}

TEST(Distribution, EqualsComparesParametersAndKind) {
    EXPECT_TRUE(Exponential(r(2)).equals(Exponential(r(4, 2))));
    EXPECT_FALSE(Exponential(r(2)).equals(Exponential(r(3))));
    EXPECT_TRUE(Uniform(r(0), r(3)).equals(Uniform(r(0), r(3))));
    EXPECT_FALSE(Uniform(r(0), r(3)).equals(Uniform(r(1), r(3))));
    EXPECT_FALSE(Uniform(r(0), r(3)).equals(Uniform(r(0), r(2))));
    // Equal numbers of different kinds are different distributions.
    EXPECT_FALSE(Exponential(r(2)).equals(Degenerate(r(2))));
    EXPECT_FALSE(Degenerate(r(2)).equals(Exponential(r(2))));
    EXPECT_FALSE(Uniform(r(0), r(2)).equals(Degenerate(r(2))));
}

TEST(Distribution, ResidualIsTheRemainingTime) {
    const Uniform uniform(r(1), r(3));
    EXPECT_TRUE(uniform.residual(r(2))->equals(Uniform(r(0), r(1))));
    EXPECT_TRUE(uniform.residual(r(1, 2))->equals(Uniform(r(1, 2), r(5, 2))));
    EXPECT_TRUE(uniform.residual(r(1))->equals(Uniform(r(0), r(2))));
    EXPECT_TRUE(uniform.residual(r(3))->equals(Degenerate(r(0))));
    EXPECT_TRUE(uniform.residual(r(10))->equals(Degenerate(r(0))));

    const Degenerate degenerate(r(5));
    EXPECT_TRUE(degenerate.residual(r(2))->equals(Degenerate(r(3))));
    EXPECT_TRUE(degenerate.residual(r(5))->equals(Degenerate(r(0))));
    EXPECT_TRUE(degenerate.residual(r(7))->equals(Degenerate(r(0))));

    const Exponential exponential(r(2));
    EXPECT_TRUE(exponential.residual(r(1000))->equals(exponential));
    EXPECT_TRUE(exponential.residual(r(0))->equals(exponential));
}

}  // namespace
