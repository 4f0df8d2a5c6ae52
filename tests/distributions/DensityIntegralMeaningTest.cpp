// Meaning of the exact integrals: random small integrals of densities times factors, with limits
// linear in t, x and y, evaluated at random points and compared with a numerical quadrature of the
// same integral. The quadrature knows nothing of the splitting: it evaluates the true density and
// the factor pointwise and integrates piece by piece between the points where a heaviside factor,
// the density or a limit switches (composite Gauss-Legendre, exact for the smooth pieces up to
// rounding).
//
// Every case keeps to what the integrals assume: all variables and the lower limit non-negative,
// the lower limit not above the upper one, and the argument of an exponential density, or of a
// uniform one starting at 0, non-negative over the range. Points that break this are redrawn. Constants are multiples of 1/4 and point values
// multiples of 1/8, so every heaviside argument is computed exactly in binary floating point.

#include "algebra/DefiniteIntegral.hpp"
#include "algebra/SymbolicText.hpp"
#include "distributions/Degenerate.hpp"
#include "distributions/Exponential.hpp"
#include "distributions/Uniform.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace drova;

namespace {

using Real = long double;
using Values = std::map<std::string, Real>;

const std::string variable = "v";

Real toReal(const Rational& r) { return static_cast<Real>(r); }

Real valueOf(const LinearForm& form, const Values& at) {
    Real value = toReal(form.constant);
    for (const auto& [name, coefficient] : form.variables) value += coefficient * at.at(name);
    return value;
}

// heaviside(0) = 1, the algebra's reading.
Real valueOf(const Term& term, const Values& at) {
    for (const auto& form : term.heavisides)
        if (valueOf(form, at) < 0) return 0;
    Real exponent = toReal(term.exponentConstant);
    for (const auto& [name, rate] : term.exponentials) exponent += toReal(rate) * at.at(name);
    Real product = toReal(term.coefficient);
    for (const auto& [name, k] : term.powers) product *= std::pow(at.at(name), static_cast<Real>(k));
    return std::exp(exponent) * product;
}

Real valueOf(const Expolynomial& e, const Values& at) {
    Real sum = 0;
    for (const auto& term : e.terms) sum += valueOf(term, at);
    return sum;
}

// The size against which the rounding of a sum of terms is judged.
Real magnitudeOf(const Expolynomial& e, const Values& at) {
    Real sum = 0;
    for (const auto& term : e.terms) sum += std::abs(valueOf(term, at));
    return sum;
}

// Where `form` vanishes as a function of the integration variable, the others held at `at`.
std::optional<Real> switchingPoint(const LinearForm& form, const Values& at) {
    const int* a = findValue(form.variables, variable);
    if (!a) return std::nullopt;
    Values without = at;
    without[variable] = 0;
    return -valueOf(form, without) / *a;
}

// 20-point Gauss-Legendre nodes and weights on [-1, 1], by Newton's method on P_20.
struct GaussLegendre {
    static constexpr int n = 20;
    std::array<Real, n> nodes{};
    std::array<Real, n> weights{};

