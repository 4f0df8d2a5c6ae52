#include "algebra/Term.hpp"

#include "algebra/Expolynomial.hpp"

#include <algorithm>
#include <utility>

namespace drova {

const Term ZeroTerm{};

Term::Term(const Rational& coefficient) : coefficient(coefficient) {}

Term::Term(const LinearForm& heavisideArgument) : coefficient(1), heavisides{heavisideArgument} {}

Term::Term(const Rational& coefficient, const Rational& exponentConstant, const Exponentials& exponentials,
           const Powers& powers, std::vector<LinearForm> heavisides)
    : coefficient(coefficient), exponentConstant(exponentConstant), heavisides(std::move(heavisides)) {
    for (const auto& entry : exponentials) insertOrdered(this->exponentials, entry.name, entry.value, Combine::Sum);
    for (const auto& entry : powers) insertOrdered(this->powers, entry.name, entry.value, Combine::Sum);
    normalise(*this);
}

bool areLike(const Term& a, const Term& b) {
    return sameValue(a.exponentConstant, b.exponentConstant) && a.exponentials == b.exponentials &&
           a.powers == b.powers && a.heavisides == b.heavisides;
}

bool Term::operator==(const Term& other) const {
    return sameValue(coefficient, other.coefficient) && areLike(*this, other);
}

namespace {

bool isConstantFormOne(const LinearForm& form) { return form.variables.empty() && sameValue(form.constant, 1); }

}  // namespace

void normalise(Term& term) {
    auto& factors = term.heavisides;
    if (factors.empty()) return;
    for (auto& factor : factors) {
        const auto& vars = factor.variables;
        const bool allNegative = std::all_of(vars.begin(), vars.end(), [](const auto& v) { return v.value < 0; });
        const bool allNonNegative = std::all_of(vars.begin(), vars.end(), [](const auto& v) { return v.value >= 0; });
        const int sign = factor.constant.sign();
        if (sign < 0 && allNegative) {
            // Negative for all non-negative values of the variables: the factor is 0.
            term = Term();
            return;
        }
        if (sign >= 0 && allNonNegative) factor = ConstantFormOne;
    }
    // heaviside(L + a) * heaviside(L + b) = heaviside(L + min(a, b)).
    for (std::size_t i = 0; i < factors.size(); ++i) {
        for (std::size_t j = i + 1; j < factors.size(); ++j) {
            if (factors[i].variables != factors[j].variables) continue;
            if (factors[j].constant < factors[i].constant) factors[i].constant = factors[j].constant;
            factors[j] = ConstantFormOne;
        }
    }
    std::erase_if(factors, isConstantFormOne);
}

Term multiply(const Term& a, const Term& b) {
    Term product;
    product.coefficient = a.coefficient * b.coefficient;
    product.exponentConstant = a.exponentConstant + b.exponentConstant;
    product.exponentials = mergeSum(a.exponentials, b.exponentials);
    product.powers = mergeSum(a.powers, b.powers);
    product.heavisides.reserve(a.heavisides.size() + b.heavisides.size());
    product.heavisides = a.heavisides;
    product.heavisides.insert(product.heavisides.end(), b.heavisides.begin(), b.heavisides.end());
    normalise(product);
    return product;
}

using Quad = boost::multiprecision::cpp_bin_float_quad;

Quad valueAt(const Term& term, std::string_view variable, const Rational& value) {
    const Expolynomial atValue = substitute(term, variable, LinearForm(value));
    const Term& first = atValue.terms.front();
    return exp(first.exponentConstant.convert_to<Quad>()) * first.coefficient.convert_to<Quad>();
}

const Quad& ExponentialValues::operator()(const Rational& exponent) {
    if (const auto found = values_.find(exponent); found != values_.end()) return found->second;
    if (values_.size() >= MaxValues) values_.clear();
    return values_.emplace(exponent, exp(exponent.convert_to<Quad>())).first->second;
}

Quad valueAt(const Term& term, std::string_view variable, const Rational& value, ExponentialValues& exponentials) {
    const Expolynomial atValue = substitute(term, variable, LinearForm(value));
    const Term& first = atValue.terms.front();
    return exponentials(first.exponentConstant) * first.coefficient.convert_to<Quad>();
}

}  // namespace drova
