#include "distributions/Uniform.hpp"

#include "distributions/Degenerate.hpp"

#include <stdexcept>
#include <utility>

Uniform::Uniform(Rational lower, Rational upper)
    : lower_(std::move(lower)),
      upper_(std::move(upper)),
      support_(Endpoint{lower_, true}, Endpoint{upper_, true}) {
    if (lower_ < 0) throw std::invalid_argument("The lower bound must be non-negative");
    if (upper_ < 0) throw std::invalid_argument("The upper bound must be non-negative");
    if (!(lower_ < upper_)) throw std::invalid_argument("The upper bound must greater than the lower bound");
}

std::string Uniform::toText() const { return "Uni(" + ::toText(lower_) + ", " + ::toText(upper_) + ")"; }

std::unique_ptr<Distribution> Uniform::clone() const { return std::make_unique<Uniform>(*this); }

std::optional<Rational> Uniform::fixedDelay() const { return std::nullopt; }

// Once the upper bound has passed the timer is due at once; otherwise the remaining
// time is uniform on what is left of the support.
std::unique_ptr<Distribution> Uniform::residual(const Rational& elapsed) const {
    if (elapsed >= upper_) return std::make_unique<Degenerate>(RationalZero);
    Rational lower = lower_ > elapsed ? Rational(lower_ - elapsed) : RationalZero;
    return std::make_unique<Uniform>(std::move(lower), upper_ - elapsed);
}

bool Uniform::equals(const Distribution& other) const {
    auto* same = dynamic_cast<const Uniform*>(&other);
    return same && same->lower_ == lower_ && same->upper_ == upper_;
}
