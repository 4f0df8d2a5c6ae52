#include "AlgebraTestSupport.hpp"

#include "algebra/SymbolicText.hpp"

#include <gtest/gtest.h>

#include <climits>

using namespace drova;

namespace {

using algebra_test::expolynomial;
using algebra_test::form;

const BigInt twoTo53 = BigInt(1) << 53;

TEST(SymbolicText, WholeNumbersQuoteOnlyBeyondTwoTo53) {
    EXPECT_EQ(toSymbolicText(twoTo53, false), "9007199254740992");
    EXPECT_EQ(toSymbolicText(twoTo53, true), "sym(9007199254740992)");
    EXPECT_EQ(toSymbolicText(BigInt(twoTo53 + 1), false), "sym('9007199254740993')");
    EXPECT_EQ(toSymbolicText(BigInt(twoTo53 + 1), true), "sym('9007199254740993')");
    EXPECT_EQ(toSymbolicText(BigInt(-twoTo53), false), "-9007199254740992");
    EXPECT_EQ(toSymbolicText(BigInt(-twoTo53 - 1), true), "sym('-9007199254740993')");
    EXPECT_EQ(toSymbolicText(BigInt(7), true), "sym(7)");
    EXPECT_EQ(toSymbolicText(BigInt(7), false), "7");
    EXPECT_EQ(toSymbolicText(BigInt(0), true), "sym(0)");
}

TEST(SymbolicText, Rationals) {
    EXPECT_EQ(toSymbolicText(Rational(5), true, false), "5");
    EXPECT_EQ(toSymbolicText(Rational(5), true, true), "sym(5)");
    EXPECT_EQ(toSymbolicText(Rational(-3, 4), true, false), "-3/sym(4)");
    EXPECT_EQ(toSymbolicText(Rational(-3, 4), true, true), "-3/sym(4)");
    EXPECT_EQ(toSymbolicText(Rational(1, 3), true, false), "1/sym(3)");
    EXPECT_EQ(toSymbolicText(Rational(-2), true, true), "-sym(2)");
    EXPECT_EQ(toSymbolicText(Rational(-3, 4), false, true), "-3/4");
    EXPECT_EQ(toSymbolicText(Rational(0), true, false), "0");
    // The sign is written first, so the quoted digits never carry it.
    EXPECT_EQ(toSymbolicText(Rational(-BigInt("90071992547409930"), BigInt("3")), true, false),
              "-sym('30023997515803310')");
    EXPECT_EQ(toSymbolicText(Rational(BigInt(1), BigInt(twoTo53 + 1)), true, false), "1/sym('9007199254740993')");
    EXPECT_EQ(toSymbolicText(Rational(BigInt(twoTo53 + 1), BigInt(2)), true, false), "sym('9007199254740993')/sym(2)");
}

TEST(SymbolicText, Terms) {
    const Term t(Rational(2), 0, {{"x", Rational(-3)}}, {{"x", 2u}}, {form({{"x", 1}, {"y", -1}}, 1)});
    EXPECT_EQ(toSymbolicText(t), "2*exp(-3*x)*x^(2)*heaviside(x-y+1)");
    EXPECT_EQ(toSymbolicText(Term(Rational(1), 0, {{"t", Rational(1)}}, {{"t", 1u}}, {})), "1*exp(1*t)*t^(1)");
    EXPECT_EQ(toSymbolicText(Term(Rational(1), Rational(-2), {}, {}, {})), "1*exp(-sym(2))");
    EXPECT_EQ(toSymbolicText(Term(Rational(-1, 3), Rational(1, 2), {}, {}, {})), "-1/sym(3)*exp(1/sym(2))");
    // One exp factor per variable, in name order.
    EXPECT_EQ(toSymbolicText(Term(Rational(1), 0, {{"y", Rational(1, 2)}, {"x", Rational(-1)}}, {{"y", 3u}, {"b", 1u}}, {})),
              "1*exp(-1*x)*exp(1/sym(2)*y)*b^(1)*y^(3)");
    // Heaviside factors in stored order.
    EXPECT_EQ(toSymbolicText(Term(Rational(1), 0, {}, {}, {form({{"y", -1}}, 2), form({{"x", -1}}, 1)})),
              "1*heaviside(-y+2)*heaviside(-x+1)");
    EXPECT_EQ(toSymbolicText(Term(Rational(3), 0, {{"t", Rational(BigInt(1) << 60)}}, {}, {})),
              "3*exp(sym('1152921504606846976')*t)");
}

TEST(SymbolicText, Expolynomials) {
    const Term decay(Rational(-1), 0, {{"t", Rational(-2)}}, {}, {});
    EXPECT_EQ(toSymbolicText(expolynomial({Term(Rational(1)), decay})), "1-1*exp(-2*t)");
    EXPECT_EQ(toSymbolicText(expolynomial({decay, Term(Rational(1, 2))})), "-1*exp(-2*t)+1/sym(2)");
    EXPECT_EQ(toSymbolicText(Expolynomial()), "0");
    EXPECT_EQ(toSymbolicText(UnitExpolynomial), "1");
    // A later zero coefficient is not negative, so it takes a "+".
    EXPECT_EQ(toSymbolicText(expolynomial({Term(Rational(1)), Term(Rational(0))})), "1+0");
}

TEST(SymbolicText, LinearForms) {
    EXPECT_EQ(toSymbolicText(form({{"x", 1}, {"y", -1}}, 1)), "x-y+1");
    EXPECT_EQ(toSymbolicText(form({{"x", -1}}, Rational(3, 2))), "-x+3/sym(2)");
    EXPECT_EQ(toSymbolicText(LinearForm()), "0");
    EXPECT_EQ(toSymbolicText(LinearForm(Rational(-1, 2))), "-1/sym(2)");
    EXPECT_EQ(toSymbolicText(LinearForm(Rational(-2))), "-2");
    EXPECT_EQ(toSymbolicText(LinearForm("x")), "x");
    EXPECT_EQ(toSymbolicText(form({{"t", -1}}, -5)), "-t-5");
    // Coefficients other than +1 and -1 are written with their magnitude.
    EXPECT_EQ(toSymbolicText(form({{"y", 2}}, -1)), "2*y-1");
    EXPECT_EQ(toSymbolicText(form({{"x", -3}, {"y", 1}}, 0)), "-3*x+y");
    EXPECT_EQ(toSymbolicText(form({{"a", 1}, {"b", 12}}, 0)), "a+12*b");
    EXPECT_EQ(toSymbolicText(form({{"x", INT_MIN}}, 0)), "-2147483648*x");
    EXPECT_EQ(toSymbolicText(Term(Rational(1), 0, {}, {}, {form({{"y", 2}}, -1)})), "1*heaviside(2*y-1)");
}

}  // namespace
