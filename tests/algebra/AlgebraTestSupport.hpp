#pragma once
// Helpers shared by the algebra tests: short constructors, random values and a numeric evaluator.

#include "algebra/Expolynomial.hpp"
#include "algebra/LinearForm.hpp"
#include "algebra/SymbolicText.hpp"
#include "algebra/Term.hpp"

#include <boost/multiprecision/cpp_bin_float.hpp>

#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

using namespace drova;

namespace algebra_test {

using Quad = boost::multiprecision::cpp_bin_float_quad;
using Point = std::map<std::string, Rational>;

inline LinearForm form(const LinearForm::Variables& variables, const Rational& constant) {
    return LinearForm(variables, constant);
}

inline Expolynomial expolynomial(std::vector<Term> terms) { return Expolynomial(std::move(terms)); }

inline std::string text(const Expolynomial& e) { return toSymbolicText(e); }

inline Rational power(const Rational& base, unsigned exponent) {
    Rational result = 1;
    for (unsigned i = 0; i < exponent; ++i) result *= base;
    return result;
}

// Value of a linear form at a point; variables missing from the point are 0.
inline Rational valueOf(const LinearForm& form, const Point& point) {
    Rational value = form.constant;
    for (const auto& [name, coefficient] : form.variables) {
        auto at = point.find(name);
        if (at != point.end()) value += coefficient * at->second;
    }
    return value;
}

// heaviside(0) counts as 1, as in the algebra's simplification of factors.
inline Quad valueOf(const Term& term, const Point& point) {
    for (const auto& form : term.heavisides)
        if (valueOf(form, point) < 0) return Quad(0);
    Rational exponent = term.exponentConstant;
    for (const auto& [name, rate] : term.exponentials) exponent += rate * point.at(name);
    Rational product = term.coefficient;
    for (const auto& [name, k] : term.powers) product *= power(point.at(name), k);
    return exp(Quad(exponent)) * Quad(product);
}

inline Quad valueOf(const Expolynomial& e, const Point& point) {
    Quad sum = 0;
    for (const auto& term : e.terms) sum += valueOf(term, point);
    return sum;
}

// The sum of the magnitudes of the terms: the size against which rounding in a sum is judged.
inline Quad magnitudeOf(const Expolynomial& e, const Point& point) {
    Quad sum = 0;
    for (const auto& term : e.terms) sum += abs(valueOf(term, point));
    return sum;
}

// |a - b| <= relative * max(1, scale, |a|, |b|).
inline bool nearlyEqual(const Quad& a, const Quad& b, const Quad& relative, const Quad& scale = 0) {
    const Quad size = std::max<Quad>({Quad(1), scale, abs(a), abs(b)});
    return abs(a - b) <= relative * size;
}

// Small random values over the variables t, x and y.
class RandomAlgebra {
public:
    explicit RandomAlgebra(unsigned seed) : engine_(seed) {}

    int integer(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }
    bool chance(int percent) { return integer(1, 100) <= percent; }

    Rational rational(int magnitude = 5) { return Rational(integer(-magnitude, magnitude), integer(1, 4)); }
    Rational nonZeroRational() {
        Rational r;
        while (r == 0) r = rational();
        return r;
    }
    const std::string& name() { return names_[integer(0, 2)]; }

    // Coefficients +1 and -1 mostly, sometimes +-2.
    LinearForm linearForm(int maxVariables = 2) {
        LinearForm::Variables entries;
        for (int i = integer(0, maxVariables); i > 0; --i) {
            int coefficient = chance(50) ? 1 : -1;
            if (chance(15)) coefficient *= 2;
            entries.push_back({name(), coefficient});
        }
        return LinearForm(entries, rational());
    }

    Term term(int maxHeavisides = 2) {
        Term::Exponentials exponentials;
        for (int i = integer(0, 2); i > 0; --i) exponentials.push_back({name(), rational(3)});
        Term::Powers powers;
        for (int i = integer(0, 2); i > 0; --i) powers.push_back({name(), static_cast<unsigned>(integer(1, 3))});
        std::vector<LinearForm> heavisides;
        for (int i = integer(0, maxHeavisides); i > 0; --i) heavisides.push_back(linearForm());
        const Rational exponentConstant = chance(30) ? rational() : Rational(0);
        return Term(nonZeroRational(), exponentConstant, exponentials, powers, heavisides);
    }

    Expolynomial expolynomial(int maxTerms, int maxHeavisides = 2) {
        std::vector<Term> terms;
        for (int i = integer(1, maxTerms); i > 0; --i) terms.push_back(term(maxHeavisides));
        Expolynomial e(std::move(terms));
        normalise(e);
        return e;
    }

    // Non-negative values of t, x and y (the algebra reads every variable as non-negative).
    Point point() {
        Point p;
        for (const auto& n : names_) p[n] = Rational(integer(0, 40), integer(1, 8));
        return p;
    }

    std::mt19937& engine() { return engine_; }

private:
    std::mt19937 engine_;
    std::vector<std::string> names_{"t", "x", "y"};
};

}  // namespace algebra_test
