#include "distributions/Degenerate.hpp"

#include <stdexcept>
#include <utility>

namespace drova {

Degenerate::Degenerate(Rational delay)
    : delay_(std::move(delay)), support_(Endpoint{delay_, false}, Endpoint{delay_, false}) {
    if (delay_ < 0) throw std::invalid_argument("The delay must be non-negative");
}

std::string Degenerate::toText() const { return "Deg(" + drova::toText(delay_) + ")"; }

std::unique_ptr<Distribution> Degenerate::clone() const { return std::make_unique<Degenerate>(*this); }

std::optional<Rational> Degenerate::fixedDelay() const { return delay_; }

std::unique_ptr<Distribution> Degenerate::residual(const Rational& elapsed) const {
    if (delay_ > elapsed) return std::make_unique<Degenerate>(delay_ - elapsed);
    return std::make_unique<Degenerate>(RationalZero);
}

namespace {

LinearForm negated(const LinearForm& form) { return subtract(LinearForm(), form); }

LinearForm substituted(LinearForm form, std::string_view variable, const LinearForm& replacement) {
    substitute(form, variable, replacement);
    return form;
}

}  // namespace

// With D = argument - delay, the mass lies where D = 0, at variable = solveFor(D). It lies in the
// range when D <= 0 at the lower limit and D >= 0 at the upper one, or the reverse when D falls as
// the variable grows.
Expolynomial Degenerate::integrate(const LinearForm& argument, std::string_view variable, const LinearForm& lower,
                                   const LinearForm& upper, const Expolynomial& factor) const {
    if (subtract(lower, upper) == LinearForm()) return Expolynomial();
    const LinearForm offset = subtract(argument, LinearForm(delay_));
    const LinearForm atLower = substituted(offset, variable, lower);
    const LinearForm atUpper = substituted(offset, variable, upper);
    const LinearForm location = solveFor(offset, variable);
    const Term inRange = coefficientOf(offset, variable) > 0
                             ? multiply(Term(negated(atLower)), Term(atUpper))
                             : multiply(Term(atLower), Term(negated(atUpper)));
    return multiply(inRange, substitute(factor, variable, location));
}

Expolynomial Degenerate::integrateToInfinity(const LinearForm& argument, std::string_view variable,
                                             const LinearForm& lower, const Expolynomial& factor) const {
    const LinearForm offset = subtract(argument, LinearForm(delay_));
    const LinearForm atLower = substituted(offset, variable, lower);
    const LinearForm location = solveFor(offset, variable);
    const Term aboveLower(coefficientOf(offset, variable) > 0 ? negated(atLower) : atLower);
    return multiply(aboveLower, substitute(factor, variable, location));
}

bool Degenerate::equals(const Distribution& other) const {
    auto* same = dynamic_cast<const Degenerate*>(&other);
    return same && same->delay_ == delay_;
}

}  // namespace drova
