#pragma once
// Statistics of the first-passage times of a simulation: the mean of the times with its standard
// error and 95% confidence interval, quantiles, and the empirical probability of having reached a
// down state by given times with its Wilson 95% interval.
//
// Runs that did not reach a down state by the horizon count as later than every time; they take
// part in the quantiles and the probabilities (as not failed), not in the mean.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace drova {

// The two-sided 95% point of the standard normal distribution.
inline constexpr double Normal975 = 1.959963984540054;

// The quantile levels a summary reports.
inline constexpr double SummaryQuantileLevels[] = {0.01, 0.05, 0.25, 0.5, 0.75, 0.95, 0.99};

struct ConfidenceBounds {
    double lower = 0.0;
    double upper = 0.0;
};

struct QuantileEstimate {
    double level = 0.0;
    std::optional<double> time;  // empty: the quantile lies among the runs that did not reach
};

struct FailureProbabilityEstimate {
    double time = 0.0;
    std::optional<double> estimate;  // empty when there are no runs
    std::optional<ConfidenceBounds> wilson;
};

struct RunSummary {
    std::int64_t runs = 0;
    std::int64_t reached = 0;
    std::optional<double> mean;            // of the reached runs' times; empty when none reached
    std::optional<double> standardError;   // sample deviation / sqrt(reached); needs two reached runs
    std::optional<ConfidenceBounds> confidence;    // mean -/+ Normal975 standard errors
    std::vector<QuantileEstimate> quantiles;
    std::vector<FailureProbabilityEstimate> failureProbabilities;
};

// The p-quantile of the runs' times, linear between order statistics: with the n times sorted,
// h = (n - 1) p, the value x[floor h] + (h - floor h) (x[floor h + 1] - x[floor h]). `sorted`
// holds the reached runs' times in increasing order; the other runs - sorted.size() are later
// than all of them. Empty when runs is 0 or the quantile needs a run that did not reach.
std::optional<double> quantileOfRuns(std::span<const double> sorted, std::int64_t runs, double level);

// The Wilson score interval at Normal975 for `successes` of `trials` (trials > 0).
ConfidenceBounds wilsonInterval(std::int64_t successes, std::int64_t trials);

// The summary of `runs` runs whose reached times are `times` (any order), with the failure
// probability at each of `at`, in the order given.
RunSummary summariseRuns(std::int64_t runs, std::span<const double> times, std::span<const double> at);

}  // namespace drova
