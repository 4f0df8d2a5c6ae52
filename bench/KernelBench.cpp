// The SMS kernel of the redundant-units family (bench/RedundantUnits.hpp) for a growing number
// of units, at a fixed time bound and threshold, with the cut-off paths collected. Reports the
// paths walked (path expressions computed) and the terms of the resulting matrix.

#include "RedundantUnits.hpp"

#include "convert/ConversionContext.hpp"
#include "gsms/ReadGsms.hpp"

#include <benchmark/benchmark.h>

#include <sstream>

using namespace drova;

namespace {

const Rational TimeBound(5);
constexpr double Threshold = 1e-6;

void kernel(benchmark::State& state, const char* repair) {
    RedundantUnits family;
    family.units = static_cast<int>(state.range(0));
    family.repair = repair;
    std::istringstream text(redundantUnitsModel(family));
    const Gsms model = readGsms(text);

    std::uint64_t paths = 0;
    std::size_t terms = 0;
    for (auto _ : state) {
        ConversionContext context(model);
        const KernelMatrix matrix = context.computeSmsMatrix(TimeBound, Threshold, true);
        paths = context.pathsWalked();
        terms = 0;
        for (const auto& row : matrix)
            for (const Expolynomial& entry : row)
                if (!entry.isZero()) terms += entry.terms.size();
        benchmark::DoNotOptimize(terms);
    }
    state.counters["states"] = static_cast<double>(model.stateCount());
    state.counters["paths"] = static_cast<double>(paths);
    state.counters["terms"] = static_cast<double>(terms);
}

void deterministicRepair(benchmark::State& state) { kernel(state, "Deg 1 1"); }
void uniformRepair(benchmark::State& state) { kernel(state, "Uni 1 2 3 2"); }

}  // namespace

BENCHMARK(deterministicRepair)->RangeMultiplier(2)->Range(2, 32)->Unit(benchmark::kMillisecond);
BENCHMARK(uniformRepair)->RangeMultiplier(2)->Range(2, 32)->Unit(benchmark::kMillisecond);
