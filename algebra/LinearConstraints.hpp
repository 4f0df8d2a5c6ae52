#pragma once
// Exact decisions on systems of linear constraints L_1 >= 0, ..., L_m >= 0 over non-negative
// variables, the reading under which a term's heaviside factors are 1 (heaviside(L) is 1 for
// L >= 0, so every bound is non-strict). The decisions use an exact simplex over Rational, never
// floating point.
//
//     feasible({t - 2, 1 - t})           // false: no t satisfies both
//     impliedBy({t - 2}, t - 1)          // true: t >= 2 gives t >= 1
//     pruneHeavisides(term)              // zero term when infeasible, implied factors dropped

#include "algebra/Expolynomial.hpp"
#include "algebra/LinearForm.hpp"
#include "algebra/Rational.hpp"
#include "algebra/Term.hpp"

#include <optional>
#include <vector>

namespace drova {

// Whether some non-negative values of the variables make every form >= 0.
bool feasible(const std::vector<LinearForm>& constraints);

// The least value of `objective` over the non-negative values of the variables that make every
// constraint >= 0; none when no values satisfy them or the objective has no lower bound there.
// `infeasible` (when given) tells the two apart.
std::optional<Rational> minimumOf(const LinearForm& objective, const std::vector<LinearForm>& constraints,
                                  bool* infeasible = nullptr);

// Whether every non-negative solution of `constraints` makes `form` >= 0 as well (true when the
// constraints have no solution).
bool impliedBy(const std::vector<LinearForm>& constraints, const LinearForm& form);

// Removes from `term` the heaviside factors implied by the others (in order: a factor is dropped
// when the factors kept and those not yet looked at imply it), or makes it the zero term when its
// factors cannot all be 1 for non-negative variables. Neither changes the term's value at any
// non-negative point. Returns whether the term changed.
bool pruneHeavisides(Term& term);

// pruneHeavisides on every term, then the sum normalised again (terms that lost factors may have
// become like terms); the value is unchanged at every non-negative point. An expolynomial that
// nothing changed is left exactly as it was.
void pruneHeavisides(Expolynomial& expolynomial);

}  // namespace drova
