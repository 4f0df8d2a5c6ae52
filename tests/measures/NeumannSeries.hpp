#pragma once
// An exact reference for the Markov renewal equation on a bounded horizon, built with the
// algebra: X = sum_k (dQ)^(*k) * B, where every cycle of the model takes a positive minimum time,
// so the series has finitely many terms that are not 0 on [0, horizon].

#include "MeasuresTestSupport.hpp"

#include "algebra/Term.hpp"

#include <boost/multiprecision/cpp_bin_float.hpp>

#include <utility>
#include <vector>

namespace measures_test {

// One kernel entry as a measure: a density in u and point masses (delay, mass), each mass a
// constant term c * e^r.
struct KernelMeasure {
    Expolynomial density = zero();
    std::vector<std::pair<Rational, Term>> masses;

    // The distribution function in t.
    Expolynomial distribution() const {
        Expolynomial result = integralUpToT(density);
        for (const auto& [delay, mass] : masses)
            result = add(result, Expolynomial(multiply(mass, Term(step("t", 1, -delay)))));
        return result;
    }
};

// (dQ * f)(t) = sum of mass * f(t - d) H(t - d) + integral over u in [0, t] of q(u) f(t - u).
inline Expolynomial convolve(const KernelMeasure& q, const Expolynomial& f) {
    Expolynomial result = zero();
    for (const auto& [delay, mass] : q.masses) {
        const Expolynomial shifted = substitute(f, "t", LinearForm({{"t", 1}}, -delay));
        result = add(result, multiply(multiply(mass, Term(step("t", 1, -delay))), shifted));
    }
    if (!q.density.isZero()) {
        const Expolynomial delayed = substitute(f, "t", LinearForm({{"t", 1}, {"u", -1}}, 0));
        result = add(result, integralUpToT(multiply(q.density, delayed)));
    }
    return result;
}

// Drops the terms that vanish on [0, horizon] (a factor heaviside(t - d) with d > horizon).
inline Expolynomial restrictedTo(const Expolynomial& f, const Rational& horizon) {
    std::vector<Term> kept;
    for (const Term& t : f.terms) {
        bool vanishes = false;
        for (const LinearForm& factor : t.heavisides)
            if (factor.variables.size() == 1 && factor.variables.front().value > 0 && factor.constant < -horizon)
                vanishes = true;
        if (!vanishes) kept.push_back(t);
    }
    return sum(kept);
}

// X_i on [0, horizon] for X = B + dQ * X (kernel[i][j], forcing[i]).
inline std::vector<Expolynomial> neumannSeries(const std::vector<std::vector<KernelMeasure>>& kernel,
                                               const std::vector<Expolynomial>& forcing, const Rational& horizon) {
    std::vector<Expolynomial> total = forcing, current = forcing;
    for (int order = 0; order < 100; ++order) {
        std::vector<Expolynomial> next(forcing.size(), zero());
        bool anything = false;
        for (std::size_t i = 0; i < forcing.size(); ++i) {
            for (std::size_t j = 0; j < forcing.size(); ++j)
                if (!current[j].isZero()) next[i] = add(next[i], convolve(kernel[i][j], current[j]));
            next[i] = restrictedTo(next[i], horizon);
            total[i] = add(total[i], next[i]);
            anything = anything || !next[i].isZero();
        }
        if (!anything) return total;
        current = std::move(next);
    }
    throw std::logic_error("neumannSeries: the series does not end; a cycle takes no time");
}

// f(t) in 113-bit arithmetic, heaviside(0) = 1.
inline double valueAt(const Expolynomial& f, const Rational& t) {
    boost::multiprecision::cpp_bin_float_quad value = 0;
    for (const Term& term : f.terms) value += drova::valueAt(term, "t", t);
    return value.convert_to<double>();
}

}  // namespace measures_test
