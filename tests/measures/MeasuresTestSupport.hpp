#pragma once
// Kernels built by hand from the algebra for the measures tests.

#include "algebra/DefiniteIntegral.hpp"
#include "algebra/Expolynomial.hpp"
#include "measures/SemiMarkovModel.hpp"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace measures_test {

using namespace drova;

using drova::measures::ExpolynomialMatrix;
using drova::measures::NamedState;
using drova::measures::SemiMarkovModel;

// heaviside(sign * variable + constant).
inline LinearForm step(const std::string& variable, int sign, const Rational& constant) {
    return LinearForm({{variable, sign}}, constant);
}

// coefficient * variable^power * e^(rate * variable), times the given heaviside factors.
inline Term term(const Rational& coefficient, const std::string& variable, const Rational& rate = 0,
                 unsigned power = 0, std::vector<LinearForm> heavisides = {}) {
    Term::Exponentials exponentials;
    if (!rate.is_zero()) exponentials.push_back({variable, rate});
    Term::Powers powers;
    if (power > 0) powers.push_back({variable, power});
    return Term(coefficient, 0, exponentials, powers, std::move(heavisides));
}

inline Expolynomial sum(std::vector<Term> terms) {
    Expolynomial result(std::move(terms));
    normalise(result);
    return result;
}

inline Expolynomial zero() { return Expolynomial(); }

// The integral over u from 0 to t.
inline Expolynomial integralUpToT(const Expolynomial& integrand) {
    return definiteIntegral(integrand, "u", LinearForm(Rational(0)), LinearForm(std::string("t")));
}

// A repair-time distribution G in the variable u: its distribution function and, unless it is
// deterministic, its density.
struct RepairTime {
    Expolynomial distribution;
    std::optional<Expolynomial> density;
    std::optional<Rational> delay;  // deterministic
};

inline RepairTime deterministicRepair(const Rational& d) {
    RepairTime g;
    g.distribution = sum({term(1, "u", 0, 0, {step("u", 1, -d)})});
    g.delay = d;
    return g;
}

inline RepairTime uniformRepair(const Rational& a, const Rational& b) {
    RepairTime g;
    const Rational width = b - a;
    g.distribution = sum({term(1 / width, "u", 0, 1, {step("u", 1, -a)}), term(-a / width, "u", 0, 0, {step("u", 1, -a)}),
                          term(-1 / width, "u", 0, 1, {step("u", 1, -b)}), term(b / width, "u", 0, 0, {step("u", 1, -b)})});
    g.density = sum({term(1 / width, "u", 0, 0, {step("u", 1, -a)}), term(-1 / width, "u", 0, 0, {step("u", 1, -b)})});
    return g;
}

inline RepairTime exponentialRepair(const Rational& mu) {
    RepairTime g;
    g.distribution = sum({term(1, "u"), term(-1, "u", -mu)});
    g.density = sum({term(mu, "u", -mu)});
    return g;
}

// Two units failing at rate lambda each, one repair crew with repair time G; states BothUp,
// OneUp (a repair has just started) and Down (absorbing).
inline SemiMarkovModel twoUnitSystem(const Rational& lambda, const RepairTime& g) {
    SemiMarkovModel model;
    model.states = {{"BothUp", false}, {"OneUp", false}, {"Down", true}};
    model.kernel.assign(3, std::vector<Expolynomial>(3, zero()));
    model.kernel[0][1] = sum({term(1, "t"), term(-1, "t", -2 * lambda)});
    if (g.delay)
        model.kernel[1][0] = sum({Term(Rational(1), -lambda * *g.delay, {}, {}, {step("t", 1, -*g.delay)})});
    else
        model.kernel[1][0] = integralUpToT(multiply(*g.density, sum({term(1, "u", -lambda)})));
    const Expolynomial survivesRepair = subtract(sum({term(1, "u")}), g.distribution);
    model.kernel[1][2] = integralUpToT(multiply(sum({term(lambda, "u", -lambda)}), survivesRepair));
    return model;
}

// A CTMC with generator q (off-diagonal rates as rationals): Q_ij = q_ij / q_i (1 - e^(-q_i t)),
// and, when occupancy is asked for, one GSMS state per SMS state with E_ii = e^(-q_i t).
inline SemiMarkovModel ctmc(const std::vector<std::vector<Rational>>& rates, const std::vector<NamedState>& states) {
    const std::size_t n = rates.size();
    SemiMarkovModel model;
    model.states = states;
    model.gsmsStates = states;
    model.kernel.assign(n, std::vector<Expolynomial>(n, zero()));
    model.occupancy.assign(n, std::vector<Expolynomial>(n, zero()));
    for (std::size_t i = 0; i < n; ++i) {
        Rational total = 0;
        for (std::size_t j = 0; j < n; ++j)
            if (j != i) total += rates[i][j];
        for (std::size_t j = 0; j < n; ++j)
            if (j != i && !rates[i][j].is_zero())
                model.kernel[i][j] = sum({term(rates[i][j] / total, "t"), term(-rates[i][j] / total, "t", -total)});
        model.occupancy[i][i] = total.is_zero() ? sum({term(1, "t")}) : sum({term(1, "t", -total)});
    }
    return model;
}

}  // namespace measures_test
