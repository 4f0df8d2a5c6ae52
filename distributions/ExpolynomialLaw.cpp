#include "distributions/ExpolynomialLaw.hpp"

#include "algebra/DefiniteIntegral.hpp"
#include "distributions/Degenerate.hpp"
#include "distributions/DensityArgument.hpp"
#include "distributions/ExpolyDensity.hpp"
#include "distributions/ExpolynomialText.hpp"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace drova {

namespace {

const std::string X = "x";

Interval supportOf(const Rational& low, const std::optional<Rational>& high) {
    return Interval(Endpoint{low, true}, Endpoint{high, true});
}

// The integral of the density from low to the variable "y", written in "x".
Expolynomial integralUpTo(const Expolynomial& densityInX, const Rational& low) {
    const Expolynomial inY = definiteIntegral(densityInX, X, LinearForm(low), LinearForm(std::string("y")));
    return substitute(inY, "y", LinearForm(X));
}

}  // namespace

Expolynomial totalIntegral(const Expolynomial& densityInX, const Rational& low, const std::optional<Rational>& high) {
    if (high) return definiteIntegral(densityInX, X, LinearForm(low), LinearForm(*high));
    // Up to the last point where a heaviside factor switches, exactly; beyond it the terms cut off
    // above have ended, and the others, whose factors are all 1 there, must decay so that their
    // primitive vanishes at +infinity.
    Rational last = low;
    for (const Term& term : densityInX.terms)
        for (const LinearForm& form : term.heavisides)
            if (const int* c = findValue(form.variables, X)) last = std::max(last, Rational(*c > 0 ? -form.constant : form.constant));
    Expolynomial result = last > low ? definiteIntegral(densityInX, X, LinearForm(low), LinearForm(last))
                                     : Expolynomial(std::vector<Term>{});
    for (const Term& term : densityInX.terms) {
        if (term.coefficient == 0) continue;
        bool endsBefore = false;
        for (const LinearForm& form : term.heavisides)
            if (const int* c = findValue(form.variables, X); c && *c < 0) endsBefore = true;
        if (endsBefore) continue;
        Term tail = term;
        tail.heavisides.clear();
        const Rational* rate = findValue(tail.exponentials, X);
        if (!rate || *rate >= 0)
            throw std::invalid_argument("The term " + densityText(Expolynomial(term)) +
                                        " does not decay, so the density has no finite integral to infinity");
        result = subtract(std::move(result), substitute(antiderivative(tail, X), X, LinearForm(last)));
    }
    return result;
}

ExpolynomialLaw::ExpolynomialLaw(Expolynomial densityInX, Rational low, std::optional<Rational> high)
    : density_(std::move(densityInX)),
      low_(std::move(low)),
      high_(std::move(high)),
      support_(supportOf(low_, high_)),
      withSupport_(density_),
      upTo_(integralUpTo(density_, low_)),
      distribution_() {
    std::vector<LinearForm> cuts;
    if (low_ != 0) cuts.push_back(LinearForm({{X, 1}}, -low_));
    if (high_) cuts.push_back(LinearForm({{X, -1}}, *high_));
    if (!cuts.empty()) withSupport_ = multiply(Term(RationalOne, RationalZero, {}, {}, cuts), density_);

    // F = H(x - low) P(x) - H(x - high) (P(x) - 1), with P the integral from low to x.
    const Expolynomial& upTo = upTo_;
    distribution_ = multiply(Term(LinearForm({{X, 1}}, -low_)), upTo);
    if (high_)
        distribution_ = subtract(std::move(distribution_),
                                 multiply(Term(LinearForm({{X, 1}}, -*high_)), subtract(upTo, UnitExpolynomial)));
}

Expolynomial ExpolynomialLaw::density(const LinearForm& argument) const { return substitute(withSupport_, X, argument); }

Rational ExpolynomialLaw::mean() const {
    const Expolynomial moment = multiply(Term(RationalOne, RationalZero, {}, {{X, 1u}}, {}), density_);
    const Expolynomial value = totalIntegral(moment, low_, high_);
    if (value.terms.size() != 1 || value.terms[0].exponentConstant != 0)
        throw std::invalid_argument("The mean of " + toText() + " is not rational");
    return value.terms[0].coefficient;
}

double ExpolynomialLaw::distributionAt(double x) const {
    if (x <= static_cast<double>(low_)) return 0.0;
    if (high_ && x >= static_cast<double>(*high_)) return 1.0;
    return static_cast<double>(valueInX(distribution_, static_cast<long double>(x)));
}

std::unique_ptr<Distribution> ExpolynomialLaw::residual(const Rational& elapsed) const {
    if (elapsed == 0) return clone();
    if (high_ && elapsed >= *high_) return std::make_unique<Degenerate>(RationalZero);
    const Expolynomial shifted = substitute(density_, X, LinearForm({{X, 1}}, elapsed));
    std::optional<Rational> high;
    if (high_) high = *high_ - elapsed;
    // Before the support starts, nothing can have happened: the law moves by the age.
    if (elapsed <= low_) return ExpolyDensity::fromDensity(shifted, low_ - elapsed, high);
    const Expolynomial left = totalIntegral(density_, elapsed, high_);
    if (left.terms.size() != 1 || !left.terms[0].exponentials.empty() || !left.terms[0].powers.empty())
        throw std::invalid_argument("The remaining time of " + toText() + " after an age of " + drova::toText(elapsed) +
                                    " has no exact expolynomial form (its survival there, " + densityText(left) +
                                    ", is not a single term); give the timer an unknown age (-1 1) there");
    const Term& survival = left.terms[0];
    const Term divide(Rational(1 / survival.coefficient), Rational(-survival.exponentConstant), {}, {}, {});
    return ExpolyDensity::fromDensity(multiply(divide, shifted), RationalZero, high);
}

Expolynomial ExpolynomialLaw::integrate(const LinearForm& argument, std::string_view variable, const LinearForm& lower,
                                        const LinearForm& upper, const Expolynomial& factor) const {
    return definiteIntegral(multiply(density(argument), factor), variable, lower, upper);
}

Expolynomial ExpolynomialLaw::integrateToInfinity(const LinearForm& argument, std::string_view variable,
                                                  const LinearForm& lower, const Expolynomial& factor) const {
    requireGrowingArgument(argument, variable);
    if (high_) {
        // As the uniform's: with argument = c*variable + rest, c >= 1 and rest never negative, the
        // density is 0 above variable = high; a rest that can be negative moves that end up to where
        // the argument reaches high.
        LinearForm rest = argument;
        eraseName(rest.variables, variable);
        const bool restNonNegative =
            rest.constant >= 0 && std::all_of(rest.variables.begin(), rest.variables.end(),
                                              [](const auto& entry) { return entry.value > 0; });
        if (restNonNegative) return integrate(argument, variable, lower, LinearForm(*high_), factor);
        return integrate(argument, variable, lower, solveFor(subtract(argument, LinearForm(*high_)), variable), factor);
    }
    if (containsVariable(factor, variable))
        throw std::invalid_argument("The factor of the integral to infinity of " + toText() +
                                    " must not contain the variable " + std::string(variable));
    // The integral from lower to infinity of f(c*variable + rest) is (1 - F(c*lower + rest)) / c.
    LinearForm atLower = argument;
    substitute(atLower, variable, lower);
    const Expolynomial survival = subtract(UnitExpolynomial, substitute(distribution_, X, atLower));
    const Term perCoefficient(Rational(Rational(1) / coefficientOf(argument, variable)));
    return multiply(perCoefficient, multiply(survival, factor));
}

}  // namespace drova
