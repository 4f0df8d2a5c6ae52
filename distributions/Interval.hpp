#pragma once
// The support of a distribution: an interval whose endpoints may be open, and whose
// upper endpoint may be +infinity.

#include "algebra/Rational.hpp"

#include <optional>

namespace drova {

struct Endpoint {
    std::optional<Rational> value;  // absent: +infinity
    bool open = false;

    bool operator==(const Endpoint&) const = default;
};

class Interval {
public:
    // Throws std::invalid_argument when both values are present and lower > upper.
    Interval(Endpoint lower, Endpoint upper);

    const Endpoint& lower() const { return lower_; }
    const Endpoint& upper() const { return upper_; }

    bool operator==(const Interval&) const = default;

private:
    Endpoint lower_;
    Endpoint upper_;
};

}  // namespace drova
