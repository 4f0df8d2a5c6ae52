#include "AlgebraTestSupport.hpp"

#include "algebra/Expolynomial.hpp"
#include "algebra/SymbolicText.hpp"

#include <gtest/gtest.h>

using namespace drova;

namespace {

using algebra_test::expolynomial;
using algebra_test::form;
using algebra_test::text;

Term expTerm(const Rational& coefficient, const char* variable, const Rational& rate, unsigned power = 0) {
    Term::Powers powers;
    if (power > 0) powers.push_back({variable, power});
    return Term(coefficient, 0, {{variable, rate}}, powers, {});
}

Term powerTerm(const Rational& coefficient, const char* variable, unsigned power) {
    return Term(coefficient, 0, {}, {{variable, power}}, {});
}

Expolynomial normalised(std::vector<Term> terms) {
    Expolynomial e(std::move(terms));
    normalise(e);
    return e;
}

TEST(Expolynomial, ZeroTest) {
    EXPECT_EQ(Expolynomial().terms, std::vector<Term>{ZeroTerm});
    EXPECT_TRUE(Expolynomial().isZero());
    EXPECT_TRUE(expolynomial({}).isZero());
    EXPECT_FALSE(UnitExpolynomial.isZero());
    EXPECT_FALSE(expolynomial({ZeroTerm, Term(Rational(1, 2))}).isZero());
}

TEST(Expolynomial, NormaliseMergesLikeTermsAtTheFirstPosition) {
    EXPECT_EQ(text(normalised({Term(Rational(5)), expTerm(1, "x", -1, 1), expTerm(2, "x", -1, 1)})),
              "5+3*exp(-1*x)*x^(1)");
    EXPECT_EQ(text(normalised({expTerm(1, "x", -1, 1), expTerm(2, "y", -1), expTerm(-1, "x", -1, 1)})),
              "2*exp(-1*y)");
    EXPECT_EQ(text(normalised({expTerm(1, "x", -1, 1), expTerm(-1, "x", -1, 1)})), "0");
    EXPECT_EQ(normalised({}).terms, std::vector<Term>{ZeroTerm});
}

TEST(Expolynomial, EmptiedSlotsAbsorbLaterConstants) {
    // The leading zero term takes the constant: 1 comes first.
    EXPECT_EQ(text(add(Expolynomial(), expolynomial({expTerm(-1, "t", -2), Term(Rational(1))}))), "1-1*exp(-2*t)");
    // The second x^(1) is emptied before the constant 4 is reached, so 4 lands in its slot.
    EXPECT_EQ(text(normalised({powerTerm(1, "x", 1), powerTerm(1, "x", 1), expTerm(3, "t", -1), Term(Rational(4))})),
              "2*x^(1)+4+3*exp(-1*t)");
    // Starting from the empty list, the constant keeps its own place.
    EXPECT_EQ(text(add(expolynomial({}), expolynomial({expTerm(-1, "t", -2), Term(Rational(1))}))),
              "-1*exp(-2*t)+1");
    // Constants before and after an emptied slot all gather at the first constant.
    EXPECT_EQ(text(normalised({powerTerm(1, "x", 1), Term(Rational(2)), powerTerm(1, "x", 1), Term(Rational(3))})),
              "2*x^(1)+5");
}

TEST(Expolynomial, AddAndSubtractKeepLeftTermsFirst) {
    const Expolynomial a = expolynomial({powerTerm(2, "t", 1), Term(Rational(1))});
    const Expolynomial b = expolynomial({expTerm(1, "t", -1), powerTerm(1, "t", 1)});
    EXPECT_EQ(text(add(a, b)), "3*t^(1)+1+1*exp(-1*t)");
    EXPECT_EQ(text(subtract(a, b)), "1*t^(1)+1-1*exp(-1*t)");
    EXPECT_EQ(text(subtract(b, b)), "0");
    // Subtraction multiplies B's terms, so their heaviside factors are simplified.
    EXPECT_EQ(text(subtract(expolynomial({}), expolynomial({Term(form({{"t", 1}}, 0))}))), "-1");
    EXPECT_EQ(text(add(expolynomial({}), expolynomial({Term(form({{"t", 1}}, 0))}))), "1*heaviside(t)");
}

TEST(Expolynomial, MultiplyDistributesBlockByBlock) {
    const Expolynomial a = expolynomial({Term(Rational(1)), expTerm(-1, "t", -1)});
    const Expolynomial b = expolynomial({Term(Rational(1)), expTerm(1, "t", -1)});
    // (1 - e^-t)(1 + e^-t) = 1 - e^-2t; the e^-t products cancel across blocks.
    EXPECT_EQ(text(multiply(a, b)), "1-1*exp(-2*t)");
    EXPECT_EQ(text(multiply(expTerm(2, "x", Rational(1, 2)), b)), "2*exp(1/sym(2)*x)+2*exp(-1*t)*exp(1/sym(2)*x)");
    EXPECT_EQ(text(multiply(UnitExpolynomial, b)), text(b));
    EXPECT_EQ(text(multiply(b, Expolynomial())), "0");
}

TEST(Expolynomial, BlockThatCancelsLeavesAZeroSlotForTheFinalMerge) {
    // (H(x-3) + e^t) * (e^-t H(x-1) - e^-t). Block 1: e^-t H(x-3) - e^-t H(x-3) cancels to the zero
    // term; block 2 is H(x-1) - 1. The zero slot of block 1 stands first and takes the constant.
    const Term stepAt3(Rational(1), 0, {}, {}, {form({{"x", 1}}, -3)});
    const Expolynomial a = expolynomial({stepAt3, expTerm(1, "t", 1)});
    const Term decayFrom1(Rational(1), 0, {{"t", Rational(-1)}}, {}, {form({{"x", 1}}, -1)});
    const Expolynomial b = expolynomial({decayFrom1, expTerm(-1, "t", -1)});
    EXPECT_EQ(text(multiply(a, b)), "-1+1*heaviside(x-1)");
    EXPECT_EQ(text(multiply(expTerm(1, "t", 1), b)), "1*heaviside(x-1)-1");
}

TEST(Expolynomial, SubstituteExpandsPowersInCompositionOrder) {
    const LinearForm yPlusOne = form({{"y", 1}}, 1);
    EXPECT_EQ(text(substitute(powerTerm(2, "x", 2), "x", yPlusOne)), "2*y^(2)+4*y^(1)+2");
    // x^3 e^-x at x = 0 and at x = 3.
    const Term cubic = expTerm(1, "x", -1, 3);
    EXPECT_EQ(text(substitute(cubic, "x", LinearForm())), "0");
    EXPECT_EQ(text(substitute(cubic, "x", LinearForm(Rational(3)))), "27*exp(-sym(3))");
    // Rates spread over the replacement's variables; the constant part goes to the exponent constant.
    EXPECT_EQ(text(substitute(expTerm(3, "x", -2), "x", form({{"t", 1}, {"u", -1}}, Rational(1, 2)))),
              "3*exp(-sym(1))*exp(-2*t)*exp(2*u)");
    // Coefficients of the replacement are raised to the parts: (2a - b)^2 = 4a^2 - 4ab + b^2.
    EXPECT_EQ(text(substitute(powerTerm(1, "x", 2), "x", form({{"a", 2}, {"b", -1}}, 0))),
              "4*a^(2)-4*a^(1)*b^(1)+1*b^(2)");
    // The substituted variable may reappear: x := x + 1 in x^2.
    EXPECT_EQ(text(substitute(powerTerm(1, "x", 2), "x", form({{"x", 1}}, 1))), "1*x^(2)+2*x^(1)+1");
    // A term without the variable comes back unchanged.
    EXPECT_EQ(text(substitute(powerTerm(1, "y", 2), "x", yPlusOne)), "1*y^(2)");
}

TEST(Expolynomial, SubstituteRewritesAndSimplifiesHeavisides) {
    const Term t(Rational(1), 0, {}, {}, {form({{"x", 1}, {"y", -1}}, 0), form({{"x", -1}}, 4)});
    EXPECT_EQ(text(substitute(t, "x", form({{"y", 1}}, 1))), "1*heaviside(-y+3)");
    EXPECT_EQ(text(substitute(t, "x", LinearForm(Rational(5)))), "0");
    EXPECT_EQ(text(substitute(t, "x", form({{"z", 1}}, 0))), "1*heaviside(-y+z)*heaviside(-z+4)");
    const Expolynomial e = expolynomial({t, powerTerm(1, "x", 1)});
    EXPECT_EQ(text(substitute(e, "x", LinearForm(Rational(2)))), "1*heaviside(-y+2)+2");
    // A term the substitution zeroes leaves a zero slot that absorbs the later constant.
    const Expolynomial f = expolynomial({powerTerm(3, "x", 1), expTerm(1, "y", -1), Term(Rational(7))});
    EXPECT_EQ(text(substitute(f, "x", LinearForm())), "7+1*exp(-1*y)");
}

TEST(Expolynomial, AntiderivativeOfExponentialPolynomials) {
    EXPECT_EQ(text(antiderivative(expTerm(1, "x", -2), "x")), "-1/sym(2)*exp(-2*x)");
    EXPECT_EQ(text(antiderivative(expTerm(1, "x", -1, 1), "x")), "-1*exp(-1*x)*x^(1)-1*exp(-1*x)");
    EXPECT_EQ(text(antiderivative(Term(Rational(3)), "x")), "3*x^(1)");
    EXPECT_EQ(text(antiderivative(powerTerm(3, "x", 2), "x")), "1*x^(3)");
    EXPECT_EQ(text(antiderivative(expTerm(1, "x", Rational(1, 2), 2), "x")),
              "2*exp(1/sym(2)*x)*x^(2)-8*exp(1/sym(2)*x)*x^(1)+16*exp(1/sym(2)*x)");
    // Other variables are constants; factors mentioning x are dropped, the others stay.
    const Term t(Rational(1), 0, {{"y", Rational(-1)}}, {{"y", 1u}},
                 {form({{"x", 1}, {"y", -1}}, 0), form({{"t", 1}, {"y", -1}}, 0)});
    EXPECT_EQ(text(antiderivative(t, "x")), "1*exp(-1*y)*x^(1)*y^(1)*heaviside(t-y)");
    EXPECT_EQ(text(antiderivative(ZeroTerm, "x")), "0");
}

TEST(Expolynomial, AntiderivativeFallingFactorialIsExactBeyond32Bits) {
    // x^20 e^x: the last term's coefficient is (-1)^20 * 20! / 1, far beyond 32 bits.
    const Expolynomial f = antiderivative(expTerm(1, "x", 1, 20), "x");
    ASSERT_EQ(f.terms.size(), 21u);
    EXPECT_EQ(f.terms[13].coefficient, Rational(-BigInt("482718652416000")));  // -20!/7!
    EXPECT_EQ(f.terms.back().coefficient, Rational(BigInt("2432902008176640000")));
    EXPECT_EQ(toSymbolicText(f.terms.back()), "sym('2432902008176640000')*exp(1*x)");
}

TEST(Expolynomial, SubstituteMultinomialsAreExactBeyond32Bits) {
    // (a + b)^34: the middle coefficient binomial(34, 17) = 2333606220 exceeds 2^31 - 1.
    const Expolynomial e = substitute(powerTerm(1, "x", 34), "x", form({{"a", 1}, {"b", 1}}, 0));
    ASSERT_EQ(e.terms.size(), 35u);
    EXPECT_EQ(toSymbolicText(e.terms[17]), "2333606220*a^(17)*b^(17)");
}

}  // namespace
