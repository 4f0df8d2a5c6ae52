#pragma once

#include "distributions/Distribution.hpp"

namespace drova {

// Exponential delay with rate λ > 0; support (0, +infinity).
class Exponential final : public Distribution {
public:
    // Throws std::invalid_argument "The rate must be positive" unless rate > 0.
    explicit Exponential(Rational rate);

    const Rational& rate() const { return rate_; }

    // λ*exp(-λ*argument), built in "x" and with x replaced by `argument`. It has no heaviside
    // factor: the argument is taken as non-negative.
    Expolynomial density(const LinearForm& argument) const;

    std::string toText() const override;
    std::unique_ptr<Distribution> clone() const override;
    std::optional<Rational> fixedDelay() const override;
    const Interval& support() const override { return support_; }
    std::unique_ptr<Distribution> residual(const Rational& elapsed) const override;
    Expolynomial integrate(const LinearForm& argument, std::string_view variable, const LinearForm& lower,
                           const LinearForm& upper, const Expolynomial& factor) const override;
    // The density's integral from `lower` to +infinity, times `factor` (which is multiplied, not
    // integrated). Throws std::invalid_argument when `factor` contains the variable, or when the
    // argument does not contain it with a positive coefficient.
    Expolynomial integrateToInfinity(const LinearForm& argument, std::string_view variable, const LinearForm& lower,
                                     const Expolynomial& factor) const override;
    bool equals(const Distribution& other) const override;

private:
    Rational rate_;
    Interval support_;
};

}  // namespace drova
