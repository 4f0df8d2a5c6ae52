#pragma once
// The laws whose density is one expolynomial in x on an interval [low, high] (high may be
// +infinity): Erlang, hypo- and hyperexponential laws and densities given as text. They share the
// exact integrals, the distribution function and the remaining time after an age; each kind
// adds its parameters and its text.
//
// Such a timer is memoryful: its age on entering a state is known only where it is restarted.

#include "distributions/Distribution.hpp"

#include <optional>

namespace drova {

class ExpolynomialLaw : public Distribution {
public:
    // The density in the variable "x" on the support, without the support's heaviside factors.
    const Expolynomial& densityInX() const { return density_; }
    const Rational& low() const { return low_; }
    // Absent: +infinity.
    const std::optional<Rational>& high() const { return high_; }

    // The density at `argument`, with heaviside factors that cut it off outside [low, high] (none
    // for low = 0, where the argument is taken as non-negative).
    Expolynomial density(const LinearForm& argument) const;
    // The distribution function F in "x", for every x >= 0: 0 below low, 1 above high.
    const Expolynomial& distributionFunction() const { return distribution_; }
    // F(x) on the support alone, without heaviside factors: the integral of the density from low to x.
    const Expolynomial& integralFromLow() const { return upTo_; }
    // The mean, exact.
    Rational mean() const;
    // F(x) in binary floating point, for checks and fits.
    double distributionAt(double x) const;

    std::optional<Rational> fixedDelay() const override { return std::nullopt; }
    const Interval& support() const override { return support_; }
    // The density f(x + a) / (1 - F(a)) on what is left of the support. Exact when 1 - F(a) is one
    // term (every law with a single rate, and any age below low); otherwise std::invalid_argument
    // saying that the remaining time has no exact expolynomial form.
    std::unique_ptr<Distribution> residual(const Rational& elapsed) const override;
    Expolynomial integrate(const LinearForm& argument, std::string_view variable, const LinearForm& lower,
                           const LinearForm& upper, const Expolynomial& factor) const override;
    // Bounded support: integrate up to where the density ends, as the uniform's does. Unbounded: the
    // survival function 1 - F at the argument's value at `lower`, divided by the variable's
    // coefficient, times `factor`, which must not contain the variable (std::invalid_argument).
    // Either way the argument must contain the variable with a positive coefficient.
    Expolynomial integrateToInfinity(const LinearForm& argument, std::string_view variable, const LinearForm& lower,
                                     const Expolynomial& factor) const override;

protected:
    // The density must be a normalised expolynomial in "x" whose integral over the support is 1;
    // the kinds check their parameters before they get here.
    ExpolynomialLaw(Expolynomial densityInX, Rational low, std::optional<Rational> high);
    ExpolynomialLaw(const ExpolynomialLaw&) = default;

private:
    Expolynomial density_;
    Rational low_;
    std::optional<Rational> high_;
    Interval support_;
    Expolynomial withSupport_;   // the density with its heaviside factors, in "x"
    Expolynomial upTo_;          // the integral from low to x
    Expolynomial distribution_;  // F in "x"
};

// The integral of a density in "x" over [low, high] (absent: +infinity), exact; every term must
// decay (a positive rate) when high is absent, or std::invalid_argument.
Expolynomial totalIntegral(const Expolynomial& densityInX, const Rational& low, const std::optional<Rational>& high);

}  // namespace drova
