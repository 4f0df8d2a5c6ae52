#pragma once

#include "distributions/Distribution.hpp"

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
    bool equals(const Distribution& other) const override;

private:
    Rational delay_;
    Interval support_;
};
