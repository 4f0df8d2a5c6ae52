// The reliability measures of GSMS files, as drova reliability computes them: the walk that builds
// the renewal process with the down states absorbing, then F(t) at 100 times and the mean time to
// failure. For examples/redundant.gsms with and without the walk, and for the family of
// bench/RedundantUnits.hpp (n units, n + 1 states of the SMS plus the absorbing down states), with
// the number of states and kernel terms as counters.

#include "RedundantUnits.hpp"

#include "gsms/ReadGsms.hpp"
#include "measures/FailureProbability.hpp"
#include "measures/TimeToFailure.hpp"
#include "modules/rel/GsmsMeasures.hpp"

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

using namespace drova;

namespace {

std::vector<Rational> evenlySpacedTimes(const Rational& latest, int count) {
    std::vector<Rational> times;
    for (int k = 1; k <= count; ++k) times.push_back(latest * k / count);
    return times;
}

Gsms readFile(const std::string& path) {
    std::ifstream in(path);
    return readGsms(in);
}

Gsms readText(const std::string& text) {
    std::istringstream in(text);
    return readGsms(in);
}

std::size_t kernelTerms(const measures::SemiMarkovModel& model) {
    std::size_t terms = 0;
    for (const auto& row : model.kernel)
        for (const auto& [column, entry] : row.entries()) terms += entry.terms.size();
    return terms;
}

const std::string redundantFile = DROVA_BENCH_SOURCE_DIR "/examples/redundant.gsms";

// What drova reliability --times (100 times up to 100000 hours) computes: walk, F and the MTTF.
void redundantFileReliability(benchmark::State& state) {
    const Gsms model = readFile(redundantFile);
    const std::vector<Rational> times = evenlySpacedTimes(Rational(100000), 100);
    for (auto _ : state) benchmark::DoNotOptimize(rel::reliabilityOf(model, times).mttf);
}

// The same without the walk: the measures on the renewal process of the file.
void redundantFileMeasuresOnly(benchmark::State& state) {
    const measures::SemiMarkovModel process = rel::processOf(readFile(redundantFile), true).model;
    const std::vector<Rational> times = evenlySpacedTimes(Rational(100000), 100);
    for (auto _ : state) {
        benchmark::DoNotOptimize(measures::failureProbability(process, times).failure.data());
        benchmark::DoNotOptimize(measures::timeToFailure(process).mean);
    }
    state.counters["states"] = static_cast<double>(process.states.size());
    state.counters["terms"] = static_cast<double>(kernelTerms(process));
}

// n units of rate 1/10, repair Deg(1) (range 0) or Uni(1/2, 3/2) (range 1): F at 100 times up to
// 1000 (1000 grid cells for Deg, 2000 for Uni) and the MTTF, walk included.
void redundantUnitsReliability(benchmark::State& state) {
    RedundantUnits family;
    family.units = static_cast<int>(state.range(0));
    family.repair = state.range(1) == 0 ? "Deg 1 1" : "Uni 1 2 3 2";
    const Gsms model = readText(redundantUnitsModel(family));
    const std::vector<Rational> times = evenlySpacedTimes(Rational(1000), 100);
    for (auto _ : state) benchmark::DoNotOptimize(rel::reliabilityOf(model, times).mttf);
    const measures::SemiMarkovModel process = rel::processOf(model, true).model;
    state.counters["states"] = static_cast<double>(process.states.size());
    state.counters["terms"] = static_cast<double>(kernelTerms(process));
}

// Three independent units, each up Exp(1) and repaired in Deg(1) by its own crew: the exact walk
// meets a cycle outside the SMS at once, so A(t) at 10 times up to T (range 0, in halves) comes
// from walks cut off at T until the error bound is 1e-10; the bound reached as a counter.
void independentUnitsBoundedAvailability(benchmark::State& state) {
    const Gsms model = readFile(DROVA_BENCH_SOURCE_DIR "/tests/data/bounds/three-units-fixed-repair.gsms");
    const std::vector<Rational> times = evenlySpacedTimes(Rational(state.range(0), 2), 10);
    double bound = 0;
    for (auto _ : state) bound = rel::availabilityOf(model, times).errorBound.back();
    state.counters["bound"] = bound;
}

}  // namespace

BENCHMARK(independentUnitsBoundedAvailability)->Arg(2)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(redundantFileReliability)->Unit(benchmark::kMillisecond);
BENCHMARK(redundantFileMeasuresOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(redundantUnitsReliability)
    ->ArgsProduct({{2, 4, 8, 16}, {0, 1}})
    ->Unit(benchmark::kMillisecond);
