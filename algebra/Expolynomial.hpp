#pragma once
// An expolynomial: an exact sum of terms, in the order in which they were produced. Every
// operation below returns a normalised value; the constructors store what they are given.

#include "algebra/LinearForm.hpp"
#include "algebra/Rational.hpp"
#include "algebra/Term.hpp"

#include <string_view>
#include <vector>

namespace drova {

struct Expolynomial {
    std::vector<Term> terms;

    // The zero expolynomial: exactly one zero term (the normalised form of 0).
    Expolynomial();
    // The list holding this one term.
    explicit Expolynomial(Term term);
    // The terms as given, not normalised; an empty list is allowed as the start of a sum.
    explicit Expolynomial(std::vector<Term> terms);

    // True when every term has coefficient 0 (for a normalised value: it is the single zero term).
    bool isZero() const;

    bool operator==(const Expolynomial&) const = default;
};

// One term with coefficient 1 and no factors: the neutral start of products.
extern const Expolynomial UnitExpolynomial;

// Merges like terms and drops zero terms. Literally: for each position i in order and each later
// position j, when terms i and j are like, i takes the sum of both coefficients and j is
// overwritten with the zero term (which then takes part in later comparisons, so it absorbs the
// constant terms after it); then every term with coefficient 0 is removed, and an empty result
// becomes the single zero term. Runs in expected linear time (terms are grouped by a hash of their
// shape), with the same result as the pairwise description.
void normalise(Expolynomial& expolynomial);

// A's terms, then B's, normalised.
Expolynomial add(const Expolynomial& a, const Expolynomial& b);
// A's terms, then each term of B multiplied by the constant term -1, normalised.
Expolynomial subtract(const Expolynomial& a, const Expolynomial& b);
// The same sums and differences, taking the terms of operands the caller no longer needs instead of
// copying them; the results are identical.
Expolynomial add(Expolynomial&& a, const Expolynomial& b);
Expolynomial subtract(Expolynomial&& a, const Expolynomial& b);
Expolynomial subtract(Expolynomial&& a, Expolynomial&& b);
// For each term a of A: the products a*b over B's terms, normalised as a block of their own and
// appended (a block that cancels leaves a zero term); the whole is normalised at the end.
Expolynomial multiply(const Expolynomial& a, const Expolynomial& b);
// The products term*b over B's terms in order, normalised.
Expolynomial multiply(const Term& term, const Expolynomial& b);

// Replaces `variable` by `replacement` in the exponentials (rates spread over the replacement's
// variables, constant part into the exponent constant) and in every heaviside factor, normalises
// the term, then expands a power variable^k over the compositions of k (one part per variable of
// the replacement, plus one for a non-zero constant, in composition order). Normalised.
Expolynomial substitute(const Term& term, std::string_view variable, const LinearForm& replacement);
// The term-wise substitutions concatenated in term order, normalised.
Expolynomial substitute(const Expolynomial& expolynomial, std::string_view variable,
                        const LinearForm& replacement);

// A primitive in `variable`. Heaviside factors whose argument contains the variable are left out
// of every produced term (definite integration puts their effect back). For rate a and exponent k
// of the variable: coefficient/(k+1) with exponent k+1 when a = 0, otherwise the terms
// i = 0..k of coefficient * (-1)^i * k!/(k-i)! / a^(i+1) with exponent k-i. Normalised.
Expolynomial antiderivative(const Term& term, std::string_view variable);

}  // namespace drova
