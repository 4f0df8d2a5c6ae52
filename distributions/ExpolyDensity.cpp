#include "distributions/ExpolyDensity.hpp"

#include "algebra/MessageText.hpp"
#include "distributions/ExpolynomialText.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace drova {

namespace {

const std::string X = "x";

struct TermValue {
    long double coefficient;
    long double power;
    long double rate;  // the density's factor is exp(rate * x)
    long double from;  // the term counts on [from, to], where its heaviside factors are 1
    long double to;
};

std::vector<TermValue> valuesOf(const Expolynomial& density) {
    std::vector<TermValue> values;
    for (const Term& term : density.terms) {
        const Rational* rate = findValue(term.exponentials, X);
        const unsigned* power = findValue(term.powers, X);
        long double from = -HUGE_VALL, to = HUGE_VALL;
        for (const LinearForm& form : term.heavisides) {
            const int* c = findValue(form.variables, X);
            if (!c) continue;
            const auto at = static_cast<long double>(form.constant);
            if (*c > 0) from = std::max(from, -at);
            else to = std::min(to, at);
        }
        values.push_back({static_cast<long double>(term.coefficient) * std::exp(static_cast<long double>(term.exponentConstant)),
                          power ? static_cast<long double>(*power) : 0.0L,
                          rate ? static_cast<long double>(*rate) : 0.0L, from, to});
    }
    return values;
}

// The value and the sum of the magnitudes of the terms, the scale its rounding error is measured on.
std::pair<long double, long double> evaluate(const std::vector<TermValue>& terms, long double x) {
    long double value = 0, magnitude = 0;
    for (const TermValue& t : terms) {
        if (x < t.from || x > t.to) continue;
        const long double v = t.coefficient * std::pow(x, t.power) * std::exp(t.rate * x);
        value += v;
        magnitude += std::fabs(v);
    }
    return {value, magnitude};
}

bool negativeAt(const std::vector<TermValue>& terms, long double x) {
    const auto [value, magnitude] = evaluate(terms, x);
    return value < -1e-12L * magnitude;
}

std::string decimal(long double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.6Lg", value);
    return text;
}

Expolynomial checkedDensity(const Rational& low, const std::optional<Rational>& high, std::string_view text) {
    if (low < 0) throw std::invalid_argument("The lower end of the support must be non-negative");
    if (high && *high <= low)
        throw std::invalid_argument("The upper end of the support must be greater than the lower end");
    const Expolynomial density = parseDensityText(text);
    const std::string quoted = "\"" + messageText(text) + "\"";
    try {
        if (const std::optional<double> at = negativePoint(density, low, high))
            throw std::invalid_argument("The density " + quoted + " is negative on its support: at x = " +
                                        decimal(*at) + " it is " +
                                        decimal(evaluate(valuesOf(density), *at).first));
        const Expolynomial total = totalIntegral(density, low, high);
        if (!(total == Expolynomial(Term(RationalOne)))) {
            const long double approximately = valueInX(total, 0);
            throw std::invalid_argument("The density " + quoted + " integrates to " + densityText(total) +
                                        (total.terms.size() == 1 && total.terms[0].exponentConstant == 0
                                             ? std::string()
                                             : " (about " + decimal(approximately) + ")") +
                                        " over its support, not to 1");
        }
    } catch (const std::invalid_argument& e) {
        const std::string message = e.what();
        if (message.rfind("The term ", 0) == 0) throw std::invalid_argument("In the density " + quoted + ": the" + message.substr(3));
        throw;
    }
    return density;
}

}  // namespace

