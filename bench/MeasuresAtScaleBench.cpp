// The reliability measures of a birth-death net as drova reliability and drova availability
// compute them (net build, walk and measures): n units failing at 1/1000 each, one crew repairing,
// down when all have failed; n + 1 states. F(t) at t = 10, 20, ..., 100 and the MTTF; A(t) at the
// same times and the steady state.
//  - exponential repair (rate 1/24): a CTMC, solved by uniformization; n = 10^3, 10^4, 10^5;
//  - deterministic repair (24): the exact walk's kernel entries grow with the number of
//    failures a repair can overlap, which bounds n to a few tens; at 100 the exact walk gives
//    way after its 10 s and the values come from walks cut off at t = 100, with an error bound
//    (no MTTF or steady state then).

#include "formats/ModelFile.hpp"
#include "measures/ExactKernel.hpp"
#include "measures/TransientProbabilities.hpp"
#include "modules/rel/GsmsMeasures.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <sstream>

using namespace drova;

namespace {

Gsms birthDeath(long units, const std::string& repair) {
    std::istringstream in("name = \"birthdeath\"\n[places]\nup = " + std::to_string(units) +
                          "\nfailed = 0\n[transitions.fail]\ndistribution = \"Exp(1/1000)\"\n"
                          "servers = \"infinite\"\ninputs = { up = 1 }\noutputs = { failed = 1 }\n"
                          "[transitions.repair]\ndistribution = \"" + repair +
                          "\"\ninputs = { failed = 1 }\noutputs = { up = 1 }\n[measures]\ndown = \"up == 0\"\n");
    return readModel(in, "birthdeath.toml");
}

std::vector<Rational> tenTimes() {
    std::vector<Rational> times;
    for (int k = 1; k <= 10; ++k) times.emplace_back(10 * k);
    return times;
}

void reliability(benchmark::State& state, const char* repair) {
    const Gsms model = birthDeath(state.range(0), repair);
    double bound = 0;
    for (auto _ : state) {
        const rel::GsmsReliability result = rel::reliabilityOf(model, tenTimes());
        benchmark::DoNotOptimize(result.mttf);
        bound = *std::max_element(result.errorBound.begin(), result.errorBound.end());
    }
    state.counters["states"] = static_cast<double>(model.stateCount());
    state.counters["bound"] = bound;
}

void availability(benchmark::State& state, const char* repair) {
    const Gsms model = birthDeath(state.range(0), repair);
    double bound = 0;
    for (auto _ : state) {
        const rel::GsmsAvailability result = rel::availabilityOf(model, tenTimes());
        benchmark::DoNotOptimize(result.steadyAvailability);
        bound = *std::max_element(result.errorBound.begin(), result.errorBound.end());
    }
    state.counters["states"] = static_cast<double>(model.stateCount());
    state.counters["bound"] = bound;
}

// A ring of n places, one token moved on by Uni(1, 2), Deg(1) and Exp(1) timers in turn, down in
// the first place: n states, each sojourn one timer, n + 2 columns.
Gsms ring(long n) {
    std::string text = "name = \"ring\"\n[places]\n";
    for (long k = 0; k < n; ++k) text += "p" + std::to_string(k) + " = " + (k == 0 ? "1" : "0") + "\n";
    const char* laws[] = {"Uni(1, 2)", "Deg(1)", "Exp(1)"};
    for (long k = 0; k < n; ++k)
        text += "[transitions.t" + std::to_string(k) + "]\ndistribution = \"" + laws[k % 3] + "\"\ninputs = { p" +
                std::to_string(k) + " = 1 }\noutputs = { p" + std::to_string((k + 1) % n) + " = 1 }\n";
    std::istringstream in(text + "[measures]\ndown = \"p0 == 1\"\n");
    return readModel(in, "ring.toml");
}

// The state probabilities alone (walk and kernel done before) at t = 10, 20, ..., 100, by the
// forward equations from the starting state and by the backward ones (one unknown per state and
// model state).
void transient(benchmark::State& state, drova::measures::RenewalForm form) {
    const rel::GsmsProcess process = rel::processOf(ring(state.range(0)), false);
    const drova::measures::ExactKernel kernel(process.model);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            drova::measures::transientProbabilities(process.model, kernel, tenTimes(), form).availability);
    state.counters["states"] = static_cast<double>(process.model.states.size());
}

}  // namespace

BENCHMARK_CAPTURE(transient, forward, drova::measures::RenewalForm::Forward)
    ->Arg(100)->Arg(300)->Arg(1000)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(transient, backward, drova::measures::RenewalForm::Backward)
    ->Arg(100)->Arg(300)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(reliability, exponential, "Exp(1/24)")
    ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(availability, exponential, "Exp(1/24)")
    ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(reliability, deterministic, "Deg(24)")
    ->Arg(10)->Arg(20)->Arg(30)->Arg(100)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK_CAPTURE(availability, deterministic, "Deg(24)")
    ->Arg(10)->Arg(20)->Arg(30)->Arg(100)->Unit(benchmark::kSecond)->Iterations(1);