    GaussLegendre() {
        const Real pi = std::acos(Real(-1));
        for (int i = 0; i < n; ++i) {
            Real z = std::cos(pi * (i + Real(0.75)) / (n + Real(0.5)));
            Real derivative = 0;
            for (int iteration = 0; iteration < 100; ++iteration) {
                Real p0 = 1, p1 = z;
                for (int k = 2; k <= n; ++k) {
                    const Real p2 = ((2 * k - 1) * z * p1 - (k - 1) * p0) / k;
                    p0 = p1;
                    p1 = p2;
                }
                derivative = n * (z * p1 - p0) / (z * z - 1);
                const Real step = p1 / derivative;
                z -= step;
                if (std::abs(step) < 1e-19L) break;
            }
            nodes[i] = z;
            weights[i] = 2 / ((1 - z * z) * derivative * derivative);
        }
    }
};

// The integral of f over [low, high], cut at the given breakpoints and into pieces of at most
// `longest`.
template <typename F>
Real quadrature(const F& f, Real low, Real high, std::vector<Real> breakpoints, Real longest = 0.5L) {
    static const GaussLegendre rule;
    breakpoints.push_back(low);
    breakpoints.push_back(high);
    std::erase_if(breakpoints, [&](Real b) { return b < low || b > high; });
    std::sort(breakpoints.begin(), breakpoints.end());
    Real sum = 0;
    for (std::size_t i = 0; i + 1 < breakpoints.size(); ++i) {
        const Real a = breakpoints[i], b = breakpoints[i + 1];
        if (b <= a) continue;
        const int pieces = static_cast<int>(std::ceil((b - a) / longest));
        const Real width = (b - a) / pieces;
        for (int p = 0; p < pieces; ++p) {
            const Real centre = a + (p + Real(0.5)) * width;
            for (int k = 0; k < GaussLegendre::n; ++k)
                sum += rule.weights[k] * f(centre + rule.nodes[k] * width / 2) * width / 2;
        }
    }
    return sum;
}

enum class Kind { Exponential, Degenerate, Uniform, None };

struct Case {
    Kind kind = Kind::None;
    std::unique_ptr<Distribution> distribution;  // none: the factor alone is integrated
    Rational rate, delay, low, high;             // the parameters of the kind
    LinearForm argument;
    LinearForm lower, upper;
    bool toInfinity = false;
    Expolynomial factor;

    std::string describe() const {
        std::ostringstream out;
        out << (distribution ? distribution->toText() : "no density") << " at " << toSymbolicText(argument)
            << " over v from " << toSymbolicText(lower) << " to "
            << (toInfinity ? std::string("infinity") : toSymbolicText(upper)) << ", factor "
            << toSymbolicText(factor);
        return out.str();
    }

    Expolynomial exact() const {
        if (!distribution) return definiteIntegral(factor, variable, lower, upper);
        if (toInfinity) return distribution->integrateToInfinity(argument, variable, lower, factor);
        return distribution->integrate(argument, variable, lower, upper, factor);
    }
};

class RandomCases {
public:
    explicit RandomCases(unsigned seed) : engine_(seed) {}

    int integer(int low, int high) { return std::uniform_int_distribution<int>(low, high)(engine_); }
    bool chance(int percent) { return integer(1, 100) <= percent; }
    Rational quarter(int low, int high) { return Rational(integer(low, high), 4); }

    // Coefficients +-1 for each of the names chosen, plus a constant in quarters.
    LinearForm linear(const std::vector<std::string>& names, int percent, int low, int high) {
        LinearForm::Variables entries;
        for (const auto& name : names)
            if (chance(percent)) entries.push_back({name, chance(60) ? 1 : -1});
        return LinearForm(entries, quarter(low, high));
    }

    Term factorTerm(bool withVariable) {
        Term::Exponentials exponentials;
        Term::Powers powers;
        std::vector<LinearForm> heavisides;
        if (withVariable && chance(50)) exponentials.push_back({variable, quarter(-4, 2)});
        if (chance(30)) exponentials.push_back({chance(50) ? "t" : "x", quarter(-2, 1)});
        if (withVariable && chance(50)) powers.push_back({variable, static_cast<unsigned>(integer(1, 2))});
        if (chance(30)) powers.push_back({chance(50) ? "y" : "t", 1u});
        for (int i = withVariable ? integer(0, 3) : 0; i > 0; --i) {
            LinearForm step = linear({"t", "x", "y"}, 40, -12, 12);
            insertOrdered(step.variables, variable, chance(50) ? 1 : -1, Combine::Sum);
            heavisides.push_back(step);
        }
        if (chance(25)) heavisides.push_back(linear({"t", "x", "y"}, 60, -8, 8));
        Rational coefficient;
        while (coefficient == 0) coefficient = quarter(-8, 8);
        return Term(coefficient, 0, exponentials, powers, heavisides);
    }

