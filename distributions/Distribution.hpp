#pragma once
// The abstract delay distribution of a timer or of an integral factor. Distributions are
// immutable; copies are made with clone, and every new object is owned by its caller.

#include "algebra/Expolynomial.hpp"
#include "algebra/LinearForm.hpp"
#include "algebra/Rational.hpp"
#include "distributions/Interval.hpp"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace drova {

class Distribution {
public:
    virtual ~Distribution() = default;

    // "Exp(1/2)", "Deg(5)", "Uni(0, 3)".
    virtual std::string toText() const = 0;
    // A new object of the same class with equal parameters.
    virtual std::unique_ptr<Distribution> clone() const = 0;
    // The delay of a deterministic distribution; none for the others.
    virtual std::optional<Rational> fixedDelay() const = 0;
    virtual const Interval& support() const = 0;
    // The distribution of the time still to run once `elapsed` has passed.
    virtual std::unique_ptr<Distribution> residual(const Rational& elapsed) const = 0;

    // The integral over `variable` from `lower` to `upper` of the density at `argument` times
    // `factor`. The density's argument is taken as non-negative over the range, the lower limit as
    // not above the upper one, and every variable as non-negative.
    virtual Expolynomial integrate(const LinearForm& argument, std::string_view variable, const LinearForm& lower,
                                   const LinearForm& upper, const Expolynomial& factor) const = 0;
    // The integral over `variable` from `lower` to +infinity of the density at `argument`, combined
    // with `factor` as each kind states.
    virtual Expolynomial integrateToInfinity(const LinearForm& argument, std::string_view variable,
                                             const LinearForm& lower, const Expolynomial& factor) const = 0;

    // Whether integrate and integrateToInfinity give exact results; false for the laws without an
    // expolynomial density, which only the simulation takes.
    virtual bool hasExactIntegrals() const { return true; }

    // True when other is of the same kind with equal parameters.
    virtual bool equals(const Distribution& other) const = 0;

protected:
    Distribution() = default;
    Distribution(const Distribution&) = default;
    Distribution& operator=(const Distribution&) = delete;
};

}  // namespace drova
