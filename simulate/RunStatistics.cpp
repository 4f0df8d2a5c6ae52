#include "simulate/RunStatistics.hpp"

#include <algorithm>
#include <cmath>

namespace drova {

std::optional<double> quantileOfRuns(std::span<const double> sorted, std::int64_t runs, double level) {
    if (runs <= 0) return std::nullopt;
    const double h = static_cast<double>(runs - 1) * level;
    const auto low = static_cast<std::int64_t>(std::floor(h));
    const double fraction = h - static_cast<double>(low);
    const auto reached = static_cast<std::int64_t>(sorted.size());
    if (low >= reached) return std::nullopt;
    const double below = sorted[static_cast<std::size_t>(low)];
    if (fraction == 0.0) return below;
    if (low + 1 >= reached) return std::nullopt;
    return below + fraction * (sorted[static_cast<std::size_t>(low + 1)] - below);
}

ConfidenceBounds wilsonInterval(std::int64_t successes, std::int64_t trials) {
    const double n = static_cast<double>(trials);
    const double p = static_cast<double>(successes) / n;
    const double z2 = Normal975 * Normal975;
    const double scale = 1.0 + z2 / n;
    const double centre = (p + z2 / (2.0 * n)) / scale;
    const double half = Normal975 / scale * std::sqrt(p * (1.0 - p) / n + z2 / (4.0 * n * n));
    // The interval always contains the estimate; rounding must not push it past 0 or 1.
    return {std::max(0.0, std::min(p, centre - half)), std::min(1.0, std::max(p, centre + half))};
}

RunSummary summariseRuns(std::int64_t runs, std::span<const double> times, std::span<const double> at) {
    RunSummary summary;
    summary.runs = runs;
    summary.reached = static_cast<std::int64_t>(times.size());
    std::vector<double> sorted(times.begin(), times.end());
    std::sort(sorted.begin(), sorted.end());

    if (!sorted.empty()) {
        // Two passes in extended precision, over the sorted times so that the figures do not
        // depend on the order the runs came in.
        long double sum = 0.0L;
        for (double t : sorted) sum += t;
        const long double mean = sum / static_cast<long double>(sorted.size());
        summary.mean = static_cast<double>(mean);
        if (sorted.size() >= 2) {
            long double squares = 0.0L;
            for (double t : sorted) squares += (t - mean) * (t - mean);
            const long double variance = squares / static_cast<long double>(sorted.size() - 1);
            const double error = static_cast<double>(std::sqrt(variance / static_cast<long double>(sorted.size())));
            summary.standardError = error;
            summary.confidence = ConfidenceBounds{*summary.mean - Normal975 * error, *summary.mean + Normal975 * error};
        }
    }
    for (double level : SummaryQuantileLevels) summary.quantiles.push_back({level, quantileOfRuns(sorted, runs, level)});
    for (double time : at) {
        FailureProbabilityEstimate estimate{time, std::nullopt, std::nullopt};
        if (runs > 0) {
            const auto failed = static_cast<std::int64_t>(std::upper_bound(sorted.begin(), sorted.end(), time) -
                                                          sorted.begin());
            estimate.estimate = static_cast<double>(failed) / static_cast<double>(runs);
            estimate.wilson = wilsonInterval(failed, runs);
        }
        summary.failureProbabilities.push_back(estimate);
    }
    return summary;
}

}  // namespace drova
