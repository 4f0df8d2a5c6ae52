#include "AlgebraTestSupport.hpp"

#include "algebra/SymbolicText.hpp"
#include "algebra/Term.hpp"

#include <gtest/gtest.h>

#include <climits>

using namespace drova;

namespace {

using algebra_test::form;

Term withHeavisides(std::vector<LinearForm> heavisides) { return Term(Rational(1), 0, {}, {}, std::move(heavisides)); }

TEST(Term, HeavisideTermIsSimplifiedOnlyInAProduct) {
    // The heaviside term keeps its factor until it enters a product.
    const Term h(form({{"x", 1}}, 0));
    EXPECT_EQ(toSymbolicText(h), "1*heaviside(x)");
    EXPECT_EQ(toSymbolicText(multiply(h, Term(Rational(1)))), "1");
}

TEST(Term, ConstructorAddsRepeatedEntriesAndNormalises) {
    const Term t(Rational(2), Rational(1, 2), {{"y", Rational(-1)}, {"x", Rational(3)}, {"y", Rational(1)}},
                 {{"x", 1u}, {"x", 2u}}, {form({{"x", 1}}, 0), form({{"x", -1}}, 4)});
    EXPECT_EQ(toSymbolicText(t), "2*exp(1/sym(2))*exp(3*x)*x^(3)*heaviside(-x+4)");
}

TEST(Term, HeavisideSimplification) {
    // Negative for every non-negative x: the whole term is zero.
    EXPECT_EQ(withHeavisides({form({{"y", 1}}, 0), form({{"x", -1}}, -1)}), ZeroTerm);
    EXPECT_EQ(withHeavisides({form({}, -1)}), ZeroTerm);
    // Always 1 for non-negative values, including an argument that is exactly 0.
    EXPECT_EQ(toSymbolicText(withHeavisides({form({{"x", 1}, {"y", 1}}, 0), form({}, 2), form({}, 0)})), "1");
    // Same variables: the smaller constant wins, at the first position.
    EXPECT_EQ(toSymbolicText(withHeavisides({form({{"x", 1}, {"y", -1}}, 1), form({{"x", 1}, {"y", -1}}, -2)})),
              "1*heaviside(x-y-2)");
    EXPECT_EQ(toSymbolicText(withHeavisides(
                  {form({{"x", -1}, {"y", 1}}, 3), form({{"x", -1}}, 1), form({{"x", -1}, {"y", 1}}, -1)})),
              "1*heaviside(-x+y-1)*heaviside(-x+1)");
    // Mixed signs, or a negative coefficient with constant 0, decide nothing.
    EXPECT_EQ(toSymbolicText(withHeavisides({form({{"x", -1}}, 1), form({{"t", 1}}, -1), form({{"y", -1}}, 0)})),
              "1*heaviside(-x+1)*heaviside(t-1)*heaviside(-y)");
}

TEST(Term, LikeTermsDifferOnlyInCoefficient) {
    const Term a(Rational(2), 0, {{"x", Rational(-1)}}, {{"x", 1u}}, {form({{"x", -1}, {"y", 1}}, 0)});
    Term b = a;
    b.coefficient = -7;
    EXPECT_TRUE(areLike(a, b));
    Term c = b;
    c.exponentConstant = 1;
    EXPECT_FALSE(areLike(a, c));
    const Term d(Rational(2), 0, {{"x", Rational(-1)}}, {{"x", 2u}}, {form({{"x", -1}, {"y", 1}}, 0)});
    EXPECT_FALSE(areLike(a, d));
    // Heaviside lists compare in stored order.
    const LinearForm p = form({{"x", -1}}, 1), q = form({{"y", -1}}, 1);
    EXPECT_FALSE(areLike(withHeavisides({p, q}), withHeavisides({q, p})));
    EXPECT_TRUE(areLike(Term(Rational(3)), ZeroTerm));
}

TEST(Term, MultiplyCombinesFactorsAndNormalises) {
    const Term a(Rational(2), Rational(1), {{"x", Rational(-1)}}, {{"x", 1u}}, {form({{"t", 1}, {"x", -1}}, 0)});
    const Term b(Rational(-3, 4), Rational(-1), {{"x", Rational(1)}, {"y", Rational(2)}}, {{"y", 2u}},
                 {form({{"t", 1}, {"x", -1}}, -1), form({{"y", -1}}, 5)});
    EXPECT_EQ(toSymbolicText(multiply(a, b)), "-3/sym(2)*exp(2*y)*x^(1)*y^(2)*heaviside(t-x-1)*heaviside(-y+5)");
    EXPECT_EQ(toSymbolicText(multiply(b, a)), "-3/sym(2)*exp(2*y)*x^(1)*y^(2)*heaviside(t-x-1)*heaviside(-y+5)");
    EXPECT_EQ(toSymbolicText(a), "2*exp(sym(1))*exp(-1*x)*x^(1)*heaviside(t-x)");
    EXPECT_EQ(multiply(a, Term(form({{"x", -1}}, -1))), ZeroTerm);
}

TEST(Term, ExponentOverflowIsReportedNotWrapped) {
    const Term big(Rational(1), 0, {}, {{"x", UINT_MAX}}, {});
    EXPECT_THROW(multiply(big, big), std::overflow_error);
}

TEST(Term, ValueAtIsExactToQuadPrecision) {
    using algebra_test::Quad;
    // 27*exp(-3*t) at t = 1/3: 27*exp(-1).
    const Term t(Rational(27), 0, {{"t", Rational(-3)}}, {}, {});
    EXPECT_LT(abs(valueAt(t, "t", Rational(1, 3)) - 27 * exp(Quad(-1))), Quad("1e-31"));
    // 2*t^2*exp(1/2) at t = 3: 18*exp(1/2).
    const Term u(Rational(2), Rational(1, 2), {}, {{"t", 2u}}, {});
    EXPECT_LT(abs(valueAt(u, "t", Rational(3)) - 18 * exp(Quad(1) / 2)), Quad("1e-31"));
    // A heaviside factor that is 0 at the time bound makes the term zero.
    EXPECT_EQ(valueAt(Term(form({{"t", -1}}, 2)), "t", Rational(3)), 0);
    EXPECT_EQ(valueAt(Term(form({{"t", -1}}, 2)), "t", Rational(1)), 1);
    // Far beyond double range, still finite in the 15-bit exponent range.
    const Term huge(Rational(1), 0, {{"t", Rational(1)}}, {}, {});
    EXPECT_GT(valueAt(huge, "t", Rational(2000)), Quad("1e868"));
}

}  // namespace
