#pragma once
// Exact definite integration of expolynomials between limits that are linear forms.
//
// A heaviside factor whose argument contains the integration variable restricts the range. Such
// factors are removed one at a time by splitting the range where the factor switches, and the
// case distinction is written into the result as heaviside factors of the limits, so that the
// result holds whatever values the symbols of the limits take. The result is the integral when the
// lower limit is not above the upper one and every variable is non-negative (the reading under
// which terms drop their heaviside factors).

#include "algebra/Expolynomial.hpp"
#include "algebra/LinearForm.hpp"
#include "algebra/Term.hpp"

#include <string_view>

namespace drova {

// The integral of `integrand` over `variable` from `lower` to `upper`: the term-wise integrals
// (definiteIntegralOfTerm with each term's antiderivative) concatenated in term order, normalised.
// A heaviside argument whose coefficient of the variable is not +1 or -1 fails with
// std::invalid_argument "The variable V must not have a constant besides 1 and -1".
Expolynomial definiteIntegral(const Expolynomial& integrand, std::string_view variable, const LinearForm& lower,
                              const LinearForm& upper);

// The integral of `term` over `variable` from `lower` to `upper`, where `antiderivative` is the
// antiderivative of the whole term (which leaves out the heaviside factors containing the
// variable). Without such a factor: antiderivative(upper) - antiderivative(lower). Otherwise the
// first such factor, heaviside(+-variable + rest), is removed and the reduced term is integrated
// over the whole range (c) and over the part on the factor's side of its switching point s (e):
//   +variable: H(s - lower)*H(upper - s)*e + c - H(s - lower)*c
//   -variable: H(upper - s)*H(s - lower)*e + c - H(upper - s)*c
Expolynomial definiteIntegralOfTerm(const Term& term, std::string_view variable, const LinearForm& lower,
                                    const LinearForm& upper, const Expolynomial& antiderivative);

}  // namespace drova
