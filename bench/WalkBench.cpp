// The walk over the paths of a GSMS, where it dominates the measures:
//  - a net of six uniform timers started together, Uni(k/2, k/2 + w) for k = 0..5, each firing
//    leaving a token that an immediate transition of its own priority counts, and a Deg(1) restart
//    once all six have fired (down: all six fired). The walk follows every order of the six
//    firings that the supports allow: 57 orders for w = 3/2, 150 for w = 2, more for w = 5/2.
//    Measured: drova reliability's computation (walk, F at 10 times, MTTF), drova availability's,
//    and the kernel that drova konv prints (time bound 0);
//  - the birth-death net with deterministic repair: n units failing at 1/1000 each, one crew
//    repairing in Deg(24), down when all have failed; failures during a repair carry its age, so
//    the walk from a state follows every number of failures within a repair.

#include "convert/ConversionContext.hpp"
#include "formats/ModelFile.hpp"
#include "modules/rel/GsmsMeasures.hpp"

#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

using namespace drova;

namespace {

// Width of the supports in halves: 3 -> 3/2, 4 -> 2, 5 -> 5/2.
Gsms sixUniform(long halves) {
    std::string text = "name = \"sixuniform\"\n[places]\n";
    for (int k = 0; k < 6; ++k) text += "w" + std::to_string(k) + " = 1\nf" + std::to_string(k) + " = 0\n";
    text += "count = 0\n";
    std::string restart;
    for (int k = 0; k < 6; ++k) {
        const std::string n = std::to_string(k);
        text += "[transitions.timer" + n + "]\ndistribution = \"Uni(" + n + "/2, " + std::to_string(k + halves) +
                "/2)\"\ninputs = { w" + n + " = 1 }\noutputs = { f" + n + " = 1 }\n";
        text += "[transitions.route" + n + "]\ndistribution = \"Imm\"\npriority = " + std::to_string(k + 1) +
                "\ninputs = { f" + n + " = 1 }\noutputs = { count = 1 }\n";
        restart += (k ? ", w" : "w") + n + " = 1";
    }
    text += "[transitions.restart]\ndistribution = \"Deg(1)\"\ninputs = { count = 6 }\noutputs = { " + restart +
            " }\n[measures]\ndown = \"count == 6\"\n";
    std::istringstream in(text);
    return readModel(in, "sixuniform.toml");
}

Gsms birthDeath(long units) {
    std::istringstream in("name = \"birthdeath\"\n[places]\nup = " + std::to_string(units) +
                          "\nfailed = 0\n[transitions.fail]\ndistribution = \"Exp(1/1000)\"\n"
                          "servers = \"infinite\"\ninputs = { up = 1 }\noutputs = { failed = 1 }\n"
                          "[transitions.repair]\ndistribution = \"Deg(24)\"\ninputs = { failed = 1 }\n"
                          "outputs = { up = 1 }\n[measures]\ndown = \"up == 0\"\n");
    return readModel(in, "birthdeath.toml");
}

std::vector<Rational> tenTimes(const Rational& step) {
    std::vector<Rational> times;
    for (int k = 1; k <= 10; ++k) times.push_back(step * k);
    return times;
}

void sixUniformReliability(benchmark::State& state) {
    const Gsms model = sixUniform(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(rel::reliabilityOf(model, tenTimes(Rational(1, 2))).mttf);
}

void sixUniformAvailability(benchmark::State& state) {
    const Gsms model = sixUniform(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(rel::availabilityOf(model, tenTimes(Rational(1, 2))).steadyAvailability);
}

void sixUniformKernel(benchmark::State& state) {
    const Gsms model = sixUniform(state.range(0));
    std::uint64_t paths = 0;
    for (auto _ : state) {
        ConversionContext context(model);
        benchmark::DoNotOptimize(context.computeSmsMatrix(Rational(0), 0, false));
        paths = context.pathsWalked();
    }
    state.counters["paths"] = static_cast<double>(paths);
}

void birthDeathReliability(benchmark::State& state) {
    const Gsms model = birthDeath(state.range(0));
    for (auto _ : state) benchmark::DoNotOptimize(rel::reliabilityOf(model, tenTimes(Rational(10))).mttf);
    state.counters["states"] = static_cast<double>(model.stateCount());
}

}  // namespace

BENCHMARK(sixUniformReliability)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(sixUniformAvailability)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(sixUniformKernel)->Arg(3)->Arg(4)->Arg(5)->Unit(benchmark::kSecond)->Iterations(1);
BENCHMARK(birthDeathReliability)->Arg(10)->Arg(20)->Arg(40)->Arg(80)->Unit(benchmark::kSecond)->Iterations(1);