    Expolynomial factor(bool withVariable) {
        std::vector<Term> terms;
        for (int i = integer(1, 3); i > 0; --i) terms.push_back(factorTerm(withVariable));
        Expolynomial e(std::move(terms));
        normalise(e);
        return e;
    }

    Case draw(Kind kind, bool toInfinity, bool falling) {
        Case c;
        c.kind = kind;
        c.toInfinity = toInfinity;
        int coefficient = falling ? -1 : 1;
        switch (kind) {
            case Kind::Exponential:
                c.rate = Rational(integer(2, 8), 4);
                c.distribution = std::make_unique<Exponential>(c.rate);
                if (!falling && chance(25)) coefficient = 2;
                break;
            case Kind::Degenerate:
                c.delay = quarter(0, 12);
                c.distribution = std::make_unique<Degenerate>(c.delay);
                break;
            case Kind::Uniform:
                c.low = chance(40) ? Rational(0) : quarter(1, 8);
                c.high = c.low + quarter(1, 12);
                c.distribution = std::make_unique<Uniform>(c.low, c.high);
                break;
            case Kind::None:
                break;
        }
        // A falling argument needs a larger constant to stay non-negative over the range.
        c.argument = falling ? linear({"t", "x", "y"}, 35, 4, 24) : linear({"t", "x", "y"}, 35, -4, 8);
        insertOrdered(c.argument.variables, variable, coefficient, Combine::Sum);
        c.lower = linear({"x", "y"}, 40, 0, 4);
        c.upper = linear({"x", "y"}, 40, -2, 8);
        insertOrdered(c.upper.variables, std::string("t"), 1, Combine::Sum);
        c.factor = factor(!(kind == Kind::Exponential && toInfinity));
        return c;
    }

