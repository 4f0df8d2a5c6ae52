#include "algebra/DefiniteIntegral.hpp"

#include <algorithm>
#include <utility>

namespace drova {

Expolynomial definiteIntegral(const Expolynomial& integrand, std::string_view variable, const LinearForm& lower,
                              const LinearForm& upper) {
    Expolynomial result(std::vector<Term>{});
    for (const auto& term : integrand.terms) {
        const Expolynomial primitive = antiderivative(term, variable);
        Expolynomial part = definiteIntegralOfTerm(term, variable, lower, upper, primitive);
        for (auto& partTerm : part.terms) result.terms.push_back(std::move(partTerm));
    }
    normalise(result);
    return result;
}

Expolynomial definiteIntegralOfTerm(const Term& term, std::string_view variable, const LinearForm& lower,
                                    const LinearForm& upper, const Expolynomial& antiderivative) {
    const auto containsVariable = [variable](const LinearForm& form) {
        return findValue(form.variables, variable) != nullptr;
    };
    const auto split = std::find_if(term.heavisides.begin(), term.heavisides.end(), containsVariable);
    if (split == term.heavisides.end())
        return subtract(substitute(antiderivative, variable, upper), substitute(antiderivative, variable, lower));

    const LinearForm factor = *split;
    Term reduced = term;
    reduced.heavisides.erase(reduced.heavisides.begin() + (split - term.heavisides.begin()));

    // The whole range first: a factor the variable cannot be solved for fails only after it.
    const Expolynomial whole = definiteIntegralOfTerm(reduced, variable, lower, upper, antiderivative);
    const int coefficient = coefficientOf(factor, variable);
    const LinearForm switchPoint = solveFor(factor, variable);

    // In this order: the integral over the factor's side of the switching point (e), the masked whole
    // range M = H * c, then (H * H * e + c) - M; the sum and the difference keep their left operand's
    // terms first, so the operand order fixes the order of the result's terms.
    if (coefficient < 1) {
        // heaviside(-variable + ...) is 1 below the switching point.
        const Expolynomial below = definiteIntegralOfTerm(reduced, variable, lower, switchPoint, antiderivative);
        const Term upperAboveSwitch(subtract(upper, switchPoint));
        const Expolynomial masked = multiply(upperAboveSwitch, whole);
        const Term inside = multiply(upperAboveSwitch, Term(subtract(switchPoint, lower)));
        return subtract(add(multiply(inside, below), whole), masked);
    }
    // heaviside(variable + ...) is 1 above the switching point.
    const Expolynomial above = definiteIntegralOfTerm(reduced, variable, switchPoint, upper, antiderivative);
    const Term switchAboveLower(subtract(switchPoint, lower));
    const Expolynomial masked = multiply(switchAboveLower, whole);
    const Term inside = multiply(switchAboveLower, Term(subtract(upper, switchPoint)));
    return subtract(add(multiply(inside, above), whole), masked);
}

}  // namespace drova
