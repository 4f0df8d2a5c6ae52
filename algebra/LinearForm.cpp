#include "algebra/LinearForm.hpp"

#include <stdexcept>
#include <utility>

namespace drova {

// Built from a literal: another file's constants may not be initialised yet at load time.
const LinearForm ConstantFormOne{Rational(1)};

LinearForm::LinearForm(const Variables& entries, const Rational& constant) : constant(constant) {
    for (const auto& entry : entries) insertOrdered(variables, entry.name, entry.value, Combine::Sum);
}

LinearForm::LinearForm(const Rational& constant) : constant(constant) {}

LinearForm::LinearForm(std::string variable) : variables{{std::move(variable), 1}} {}

void addInPlace(LinearForm& target, const LinearForm& addend) {
    target.variables = mergeSum(target.variables, addend.variables);
    target.constant += addend.constant;
}

LinearForm add(const LinearForm& a, const LinearForm& b) {
    LinearForm sum = a;
    addInPlace(sum, b);
    return sum;
}

LinearForm subtract(const LinearForm& a, const LinearForm& b) {
    LinearForm difference = a;
    for (const auto& entry : b.variables)
        insertOrdered(difference.variables, entry.name, checkedNegation(entry.value), Combine::Sum);
    difference.constant -= b.constant;
    return difference;
}

int coefficientOf(const LinearForm& form, std::string_view variable) {
    if (const int* coefficient = findValue(form.variables, variable)) return *coefficient;
    throw std::invalid_argument("The variable " + std::string(variable) + " does not exist");
}

LinearForm solveFor(const LinearForm& form, std::string_view variable) {
    const int a = coefficientOf(form, variable);
    if (a != 1 && a != -1)
        throw std::invalid_argument("The variable " + std::string(variable) +
                                    " must not have a constant besides 1 and -1");
    LinearForm solution(-a * form.constant);
    for (const auto& entry : form.variables)
        if (entry.name != variable) solution.variables.push_back({entry.name, checkedProduct(-a, entry.value)});
    return solution;
}

void substitute(LinearForm& form, std::string_view variable, const LinearForm& replacement) {
    const int* found = findValue(form.variables, variable);
    if (!found) return;
    const int b = *found;
    eraseName(form.variables, variable);
    for (const auto& entry : replacement.variables)
        insertOrdered(form.variables, entry.name, checkedProduct(b, entry.value), Combine::Sum);
    form.constant += b * replacement.constant;
}

}  // namespace drova
