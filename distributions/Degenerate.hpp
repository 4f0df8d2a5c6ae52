#pragma once

#include "distributions/Distribution.hpp"

namespace drova {

// Deterministic delay d >= 0; support [d, d].
class Degenerate final : public Distribution {
public:
    // Throws std::invalid_argument "The delay must be non-negative" when delay < 0.
    explicit Degenerate(Rational delay);

    const Rational& delay() const { return delay_; }

    std::string toText() const override;
    std::unique_ptr<Distribution> clone() const override;
    std::optional<Rational> fixedDelay() const override;
    const Interval& support() const override { return support_; }
    std::unique_ptr<Distribution> residual(const Rational& elapsed) const override;
    // The point mass lies where argument = d; with D = argument - d it is at variable = S, the
    // solution of D = 0. integrate gives heaviside(S - lower)*heaviside(upper - S) times the factor
    // at S (zero for equal limits), integrateToInfinity heaviside(S - lower) times it, both written
    // with D at the limits. The argument must contain the variable with coefficient +1 or -1
    // (otherwise solveFor's std::invalid_argument).
    Expolynomial integrate(const LinearForm& argument, std::string_view variable, const LinearForm& lower,
                           const LinearForm& upper, const Expolynomial& factor) const override;
    Expolynomial integrateToInfinity(const LinearForm& argument, std::string_view variable, const LinearForm& lower,
                                     const Expolynomial& factor) const override;
    bool equals(const Distribution& other) const override;

private:
    Rational delay_;
    Interval support_;
};

}  // namespace drova
