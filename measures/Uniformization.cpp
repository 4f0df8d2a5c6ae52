#include "measures/Uniformization.hpp"

#include "measures/SolveControl.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace drova::measures {

namespace {

// Relative to the watched sums: the Poisson weights left out after the last term kept.
constexpr long double RightTailBound = 1e-15L;
// Absolute: while a watched sum is still 0, the weights left out after the last term kept.
constexpr long double RightTailFloor = 1e-300L;
// The weights left out before the first term kept, relative to the largest weight.
constexpr long double LeftCut = 1e-300L;

// The Poisson weights w_k(a) for k = first .. first + weights.size() - 1, and after each k the
// total of the weights beyond it (tail[k - first]).
struct PoissonWeights {
    std::size_t first = 0;
    std::vector<double> weights;
    std::vector<long double> tail;

    double weight(std::size_t k) const {
        return k < first || k - first >= weights.size() ? 0.0 : weights[k - first];
    }
    long double tailAfter(std::size_t k) const {
        if (k < first) return 1;
        return k - first >= tail.size() ? 0.0L : tail[k - first];
    }
    std::size_t last() const { return first + weights.size() - 1; }
};

PoissonWeights poissonWeights(long double a) {
    PoissonWeights result;
    if (a == 0) {
        result.weights = {1.0};
        result.tail = {0.0L};
        return result;
    }
    // From the mode outwards, unnormalised (the mode's weight is 1), in long double: the
    // ratios are exact to rounding and nothing underflows before the cut.
    const auto mode = static_cast<std::size_t>(std::floor(a));
    std::vector<long double> left{1.0L}, right;
    for (std::size_t k = mode; k > 0;) {
        const long double next = left.back() * static_cast<long double>(k) / a;
        if (next < LeftCut) break;
        left.push_back(next);
        --k;
    }
    for (std::size_t k = mode;; ++k) {
        const long double next = (right.empty() ? 1.0L : right.back()) * a / static_cast<long double>(k + 1);
        if (next < 1e-4000L || (next < 1e-320L && static_cast<long double>(k + 1) > a)) break;
        right.push_back(next);
    }
    std::vector<long double> all(left.rbegin(), left.rend());
    all.insert(all.end(), right.begin(), right.end());
    long double total = 0;
    for (long double w : all) total += w;
    result.first = mode + 1 - left.size();
    result.weights.resize(all.size());
    result.tail.resize(all.size());
    long double beyond = 0;
    for (std::size_t k = all.size(); k-- > 0;) {
        result.tail[k] = beyond / total;
        beyond += all[k];
        result.weights[k] = static_cast<double>(all[k] / total);
    }
    return result;
}

}  // namespace

std::vector<std::vector<double>> uniformizedDistribution(const MarkovChain& chain, std::size_t start,
                                                         const std::vector<double>& times,
                                                         const std::vector<std::vector<std::size_t>>& watched) {
    const std::size_t n = chain.size();
    if (start >= n) throw std::invalid_argument("uniformizedDistribution: no such start");
    const double lambda = n == 0 ? 0.0 : *std::max_element(chain.exitRate.begin(), chain.exitRate.end());
    std::vector<PoissonWeights> weights;
    for (double t : times) {
        if (!(t >= 0) || !std::isfinite(t)) throw std::invalid_argument("uniformizedDistribution: bad time");
        if (static_cast<long double>(lambda) * t > MaximumUniformizationSteps) {
            char text[256];
            std::snprintf(text, sizeof text,
                          "Reaching t = %.6g takes about %.3g uniformization steps (the fastest exit rate, %.6g, times "
                          "t), more than the limit of %.0e: ask for earlier times, or estimate the measures with "
                          "drova sim",
                          t, static_cast<double>(lambda) * t, lambda, MaximumUniformizationSteps);
            throw std::invalid_argument(text);
        }
        weights.push_back(poissonWeights(static_cast<long double>(lambda) * t));
    }

    // U = I + G / Lambda: the staying probabilities and the scaled incoming rates.
    std::vector<double> stay(n);
    std::vector<std::vector<std::pair<std::size_t, double>>> incoming(n);
    for (std::size_t j = 0; j < n; ++j) {
        stay[j] = lambda == 0 ? 1.0 : static_cast<double>(1.0L - static_cast<long double>(chain.exitRate[j]) / lambda);
        for (const auto& [i, rate] : chain.incoming[j]) incoming[j].emplace_back(i, rate / lambda);
    }

    // The states that can hold probability after k steps: the start and, step by step, the
    // successors of those. Products and sums run over them only, so a chain that spreads slowly
    // from its start (a birth-death process: one state per step) costs what it has reached.
    std::vector<std::vector<std::size_t>> outgoing(n);
    for (std::size_t j = 0; j < n; ++j)
        for (const auto& [i, p] : incoming[j]) outgoing[i].push_back(j);
    std::vector<bool> isReached(n, false);
    std::vector<std::size_t> reached{start};
    isReached[start] = true;
    std::size_t newSince = 0;  // reached[newSince ..] were added by the latest step

    std::vector<std::vector<double>> result(times.size(), std::vector<double>(n, 0.0));
    std::vector<bool> done(times.size(), false);
    std::vector<double> current(n, 0.0), next(n, 0.0);
    current[start] = 1;
    std::size_t remaining = times.size();
    std::size_t steps = 0;
    for (const PoissonWeights& w : weights) steps = std::max(steps, w.last());
    SolveSteps progress("Uniformization", n, steps);
    for (std::size_t k = 0; remaining > 0; ++k) {
        progress.step(k);
        for (std::size_t c = 0; c < times.size(); ++c) {
            if (done[c]) continue;
            const double w = weights[c].weight(k);
            if (w != 0)
                for (std::size_t i : reached) result[c][i] += w * current[i];
            // Stop once the weights beyond k are negligible against every watched sum.
            const long double tail = weights[c].tailAfter(k);
            bool enough = k >= weights[c].last() || tail == 0;
            if (!enough && k >= weights[c].first && tail <= RightTailBound) {
                enough = true;
                for (const std::vector<std::size_t>& group : watched) {
                    long double sum = 0;
                    for (std::size_t i : group) sum += result[c][i];
                    if (!(sum > 0 ? tail <= RightTailBound * sum : tail <= RightTailFloor)) {
                        enough = false;
                        break;
                    }
                }
            }
            if (enough) {
                done[c] = true;
                --remaining;
            }
        }
        if (remaining == 0) break;
        const std::size_t previous = reached.size();
        for (std::size_t r = newSince; r < previous; ++r)
            for (std::size_t j : outgoing[reached[r]])
                if (!isReached[j]) {
                    isReached[j] = true;
                    reached.push_back(j);
                }
        newSince = previous;
        for (std::size_t j : reached) {
            double sum = stay[j] * current[j];
            for (const auto& [i, p] : incoming[j]) sum += p * current[i];
            next[j] = sum;
        }
        current.swap(next);
    }
    return result;
}

}  // namespace drova::measures
