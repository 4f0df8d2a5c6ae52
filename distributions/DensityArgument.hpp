#pragma once
// Checks shared by the integrals to infinity of the continuous densities.

#include "algebra/LinearForm.hpp"

#include <string_view>

namespace drova {

// An integral to +infinity of a density is finite, and its formula holds, only when the density's
// argument grows with the integration variable. Throws std::invalid_argument "The argument of the
// density must contain the variable V with a positive coefficient" otherwise.
void requireGrowingArgument(const LinearForm& argument, std::string_view variable);

}  // namespace drova

#include "algebra/Expolynomial.hpp"

namespace drova {

// Whether any term of the expolynomial has the variable in an exponential, a power or a heaviside
// factor.
bool containsVariable(const Expolynomial& expolynomial, std::string_view variable);

}  // namespace drova
