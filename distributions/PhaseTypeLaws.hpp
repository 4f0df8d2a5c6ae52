#pragma once
// The phase-type laws with an expolynomial density: Erlang, hypoexponential (a sum of
// exponential stages) and hyperexponential (a mixture of exponentials).

#include "distributions/ExpolynomialLaw.hpp"

#include <vector>

namespace drova {

// Erlang: the sum of k exponential stages of one rate; density rate^k x^(k-1) exp(-rate x) / (k-1)!.
class Erlang final : public ExpolynomialLaw {
public:
    // Throws std::invalid_argument "The number of phases must be a whole number from 1 to 1000, not K"
    // or "The rate must be positive".
    Erlang(const Rational& phases, Rational rate);

    unsigned phases() const { return phases_; }
    const Rational& rate() const { return rate_; }

    std::string toText() const override;  // Erl(2, 1/100)
    std::unique_ptr<Distribution> clone() const override;
    bool equals(const Distribution& other) const override;

private:
    unsigned phases_;
    Rational rate_;
};

// The sum of exponential stages with the given rates, distinct or repeated.
class HypoExponential final : public ExpolynomialLaw {
public:
    // Throws std::invalid_argument for no rate or more than 1000, or a rate that is not positive.
    explicit HypoExponential(std::vector<Rational> rates);

    const std::vector<Rational>& rates() const { return rates_; }

    std::string toText() const override;  // HypoExp(1/10, 1/20)
    std::unique_ptr<Distribution> clone() const override;
    bool equals(const Distribution& other) const override;

private:
    std::vector<Rational> rates_;
};

// The mixture of exponentials: with probability p_i an exponential of rate r_i.
class HyperExponential final : public ExpolynomialLaw {
public:
    // `parameters` is p1, r1, p2, r2, ...: throws std::invalid_argument for an odd or zero count,
    // more than 1000 branches, a probability outside [0, 1], probabilities that do not add up to 1,
    // or a rate that is not positive.
    explicit HyperExponential(std::vector<Rational> parameters);

    // p1, r1, p2, r2, ...
    const std::vector<Rational>& parameters() const { return parameters_; }

    std::string toText() const override;  // HyperExp(1/4, 1/10, 3/4, 1/1000)
    std::unique_ptr<Distribution> clone() const override;
    bool equals(const Distribution& other) const override;

private:
    std::vector<Rational> parameters_;
};

}  // namespace drova
