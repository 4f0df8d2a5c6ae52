// Building the GSMS of a net with many markings: tokens circulating among three places
// (N tokens give (N + 1)(N + 2)/2 markings, all tangible, every one a state of the SMS), for about
// 10^4, 10^5 and 10^6 markings. Reports the markings built per second and the peak resident
// memory of the process (which only grows, so read it after the largest run).

#include "convert/net/NetToGsms.hpp"
#include "convert/net/ReadNet.hpp"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <string>

using namespace drova;

namespace {

std::string circulation(long tokens) {
    return "[places]\na = " + std::to_string(tokens) +
           "\nb = 0\nc = 0\n"
           "[transitions.ab]\ndistribution = \"Exp(1)\"\ninputs = { a = 1 }\noutputs = { b = 1 }\n"
           "[transitions.bc]\ndistribution = \"Exp(2)\"\ninputs = { b = 1 }\noutputs = { c = 1 }\n"
           "[transitions.ca]\ndistribution = \"Exp(3)\"\nservers = \"infinite\"\ninputs = { c = 1 }\noutputs = { a = 1 }\n";
}

void build(benchmark::State& state) {
    const net::PetriNet net = net::readNet(circulation(state.range(0)), "circulation");
    std::uint64_t markings = 0;
    for (auto _ : state) {
        const net::BuiltNet built = net::buildGsms(net, 2000000);
        markings = built.statistics.tangibleMarkings;
        benchmark::DoNotOptimize(built.model.stateCount());
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["markings"] = static_cast<double>(markings);
    state.counters["markings_per_s"] =
        benchmark::Counter(static_cast<double>(markings), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024;
}

}  // namespace

BENCHMARK(build)->Arg(140)->Arg(446)->Arg(1412)->Unit(benchmark::kMillisecond)->Iterations(1);
