#pragma once
// The texts that MATLAB's symbolic engine evaluates without rounding: whole numbers, rationals,
// terms, expolynomials and linear forms. Their bytes are an external interface.

#include "algebra/Expolynomial.hpp"
#include "algebra/LinearForm.hpp"
#include "algebra/Rational.hpp"
#include "algebra/Term.hpp"

#include <string>

namespace drova {

// Decimal digits of n (leading "-" when negative). Beyond +-2^53, where a double would round it,
// always sym('digits'); otherwise sym(digits) when `wrap`, else the digits alone.
std::string toSymbolicText(const BigInt& n, bool wrap);

// toText(r) when not `symbolic`. Otherwise "-" for a negative value, then for |r|: the numerator
// (not wrapped) + "/" + the denominator (wrapped) when the denominator is not 1, else the numerator
// wrapped when `wrapWhole`. Examples: 5, sym(5), -3/sym(4), 1/sym(3).
std::string toSymbolicText(const Rational& r, bool symbolic, bool wrapWhole);

// Coefficient (always written), then *exp(constant) when the exponent constant is not 0, then one
// *exp(rate*v) per exponential, *v^(k) per power and *heaviside(L) per factor, all in stored order:
// 2*exp(-3*x)*x^(2)*heaviside(x-y+1).
std::string toSymbolicText(const Term& term);

// The terms in order, each after the first prefixed with "+" unless it is negative: 1-1*exp(-2*t).
// The zero expolynomial is written 0.
std::string toSymbolicText(const Expolynomial& expolynomial);

// The variables in order, each with its sign ("+" omitted on the first) and, when the coefficient
// is not +1 or -1, its magnitude and "*": 2*y-1, -3*x+y. Then the constant: written when not 0,
// with "+" when positive after a variable; "0" for the zero form. Examples: x-y+1, -x+3/sym(2).
std::string toSymbolicText(const LinearForm& form);

}  // namespace drova
