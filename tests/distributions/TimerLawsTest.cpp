// The laws with an expolynomial density (Erl, HypoExp, HyperExp, Expoly) against numerical
// quadrature of their densities, their checks and texts, their remaining times; and the laws
// without one (Weibull, Lognormal, Gamma, Normal), whose distribution functions are checked at
// known values and whose exact integrals are refused.

#include "algebra/SymbolicText.hpp"
#include "distributions/Exponential.hpp"
#include "distributions/ExpolyDensity.hpp"
#include "distributions/ExpolynomialText.hpp"
#include "distributions/PhaseTypeLaws.hpp"
#include "distributions/SampledLaws.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace drova;

namespace {

using Real = long double;

// The density's value, computed from the law's parameters alone (not from the algebra).
using Density = std::function<Real(Real)>;

// Composite Simpson on [a, b] with n (even) panels, over the part of [a, b] within [low, high],
// where the densities are smooth.
Real low = 0, high = 1e300;
std::vector<Real> kinks;  // where the density jumps inside the support
Real simpson(const Density& f, Real a, Real b, int n = 200000) {
    a = std::max(a, low);
    b = std::min(b, high);
    if (b <= a) return 0;
    for (const Real k : kinks)
        if (a < k && k < b) return simpson(f, a, k, n) + simpson(f, k, b, n);
    const Real h = (b - a) / n;
    // The ends are taken from inside, where a density that jumps there has its one-sided value.
    Real sum = f(std::nextafter(a, b)) + f(std::nextafter(b, a));
    for (int i = 1; i < n; ++i) sum += f(a + i * h) * (i % 2 ? 4 : 2);
    return sum * h / 3;
}

Real constantValue(const Expolynomial& e) { return valueInX(e, 0); }

Real valueAtT(const Expolynomial& e, Real t) {
    Real sum = 0;
    for (const Term& term : e.terms) {
        Expolynomial one(term);
        one = substitute(one, "t", LinearForm(std::string("x")));
        sum += valueInX(one, t);
    }
    return sum;
}

struct LawCase {
    std::string name;
    std::shared_ptr<ExpolynomialLaw> law;
    Density density;
    Real upper;  // where the quadrature stops: the support's end, or far into the tail
    std::vector<Real> kinks = {};
};

std::vector<LawCase> lawCases() {
    return {
        {"Erl(3, 1/2)", std::make_shared<Erlang>(Rational(3), Rational(1, 2)),
         [](Real x) { return x * x * std::exp(-x / 2) / 16; }, 120},
        {"HypoExp(1, 3)", std::make_shared<HypoExponential>(std::vector<Rational>{1, 3}),
         [](Real x) { return Real(3) / 2 * (std::exp(-x) - std::exp(-3 * x)); }, 80},
        {"HypoExp(2, 2, 1)", std::make_shared<HypoExponential>(std::vector<Rational>{2, 2, 1}),
         // 4 e^{-x} - (4 + 4x) e^{-2x}: the convolution of Erl(2, 2) with Exp(1).
         [](Real x) { return 4 * std::exp(-x) - (4 + 4 * x) * std::exp(-2 * x); }, 80},
        {"HyperExp(1/4, 1/10, 3/4, 2)", std::make_shared<HyperExponential>(std::vector<Rational>{{1, 4}, {1, 10}, {3, 4}, 2}),
         [](Real x) { return std::exp(-x / 10) / 40 + Real(3) / 2 * std::exp(-2 * x); }, 800},
        {"Expoly(1, 3, \"3/26*x^2\")", std::make_shared<ExpolyDensity>(Rational(1), Rational(3), "3/26*x^2"),
         [](Real x) { return x < 1 || x > 3 ? 0 : 3 * x * x / 26; }, 3},
        {"Expoly(0, inf, \"(x-1)^2*exp(-x)\")", std::make_shared<ExpolyDensity>(Rational(0), std::nullopt, "(x-1)^2*exp(-x)"),
         [](Real x) { return (x - 1) * (x - 1) * std::exp(-x); }, 90},
        {"two pieces and a tail", std::make_shared<ExpolyDensity>(Rational(0), std::nullopt,
                                                                  "1/2*heaviside(1-x) + 1/4*heaviside(x-1)*heaviside(2-x) + "
                                                                  "1/4*exp(2-x)*heaviside(x-2)"),
         [](Real x) { return x < 1 ? Real(0.5) : x < 2 ? Real(0.25) : std::exp(2 - x) / 4; }, 90, {1, 2}},
    };
}

TEST(TimerLaws, DensityAndIntegralsAgreeWithQuadrature) {
    for (const LawCase& c : lawCases()) {
        SCOPED_TRACE(c.name);
        const ExpolynomialLaw& law = *c.law;
        low = static_cast<Real>(law.low());
        high = law.high() ? static_cast<Real>(*law.high()) : 1e300;
        kinks = c.kinks;
        EXPECT_NEAR(static_cast<double>(simpson(c.density, 0, c.upper)), 1.0, 1e-9);
        const LinearForm v(std::string("v"));
        const std::vector<std::pair<Rational, Real>> lows = {{0, 0}, {Rational(1, 2), 0.5}, {2, 2}};
        const std::vector<std::pair<Rational, Real>> highs = {{Rational(3, 2), 1.5}, {Rational(11, 4), 2.75}, {7, 7}};
        for (const auto& [exactA, a] : lows) {
            for (const auto& [exactB, b] : highs) {
                if (b <= a) continue;
                // integrate over v from a to b of f(v) exp(-v/4)
                const Expolynomial factor(Term(RationalOne, RationalZero, {{"v", Rational(-1, 4)}}, {}, {}));
                const Expolynomial exact = law.integrate(v, "v", LinearForm(exactA), LinearForm(exactB), factor);
                const Real numeric = simpson([&](Real x) { return c.density(x) * std::exp(-x / 4); }, a, b);
                EXPECT_NEAR(static_cast<double>(constantValue(exact)), static_cast<double>(numeric), 1e-10) << a << " " << b;
            }
            // The survival past a + 1/2 of the argument v + 1/2, integrated to infinity from a.
            const LinearForm shifted({{"v", 1}}, Rational(1, 2));
            const Expolynomial tail = law.integrateToInfinity(shifted, "v", LinearForm(exactA), UnitExpolynomial);
            const Real numeric = simpson(c.density, a + Real(0.5), std::max(c.upper, a + 1));
            EXPECT_NEAR(static_cast<double>(constantValue(tail)), static_cast<double>(numeric), 1e-9) << a;
        }
        // The upper limit t, then t set to 2.5: the distribution function there.
        const Expolynomial upToT = law.integrate(v, "v", LinearForm(), LinearForm(std::string("t")), UnitExpolynomial);
        EXPECT_NEAR(static_cast<double>(valueAtT(upToT, 2.5)), static_cast<double>(simpson(c.density, 0, 2.5)), 1e-10);
        EXPECT_NEAR(law.distributionAt(2.5), static_cast<double>(simpson(c.density, 0, 2.5)), 1e-10);
        // The mean.
        EXPECT_NEAR(static_cast<double>(law.mean()),
                    static_cast<double>(simpson([&](Real x) { return x * c.density(x); }, 0, c.upper)), 1e-7);
    }
}

TEST(TimerLaws, OnePhaseAndRepeatedStagesAreTheFamiliarLaws) {
    // Erl(1, r) has the exponential's integrals; HypoExp(r, r) is Erl(2, r).
    const Erlang one(Rational(1), Rational(1, 100));
    const Exponential exponential(Rational(1, 100));
    const LinearForm argument({{"v", 1}, {"y", 1}}, RationalZero);
    const Expolynomial a = one.integrateToInfinity(argument, "v", LinearForm(std::string("s")), UnitExpolynomial);
    const Expolynomial b = exponential.integrateToInfinity(argument, "v", LinearForm(std::string("s")), UnitExpolynomial);
    EXPECT_TRUE(subtract(a, b).isZero()) << toSymbolicText(a) << " vs " << toSymbolicText(b);
    const HypoExponential stages({Rational(1, 3), Rational(1, 3)});
    const Erlang two(Rational(2), Rational(1, 3));
    EXPECT_TRUE(subtract(stages.densityInX(), two.densityInX()).isZero());
    EXPECT_EQ(densityText(two.densityInX()), "1/9*x*exp(-1/3*x)");
    EXPECT_EQ(densityText(HypoExponential({1, 2}).densityInX()), "2*exp(-x)-2*exp(-2*x)");
}

TEST(TimerLaws, ParametersAreChecked) {
    const auto message = [](const std::function<void()>& make) {
        try {
            make();
        } catch (const std::invalid_argument& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(message([] { Erlang(Rational(3, 2), 1); }), "The number of phases must be a whole number from 1 to 1000, not 3/2");
    EXPECT_EQ(message([] { Erlang(Rational(0), 1); }), "The number of phases must be a whole number from 1 to 1000, not 0");
    EXPECT_EQ(message([] { Erlang(Rational(1001), 1); }), "The number of phases must be a whole number from 1 to 1000, not 1001");
    EXPECT_EQ(message([] { Erlang(Rational(2), 0); }), "The rate must be positive");
    EXPECT_EQ(message([] { HypoExponential({}); }), "A hypoexponential law needs at least one rate");
    EXPECT_EQ(message([] { HypoExponential({1, -1}); }), "The rate must be positive");
    EXPECT_EQ(message([] { HyperExponential({Rational(1, 2), 1, Rational(1, 4), 2}); }),
              "The probabilities of a hyperexponential law add up to 3/4, not 1");
    EXPECT_EQ(message([] { HyperExponential({Rational(3, 2), 1, Rational(-1, 2), 2}); }), "Probability 3/2 not in range [0, 1]");
    EXPECT_EQ(message([] { HyperExponential({1}); }), "A hyperexponential law takes pairs of a probability and a rate");
    // Expoly: the support, decay, sign and total, in that order.
    EXPECT_EQ(message([] { ExpolyDensity(Rational(-1), Rational(1), "1/2"); }), "The lower end of the support must be non-negative");
    EXPECT_EQ(message([] { ExpolyDensity(Rational(1), Rational(1), "1"); }),
              "The upper end of the support must be greater than the lower end");
    EXPECT_EQ(message([] { ExpolyDensity(Rational(0), std::nullopt, "x*exp(-x) + 1/10"); }),
              "In the density \"x*exp(-x) + 1/10\": the term 1/10 does not decay, so the density has no finite integral "
              "to infinity");
    EXPECT_EQ(message([] { ExpolyDensity(Rational(0), Rational(2), "x"); }),
              "The density \"x\" integrates to 2 over its support, not to 1");
    EXPECT_EQ(message([] { ExpolyDensity(Rational(1), std::nullopt, "exp(-x)"); }),
              "The density \"exp(-x)\" integrates to exp(-1) (about 0.367879) over its support, not to 1");
    // 3/2 - x is negative on (3/2, 2]; (x-1)*exp(-x) below 1; a dip far out in the tail is found too.
    EXPECT_EQ(message([] { ExpolyDensity(Rational(0), Rational(2), "3/2 - x"); }).substr(0, 48),
              "The density \"3/2 - x\" is negative on its support");
    EXPECT_NE(message([] { ExpolyDensity(Rational(0), std::nullopt, "(x-1)*exp(-x)*2"); }).find("is negative on its support: at x = 0"),
              std::string::npos);
    EXPECT_NE(message([] { ExpolyDensity(Rational(0), std::nullopt, "2*exp(-2*x) - 1/1000*x*exp(-x)"); })
                  .find("is negative on its support"),
              std::string::npos);
}

TEST(TimerLaws, DensityTextReadsAndWritesBack) {
    EXPECT_EQ(densityText(parseDensityText("0.25*x*exp(-x/2)")), "1/4*x*exp(-1/2*x)");
    EXPECT_EQ(densityText(parseDensityText("x^(2) * exp(-1*x) / 2")), "1/2*x^2*exp(-x)");
    EXPECT_EQ(densityText(parseDensityText("-(x - 2)")), "-x+2");
    EXPECT_EQ(densityText(parseDensityText("exp(-x)*exp(-x) + exp(0*x)")), "exp(-2*x)+1");
    EXPECT_EQ(densityText(parseDensityText("exp(2-x/2)*heaviside(x-1)*heaviside(3/2-x)")),
              "exp(2)*exp(-1/2*x)*heaviside(x-1)*heaviside(3/2-x)");
    const ExpolyDensity law(Rational(0), std::nullopt, "1/2*x^2*exp(-x)");
    const ExpolyDensity again(Rational(0), std::nullopt, densityText(law.densityInX()));
    EXPECT_TRUE(law.equals(again));
    EXPECT_EQ(law.toText(), "Expoly(0, inf, \"1/2*x^2*exp(-x)\")");
    EXPECT_EQ(ExpolyDensity(Rational(1), Rational(3), "1/2").toText(), "Expoly(1, 3, \"1/2\")");
    const auto error = [](const std::string& text) {
        try {
            parseDensityText(text);
        } catch (const std::invalid_argument& e) {
            return std::string(e.what());
        }
        return std::string("no error");
    };
    EXPECT_EQ(error("2*y"), "Could not read the density \"2*y\" at character 3: expected a number, x or exp(...)");
    EXPECT_EQ(error("exp(x^2)"), "Could not read the density \"exp(x^2)\" at character 5: expected a multiple of x plus a "
                                 "number as the argument of exp, such as exp(-2*x)");
    EXPECT_EQ(error("heaviside(2*x)"), "Could not read the density \"heaviside(2*x)\" at character 11: expected x - c or "
                                       "c - x as the argument of heaviside, such as heaviside(x-2)");
    EXPECT_EQ(error("x^1001"), "Could not read the density \"x^1001\" at character 3: expected a whole power from 0 to 1000");
    EXPECT_EQ(error("x/0"), "Could not read the density \"x/0\" at character 3: expected a divisor other than 0");
    EXPECT_EQ(error("(x"), "Could not read the density \"(x\" at character 3: expected \")\"");
    EXPECT_EQ(error("x)"), "Could not read the density \"x)\" at character 2: expected no \"(\" before this \")\"");
    EXPECT_EQ(error(""), "Could not read the density \"\" at character 1: expected a number, x or exp(...)");
}

TEST(TimerLaws, RemainingTimeAfterAnAge) {
    // Erl(2, 1) aged 1: (x + 1) e^{-x} / 2, exactly.
    const std::unique_ptr<Distribution> erlang = Erlang(Rational(2), Rational(1)).residual(Rational(1));
    EXPECT_EQ(erlang->toText(), "Expoly(0, inf, \"1/2*x*exp(-x)+1/2*exp(-x)\")");
    // Before the support starts the law only moves; past its end the timer is due.
    const ExpolyDensity late(Rational(2), Rational(4), "1/2");
    EXPECT_EQ(late.residual(Rational(1))->toText(), "Expoly(1, 3, \"1/2\")");
    EXPECT_EQ(late.residual(Rational(3))->toText(), "Expoly(0, 1, \"1\")");
    EXPECT_EQ(late.residual(Rational(5))->toText(), "Deg(0)");
    EXPECT_TRUE(late.residual(RationalZero)->equals(late));
    // Two rates leave a survival that is not one term.
    try {
        HypoExponential({1, 2}).residual(Rational(1));
        FAIL() << "no error";
    } catch (const std::invalid_argument& e) {
        EXPECT_EQ(std::string(e.what()).substr(0, 79),
                  "The remaining time of HypoExp(1, 2) after an age of 1 has no exact expolynomial");
    }
}

TEST(TimerLaws, TextCloneAndEquality) {
    const Erlang erlang(Rational(2), Rational(1, 100));
    const HyperExponential mixture({Rational(1, 4), Rational(1, 10), Rational(3, 4), Rational(1, 1000)});
    EXPECT_EQ(erlang.toText(), "Erl(2, 1/100)");
    EXPECT_EQ(HypoExponential({Rational(1, 10), Rational(1, 20)}).toText(), "HypoExp(1/10, 1/20)");
    EXPECT_EQ(mixture.toText(), "HyperExp(1/4, 1/10, 3/4, 1/1000)");
    EXPECT_TRUE(erlang.clone()->equals(erlang));
    EXPECT_TRUE(mixture.clone()->equals(mixture));
    EXPECT_FALSE(erlang.equals(Erlang(Rational(3), Rational(1, 100))));
    EXPECT_FALSE(erlang.equals(HypoExponential({Rational(1, 100), Rational(1, 100)})));
    EXPECT_FALSE(erlang.fixedDelay());
    EXPECT_TRUE(erlang.hasExactIntegrals());
}

TEST(SampledLaws, DistributionFunctionsAtKnownValues) {
    const Weibull weibull(Rational(2), Rational(1000));
    EXPECT_NEAR(weibull.distributionAt(500), 1 - std::exp(-0.25), 1e-15);
    EXPECT_NEAR(weibull.meanValue(), 1000 * std::sqrt(std::acos(-1.0)) / 2, 1e-9);
    EXPECT_NEAR(weibull.quantile(1 - std::exp(-0.25)), 500, 1e-9);
    // Gamma of shape 1 is the exponential; shape 2 the Erlang.
    EXPECT_NEAR(GammaLaw(Rational(1), Rational(1, 2)).distributionAt(3), 1 - std::exp(-1.5), 1e-15);
    EXPECT_NEAR(GammaLaw(Rational(2), Rational(1)).distributionAt(2), Erlang(Rational(2), Rational(1)).distributionAt(2), 1e-14);
    EXPECT_NEAR(GammaLaw(Rational(1, 2), Rational(1)).densityAt(1), std::exp(-1.0) / std::sqrt(std::acos(-1.0)), 1e-14);
    const Lognormal lognormal(Rational(1), Rational(1, 2));
    EXPECT_NEAR(lognormal.distributionAt(std::exp(1.0)), 0.5, 1e-15);
    EXPECT_NEAR(lognormal.meanValue(), std::exp(1.125), 1e-12);
    // A normal law far from 0 is hardly cut; one centred at 0 is the half-normal.
    EXPECT_NEAR(TruncatedNormal(Rational(100), Rational(10)).distributionAt(110), 0.8413447460685429, 1e-12);
    EXPECT_NEAR(TruncatedNormal(Rational(0), Rational(1)).distributionAt(1), 0.6826894921370859, 1e-14);
    EXPECT_NEAR(TruncatedNormal(Rational(0), Rational(1)).meanValue(), std::sqrt(2 / std::acos(-1.0)), 1e-14);
    // Far in the cut-off tail the law is nearly exponential of rate |mean|/sd^2 above 0.
    EXPECT_NEAR(TruncatedNormal(Rational(-20), Rational(1)).distributionAt(0.05), 1 - std::exp(-1.0 - 0.00125), 2e-3);
}

TEST(SampledLaws, RefuseExactIntegralsAndCheckParameters) {
    const Weibull weibull(Rational(2), Rational(1000));
    EXPECT_FALSE(weibull.hasExactIntegrals());
    EXPECT_EQ(weibull.toText(), "Weibull(2, 1000)");
    EXPECT_EQ(TruncatedNormal(Rational(-3, 2), Rational(1)).toText(), "Normal(-3/2, 1)");
    try {
        weibull.integrate(LinearForm(std::string("v")), "v", LinearForm(), LinearForm(std::string("t")), UnitExpolynomial);
        FAIL() << "no error";
    } catch (const std::invalid_argument& e) {
        EXPECT_EQ(std::string(e.what()), "Weibull(2, 1000) has no expolynomial density, so it has no exact integral");
    }
    EXPECT_THROW(Weibull(Rational(0), Rational(1)), std::invalid_argument);
    EXPECT_THROW(Lognormal(Rational(0), Rational(-1)), std::invalid_argument);
    EXPECT_THROW(GammaLaw(Rational(1), Rational(0)), std::invalid_argument);
    EXPECT_THROW(TruncatedNormal(Rational(1), Rational(0)), std::invalid_argument);
    EXPECT_TRUE(weibull.clone()->equals(weibull));
    EXPECT_FALSE(weibull.equals(GammaLaw(Rational(2), Rational(1000))));
}

}  // namespace