std::optional<double> negativePoint(const Expolynomial& densityInX, const Rational& low,
                                    const std::optional<Rational>& high) {
    const std::vector<TermValue> terms = valuesOf(densityInX);
    if (std::all_of(terms.begin(), terms.end(), [](const TermValue& t) { return t.coefficient >= 0; }))
        return std::nullopt;
    const long double a = static_cast<long double>(low);
    long double b;
    if (high) {
        b = static_cast<long double>(*high);
    } else {
        long double maxPower = 0, lastSwitch = a;
        std::vector<TermValue> unending;
        for (const TermValue& t : terms) {
            maxPower = std::max(maxPower, t.power);
            if (std::isfinite(t.from)) lastSwitch = std::max(lastSwitch, t.from);
            if (std::isfinite(t.to)) lastSwitch = std::max(lastSwitch, t.to);
            if (t.to == HUGE_VALL) unending.push_back(t);
        }
        b = lastSwitch;
        if (!unending.empty()) {
            // Far out the slowest term with the highest power decides the sign, exactly.
            const auto dominant = std::min_element(unending.begin(), unending.end(),
                                                   [](const TermValue& p, const TermValue& q) {
                                                       return p.rate != q.rate ? p.rate > q.rate : p.power > q.power;
                                                   });
            if (dominant->coefficient < 0) {
                // Walk out until the sign shows.
                for (long double x = std::max(lastSwitch, 1.0L);; x *= 2)
                    if (negativeAt(terms, x) || x > 1e300L) return static_cast<double>(x);
            }
            if (dominant->rate < 0) b = lastSwitch + 60 * (maxPower + 1) / -dominant->rate;
        }
        if (b <= a) b = a + 1;
    }
    // A fine grid, then each local minimum refined by golden-section search between its neighbours.
    constexpr int Points = 20000;
    const long double step = (b - a) / Points;
    std::vector<long double> values(Points + 1);
    for (int i = 0; i <= Points; ++i) {
        const long double x = a + step * i;
        if (negativeAt(terms, x)) return static_cast<double>(x);
        values[i] = evaluate(terms, x).first;
    }
    const long double ratio = (std::sqrt(5.0L) - 1) / 2;
    for (int i = 1; i < Points; ++i) {
        if (!(values[i] <= values[i - 1] && values[i] <= values[i + 1])) continue;
        long double lo = a + step * (i - 1), hi = a + step * (i + 1);
        for (int k = 0; k < 100; ++k) {
            const long double m1 = hi - ratio * (hi - lo), m2 = lo + ratio * (hi - lo);
            if (evaluate(terms, m1).first < evaluate(terms, m2).first)
                hi = m2;
            else
                lo = m1;
        }
        const long double x = (lo + hi) / 2;
        if (negativeAt(terms, x)) return static_cast<double>(x);
    }
    return std::nullopt;
}

ExpolyDensity::ExpolyDensity(Rational low, std::optional<Rational> high, std::string_view density)
    : ExpolynomialLaw(checkedDensity(low, high, density), low, high) {}

ExpolyDensity::ExpolyDensity(Unchecked, Expolynomial densityInX, Rational low, std::optional<Rational> high)
    : ExpolynomialLaw(std::move(densityInX), std::move(low), std::move(high)) {}

std::unique_ptr<ExpolyDensity> ExpolyDensity::fromDensity(Expolynomial densityInX, Rational low,
                                                          std::optional<Rational> high) {
    return std::unique_ptr<ExpolyDensity>(new ExpolyDensity(Unchecked{}, std::move(densityInX), std::move(low), std::move(high)));
}

std::string ExpolyDensity::toText() const {
    return "Expoly(" + drova::toText(low()) + ", " + (high() ? drova::toText(*high()) : std::string("inf")) + ", \"" +
           densityText(densityInX()) + "\")";
}

std::unique_ptr<Distribution> ExpolyDensity::clone() const { return std::make_unique<ExpolyDensity>(*this); }

bool ExpolyDensity::equals(const Distribution& other) const {
    const auto* same = dynamic_cast<const ExpolyDensity*>(&other);
    return same && same->low() == low() && same->high() == high() && same->densityInX() == densityInX();
}

}  // namespace drova
