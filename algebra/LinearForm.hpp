#pragma once
// A linear form: sum of coefficient * variable over named variables, plus a rational constant.
// Heaviside factors take LinearForm arguments; substitution replaces a variable by one.

#include "algebra/OrderedList.hpp"
#include "algebra/Rational.hpp"

#include <string>
#include <string_view>
#include <vector>

namespace drova {

struct LinearForm {
    // Strictly ascending by name (nameLess), each name once, no coefficient 0.
    using Variables = std::vector<NamedValue<int>>;

    Variables variables;
    Rational constant;

    // The zero form: no variables, constant 0.
    LinearForm() = default;
    // Inserts the entries one by one with Sum, so repeated names add up and zero sums vanish.
    LinearForm(const Variables& entries, const Rational& constant);
    // No variables, the given constant.
    explicit LinearForm(const Rational& constant);
    // The single variable with coefficient +1, constant 0.
    explicit LinearForm(std::string variable);

    bool operator==(const LinearForm& other) const {
        return variables == other.variables && sameValue(constant, other.constant);
    }
};

// The constant form 1; as a heaviside argument it marks a factor that is always 1.
extern const LinearForm ConstantFormOne;

// A + B: B's entries inserted into a copy of A with Sum; constants add.
LinearForm add(const LinearForm& a, const LinearForm& b);
// target += addend, in place.
void addInPlace(LinearForm& target, const LinearForm& addend);
// A - B: every entry (v, c) of B inserted into a copy of A as (v, -c) with Sum; constants subtract.
LinearForm subtract(const LinearForm& a, const LinearForm& b);

// The coefficient of `variable`; throws std::invalid_argument "The variable V does not exist".
int coefficientOf(const LinearForm& form, std::string_view variable);

// The form M with form = 0 exactly when variable = M. Throws std::invalid_argument
// "The variable V does not exist", or "The variable V must not have a constant besides 1 and -1"
// when the coefficient of `variable` is not +1 or -1.
LinearForm solveFor(const LinearForm& form, std::string_view variable);

// In place: replaces `variable` (coefficient b) by b * replacement. Nothing changes when the form
// lacks the variable.
void substitute(LinearForm& form, std::string_view variable, const LinearForm& replacement);

}  // namespace drova
