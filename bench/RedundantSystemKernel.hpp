#pragma once
// The semi-Markov kernel of n redundant units built by hand from the algebra: each unit fails at
// rate lambda, one crew repairs one unit at a time in exactly d, and the system is down (an
// absorbing state) when all n have failed. For n = 2, lambda = 1/1000 and d = 24 this is the
// model of examples/redundant.gsms, its two units being alike.
//
// SMS states: Up (no unit failed), Repair<k> for k = 1 .. n-1 (k units failed, a repair has just
// started) and Down. From Repair<k> the n - k working units fail independently; the repair ends
// at d with j of them failed meanwhile, with probability C(n-k, j) p^j (1-p)^(n-k-j),
// p = 1 - e^(-lambda d), unless all n - k fail first, by t < d with probability (1 - e^(-lambda t))^(n-k).

#include "algebra/Expolynomial.hpp"
#include "measures/SemiMarkovModel.hpp"

#include <string>

namespace redundant_system {

using namespace drova;

inline Expolynomial constant(const Rational& c, const Rational& exponent = 0) {
    return Expolynomial(Term(c, exponent, {}, {}, {}));
}

// 1 - e^(rate * t), or with a zero rate in t the number 1 - e^(exponent).
inline Expolynomial oneMinusExponential(const Rational& rate, const Rational& exponent = 0) {
    Term::Exponentials exponentials;
    if (!rate.is_zero()) exponentials.push_back({"t", rate});
    return Expolynomial({Term(Rational(1)), Term(Rational(-1), exponent, exponentials, {}, {})});
}

inline Expolynomial power(const Expolynomial& base, unsigned exponent) {
    Expolynomial result = UnitExpolynomial;
    for (unsigned i = 0; i < exponent; ++i) result = multiply(result, base);
    return result;
}

inline Rational binomial(unsigned n, unsigned k) {
    Rational result = 1;
    for (unsigned i = 1; i <= k; ++i) result = result * (n - k + i) / i;
    return result;
}

inline drova::measures::SemiMarkovModel kernel(unsigned units, const Rational& lambda, const Rational& delay) {
    const unsigned n = units;
    const Term repairDone(LinearForm({{"t", 1}}, -delay));
    const Expolynomial failedDuringRepair = oneMinusExponential(0, -lambda * delay);  // p
    const Expolynomial survivedRepair = constant(1, -lambda * delay);                 // 1 - p

    drova::measures::SemiMarkovModel model;
    model.states.push_back({"Up", false});
    for (unsigned k = 1; k < n; ++k) model.states.push_back({"Repair" + std::to_string(k), false});
    model.states.push_back({"Down", true});
    model.kernel.assign(n + 1, std::vector<Expolynomial>(n + 1));
    model.kernel[0][1] = oneMinusExponential(-Rational(n) * lambda);
    for (unsigned k = 1; k < n; ++k) {
        const unsigned working = n - k;
        // All working units fail before the repair ends: (1 - e^(-lambda min(t, d)))^working.
        const Expolynomial allFailed = power(oneMinusExponential(-lambda), working);
        model.kernel[k][n] = add(subtract(allFailed, multiply(repairDone, allFailed)),
                                 multiply(repairDone, power(failedDuringRepair, working)));
        // The repair ends with j more failed: the next repair starts with k + j - 1 failed.
        for (unsigned j = 0; j < working; ++j) {
            const Expolynomial probability = multiply(
                multiply(constant(binomial(working, j)), power(failedDuringRepair, j)), power(survivedRepair, working - j));
            model.kernel[k][k + j - 1] = add(model.kernel[k][k + j - 1], multiply(repairDone, probability));
        }
    }
    return model;
}

}  // namespace redundant_system
