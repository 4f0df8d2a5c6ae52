// The hashed like-term merge must give exactly the term list of the plain pairwise merge, including
// where emptied slots (zero terms) absorb later constant terms.

#include "AlgebraTestSupport.hpp"

#include "algebra/Expolynomial.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace drova;

namespace {

// The merge as described: every pair i < j, emptied slots included.
void normaliseByPairs(Expolynomial& e) {
    auto& terms = e.terms;
    for (std::size_t i = 0; i < terms.size(); ++i) {
        for (std::size_t j = i + 1; j < terms.size(); ++j) {
            if (!areLike(terms[i], terms[j])) continue;
            terms[i].coefficient += terms[j].coefficient;
            terms[j] = ZeroTerm;
        }
    }
    std::erase_if(terms, [](const Term& t) { return t.coefficient == 0; });
    if (terms.empty()) terms.push_back(ZeroTerm);
}

// What the merge would give if emptied slots took no part: each shape at its first occurrence.
Expolynomial mergedAtFirstOccurrence(const std::vector<Term>& terms) {
    std::vector<Term> merged;
    for (const auto& term : terms) {
        auto like = std::find_if(merged.begin(), merged.end(), [&](const Term& m) { return areLike(m, term); });
        if (like != merged.end())
            like->coefficient += term.coefficient;
        else
            merged.push_back(term);
    }
    std::erase_if(merged, [](const Term& t) { return t.coefficient == 0; });
    if (merged.empty()) merged.push_back(ZeroTerm);
    return Expolynomial(std::move(merged));
}

// Lists drawn from a few shapes, so that shapes repeat, with constants, zero terms, terms of
// coefficient 0 and coefficients that cancel.
std::vector<Term> randomTermList(algebra_test::RandomAlgebra& random, const std::vector<Term>& shapes) {
    std::vector<Term> terms;
    for (int i = random.integer(0, 30); i > 0; --i) {
        const int kind = random.integer(0, 9);
        if (kind == 0) {
            terms.push_back(ZeroTerm);
        } else if (kind <= 2) {
            terms.emplace_back(Rational(random.integer(-2, 2)));
        } else {
            Term t = shapes[random.integer(0, static_cast<int>(shapes.size()) - 1)];
            t.coefficient = random.integer(-2, 2);
            terms.push_back(std::move(t));
        }
    }
    return terms;
}

TEST(NormaliseReference, HashedMergeEqualsPairwiseMergeOnRandomLists) {
    algebra_test::RandomAlgebra random(2024);
    int movedConstants = 0;
    for (int round = 0; round < 4000; ++round) {
        std::vector<Term> shapes;
        for (int i = random.integer(1, 5); i > 0; --i) shapes.push_back(random.term());
        const std::vector<Term> terms = randomTermList(random, shapes);
        Expolynomial hashed(terms), pairwise(terms);
        normalise(hashed);
        normaliseByPairs(pairwise);
        ASSERT_EQ(hashed, pairwise) << "round " << round << ": " << toSymbolicText(Expolynomial(terms));
        if (!(mergedAtFirstOccurrence(terms) == pairwise)) ++movedConstants;
    }
    // The random lists do exercise the rule that emptied slots take the constants.
    EXPECT_GT(movedConstants, 50);
}

}  // namespace
