#pragma once

#include "distributions/Distribution.hpp"

// Exponential delay with rate λ > 0; support (0, +infinity).
class Exponential final : public Distribution {
public:
    // Throws std::invalid_argument "The rate must be positive" unless rate > 0.
    explicit Exponential(Rational rate);

    const Rational& rate() const { return rate_; }

    std::string toText() const override;
    std::unique_ptr<Distribution> clone() const override;
    std::optional<Rational> fixedDelay() const override;
    const Interval& support() const override { return support_; }
    std::unique_ptr<Distribution> residual(const Rational& elapsed) const override;
    bool equals(const Distribution& other) const override;

private:
    Rational rate_;
    Interval support_;
};
