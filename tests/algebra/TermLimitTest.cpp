// The budget of the exact computation: one expression may not outgrow the term limit, a
// computation may not produce more than ten times it, and a scope restores what it replaced.

#include "algebra/Expolynomial.hpp"
#include "algebra/TermLimit.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace drova;

namespace {

// n terms x^1 .. x^n, all unlike.
Expolynomial powersOf(const char* variable, unsigned n) {
    std::vector<Term> terms;
    for (unsigned k = 1; k <= n; ++k) terms.emplace_back(Rational(1), Rational(0), Term::Exponentials{}, Term::Powers{{variable, k}}, std::vector<LinearForm>{});
    return Expolynomial(std::move(terms));
}

std::string failure(const std::function<void()>& run) {
    try {
        run();
    } catch (const TermLimitExceeded& e) {
        return e.what();
    }
    return "no error";
}

TEST(TermLimit, OneExpressionMayNotOutgrowTheLimit) {
    const Expolynomial x = powersOf("x", 30), y = powersOf("y", 30);  // 900 unlike products
    {
        const TermLimitScope budget(1000);
        EXPECT_EQ(multiply(x, y).terms.size(), 900u);
    }
    const TermLimitScope budget(899);
    EXPECT_EQ(failure([&] { multiply(x, y); }), "An expression grew past the limit of 899 terms");
    // Like terms merge as they come: a product that collapses stays within the limit.
    EXPECT_EQ(multiply(powersOf("x", 1), x).terms.size(), 30u);
}

TEST(TermLimit, PowersOfLongSumsAreRefusedBeforeTheyAreListed) {
    // (a + b + c + 1)^1000 has binomial(1003, 3) = 167668501 terms.
    const TermLimitScope budget(100000);
    const Term power(Rational(1), Rational(0), {}, {{"t", 1000}}, {});
    const LinearForm sum({{"a", 1}, {"b", 1}, {"c", 1}}, Rational(1));
    EXPECT_EQ(failure([&] { substitute(power, "t", sum); }), "An expression grew past the limit of 100000 terms");
    // Small powers pass: (a + b + c + 1)^3 has binomial(6, 3) = 20 terms.
    const Term cube(Rational(1), Rational(0), {}, {{"t", 3}}, {});
    EXPECT_EQ(substitute(cube, "t", sum).terms.size(), 20u);
}

TEST(TermLimit, AComputationMayProduceTenTimesTheLimit) {
    const Expolynomial x = powersOf("x", 10);
    const TermLimitScope budget(100);  // 1000 produced terms
    for (int i = 0; i < 9; ++i) add(x, Expolynomial());  // 9 * 11 terms so far
    EXPECT_EQ(failure([&] {
                  for (int i = 0; i < 100; ++i) add(x, Expolynomial());
              }),
              "The computation produced more than 1000 terms (10 times the limit of 100 terms)");
    {
        // A new scope counts from zero, and the outer count comes back when it ends.
        const TermLimitScope inner(100);
        EXPECT_NO_THROW(add(x, x));
        EXPECT_EQ(termLimit(), 100u);
    }
    EXPECT_EQ(failure([&] { add(x, x); }), "The computation produced more than 1000 terms (10 times the limit of 100 terms)");
}

TEST(TermLimit, OutsideEveryScopeOnlyTheDefaultSizeHolds) {
    EXPECT_EQ(termLimit(), DefaultTermLimit);
    const Expolynomial x = powersOf("x", 100);
    // Far more produced terms than ten times any small limit, and no failure.
    for (int i = 0; i < 200; ++i) add(x, x);
}

}  // namespace
