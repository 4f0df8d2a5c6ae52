#include "Failure.hpp"
#include "AlgebraTestSupport.hpp"

#include "algebra/LinearForm.hpp"
#include "algebra/SymbolicText.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <stdexcept>

using namespace drova;

namespace {


using algebra_test::form;

TEST(OrderedList, SumRemovesZeroResultsAndNeverStoresZero) {
    std::vector<NamedValue<int>> list{{"x", -3}};
    insertOrdered(list, "x", 3, Combine::Sum);
    EXPECT_TRUE(list.empty());
    insertOrdered(list, "a", 0, Combine::Sum);
    insertOrdered(list, "a", 0, Combine::Replace);
    EXPECT_TRUE(list.empty());

    std::vector<NamedValue<Rational>> rates{{"x", Rational(1, 2)}};
    insertOrdered(rates, "x", Rational(1, 3), Combine::Sum);
    EXPECT_EQ(rates, (std::vector<NamedValue<Rational>>{{"x", Rational(5, 6)}}));
    insertOrdered(rates, "x", Rational(7), Combine::Replace);
    EXPECT_EQ(rates, (std::vector<NamedValue<Rational>>{{"x", Rational(7)}}));
    insertOrdered(rates, "x", Rational(0), Combine::Replace);
    EXPECT_TRUE(rates.empty());
}

TEST(OrderedList, NamesOrderByteWiseWithPrefixesFirst) {
    std::vector<NamedValue<unsigned>> list;
    for (const char* name : {"t1", "a", "t", "B", "\xC3\xA9", "tt", "x"}) insertOrdered(list, name, 1u, Combine::Sum);
    std::vector<std::string> names;
    for (const auto& entry : list) names.push_back(entry.name);
    EXPECT_EQ(names, (std::vector<std::string>{"B", "a", "t", "t1", "tt", "x", "\xC3\xA9"}));
}

TEST(OrderedList, MergeSumEqualsInsertingEntryByEntry) {
    algebra_test::RandomAlgebra random(7);
    for (int round = 0; round < 500; ++round) {
        std::vector<NamedValue<int>> base, addend, expected;
        for (int i = random.integer(0, 4); i > 0; --i) insertOrdered(base, random.name(), random.integer(-2, 2), Combine::Sum);
        for (int i = random.integer(0, 4); i > 0; --i) insertOrdered(addend, random.name(), random.integer(-2, 2), Combine::Sum);
        expected = base;
        for (const auto& entry : addend) insertOrdered(expected, entry.name, entry.value, Combine::Sum);
        EXPECT_EQ(mergeSum(base, addend), expected);
    }
}

TEST(LinearForm, ConstructionAddsRepeatedNamesAndDropsZeros) {
    const LinearForm f = form({{"y", 1}, {"x", 1}, {"y", -1}, {"x", 1}, {"b", 0}}, Rational(1, 2));
    EXPECT_EQ(f.variables, (LinearForm::Variables{{"x", 2}}));
    EXPECT_EQ(f.constant, Rational(1, 2));
    EXPECT_EQ(LinearForm("t"), form({{"t", 1}}, 0));
    EXPECT_EQ(LinearForm(Rational(3)), form({}, 3));
    EXPECT_EQ(ConstantFormOne, form({}, 1));
    EXPECT_EQ(LinearForm(), form({}, 0));
}

TEST(LinearForm, AddAndSubtractCombineEntriesAndConstants) {
    const LinearForm a = form({{"x", 1}, {"y", -1}}, 2);
    const LinearForm b = form({{"y", 1}, {"z", -1}}, Rational(1, 2));
    EXPECT_EQ(toSymbolicText(add(a, b)), "x-z+5/sym(2)");
    EXPECT_EQ(toSymbolicText(subtract(a, b)), "x-2*y+z+3/sym(2)");
    EXPECT_EQ(toSymbolicText(subtract(a, a)), "0");
    LinearForm c = a;
    addInPlace(c, b);
    EXPECT_EQ(c, add(a, b));
    EXPECT_EQ(toSymbolicText(a), "x-y+2");  // inputs unchanged
}

TEST(LinearForm, CoefficientOfAndSolveFor) {
    const LinearForm f = form({{"x", 1}, {"y", -1}}, 2);
    EXPECT_EQ(coefficientOf(f, "y"), -1);
    EXPECT_EQ(failure<std::invalid_argument>([&] { coefficientOf(f, "z"); }), "The variable z does not exist");
    EXPECT_EQ(toSymbolicText(solveFor(f, "x")), "y-2");
    EXPECT_EQ(toSymbolicText(solveFor(form({{"x", -1}, {"y", 1}}, 0), "x")), "y");
    EXPECT_EQ(toSymbolicText(solveFor(form({{"a", 1}, {"x", -1}, {"y", -1}}, Rational(-1, 3)), "x")),
              "a-y-1/sym(3)");
    EXPECT_EQ(toSymbolicText(solveFor(f, "y")), "x+2");

    const LinearForm twoX = add(LinearForm("x"), LinearForm("x"));
    EXPECT_EQ(failure<std::invalid_argument>([&] { solveFor(twoX, "x"); }), "The variable x must not have a constant besides 1 and -1");
    EXPECT_EQ(failure<std::invalid_argument>([&] { solveFor(twoX, "q"); }), "The variable q does not exist");
}

TEST(LinearForm, SubstituteInPlaceScalesTheReplacement) {
    LinearForm f = form({{"x", -1}, {"y", 1}}, 1);
    substitute(f, "x", form({{"t", 1}, {"y", 1}}, 3));
    EXPECT_EQ(toSymbolicText(f), "-t-2");
    substitute(f, "q", form({{"t", 1}}, 3));
    EXPECT_EQ(toSymbolicText(f), "-t-2");
    // The replacement may name the substituted variable itself.
    LinearForm g = form({{"x", 1}}, 0);
    substitute(g, "x", form({{"x", 1}}, 1));
    EXPECT_EQ(toSymbolicText(g), "x+1");
}

TEST(LinearForm, CoefficientOverflowIsReportedNotWrapped) {
    const LinearForm big = form({{"x", INT_MAX}}, 0);
    EXPECT_THROW(add(big, LinearForm("x")), std::overflow_error);
    EXPECT_THROW(subtract(LinearForm(), form({{"x", INT_MIN}}, 0)), std::overflow_error);
    LinearForm scaled = form({{"x", 2}}, 0);
    EXPECT_THROW(substitute(scaled, "x", big), std::overflow_error);
}

}  // namespace
