#pragma once
// A law given by its density: an expolynomial text in x on [low, high], high possibly +infinity.

#include "distributions/ExpolynomialLaw.hpp"

#include <string_view>

namespace drova {

class ExpolyDensity final : public ExpolynomialLaw {
public:
    // Reads the density (distributions/ExpolynomialText.hpp) and checks, in this order: the support
    // ("The lower end of the support must be non-negative", "The upper end of the support must be
    // greater than the lower end"), that every term decays when the support is unbounded, that the
    // density is nowhere negative on the support ("The density \"TEXT\" is negative on its support:
    // at x = X it is V"), and that it integrates to 1 exactly ("The density \"TEXT\" integrates to
    // I over its support, not to 1"). All throw std::invalid_argument.
    ExpolyDensity(Rational low, std::optional<Rational> high, std::string_view density);

    // A law of a density known to be one (a remaining time, a fit), without the checks.
    static std::unique_ptr<ExpolyDensity> fromDensity(Expolynomial densityInX, Rational low,
                                                      std::optional<Rational> high);

    std::string toText() const override;  // Expoly(0, inf, "1/4*x*exp(-1/2*x)")
    std::unique_ptr<Distribution> clone() const override;
    bool equals(const Distribution& other) const override;

private:
    struct Unchecked {};
    ExpolyDensity(Unchecked, Expolynomial densityInX, Rational low, std::optional<Rational> high);
};

// Whether the density in x is nowhere negative on [low, high]: exactly when no coefficient is
// negative, otherwise on a fine grid with the local minima refined. Returns a point where it is
// negative, or none.
std::optional<double> negativePoint(const Expolynomial& densityInX, const Rational& low,
                                    const std::optional<Rational>& high);

}  // namespace drova
