#pragma once
// The laws without an expolynomial density: Weibull, lognormal, gamma and the normal law truncated
// at 0. A model may hold them, and the simulation draws them; the exact integrals refuse them
// (std::invalid_argument naming the law), so that the exact commands point to simulation and to
// an expolynomial fit instead. Their distribution functions, densities and means are computed in
// binary floating point, for the fits and the checks of the draws.

#include "distributions/Distribution.hpp"

#include <vector>

namespace drova {

class SampledLaw : public Distribution {
public:
    // Weibull, Lognormal, Gamma or Normal.
    virtual std::string kind() const = 0;
    // The parameters in the order the law's text lists them.
    const std::vector<Rational>& parameters() const { return parameters_; }

    virtual double distributionAt(double x) const = 0;
    virtual double densityAt(double x) const = 0;
    virtual double meanValue() const = 0;
    // The p-quantile, 0 < p < 1, by bisection on the distribution function.
    double quantile(double p) const;

    std::string toText() const override;  // Weibull(2, 1000)
    std::optional<Rational> fixedDelay() const override { return std::nullopt; }
    const Interval& support() const override { return support_; }
    bool hasExactIntegrals() const override { return false; }
    // Each throws std::invalid_argument: "LAW has no expolynomial density, so it has no exact
    // integral; ...".
    std::unique_ptr<Distribution> residual(const Rational& elapsed) const override;
    Expolynomial integrate(const LinearForm& argument, std::string_view variable, const LinearForm& lower,
                           const LinearForm& upper, const Expolynomial& factor) const override;
    Expolynomial integrateToInfinity(const LinearForm& argument, std::string_view variable, const LinearForm& lower,
                                     const Expolynomial& factor) const override;
    bool equals(const Distribution& other) const override;

protected:
    explicit SampledLaw(std::vector<Rational> parameters);
    SampledLaw(const SampledLaw&) = default;

    double parameter(std::size_t i) const { return values_[i]; }

private:
    [[noreturn]] void refuse() const;

    std::vector<Rational> parameters_;
    std::vector<double> values_;  // the parameters as the nearest doubles
    Interval support_;
};

// F(x) = 1 - exp(-(x/scale)^shape); shape > 0, scale > 0.
class Weibull final : public SampledLaw {
public:
    Weibull(Rational shape, Rational scale);
    std::string kind() const override { return "Weibull"; }
    double distributionAt(double x) const override;
    double densityAt(double x) const override;
    double meanValue() const override;
    std::unique_ptr<Distribution> clone() const override { return std::make_unique<Weibull>(*this); }
};

// exp(mu + sigma Z) with Z standard normal; sigma > 0.
class Lognormal final : public SampledLaw {
public:
    Lognormal(Rational mu, Rational sigma);
    std::string kind() const override { return "Lognormal"; }
    double distributionAt(double x) const override;
    double densityAt(double x) const override;
    double meanValue() const override;
    std::unique_ptr<Distribution> clone() const override { return std::make_unique<Lognormal>(*this); }
};

// Density rate^shape x^(shape-1) exp(-rate x) / Gamma(shape); any shape > 0, rate > 0.
class GammaLaw final : public SampledLaw {
public:
    GammaLaw(Rational shape, Rational rate);
    std::string kind() const override { return "Gamma"; }
    double distributionAt(double x) const override;
    double densityAt(double x) const override;
    double meanValue() const override;
    std::unique_ptr<Distribution> clone() const override { return std::make_unique<GammaLaw>(*this); }
};

// The normal law of mean and standard deviation sd > 0, conditioned on being positive.
class TruncatedNormal final : public SampledLaw {
public:
    TruncatedNormal(Rational mean, Rational sd);
    std::string kind() const override { return "Normal"; }
    double distributionAt(double x) const override;
    double densityAt(double x) const override;
    double meanValue() const override;
    std::unique_ptr<Distribution> clone() const override { return std::make_unique<TruncatedNormal>(*this); }
};

// The standard normal upper tail, 1 - Phi(z), accurate far out in both directions.
double normalUpperTail(double z);

}  // namespace drova
