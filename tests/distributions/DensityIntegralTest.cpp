// Densities and integrals of the distributions: the exact texts of small cases, the mended
// behaviour for arguments the plain formulas get wrong, and the failures.

#include "Failure.hpp"
#include "algebra/SymbolicText.hpp"
#include "distributions/Degenerate.hpp"
#include "distributions/Exponential.hpp"
#include "distributions/Uniform.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

using namespace drova;

namespace {

Rational r(long num, long den = 1) { return Rational(num, den); }
LinearForm form(const LinearForm::Variables& variables, const Rational& constant) {
    return LinearForm(variables, constant);
}
std::string text(const Expolynomial& e) { return toSymbolicText(e); }

const LinearForm zero;
const LinearForm t("t");
const LinearForm x("x");
const LinearForm y("y");
const Expolynomial one{Term(Rational(1))};

TEST(Density, BuiltInXAndMovedToTheArgument) {
    EXPECT_EQ(text(Exponential(r(2)).density(x)), "2*exp(-2*x)");
    EXPECT_EQ(text(Exponential(r(1, 2)).density(form({{"t", 1}, {"y", -1}}, 1))),
              "1/sym(2)*exp(-1/sym(2))*exp(-1/sym(2)*t)*exp(1/sym(2)*y)");
    EXPECT_EQ(text(Uniform(r(0), r(3)).density(x)), "1/sym(3)*heaviside(-x+3)");
    EXPECT_EQ(text(Uniform(r(1), r(3)).density(form({{"t", 1}, {"y", -1}}, 0))),
              "1/sym(2)*heaviside(t-y-1)*heaviside(-t+y+3)");
}

TEST(DensityIntegral, ExponentialAndUniformIntegrateTheDensityTimesTheFactor) {
    EXPECT_EQ(text(Exponential(r(3)).integrate(y, "y", zero, t, one)), "-1*exp(-3*t)+1");
    // The density 3*exp(-3y) times exp(-2y), integrated in y from 0 to t.
    const Expolynomial decay(Term(1, 0, {{"y", r(-2)}}, {}, {}));
    EXPECT_EQ(text(Exponential(r(3)).integrate(y, "y", zero, t, decay)), "-3/sym(5)*exp(-5*t)+3/sym(5)");
    // (1/2) over (1, 3) within [0, t]: (t-1)/2 between 1 and 3, then 1.
    EXPECT_EQ(text(Uniform(r(1), r(3)).integrate(x, "x", zero, t, one)),
              "3/sym(2)*heaviside(t-3)+1/sym(2)*t^(1)*heaviside(t-1)-1/sym(2)*heaviside(t-1)"
              "-1/sym(2)*t^(1)*heaviside(t-3)");
}

TEST(DensityIntegral, ExponentialToInfinityIsTheSurvivalTimesTheFactor) {
    EXPECT_EQ(text(Exponential(r(3)).integrateToInfinity(x, "x", t, one)), "1*exp(-3*t)");
    EXPECT_EQ(text(Exponential(r(2)).integrateToInfinity(x, "x", y, one)), "1*exp(-2*y)");
    const Expolynomial factor(Term(r(5), 0, {}, {{"t", 1u}}, {}));
    EXPECT_EQ(text(Exponential(r(2)).integrateToInfinity(form({{"x", 1}, {"y", 1}}, 0), "x", t, factor)),
              "5*exp(-2*t)*exp(-2*y)*t^(1)");
}

TEST(DensityIntegral, ExponentialToInfinityRejectsWhatItCannotIntegrate) {
    const Exponential exponential(r(2));
    const std::string factorMessage =
        "The factor of an exponential density's integral to infinity must not contain the variable x";
    const std::string argumentMessage = "The argument of the density must contain the variable x with a positive "
                                        "coefficient";
    const Expolynomial inX(Term(1, 0, {}, {{"x", 1u}}, {}));
    const Expolynomial stepInX(Term(form({{"x", -1}}, 4)));
    EXPECT_EQ(failure<std::invalid_argument>([&] { exponential.integrateToInfinity(x, "x", t, inX); }), factorMessage);
    EXPECT_EQ(failure<std::invalid_argument>([&] { exponential.integrateToInfinity(x, "x", t, stepInX); }), factorMessage);
    EXPECT_EQ(failure<std::invalid_argument>([&] { exponential.integrateToInfinity(y, "x", t, one); }), argumentMessage);
    EXPECT_EQ(failure<std::invalid_argument>([&] { exponential.integrateToInfinity(form({{"x", -1}}, 9), "x", t, one); }),
              argumentMessage);
    EXPECT_EQ(failure<std::invalid_argument>([&] { Uniform(r(0), r(1)).integrateToInfinity(form({{"x", -1}}, 9), "x", t, one); }),
              argumentMessage);
}

TEST(DensityIntegral, UniformToInfinityStopsWhereTheDensityEnds) {
    // The argument x + y never falls below x: integrate up to b.
    EXPECT_EQ(text(Uniform(r(0), r(2)).integrateToInfinity(x, "x", zero, one)), "1");
    EXPECT_EQ(text(Uniform(r(0), r(2)).integrateToInfinity(form({{"x", 1}, {"y", 1}}, 0), "x", zero, one)),
              text(Uniform(r(0), r(2)).integrate(form({{"x", 1}, {"y", 1}}, 0), "x", zero, LinearForm(r(2)), one)));
    // x - 1 reaches b = 2 only at x = 3: all of the mass lies beyond the lower limit 1.
    EXPECT_EQ(text(Uniform(r(0), r(2)).integrateToInfinity(form({{"x", 1}}, -1), "x", LinearForm(r(1)), one)), "1");
}

TEST(DensityIntegral, DegenerateIsAPointMassInTheRange) {
    const Degenerate two(r(2));
    EXPECT_EQ(text(two.integrate(x, "x", zero, t, one)), "1*heaviside(t-2)");
    EXPECT_EQ(text(two.integrateToInfinity(x, "x", t, one)), "1*heaviside(-t+2)");
    // The factor is taken where the mass lies: x := y + 2 in x^2 * exp(-x).
    const Expolynomial factor(Term(1, 0, {{"x", r(-1)}}, {{"x", 2u}}, {}));
    EXPECT_EQ(text(two.integrate(form({{"x", 1}, {"y", -1}}, 0), "x", zero, t, factor)),
              "1*exp(-sym(2))*exp(-1*y)*y^(2)*heaviside(t-y-2)+4*exp(-sym(2))*exp(-1*y)*y^(1)*heaviside(t-y-2)"
              "+4*exp(-sym(2))*exp(-1*y)*heaviside(t-y-2)");
    // Equal limits give 0 before the argument is looked at.
    EXPECT_EQ(text(two.integrate(y, "x", form({{"t", 1}}, 1), form({{"t", 1}}, 1), one)), "0");
}

TEST(DensityIntegral, DegenerateFallingArgumentUsesTheMirroredCondition) {
    // -x + 5 = 2 at x = 3: the mass lies in [0, t] for t >= 3 and beyond y for y <= 3.
    const Degenerate two(r(2));
    const LinearForm falling = form({{"x", -1}}, 5);
    EXPECT_EQ(text(two.integrate(falling, "x", zero, t, one)), "1*heaviside(t-3)");
    EXPECT_EQ(text(two.integrateToInfinity(falling, "x", y, one)), "1*heaviside(-y+3)");
}

TEST(DensityIntegral, DegeneratePassesOnTheSolvingErrors) {
    const Degenerate two(r(2));
    EXPECT_EQ(failure<std::invalid_argument>([&] { two.integrate(y, "x", zero, t, one); }), "The variable x does not exist");
    EXPECT_EQ(failure<std::invalid_argument>([&] { two.integrateToInfinity(y, "x", t, one); }), "The variable x does not exist");
    EXPECT_EQ(failure<std::invalid_argument>([&] { two.integrate(form({{"x", 2}}, 0), "x", zero, t, one); }),
              "The variable x must not have a constant besides 1 and -1");
}

}  // namespace
