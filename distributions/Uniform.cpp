#include "distributions/Uniform.hpp"

#include "algebra/DefiniteIntegral.hpp"
#include "distributions/Degenerate.hpp"
#include "distributions/DensityArgument.hpp"

#include <algorithm>

#include <stdexcept>
#include <utility>

namespace drova {

Uniform::Uniform(Rational lower, Rational upper)
    : lower_(std::move(lower)),
      upper_(std::move(upper)),
      support_(Endpoint{lower_, true}, Endpoint{upper_, true}) {
    if (lower_ < 0) throw std::invalid_argument("The lower bound must be non-negative");
    if (upper_ < 0) throw std::invalid_argument("The upper bound must be non-negative");
    if (!(lower_ < upper_)) throw std::invalid_argument("The upper bound must greater than the lower bound");
}

std::string Uniform::toText() const {
    return "Uni(" + drova::toText(lower_) + ", " + drova::toText(upper_) + ")";
}

std::unique_ptr<Distribution> Uniform::clone() const { return std::make_unique<Uniform>(*this); }

std::optional<Rational> Uniform::fixedDelay() const { return std::nullopt; }

// Once the upper bound has passed the timer is due at once; otherwise the remaining
// time is uniform on what is left of the support.
std::unique_ptr<Distribution> Uniform::residual(const Rational& elapsed) const {
    if (elapsed >= upper_) return std::make_unique<Degenerate>(RationalZero);
    Rational lower = lower_ > elapsed ? Rational(lower_ - elapsed) : RationalZero;
    return std::make_unique<Uniform>(std::move(lower), upper_ - elapsed);
}

Expolynomial Uniform::density(const LinearForm& argument) const {
    // heaviside(x) (a = 0) is dropped by the term's normalisation: x is read as non-negative.
    const LinearForm aboveLower({{"x", 1}}, -lower_);
    const LinearForm belowUpper({{"x", -1}}, upper_);
    const Term inX(Rational(1 / (upper_ - lower_)), RationalZero, {}, {}, {aboveLower, belowUpper});
    return substitute(inX, "x", argument);
}

Expolynomial Uniform::integrate(const LinearForm& argument, std::string_view variable, const LinearForm& lower,
                                const LinearForm& upper, const Expolynomial& factor) const {
    return definiteIntegral(multiply(density(argument), factor), variable, lower, upper);
}

Expolynomial Uniform::integrateToInfinity(const LinearForm& argument, std::string_view variable,
                                          const LinearForm& lower, const Expolynomial& factor) const {
    requireGrowingArgument(argument, variable);
    // With argument = c*variable + rest, c >= 1 and rest >= 0 for all non-negative values, the
    // density is 0 above variable = b. A rest that can be negative moves that end up to where the
    // argument reaches b.
    LinearForm rest = argument;
    eraseName(rest.variables, variable);
    const bool restNonNegative =
        rest.constant >= 0 &&
        std::all_of(rest.variables.begin(), rest.variables.end(), [](const auto& entry) { return entry.value > 0; });
    if (restNonNegative) return integrate(argument, variable, lower, LinearForm(upper_), factor);
    return integrate(argument, variable, lower, solveFor(subtract(argument, LinearForm(upper_)), variable), factor);
}

bool Uniform::equals(const Distribution& other) const {
    auto* same = dynamic_cast<const Uniform*>(&other);
    return same && same->lower_ == lower_ && same->upper_ == upper_;
}

}  // namespace drova
