#include "distributions/PhaseTypeLaws.hpp"

#include "algebra/DefiniteIntegral.hpp"

#include <stdexcept>
#include <utility>

namespace drova {

namespace {

const std::string X = "x";
constexpr unsigned MostPhases = 1000;

const Rational& positiveRate(const Rational& rate) {
    if (rate <= 0) throw std::invalid_argument("The rate must be positive");
    return rate;
}

unsigned phaseCount(const Rational& phases) {
    if (denominatorOf(phases) != 1 || phases < 1 || phases > MostPhases)
        throw std::invalid_argument("The number of phases must be a whole number from 1 to 1000, not " + toText(phases));
    return static_cast<unsigned>(numeratorOf(phases));
}

// rate * exp(-rate * x)
Term exponentialDensity(const Rational& rate) { return Term(rate, RationalZero, {{X, Rational(-rate)}}, {}, {}); }

Expolynomial erlangDensity(unsigned k, const Rational& rate) {
    Rational coefficient = RationalOne;
    for (unsigned i = 0; i < k; ++i) coefficient *= rate;
    for (unsigned i = 2; i < k; ++i) coefficient /= i;
    Term::Powers powers;
    if (k > 1) powers.push_back({X, k - 1});
    return Expolynomial(Term(coefficient, RationalZero, {{X, Rational(-rate)}}, powers, {}));
}

// The density of the sum of the stages: each stage convolves the density so far with an
// exponential, g(x) = integral from 0 to x of f(y) r exp(-r (x - y)) dy, which the exact integral
// gives for distinct and repeated rates alike.
Expolynomial stagesDensity(const std::vector<Rational>& rates) {
    if (rates.empty()) throw std::invalid_argument("A hypoexponential law needs at least one rate");
    if (rates.size() > MostPhases) throw std::invalid_argument("A hypoexponential law has at most 1000 stages");
    for (const Rational& rate : rates) positiveRate(rate);
    Expolynomial density(exponentialDensity(rates.front()));
    for (std::size_t i = 1; i < rates.size(); ++i) {
        const Rational& r = rates[i];
        const Expolynomial inY = substitute(density, X, LinearForm(std::string("y")));
        const Term kernel(r, RationalZero, {{X, Rational(-r)}, {"y", r}}, {}, {});
        density = definiteIntegral(multiply(kernel, inY), "y", LinearForm(), LinearForm(X));
    }
    return density;
}

Expolynomial mixtureDensity(const std::vector<Rational>& parameters) {
    if (parameters.empty() || parameters.size() % 2 != 0)
        throw std::invalid_argument("A hyperexponential law takes pairs of a probability and a rate");
    if (parameters.size() / 2 > MostPhases) throw std::invalid_argument("A hyperexponential law has at most 1000 branches");
    Rational total;
    Expolynomial density(std::vector<Term>{});
    for (std::size_t i = 0; i < parameters.size(); i += 2) {
        const Rational& p = parameters[i];
        if (p < 0 || p > 1) throw std::invalid_argument("Probability " + toText(p) + " not in range [0, 1]");
        total += p;
        const Term branch = exponentialDensity(positiveRate(parameters[i + 1]));
        density = add(std::move(density), Expolynomial(multiply(Term(p), branch)));
    }
    if (total != 1)
        throw std::invalid_argument("The probabilities of a hyperexponential law add up to " + toText(total) + ", not 1");
    return density;
}

std::string listText(const std::vector<Rational>& values) {
    std::string text;
    for (const Rational& value : values) text += (text.empty() ? "" : ", ") + toText(value);
    return text;
}

}  // namespace

Erlang::Erlang(const Rational& phases, Rational rate)
    : ExpolynomialLaw(erlangDensity(phaseCount(phases), positiveRate(rate)), RationalZero, std::nullopt),
      phases_(phaseCount(phases)),
      rate_(std::move(rate)) {}

std::string Erlang::toText() const { return "Erl(" + std::to_string(phases_) + ", " + drova::toText(rate_) + ")"; }

std::unique_ptr<Distribution> Erlang::clone() const { return std::make_unique<Erlang>(*this); }

bool Erlang::equals(const Distribution& other) const {
    const auto* same = dynamic_cast<const Erlang*>(&other);
    return same && same->phases_ == phases_ && same->rate_ == rate_;
}

HypoExponential::HypoExponential(std::vector<Rational> rates)
    : ExpolynomialLaw(stagesDensity(rates), RationalZero, std::nullopt), rates_(std::move(rates)) {}

std::string HypoExponential::toText() const { return "HypoExp(" + listText(rates_) + ")"; }

std::unique_ptr<Distribution> HypoExponential::clone() const { return std::make_unique<HypoExponential>(*this); }

bool HypoExponential::equals(const Distribution& other) const {
    const auto* same = dynamic_cast<const HypoExponential*>(&other);
    return same && same->rates_ == rates_;
}

HyperExponential::HyperExponential(std::vector<Rational> parameters)
    : ExpolynomialLaw(mixtureDensity(parameters), RationalZero, std::nullopt), parameters_(std::move(parameters)) {}

std::string HyperExponential::toText() const { return "HyperExp(" + listText(parameters_) + ")"; }

std::unique_ptr<Distribution> HyperExponential::clone() const { return std::make_unique<HyperExponential>(*this); }

bool HyperExponential::equals(const Distribution& other) const {
    const auto* same = dynamic_cast<const HyperExponential*>(&other);
    return same && same->parameters_ == parameters_;
}

}  // namespace drova
