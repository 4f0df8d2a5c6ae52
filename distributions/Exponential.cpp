#include "distributions/Exponential.hpp"

#include "algebra/DefiniteIntegral.hpp"
#include "distributions/DensityArgument.hpp"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace drova {

Exponential::Exponential(Rational rate)
    : rate_(std::move(rate)), support_(Endpoint{RationalZero, true}, Endpoint{std::nullopt, true}) {
    if (rate_ <= 0) throw std::invalid_argument("The rate must be positive");
}

std::string Exponential::toText() const { return "Exp(" + drova::toText(rate_) + ")"; }

std::unique_ptr<Distribution> Exponential::clone() const { return std::make_unique<Exponential>(*this); }

std::optional<Rational> Exponential::fixedDelay() const { return std::nullopt; }

// Memoryless: the remaining time has the same distribution whatever has elapsed.
std::unique_ptr<Distribution> Exponential::residual(const Rational&) const { return clone(); }

namespace {

bool mentions(const LinearForm& form, std::string_view variable) {
    return findValue(form.variables, variable) != nullptr;
}

bool mentions(const Expolynomial& expolynomial, std::string_view variable) {
    return std::any_of(expolynomial.terms.begin(), expolynomial.terms.end(), [variable](const Term& term) {
        return findValue(term.exponentials, variable) || findValue(term.powers, variable) ||
               std::any_of(term.heavisides.begin(), term.heavisides.end(),
                           [variable](const LinearForm& form) { return mentions(form, variable); });
    });
}

}  // namespace

Expolynomial Exponential::density(const LinearForm& argument) const {
    // heaviside(x) is dropped by the term's normalisation: x is read as non-negative.
    const Term inX(rate_, RationalZero, {{"x", Rational(-rate_)}}, {}, {LinearForm("x")});
    return substitute(inX, "x", argument);
}

Expolynomial Exponential::integrate(const LinearForm& argument, std::string_view variable, const LinearForm& lower,
                                    const LinearForm& upper, const Expolynomial& factor) const {
    return definiteIntegral(multiply(density(argument), factor), variable, lower, upper);
}

Expolynomial Exponential::integrateToInfinity(const LinearForm& argument, std::string_view variable,
                                              const LinearForm& lower, const Expolynomial& factor) const {
    // The primitive vanishes at +infinity only when the density decays in the variable, and the
    // factor is multiplied after the integration, so it must not depend on the variable.
    if (mentions(factor, variable))
        throw std::invalid_argument("The factor of an exponential density's integral to infinity must not contain "
                                    "the variable " + std::string(variable));
    requireGrowingArgument(argument, variable);
    Expolynomial result(std::vector<Term>{});
    for (const auto& term : density(argument).terms) {
        const Expolynomial atLower = substitute(antiderivative(term, variable), variable, lower);
        result = subtract(std::move(result), multiply(atLower, factor));
    }
    return result;
}

bool Exponential::equals(const Distribution& other) const {
    auto* same = dynamic_cast<const Exponential*>(&other);
    return same && same->rate_ == rate_;
}

}  // namespace drova
