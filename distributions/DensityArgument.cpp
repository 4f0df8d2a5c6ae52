#include "distributions/DensityArgument.hpp"

#include <stdexcept>
#include <string>

namespace drova {

void requireGrowingArgument(const LinearForm& argument, std::string_view variable) {
    const int* coefficient = findValue(argument.variables, variable);
    if (coefficient && *coefficient > 0) return;
    throw std::invalid_argument("The argument of the density must contain the variable " + std::string(variable) +
                                " with a positive coefficient");
}

}  // namespace drova

namespace drova {

bool containsVariable(const Expolynomial& expolynomial, std::string_view variable) {
    for (const Term& term : expolynomial.terms) {
        if (findValue(term.exponentials, variable) || findValue(term.powers, variable)) return true;
        for (const LinearForm& form : term.heavisides)
            if (findValue(form.variables, variable)) return true;
    }
    return false;
}

}  // namespace drova
