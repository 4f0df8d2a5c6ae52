// Throughput of the GSMS simulator: 10^6 runs per iteration of three models,
// reported as runs and timer events (transitions taken) per second, on the host's
// generator (the module's one-thread MATLAB stream) and on keyed substreams with 1 and 2
// threads. The floor is one MATLAB-style uniform and one logarithm per event; the keyed
// benchmarks count the processor time of all their threads, so that their rates are per core,
// and report their events per core-second as a share of the floor's ("of floor").

#include "modules/sim/ClassicSimHost.hpp"
#include "simulate/KeyedRuns.hpp"
#include "simulate/SimulateGSMS.hpp"

#include "host/classic/ClassicRandom.hpp"

#include <benchmark/benchmark.h>

#include <cmath>
#include <ctime>
#include <limits>

using namespace drova;

namespace {

constexpr std::int64_t Runs = 1'000'000;
constexpr double NoHorizon = std::numeric_limits<double>::infinity();

SimDestination to(std::int64_t target, double probability, std::vector<std::int64_t> restart = {}) {
    return {target, probability, std::move(restart)};
}

SimTransition transition(std::int64_t source, std::vector<std::int64_t> timers, std::vector<SimDestination> dests) {
    return {source, std::move(timers), std::move(dests)};
}

// Up -> Down after one exponential delay: one event per run.
SimModel singleExponential() {
    SimModel m;
    m.States = {{"Up", false, {1}}, {"Down", true, {}}};
    m.Initial = {1, {1}};
    m.Distributions = {{DistType::Exp, {0.5}}};
    m.Transitions = {transition(1, {1}, {to(2, 1.0)})};
    return m;
}

// A wearing component inspected every time unit: wear (uniform) moves it
// from good to worn to badly worn to down, an inspection (deterministic) of a
// worn component repairs it with some probability. The inspection restarts
// itself while the wear timer keeps running.
SimModel inspectedWear() {
    SimModel m;
    m.States = {{"Good", false, {1, 2}}, {"Worn", false, {3, 4}}, {"Bad", false, {5, 6}}, {"Down", true, {}}};
    m.Initial = {1, {1, 2}};
    m.Distributions = {{DistType::Deg, {1.0}}, {DistType::Uni, {0.5, 2.5}}};
    m.Transitions = {
        transition(1, {2}, {to(2, 1.0, {2})}),
        transition(1, {1}, {to(1, 1.0, {1})}),
        transition(2, {2}, {to(3, 1.0, {2})}),
        transition(2, {1}, {to(1, 0.3, {1, 2}), to(2, 0.7, {1})}),
        transition(3, {2}, {to(4, 1.0)}),
        transition(3, {1}, {to(1, 0.5, {1, 2}), to(3, 0.5, {1})}),
    };
    return m;
}

// Two components that fail at rate 1 each, one repairer at rate 10: down
// when both have failed. About 22 events per run.
SimModel repairablePair() {
    SimModel m;
    m.States = {{"AB", false, {1, 2}}, {"A", false, {3, 4}}, {"B", false, {5, 6}}, {"Down", true, {}}};
    m.Initial = {1, {1, 2}};
    m.Distributions = {{DistType::Exp, {1.0}}, {DistType::Exp, {1.0}}, {DistType::Exp, {10.0}}};
    m.Transitions = {
        transition(1, {1}, {to(3, 1.0, {3})}),  // A fails
        transition(1, {2}, {to(2, 1.0, {3})}),  // B fails
        transition(2, {1}, {to(4, 1.0)}),       // A fails while B is repaired
        transition(2, {3}, {to(1, 1.0, {2})}),  // B repaired
        transition(3, {2}, {to(4, 1.0)}),       // B fails while A is repaired
        transition(3, {3}, {to(1, 1.0, {1})}),  // A repaired
    };
    return m;
}

void runModel(benchmark::State& state, const SimModel& model, double horizon) {
    classicSeedGenerator(0);
    std::int64_t runs = 0, events = 0, sampled = 0;
    for (auto _ : state) {
        SimulationCounts counts;
        sim::ClassicSimHost host;
        auto times = simulateGSMS(Runs, horizon, model, host, &counts);
        benchmark::DoNotOptimize(times.data());
        runs += Runs;
        events += counts.transitionsTaken;
        sampled += counts.timersSampled;
    }
    state.counters["runs/s"] = benchmark::Counter(static_cast<double>(runs), benchmark::Counter::kIsRate);
    state.counters["events/s"] = benchmark::Counter(static_cast<double>(events), benchmark::Counter::kIsRate);
    state.counters["draws/s"] = benchmark::Counter(static_cast<double>(sampled), benchmark::Counter::kIsRate);
    state.counters["events/run"] = static_cast<double>(events) / static_cast<double>(runs);
}

void BM_SingleExponential(benchmark::State& state) { runModel(state, singleExponential(), NoHorizon); }
void BM_InspectedWear(benchmark::State& state) { runModel(state, inspectedWear(), NoHorizon); }
void BM_RepairablePair(benchmark::State& state) { runModel(state, repairablePair(), NoHorizon); }

// The parts of an event's cost: one uniform number from the host, and one
// logarithm (exponential timers).
void BM_HostUniform(benchmark::State& state) {
    classicSeedGenerator(0);
    for (auto _ : state) benchmark::DoNotOptimize(classicRandu());
}

void BM_Logarithm(benchmark::State& state) {
    double u = 0.3;
    for (auto _ : state) {
        benchmark::DoNotOptimize(u);
        benchmark::DoNotOptimize(std::log(u));
    }
}

// One MATLAB-style uniform (two MT19937 words) and one logarithm, as one event.
double floorEvents(std::int64_t events) {
    MersenneTwisterSource source(0);
    double sum = 0.0;
    for (std::int64_t k = 0; k < events; ++k) sum += std::log(source.uniform());
    return sum;
}

void BM_Floor(benchmark::State& state) {
    constexpr std::int64_t Events = 1'000'000;
    for (auto _ : state) benchmark::DoNotOptimize(floorEvents(Events));
    state.counters["events/s"] =
        benchmark::Counter(static_cast<double>(Events * state.iterations()), benchmark::Counter::kIsRate);
}

double threadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// The floor's events per second of processor time, measured once for the share the keyed
// benchmarks report. Processor time, not wall time: the share stays meaningful on a machine
// that other work keeps busy.
double floorRate() {
    static const double rate = [] {
        constexpr std::int64_t Events = 20'000'000;
        const double start = threadSeconds();
        benchmark::DoNotOptimize(floorEvents(Events));
        return static_cast<double>(Events) / (threadSeconds() - start);
    }();
    return rate;
}

// Runs `simulate` (Runs runs on keyed substreams with the given options) once per iteration.
template <class Simulate>
void measureKeyed(benchmark::State& state, Simulate simulate) {
    const double floor = floorRate();
    KeyedRunOptions options;
    options.threads = static_cast<int>(state.range(0));
    std::int64_t runs = 0, events = 0;
    for (auto _ : state) {
        const auto result = simulate(options);
        benchmark::DoNotOptimize(&result);
        runs += Runs;
        events += result.counts.transitionsTaken;
    }
    state.counters["runs/s"] = benchmark::Counter(static_cast<double>(runs), benchmark::Counter::kIsRate);
    state.counters["events/s"] = benchmark::Counter(static_cast<double>(events), benchmark::Counter::kIsRate);
    // Rates per second of processor time of all threads: per core.
    state.counters["of floor"] = benchmark::Counter(static_cast<double>(events) / floor, benchmark::Counter::kIsRate);
    state.counters["events/run"] = static_cast<double>(events) / static_cast<double>(runs);
}

void runKeyed(benchmark::State& state, const SimModel& model, double horizon) {
    measureKeyed(state, [&](const KeyedRunOptions& options) { return simulateKeyedRuns(Runs, horizon, model, options); });
}

// The pair whose repairer also brings the system back from Down, both units restarted: its runs
// go on through their down states and are counted at 201 times from 0 to 20, as drova plot
// simulates the availability.
void BM_KeyedOccupancyRecoveringPair(benchmark::State& state) {
    SimModel model = repairablePair();
    model.States[3].Transitions = {7};
    model.Transitions.push_back(transition(4, {3}, {to(1, 1.0, {1, 2})}));
    std::vector<double> at;
    for (int k = 0; k <= 200; ++k) at.push_back(0.1 * k);
    measureKeyed(state, [&](const KeyedRunOptions& options) { return simulateKeyedOccupancy(Runs, at, model, options); });
}

void BM_KeyedSingleExponential(benchmark::State& state) { runKeyed(state, singleExponential(), NoHorizon); }
void BM_KeyedInspectedWear(benchmark::State& state) { runKeyed(state, inspectedWear(), NoHorizon); }
void BM_KeyedRepairablePair(benchmark::State& state) { runKeyed(state, repairablePair(), NoHorizon); }

}  // namespace

BENCHMARK(BM_Floor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeyedSingleExponential)->Arg(1)->Arg(2)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeyedInspectedWear)->Arg(1)->Arg(2)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeyedRepairablePair)->Arg(1)->Arg(2)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeyedOccupancyRecoveringPair)->Arg(1)->Arg(2)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SingleExponential)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InspectedWear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RepairablePair)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HostUniform);
BENCHMARK(BM_Logarithm);
