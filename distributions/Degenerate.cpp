#include "distributions/Degenerate.hpp"

#include <stdexcept>
#include <utility>

Degenerate::Degenerate(Rational delay)
    : delay_(std::move(delay)), support_(Endpoint{delay_, false}, Endpoint{delay_, false}) {
    if (delay_ < 0) throw std::invalid_argument("The delay must be non-negative");
}

std::string Degenerate::toText() const { return "Deg(" + ::toText(delay_) + ")"; }

std::unique_ptr<Distribution> Degenerate::clone() const { return std::make_unique<Degenerate>(*this); }

std::optional<Rational> Degenerate::fixedDelay() const { return delay_; }

std::unique_ptr<Distribution> Degenerate::residual(const Rational& elapsed) const {
    if (delay_ > elapsed) return std::make_unique<Degenerate>(delay_ - elapsed);
    return std::make_unique<Degenerate>(RationalZero);
}

bool Degenerate::equals(const Distribution& other) const {
    auto* same = dynamic_cast<const Degenerate*>(&other);
    return same && same->delay_ == delay_;
}
