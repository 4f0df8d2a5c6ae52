// The reliability measures on the kernel of n redundant units (bench/RedundantSystemKernel.hpp):
// the failure probability at 100 times and the mean time to failure of the two-unit system of
// examples/redundant.gsms, the cost against the latest time, and against the number of units
// (n + 1 SMS states, kernel terms growing as n^2).

#include "RedundantSystemKernel.hpp"

#include "measures/FailureProbability.hpp"
#include "measures/TimeToFailure.hpp"

#include <benchmark/benchmark.h>


using namespace drova;

namespace {

using drova::measures::SemiMarkovModel;

std::vector<Rational> evenlySpacedTimes(const Rational& latest, int count) {
    std::vector<Rational> times;
    for (int k = 1; k <= count; ++k) times.push_back(latest * k / count);
    return times;
}

std::size_t kernelTerms(const SemiMarkovModel& model) {
    std::size_t terms = 0;
    for (const auto& row : model.kernel)
        for (const auto& [column, entry] : row.entries()) terms += entry.terms.size();
    return terms;
}

// F at t = 1000, 2000, ..., 100000 hours (up to about 4.5 mean times to failure) and the MTTF.
void twoUnitSystemFailureCurveAndMeanTime(benchmark::State& state) {
    const SemiMarkovModel model = redundant_system::kernel(2, Rational(1, 1000), Rational(24));
    const std::vector<Rational> times = evenlySpacedTimes(Rational(100000), 100);
    for (auto _ : state) {
        const auto curve = drova::measures::failureProbability(model, times);
        const auto failure = drova::measures::timeToFailure(model);
        benchmark::DoNotOptimize(curve.failure.data());
        benchmark::DoNotOptimize(failure.mean);
    }
}

// The same 100 times spread up to a latest time of 10^4 to 10^6 hours: the cost grows with the
// number of grid cells, latest time / 24.
void twoUnitSystemFailureCurveByLatestTime(benchmark::State& state) {
    const SemiMarkovModel model = redundant_system::kernel(2, Rational(1, 1000), Rational(24));
    const std::vector<Rational> times = evenlySpacedTimes(Rational(state.range(0)), 100);
    for (auto _ : state) benchmark::DoNotOptimize(drova::measures::failureProbability(model, times).failure.data());
    state.counters["cells"] = static_cast<double>(state.range(0) / 24);
}

// n units, 1/1000 and 24 as above: n + 1 SMS states; F at 100 times up to 10^5 and the MTTF.
// The grid stays at 24 hours (4167 cells) up to n = 41, so the cost shows the growth with states.
void redundantUnitsFailureCurveAndMeanTime(benchmark::State& state) {
    const SemiMarkovModel model =
        redundant_system::kernel(static_cast<unsigned>(state.range(0)), Rational(1, 1000), Rational(24));
    const std::vector<Rational> times = evenlySpacedTimes(Rational(100000), 100);
    for (auto _ : state) {
        benchmark::DoNotOptimize(drova::measures::failureProbability(model, times).failure.data());
        benchmark::DoNotOptimize(drova::measures::timeToFailure(model).mean);
    }
    state.counters["states"] = static_cast<double>(model.states.size());
    state.counters["terms"] = static_cast<double>(kernelTerms(model));
}

}  // namespace

BENCHMARK(twoUnitSystemFailureCurveAndMeanTime)->Unit(benchmark::kMillisecond);
BENCHMARK(twoUnitSystemFailureCurveByLatestTime)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(redundantUnitsFailureCurveAndMeanTime)->RangeMultiplier(2)->Range(2, 16)->Unit(benchmark::kMillisecond);
