#include "Failure.hpp"

// g++ 12 at -O3 reports -Wmaybe-uninitialized inside Boost.Multiprecision's own code once it is
// inlined into the rationals built here (a false positive of the optimiser). The diagnostic is
// off for the library's headers only; this file's own code is still checked.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <boost/multiprecision/cpp_int.hpp>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#include "AlgebraTestSupport.hpp"

#include "algebra/DefiniteIntegral.hpp"
#include "algebra/SymbolicText.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

using namespace drova;

namespace {

using algebra_test::form;
using algebra_test::Point;
using algebra_test::Quad;
using algebra_test::text;
using algebra_test::valueOf;

const LinearForm zero;
const LinearForm t("t");

// The term coefficient * heaviside(factors...).
Term stepTerm(const Rational& coefficient, std::vector<LinearForm> factors) {
    return Term(coefficient, 0, {}, {}, std::move(factors));
}

std::string integralText(const Term& term, const LinearForm& lower, const LinearForm& upper) {
    return text(definiteIntegral(Expolynomial(term), "v", lower, upper));
}

TEST(DefiniteIntegral, FactorRisingInTheVariableSplitsAboveItsSwitchingPoint) {
    // c = t, e = t - 2, M = H(2)*c = t, R = H(2)*H(t-2)*e: t and -t cancel.
    const Term step = stepTerm(1, {form({{"v", 1}}, -2)});
    EXPECT_EQ(integralText(step, zero, t), "1*t^(1)*heaviside(t-2)-2*heaviside(t-2)");
}

TEST(DefiniteIntegral, FactorFallingInTheVariableSplitsBelowItsSwitchingPoint) {
    // c = t, e = 2, M = t*H(t-2), R = 2*H(t-2); (R + c) - M: the value is min(t, 2).
    const Term step = stepTerm(1, {form({{"v", -1}}, 2)});
    EXPECT_EQ(integralText(step, zero, t), "2*heaviside(t-2)+1*t^(1)-1*t^(1)*heaviside(t-2)");
}

TEST(DefiniteIntegral, WithoutFactorsInTheVariableIsTheDifferenceOfThePrimitive) {
    // A factor in another variable stays on every term.
    const Term term(3, 0, {{"v", -1}}, {{"v", 1}}, {form({{"y", -1}}, 1)});
    EXPECT_EQ(text(definiteIntegral(Expolynomial(term), "v", LinearForm("x"), t)),
              "-3*exp(-1*t)*t^(1)*heaviside(-y+1)-3*exp(-1*t)*heaviside(-y+1)"
              "+3*exp(-1*x)*x^(1)*heaviside(-y+1)+3*exp(-1*x)*heaviside(-y+1)");
    EXPECT_EQ(integralText(Term(Rational(5)), form({{"x", 1}}, 1), form({{"x", 1}}, 1)), "0");
    EXPECT_EQ(integralText(Term(Rational(5)), t, t), "0");
    // With a factor in the variable the split leaves heaviside factors behind; the value stays 0.
    const Expolynomial split = definiteIntegral(Expolynomial(stepTerm(1, {form({{"v", 1}, {"x", -1}}, 0)})), "v", t, t);
    for (int xi = 0; xi <= 3; ++xi)
        EXPECT_EQ(valueOf(split, {{"t", Rational(2)}, {"x", Rational(xi)}}), Quad(0)) << text(split);
}

TEST(DefiniteIntegral, TermsAreIntegratedInOrderAndMerged) {
    const Expolynomial sum({Term(Rational(2)), stepTerm(1, {form({{"v", 1}}, -2)}), Term(Rational(-2))});
    EXPECT_EQ(text(definiteIntegral(sum, "v", zero, t)), "1*t^(1)*heaviside(t-2)-2*heaviside(t-2)");
}

TEST(DefiniteIntegral, CoefficientOtherThanPlusOrMinusOneFails) {
    const std::string message = "The variable v must not have a constant besides 1 and -1";
    const Term doubled = stepTerm(1, {form({{"v", 2}}, -1)});
    EXPECT_EQ(failure<std::invalid_argument>([&] { definiteIntegral(Expolynomial(doubled), "v", zero, t); }), message);
    // Also when the factor is reached only after splitting at another one.
    const Term twoSteps = stepTerm(1, {form({{"v", 1}}, -1), form({{"v", -3}}, 4)});
    EXPECT_EQ(failure<std::invalid_argument>([&] { definiteIntegral(Expolynomial(twoSteps), "v", zero, t); }), message);
}

TEST(DefiniteIntegral, WholeRangeIsIntegratedBeforeTheFactorIsSolved) {
    // The whole-range integral substitutes v := w into w^(max)*v^(1) and overflows the exponent
    // before the factor 2v-1 is solved for v.
    const Term term(1, 0, {}, {{"w", std::numeric_limits<unsigned>::max()}}, {form({{"v", 2}}, -1)});
    EXPECT_THROW(definiteIntegral(Expolynomial(term), "v", zero, LinearForm("w")), std::overflow_error);
}

TEST(DefiniteIntegral, TwoFactorsSelectTheOverlapOfTheirRanges) {
    // heaviside(v - x) * heaviside(y - v) over [0, t]: the length of [x, y] within [0, t].
    const Term window = stepTerm(1, {form({{"v", 1}, {"x", -1}}, 0), form({{"v", -1}, {"y", 1}}, 0)});
    const Expolynomial integral = definiteIntegral(Expolynomial(window), "v", zero, t);
    for (int ti = 0; ti <= 8; ++ti)
        for (int xi = 0; xi <= 8; ++xi)
            for (int yi = 0; yi <= 8; ++yi) {
                const Point point{{"t", Rational(ti, 2)}, {"x", Rational(xi, 2)}, {"y", Rational(yi, 2)}};
                const Rational high = std::min(point.at("t"), point.at("y"));
                const Rational expected = std::max(Rational(0), Rational(high - point.at("x")));
                EXPECT_EQ(valueOf(integral, point), Quad(expected)) << text(integral) << " at " << ti << xi << yi;
            }
}

}  // namespace