    Values point() {
        Values at;
        for (const char* name : {"t", "x", "y"}) at[name] = Real(integer(0, 48)) / 8;
        return at;
    }

private:
    std::mt19937 engine_;
};

// The integrand's switching points in the integration variable at `at`.
std::vector<Real> breakpoints(const Case& c, const Values& at) {
    std::vector<Real> points;
    for (const auto& term : c.factor.terms)
        for (const auto& form : term.heavisides)
            if (auto p = switchingPoint(form, at)) points.push_back(*p);
    for (const Rational& edge : {c.low, c.high, Rational(0)})
        if (auto p = switchingPoint(subtract(c.argument, LinearForm(edge)), at)) points.push_back(*p);
    return points;
}

Real density(const Case& c, Real argument) {
    switch (c.kind) {
        case Kind::Exponential:
            return argument < 0 ? 0 : toReal(c.rate) * std::exp(-toReal(c.rate) * argument);
        case Kind::Uniform:
            return argument > toReal(c.low) && argument < toReal(c.high) ? 1 / toReal(c.high - c.low) : 0;
        default:
            return 1;
    }
}

// The reference value, or nothing when the point breaks the assumptions or puts a point mass on
// a limit, where the value depends on a convention.
std::optional<Real> numerical(const Case& c, const Values& at) {
    const Real lower = valueOf(c.lower, at);
    const Real upper = c.toInfinity ? lower + 100 : valueOf(c.upper, at);
    if (lower < 0 || lower > upper) return std::nullopt;
    Values moving = at;
    const auto argumentAt = [&](Real v) {
        moving[variable] = v;
        return valueOf(c.argument, moving);
    };
    const auto factorAt = [&](Real v) {
        moving[variable] = v;
        return valueOf(c.factor, moving);
    };
    if (c.kind == Kind::Degenerate) {
        const Real location = *switchingPoint(subtract(c.argument, LinearForm(c.delay)), at);
        if (location == lower || (!c.toInfinity && location == upper)) return std::nullopt;
        const bool inside = location > lower && (c.toInfinity || location < upper);
        return inside ? factorAt(location) : 0;
    }
    // Only a uniform density with a > 0 keeps a factor that cuts off a negative argument.
    const bool needsNonNegativeArgument = c.kind == Kind::Exponential || (c.kind == Kind::Uniform && c.low == 0);
    if (needsNonNegativeArgument && (argumentAt(lower) < 0 || (!c.toInfinity && argumentAt(upper) < 0)))
        return std::nullopt;
    return quadrature([&](Real v) { return density(c, argumentAt(v)) * factorAt(v); }, lower, upper,
                      breakpoints(c, at));
}

// Checks one case at up to six random points where its reference value is defined. Returns the
// number of points checked, or 0 when the case is 0 at all of them (which proves little).
int check(const Case& c, RandomCases& random) {
    Expolynomial exact;
    try {
        exact = c.exact();
    } catch (const std::exception& e) {
        ADD_FAILURE() << c.describe() << " failed: " << e.what();
        return 0;
    }
    int checked = 0;
    bool nonZero = false;
    for (int attempt = 0; attempt < 300 && checked < 6; ++attempt) {
        const Values at = random.point();
        const std::optional<Real> reference = numerical(c, at);
        if (!reference) continue;
        ++checked;
        nonZero = nonZero || std::abs(*reference) > 1e-6L;
        const Real value = valueOf(exact, at);
        const Real scale = std::max({Real(1), magnitudeOf(exact, at), std::abs(*reference)});
        EXPECT_NEAR(static_cast<double>(value), static_cast<double>(*reference), static_cast<double>(1e-11L * scale))
            << c.describe() << "\n = " << toSymbolicText(exact) << "\n at t=" << at.at("t") << " x=" << at.at("x")
            << " y=" << at.at("y");
    }
    return nonZero ? checked : 0;
}

std::size_t stepsInTheVariable(const Expolynomial& factor) {
    std::size_t most = 0;
    for (const auto& term : factor.terms)
        most = std::max<std::size_t>(most, std::count_if(term.heavisides.begin(), term.heavisides.end(),
                                                         [](const LinearForm& f) { return findValue(f.variables, variable); }));
    return most;
}

TEST(DensityIntegralMeaning, ExactIntegralsMatchNumericalQuadrature) {
    struct Shape {
        Kind kind;
        bool toInfinity;
        bool falling;
    };
    const Shape shapes[] = {{Kind::None, false, false},        {Kind::Exponential, false, false},
                            {Kind::Exponential, false, true},  {Kind::Exponential, true, false},
                            {Kind::Degenerate, false, false},  {Kind::Degenerate, false, true},
                            {Kind::Degenerate, true, false},   {Kind::Degenerate, true, true},
                            {Kind::Uniform, false, false},     {Kind::Uniform, false, true},
                            {Kind::Uniform, true, false}};
    RandomCases random(20240611);
    int points = 0, withSeveralSteps = 0, uniformPastB = 0;
    for (const Shape& shape : shapes) {
        int cases = 0;
        for (int draw = 0; draw < 500 && cases < 7; ++draw) {
            const Case c = random.draw(shape.kind, shape.toInfinity, shape.falling);
            const int checked = check(c, random);
            if (checked == 0) continue;
            ++cases;
            points += checked;
            if (stepsInTheVariable(c.factor) >= 2) ++withSeveralSteps;
            // Arguments whose rest can be negative reach b beyond v = b.
            if (shape.kind == Kind::Uniform && shape.toInfinity &&
                (c.argument.constant < 0 || std::any_of(c.argument.variables.begin(), c.argument.variables.end(),
                                                        [](const auto& entry) { return entry.value < 0; })))
                ++uniformPastB;
        }
        EXPECT_EQ(cases, 7) << "too few telling cases of shape " << static_cast<int>(shape.kind);
    }
    EXPECT_GE(points, 300);
    EXPECT_GE(withSeveralSteps, 15);
    EXPECT_GE(uniformPastB, 2);
}

}  // namespace
