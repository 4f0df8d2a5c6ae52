// The statistics of a simulation's times, against values worked out independently.

#include "simulate/RunStatistics.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace drova;

TEST(RunStatistics, QuantilesCountTheRunsThatDidNotReach) {
    const std::vector<double> sorted = {1, 2, 3, 4};
    // All four reached: h = 3p between order statistics.
    EXPECT_EQ(quantileOfRuns(sorted, 4, 0.0), 1.0);
    EXPECT_EQ(quantileOfRuns(sorted, 4, 0.5), 2.5);
    EXPECT_EQ(quantileOfRuns(sorted, 4, 1.0), 4.0);
    // Of five runs, four reached: h = 4p; past h = 3 the fifth time, beyond the horizon, is needed.
    EXPECT_EQ(quantileOfRuns(sorted, 5, 0.75), 4.0);
    EXPECT_EQ(quantileOfRuns(sorted, 5, 0.8), std::nullopt);
    EXPECT_EQ(quantileOfRuns(sorted, 5, 0.4375), 2.75);
    EXPECT_EQ(quantileOfRuns({}, 0, 0.5), std::nullopt);
    EXPECT_EQ(quantileOfRuns({}, 3, 0.0), std::nullopt);
}

TEST(RunStatistics, WilsonIntervals) {
    // Worked out in 30 digits.
    ConfidenceBounds b = wilsonInterval(75, 2000);
    EXPECT_NEAR(b.lower, 0.0300212565632304065, 1e-15);
    EXPECT_NEAR(b.upper, 0.0467520121719285575, 1e-15);
    b = wilsonInterval(3, 10);
    EXPECT_NEAR(b.lower, 0.107791267406301034, 1e-15);
    EXPECT_NEAR(b.upper, 0.603221852538854648, 1e-15);
    // At the ends the interval keeps the estimate and stays within 0 ... 1.
    b = wilsonInterval(0, 10);
    EXPECT_EQ(b.lower, 0.0);
    EXPECT_NEAR(b.upper, 0.277532799862889205, 1e-15);
    b = wilsonInterval(10, 10);
    EXPECT_NEAR(b.lower, 0.722467200137110795, 1e-15);
    EXPECT_EQ(b.upper, 1.0);
}

TEST(RunStatistics, SummaryOfCensoredRuns) {
    // Five runs, three reached, given out of order.
    const std::vector<double> times = {3.0, 1.0, 2.0};
    const std::vector<double> at = {0.5, 2.0, 10.0};
    RunSummary s = summariseRuns(5, times, at);
    EXPECT_EQ(s.runs, 5);
    EXPECT_EQ(s.reached, 3);
    EXPECT_EQ(s.mean, 2.0);
    ASSERT_TRUE(s.standardError);
    EXPECT_NEAR(*s.standardError, 1.0 / std::sqrt(3.0), 1e-15);  // sample deviation 1
    EXPECT_NEAR(s.confidence->lower, 2.0 - Normal975 / std::sqrt(3.0), 1e-15);
    EXPECT_NEAR(s.confidence->upper, 2.0 + Normal975 / std::sqrt(3.0), 1e-15);
    ASSERT_EQ(s.quantiles.size(), std::size(SummaryQuantileLevels));
    EXPECT_EQ(s.quantiles[0].level, 0.01);
    EXPECT_NEAR(*s.quantiles[0].time, 1.04, 1e-14);
    EXPECT_EQ(s.quantiles[2].time, 2.0);
    EXPECT_EQ(s.quantiles[3].time, 3.0);            // the median of 1, 2, 3, later, later
    EXPECT_EQ(s.quantiles[4].time, std::nullopt);   // 75% lies past the horizon
    ASSERT_EQ(s.failureProbabilities.size(), 3u);
    EXPECT_EQ(s.failureProbabilities[0].estimate, 0.0);
    EXPECT_EQ(s.failureProbabilities[1].estimate, 0.4);  // a time equal to T counts as failed by T
    EXPECT_EQ(s.failureProbabilities[2].estimate, 0.6);
    EXPECT_EQ(s.failureProbabilities[2].time, 10.0);

    RunSummary one = summariseRuns(1, std::vector<double>{7.0}, {});
    EXPECT_EQ(one.mean, 7.0);
    EXPECT_FALSE(one.standardError);
    RunSummary none = summariseRuns(0, {}, at);
    EXPECT_FALSE(none.mean);
    EXPECT_FALSE(none.failureProbabilities[0].estimate);
}
