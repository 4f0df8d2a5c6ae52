// Means of many runs on the host's generator against the theory. Seeds are
// fixed, so each check is deterministic; the tolerances are 4.5 standard errors.

#include "SimulateTestSupport.hpp"

#include "host/classic/ClassicRandom.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>

using namespace drova;

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();

double mean(const std::vector<double>& v) { return std::accumulate(v.begin(), v.end(), 0.0) / v.size(); }

double tolerance(double sd, std::size_t n) { return 4.5 * sd / std::sqrt(static_cast<double>(n)); }

// Up goes down when its one timer expires.
SimModel oneTimer(SimDistribution timer) {
    SimModel m;
    m.States = {{"Up", false, {1}}, {"Down", true, {}}};
    m.Initial = {1, {1}};
    m.Distributions = {std::move(timer)};
    m.Transitions = {{1, {1}, {{2, 1.0, {}}}}};
    return m;
}

}  // namespace

TEST(SimulateStatistics, ExponentialFirstPassageAndItsCensoring) {
    const double rate = 2.0, horizon = 0.5;
    const std::int64_t runs = 200000;
    SimModel m = oneTimer({DistType::Exp, {rate}});
    classicSeedGenerator(0);
    std::vector<double> all = simulateGSMS(runs, Inf, m);
    ASSERT_EQ(all.size(), static_cast<std::size_t>(runs));
    EXPECT_NEAR(mean(all), 1 / rate, tolerance(1 / rate, runs));

    std::vector<double> censored = simulateGSMS(runs, horizon, m);
    const double p = 1 - std::exp(-rate * horizon);
    EXPECT_NEAR(static_cast<double>(censored.size()) / runs, p, tolerance(std::sqrt(p * (1 - p)), runs));
    EXPECT_NEAR(mean(censored), 1 / rate - horizon * std::exp(-rate * horizon) / p, tolerance(0.15, censored.size()));
    for (double t : censored) ASSERT_LE(t, horizon);
}

TEST(SimulateStatistics, LognormalTimersFollowTheirMean) {
    const double mu = 0.0, sigma = 0.5;
    const std::int64_t runs = 200000;
    classicSeedGenerator(11);
    std::vector<double> times = simulateGSMS(runs, Inf, oneTimer({DistType::Lognormal, {mu, sigma}}));
    const double expected = std::exp(mu + sigma * sigma / 2);
    const double sd = std::sqrt((std::exp(sigma * sigma) - 1) * std::exp(2 * mu + sigma * sigma));
    EXPECT_NEAR(mean(times), expected, tolerance(sd, runs));
}

TEST(SimulateStatistics, RepairablePairFailsAfterItsMeanTime) {
    // Two components fail at rate 1 each, one repairer works at rate 10; the
    // pair is down when both have failed. Mean time to down: 6.5.
    SimModel m;
    m.States = {{"AB", false, {1, 2}}, {"A", false, {3, 4}}, {"B", false, {5, 6}}, {"Down", true, {}}};
    m.Initial = {1, {1, 2}};
    m.Distributions = {{DistType::Exp, {1.0}}, {DistType::Exp, {1.0}}, {DistType::Exp, {10.0}}};
    m.Transitions = {{1, {1}, {{3, 1.0, {3}}}}, {1, {2}, {{2, 1.0, {3}}}}, {2, {1}, {{4, 1.0, {}}}},
                     {2, {3}, {{1, 1.0, {2}}}}, {3, {2}, {{4, 1.0, {}}}}, {3, {3}, {{1, 1.0, {1}}}}};
    const std::int64_t runs = 100000;
    classicSeedGenerator(0);
    std::vector<double> times = simulateGSMS(runs, Inf, m);
    EXPECT_NEAR(mean(times), 6.5, tolerance(6.6, runs));
}
