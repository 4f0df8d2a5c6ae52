#include "distributions/SampledLaws.hpp"

#include <boost/math/special_functions/gamma.hpp>

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <utility>

namespace drova {

namespace {

std::vector<double> doublesOf(const std::vector<Rational>& values) {
    std::vector<double> result;
    for (const Rational& value : values) result.push_back(static_cast<double>(value));
    return result;
}

const Rational& positive(const Rational& value, const char* what) {
    if (value <= 0) throw std::invalid_argument(std::string("The ") + what + " must be positive");
    return value;
}

}  // namespace

double normalUpperTail(double z) { return 0.5 * std::erfc(z / std::numbers::sqrt2); }

SampledLaw::SampledLaw(std::vector<Rational> parameters)
    : parameters_(std::move(parameters)),
      values_(doublesOf(parameters_)),
      support_(Endpoint{RationalZero, true}, Endpoint{std::nullopt, true}) {}

std::string SampledLaw::toText() const {
    std::string text = kind() + "(";
    for (std::size_t i = 0; i < parameters_.size(); ++i) text += (i ? ", " : "") + drova::toText(parameters_[i]);
    return text + ")";
}

double SampledLaw::quantile(double p) const {
    double low = 0, high = 1;
    while (distributionAt(high) < p && high < 1e300) high *= 2;
    for (int i = 0; i < 200 && high - low > 1e-15 * high; ++i) {
        const double middle = (low + high) / 2;
        (distributionAt(middle) < p ? low : high) = middle;
    }
    return (low + high) / 2;
}

void SampledLaw::refuse() const {
    throw std::invalid_argument(toText() + " has no expolynomial density, so it has no exact integral");
}

std::unique_ptr<Distribution> SampledLaw::residual(const Rational&) const { refuse(); }

Expolynomial SampledLaw::integrate(const LinearForm&, std::string_view, const LinearForm&, const LinearForm&,
                                   const Expolynomial&) const {
    refuse();
}

Expolynomial SampledLaw::integrateToInfinity(const LinearForm&, std::string_view, const LinearForm&,
                                             const Expolynomial&) const {
    refuse();
}

bool SampledLaw::equals(const Distribution& other) const {
    const auto* same = dynamic_cast<const SampledLaw*>(&other);
    return same && same->kind() == kind() && same->parameters_ == parameters_;
}

Weibull::Weibull(Rational shape, Rational scale)
    : SampledLaw({positive(shape, "shape"), positive(scale, "scale")}) {}

double Weibull::distributionAt(double x) const {
    return x <= 0 ? 0.0 : -std::expm1(-std::pow(x / parameter(1), parameter(0)));
}

double Weibull::densityAt(double x) const {
    if (x <= 0) return 0.0;
    const double k = parameter(0), scale = parameter(1), z = x / scale;
    return k / scale * std::pow(z, k - 1) * std::exp(-std::pow(z, k));
}

double Weibull::meanValue() const { return parameter(1) * std::tgamma(1 + 1 / parameter(0)); }

Lognormal::Lognormal(Rational mu, Rational sigma) : SampledLaw({std::move(mu), positive(sigma, "sigma")}) {}

double Lognormal::distributionAt(double x) const {
    return x <= 0 ? 0.0 : normalUpperTail(-(std::log(x) - parameter(0)) / parameter(1));
}

double Lognormal::densityAt(double x) const {
    if (x <= 0) return 0.0;
    const double z = (std::log(x) - parameter(0)) / parameter(1);
    return std::exp(-z * z / 2) / (x * parameter(1) * std::sqrt(2 * std::numbers::pi));
}

double Lognormal::meanValue() const { return std::exp(parameter(0) + parameter(1) * parameter(1) / 2); }

GammaLaw::GammaLaw(Rational shape, Rational rate) : SampledLaw({positive(shape, "shape"), positive(rate, "rate")}) {}

double GammaLaw::distributionAt(double x) const {
    return x <= 0 ? 0.0 : boost::math::gamma_p(parameter(0), parameter(1) * x);
}

double GammaLaw::densityAt(double x) const {
    return x <= 0 ? 0.0 : parameter(1) * boost::math::gamma_p_derivative(parameter(0), parameter(1) * x);
}

double GammaLaw::meanValue() const { return parameter(0) / parameter(1); }

TruncatedNormal::TruncatedNormal(Rational mean, Rational sd) : SampledLaw({std::move(mean), positive(sd, "standard deviation")}) {}

double TruncatedNormal::distributionAt(double x) const {
    if (x <= 0) return 0.0;
    const double m = parameter(0), s = parameter(1);
    return 1 - normalUpperTail((x - m) / s) / normalUpperTail(-m / s);
}

double TruncatedNormal::densityAt(double x) const {
    if (x <= 0) return 0.0;
    const double m = parameter(0), s = parameter(1), z = (x - m) / s;
    return std::exp(-z * z / 2) / (s * std::sqrt(2 * std::numbers::pi)) / normalUpperTail(-m / s);
}

double TruncatedNormal::meanValue() const {
    const double m = parameter(0), s = parameter(1), a = -m / s;
    return m + s * std::exp(-a * a / 2) / std::sqrt(2 * std::numbers::pi) / normalUpperTail(a);
}

}  // namespace drova
