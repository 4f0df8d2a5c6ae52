// The draws of the timer kinds that GSMS files give (Erl to Normal) on the keyed streams: each law's
// 10^5 draws against its distribution function (Kolmogorov-Smirnov), the same draws for any number
// of threads, and the matlab stream's refusal to take them.

#include "distributions/ExpolyDensity.hpp"
#include "distributions/PhaseTypeLaws.hpp"
#include "distributions/SampledLaws.hpp"
#include "gsms/Gsms.hpp"
#include "simulate/GsmsToSim.hpp"
#include "simulate/KeyedRuns.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>

using namespace drova;

namespace {

// One state whose single timer, drawn at the start, leads to a down state: each run's time is one
// draw of the law.
SimModel oneDraw(const Distribution& law) {
    Gsms gsms;
    gsms.setName("draw");
    gsms.addState("Wait", false, {0}, {RationalZero});
    gsms.addState("Down", true, {}, {});
    gsms.setInitialState(0);
    gsms.addTimer(law);
    const auto t = gsms.addTransition(0, {0});
    gsms.addDestination(t, 1, RationalOne, {});
    return simModelOf(gsms);
}

std::vector<double> draws(const SimModel& model, std::int64_t runs, int threads) {
    KeyedRunOptions options;
    options.seed = 7;
    options.threads = threads;
    const KeyedRunsResult result = simulateKeyedRuns(runs, std::numeric_limits<double>::infinity(), model, options);
    EXPECT_FALSE(result.failure);
    return result.times;
}

// sup |F_n - F| over the sample.
double kolmogorovSmirnov(std::vector<double> sample, const std::function<double(double)>& cdf) {
    std::sort(sample.begin(), sample.end());
    const double n = static_cast<double>(sample.size());
    double d = 0;
    for (std::size_t i = 0; i < sample.size(); ++i) {
        const double f = cdf(sample[i]);
        d = std::max({d, std::abs(f - static_cast<double>(i) / n), std::abs(static_cast<double>(i + 1) / n - f)});
    }
    return d;
}

struct LawCase {
    std::shared_ptr<Distribution> law;
    std::function<double(double)> cdf;
};

template <typename Law>
LawCase lawCase(std::shared_ptr<Law> law) {
    return {law, [law](double x) { return law->distributionAt(x); }};
}

TEST(TimerKindsSampling, DrawsFollowTheirLaws) {
    const std::vector<LawCase> cases = {
        lawCase(std::make_shared<Erlang>(Rational(3), Rational(1, 2))),
        lawCase(std::make_shared<HypoExponential>(std::vector<Rational>{1, 3, 3})),
        lawCase(std::make_shared<HyperExponential>(std::vector<Rational>{{1, 4}, {1, 10}, {3, 4}, 2})),
        lawCase(std::make_shared<ExpolyDensity>(Rational(0), std::nullopt, "(x-1)^2*exp(-x)")),
        lawCase(std::make_shared<ExpolyDensity>(Rational(1), Rational(3), "3/26*x^2")),
        // Two pieces and an exponential tail.
        lawCase(std::make_shared<ExpolyDensity>(Rational(0), std::nullopt,
                                                "1/2*heaviside(1-x) + 1/4*heaviside(x-1)*heaviside(2-x) + "
                                                "1/4*exp(2-x)*heaviside(x-2)")),
        lawCase(std::make_shared<Weibull>(Rational(2), Rational(1000))),
        lawCase(std::make_shared<Weibull>(Rational(1, 2), Rational(1))),
        lawCase(std::make_shared<Lognormal>(Rational(0), Rational(1))),
        lawCase(std::make_shared<GammaLaw>(Rational(1, 2), Rational(3))),
        lawCase(std::make_shared<GammaLaw>(Rational(5, 2), Rational(1))),
        lawCase(std::make_shared<TruncatedNormal>(Rational(10), Rational(3))),
        lawCase(std::make_shared<TruncatedNormal>(Rational(1, 2), Rational(1))),
        lawCase(std::make_shared<TruncatedNormal>(Rational(-3), Rational(1))),
    };
    constexpr std::int64_t Runs = 100000;
    for (const LawCase& c : cases) {
        SCOPED_TRACE(c.law->toText());
        const std::vector<double> sample = draws(oneDraw(*c.law), Runs, 2);
        ASSERT_EQ(sample.size(), static_cast<std::size_t>(Runs));
        // 1.95 / sqrt(n): the 0.1% critical value of the statistic.
        EXPECT_LT(kolmogorovSmirnov(sample, c.cdf), 1.95 / std::sqrt(static_cast<double>(Runs)));
    }
}

TEST(TimerKindsSampling, DrawsAreTheSameForAnyNumberOfThreads) {
    for (const auto& law : std::vector<std::shared_ptr<Distribution>>{
             std::make_shared<GammaLaw>(Rational(1, 2), Rational(3)), std::make_shared<TruncatedNormal>(Rational(-3), Rational(1)),
             std::make_shared<ExpolyDensity>(Rational(0), std::nullopt, "x*exp(-x)"),
             std::make_shared<HyperExponential>(std::vector<Rational>{{1, 2}, 1, {1, 2}, 2})}) {
        SCOPED_TRACE(law->toText());
        const SimModel model = oneDraw(*law);
        const std::vector<double> one = draws(model, 3000, 1);
        EXPECT_EQ(draws(model, 3000, 3), one);
        EXPECT_EQ(draws(model, 3000, 4), one);
    }
}

TEST(TimerKindsSampling, RecordsOfTheMapping) {
    EXPECT_EQ(oneDraw(Erlang(Rational(2), Rational(1, 4))).Distributions[0].type, DistType::Erlang);
    EXPECT_EQ(oneDraw(Erlang(Rational(2), Rational(1, 4))).Distributions[0].parameters, (std::vector<double>{2, 0.25}));
    // Lognormal is the enumeration's own fourth kind, which the matlab stream draws too.
    EXPECT_EQ(oneDraw(Lognormal(Rational(1), Rational(1, 2))).Distributions[0].type, DistType::Lognormal);
    EXPECT_FALSE(isGsmsOnlyType(DistType::Lognormal));
    EXPECT_TRUE(isGsmsOnlyType(oneDraw(Weibull(Rational(2), Rational(1))).Distributions[0].type));
    // An Expoly record: the support, then F's terms on it: x^2/8 - 1/8 on [1, 3].
    const SimModel expoly = oneDraw(ExpolyDensity(Rational(1), Rational(3), "1/4*x"));
    EXPECT_EQ(expoly.Distributions[0].type, DistType::Expoly);
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(expoly.Distributions[0].parameters, (std::vector<double>{1, 3, 0.125, 2, 0, -inf, inf, -0.125, 0, 0, -inf, inf}));
}

}  // namespace
