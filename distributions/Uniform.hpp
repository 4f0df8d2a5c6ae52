#pragma once

#include "distributions/Distribution.hpp"

namespace drova {

// Uniform delay between a and b, 0 <= a < b; support (a, b).
class Uniform final : public Distribution {
public:
    // Throws std::invalid_argument, checking in this order: the support's endpoint order
    // (a > b), "The lower bound must be non-negative", "The upper bound must be
    // non-negative", "The upper bound must greater than the lower bound" (a = b).
    Uniform(Rational lower, Rational upper);

    const Rational& lower() const { return lower_; }
    const Rational& upper() const { return upper_; }

    // (1/(b-a))*heaviside(argument-a)*heaviside(-argument+b), built in "x" and with x replaced by
    // `argument`; the first factor vanishes when a = 0, where the argument is taken as non-negative.
    Expolynomial density(const LinearForm& argument) const;

    std::string toText() const override;
    std::unique_ptr<Distribution> clone() const override;
    std::optional<Rational> fixedDelay() const override;
    const Interval& support() const override { return support_; }
    std::unique_ptr<Distribution> residual(const Rational& elapsed) const override;
    Expolynomial integrate(const LinearForm& argument, std::string_view variable, const LinearForm& lower,
                           const LinearForm& upper, const Expolynomial& factor) const override;
    // integrate up to where the density ends: b when the argument is the variable plus terms that
    // are never negative (positive coefficients, constant >= 0), otherwise the point where the
    // argument reaches b. Throws std::invalid_argument when the argument does not contain the
    // variable with a positive coefficient.
    Expolynomial integrateToInfinity(const LinearForm& argument, std::string_view variable, const LinearForm& lower,
                                     const Expolynomial& factor) const override;
    bool equals(const Distribution& other) const override;

private:
    Rational lower_;
    Rational upper_;
    Interval support_;
};

}  // namespace drova
