#include "distributions/Interval.hpp"

#include <stdexcept>
#include <utility>

namespace drova {

Interval::Interval(Endpoint lower, Endpoint upper) : lower_(std::move(lower)), upper_(std::move(upper)) {
    if (lower_.value && upper_.value && *lower_.value > *upper_.value)
        throw std::invalid_argument("Lower bound endpoint must be lesser or equal to upper bound endpoint");
}

}  // namespace drova
