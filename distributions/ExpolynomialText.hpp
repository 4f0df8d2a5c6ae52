#pragma once
// Densities written as text in the variable x: sums of terms c * x^k * exp(-r*x) with rational c
// and r, as an Expoly timer takes them, and the same form written back.

#include "algebra/Expolynomial.hpp"

#include <string>
#include <string_view>

namespace drova {

// Reads a sum of products of numbers (integers or decimals such as 0.25, read exactly, and
// divisions by them), x, exp(r*x + c), heaviside(x - c) and heaviside(c - x) (1 where the argument
// is at least 0, else 0: the pieces of a piecewise density), parenthesised sums, and powers of any
// of them (a whole number up to 1000, also written ^(k)). Throws std::invalid_argument
// "Could not read the density \"TEXT\" at character N: expected ..." (N counts from 1).
Expolynomial parseDensityText(std::string_view text);

// The expolynomial in x as parseDensityText reads it back: terms joined by + and -, each its
// coefficient (left out when it is 1 and factors follow), then x or x^k, then exp(r*x), such as
// 1/4*x*exp(-1/2*x). Exponent constants are written exp(c) and heaviside factors heaviside(x-c)
// or heaviside(c-x); the zero expolynomial is 0.
std::string densityText(const Expolynomial& expolynomial);

// The value of an expolynomial in the variable x alone (heaviside(0) = 1), in long double.
long double valueInX(const Expolynomial& expolynomial, long double x);

}  // namespace drova
