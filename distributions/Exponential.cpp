#include "distributions/Exponential.hpp"

#include <stdexcept>
#include <utility>

Exponential::Exponential(Rational rate)
    : rate_(std::move(rate)), support_(Endpoint{RationalZero, true}, Endpoint{std::nullopt, true}) {
    if (rate_ <= 0) throw std::invalid_argument("The rate must be positive");
}

std::string Exponential::toText() const { return "Exp(" + ::toText(rate_) + ")"; }

std::unique_ptr<Distribution> Exponential::clone() const { return std::make_unique<Exponential>(*this); }

std::optional<Rational> Exponential::fixedDelay() const { return std::nullopt; }

// Memoryless: the remaining time has the same distribution whatever has elapsed.
std::unique_ptr<Distribution> Exponential::residual(const Rational&) const { return clone(); }

bool Exponential::equals(const Distribution& other) const {
    auto* same = dynamic_cast<const Exponential*>(&other);
    return same && same->rate_ == rate_;
}
