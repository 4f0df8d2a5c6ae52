#pragma once
// One term of an expolynomial:
//   coefficient * exp(exponentConstant) * prod exp(rate * v) * prod v^k * prod heaviside(L).
// Variables are read as non-negative when heaviside factors are simplified.

#include "algebra/LinearForm.hpp"
#include "algebra/OrderedList.hpp"
#include "algebra/Rational.hpp"

#include <boost/multiprecision/cpp_bin_float.hpp>

#include <string_view>
#include <unordered_map>
#include <vector>

namespace drova {

struct Term {
    // Both strictly ascending by name, no zero rate and no zero exponent.
    using Exponentials = std::vector<NamedValue<Rational>>;
    using Powers = std::vector<NamedValue<unsigned>>;

    Rational coefficient;
    Rational exponentConstant;
    Exponentials exponentials;
    Powers powers;
    // In the order the factors were added; not sorted.
    std::vector<LinearForm> heavisides;

    // The zero term: coefficient 0, exponent constant 0, no factors.
    Term() = default;
    // The constant term: the coefficient alone.
    explicit Term(const Rational& coefficient);
    // Coefficient 1 and the single factor heaviside(argument); not normalised.
    explicit Term(const LinearForm& heavisideArgument);
    // Exponentials and powers are inserted entry by entry with Sum, heavisides copied in order,
    // and the term is normalised.
    Term(const Rational& coefficient, const Rational& exponentConstant, const Exponentials& exponentials,
         const Powers& powers, std::vector<LinearForm> heavisides);

    bool operator==(const Term& other) const;
};

// The zero term, copied wherever a term is cleared.
extern const Term ZeroTerm;

// Like terms differ at most in their coefficients: equal exponent constants, exponentials, powers
// and heaviside lists (compared in stored order).
bool areLike(const Term& a, const Term& b);

// Simplifies the heaviside factors, reading every variable as non-negative:
//  1. a factor whose constant is < 0 and whose coefficients are all < 0 makes the whole term the
//     zero term; one whose constant is >= 0 and whose coefficients are all >= 0 becomes the
//     constant form 1;
//  2. of two factors i < j with equal variable lists, i keeps the smaller constant and j becomes
//     the constant form 1;
//  3. factors equal to the constant form 1 are removed, the others keep their order.
void normalise(Term& term);

// Coefficients multiply, exponent constants add, b's exponentials and powers are added into a's,
// b's heaviside factors follow a's; the product is normalised.
Term multiply(const Term& a, const Term& b);

// The numeric value of a term in one variable at variable = value: the variable is substituted by
// the constant form `value`, and exp(exponent constant) * coefficient of the first resulting term is
// computed in 113-bit binary floating point.
boost::multiprecision::cpp_bin_float_quad valueAt(const Term& term, std::string_view variable, const Rational& value);

// exp(x) of rational exponents in 113-bit binary floating point, each computed once: evaluating
// many terms at one point meets the same few exponent constants again and again, and exp costs
// far more than the rest of an evaluation.
class ExponentialValues {
public:
    const boost::multiprecision::cpp_bin_float_quad& operator()(const Rational& exponent);

private:
    // Enough for any walk's exponent constants; beyond it the values are computed afresh.
    static constexpr std::size_t MaxValues = 1 << 16;
    std::unordered_map<Rational, boost::multiprecision::cpp_bin_float_quad> values_;
};

// valueAt, with the exponentials taken from (and added to) `exponentials`; the same value.
boost::multiprecision::cpp_bin_float_quad valueAt(const Term& term, std::string_view variable, const Rational& value,
                                                  ExponentialValues& exponentials);

}  // namespace drova
