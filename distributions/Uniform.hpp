#pragma once

#include "distributions/Distribution.hpp"

// Uniform delay between a and b, 0 <= a < b; support (a, b).
class Uniform final : public Distribution {
public:
    // Throws std::invalid_argument, checking in this order: the support's endpoint order
    // (a > b), "The lower bound must be non-negative", "The upper bound must be
    // non-negative", "The upper bound must greater than the lower bound" (a = b).
    Uniform(Rational lower, Rational upper);

    const Rational& lower() const { return lower_; }
    const Rational& upper() const { return upper_; }

    std::string toText() const override;
    std::unique_ptr<Distribution> clone() const override;
    std::optional<Rational> fixedDelay() const override;
    const Interval& support() const override { return support_; }
    std::unique_ptr<Distribution> residual(const Rational& elapsed) const override;
    bool equals(const Distribution& other) const override;

private:
    Rational lower_;
    Rational upper_;
    Interval support_;
};
