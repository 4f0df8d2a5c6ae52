// drova availability: the availability A(t), the state probabilities and their long-run values
// of a GSMS file with repair, through the Drovarel module as MATLAB would call it.
//
//     drova availability MODEL.gsms [--times T1,T2,...] [--json] [--sim N [--seed S] [--threads K]]
//                        [--approximate N]
//
// With --sim, N runs of the philox stream of drova sim estimate A(t) and the long-run availability
// with 95% intervals, beside the exact values or instead of them for laws that have none.

#include "cli/Budget.hpp"
#include "cli/Commands.hpp"
#include "cli/MeasureSimulation.hpp"
#include "cli/Measures.hpp"
#include "cli/SimOptions.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <map>
#include <optional>
#include <memory>
#include <string>
#include <vector>

namespace drova::cli {

namespace {

struct AvailabilityOptions {
    std::string model;
    std::string times;
    bool json = false;
    CLI::Option* timesOption = nullptr;
    MeasureSimOptions sim;
};

// Without a time scale from the mean time to failure (no down state can be entered, so A = 1):
// a few decades.
const std::vector<double> FallbackTimes{1, 10, 100, 1000, 10000};

struct Results {
    std::vector<double> times;
    std::vector<double> availability;
    double steadyAvailability = 0;
    std::vector<std::string> names;
    std::vector<std::vector<double>> states;  // [s][k]
    std::vector<double> steadyStates;
    std::vector<double> errorBound;  // 0 where the values are exact
};

// The JSON keys of the states: their names, made unique by "#" and the state's index in the file
// where a name is shared.
std::vector<std::string> keysOf(const std::vector<std::string>& names) {
    std::map<std::string, int> uses;
    for (const std::string& name : names) ++uses[name];
    std::vector<std::string> keys;
    for (std::size_t s = 0; s < names.size(); ++s)
        keys.push_back(uses[names[s]] > 1 ? names[s] + "#" + std::to_string(s) : names[s]);
    return keys;
}

void printJson(const Results& r) {
    using namespace measures;
    std::string states = "{";
    const std::vector<std::string> keys = keysOf(r.names);
    for (std::size_t s = 0; s < keys.size(); ++s)
        states += (s ? ", " : "") + jsonString(keys[s]) + ": " + jsonArray(r.states[s]);
    states += "}";
    std::cout << "{\"times\": " << jsonArray(r.times) << ", \"availability\": " << jsonArray(r.availability)
              << ", \"states\": " << states << ", \"steady_availability\": " << jsonNumber(r.steadyAvailability)
              << ", \"error_bound\": " << jsonArray(r.errorBound) << "}\n";
}

void printTable(const Results& r) {
    using namespace measures;
    std::vector<int> widths;
    const bool bounded = std::any_of(r.errorBound.begin(), r.errorBound.end(), [](double b) { return b != 0; });
    std::printf("%10s  %17s", "t", "A(t)");
    if (bounded) std::printf("  %17s", "error bound");
    for (const std::string& name : r.names) {
        widths.push_back(static_cast<int>(std::max<std::size_t>(17, name.size())));
        std::printf("  %*s", widths.back(), name.c_str());
    }
    std::printf("\n");
    auto row = [&](const std::string& label, double availability, const std::string& bound, auto stateValue) {
        std::printf("%10s  %17s", label.c_str(), tableNumber(availability).c_str());
        if (bounded) std::printf("  %17s", bound.c_str());
        for (std::size_t s = 0; s < r.names.size(); ++s)
            std::printf("  %*s", widths[s], tableNumber(stateValue(s)).c_str());
        std::printf("\n");
    };
    for (std::size_t k = 0; k < r.times.size(); ++k)
        row(shortText(r.times[k]), r.availability[k], bounded ? tableNumber(r.errorBound[k]) : "",
            [&](std::size_t s) { return r.states[s][k]; });
    if (std::isnan(r.steadyAvailability)) {
        std::printf("Long-run availability: not computed\n");
        std::fflush(stdout);
        return;
    }
    row("long run", r.steadyAvailability, "-", [&](std::size_t s) { return r.steadyStates[s]; });
    std::printf("Long-run availability: %s\n", tableNumber(r.steadyAvailability).c_str());
    std::fflush(stdout);
}

// The exact values at r.times from the module.
void computeExact(const std::string& model, Results& r) {
    const std::vector<matlab::data::Array> outputs = measures::callDrovarel(6, model, r.times, "availability");
    r.availability = measures::doubles(outputs.at(0));
    r.errorBound = measures::doubles(outputs.at(5));
    r.steadyAvailability = measures::doubles(outputs.at(1)).at(0);
    const std::vector<double> probabilities = measures::doubles(outputs.at(2));
    r.steadyStates = measures::doubles(outputs.at(3));
    const matlab::data::StringArray names(outputs.at(4));
    for (std::size_t s = 0; s < names.getNumberOfElements(); ++s) r.names.push_back(std::string(names[s]));
    // Column-major: state s at time k is element s + k * states.
    const std::size_t count = r.names.size();
    r.states.assign(count, std::vector<double>(r.times.size()));
    for (std::size_t s = 0; s < count; ++s)
        for (std::size_t k = 0; k < r.times.size(); ++k) r.states[s][k] = probabilities.at(s + k * count);
}

std::string intervalJson(const measures::Estimate& e) {
    return "[" + measures::jsonNumber(e.lower) + ", " + measures::jsonNumber(e.upper) + "]";
}

void printSimulatedJson(const std::optional<Results>& exact, const std::vector<double>& times,
                        const measures::SimulationRequest& request, const measures::SimulatedAvailability& simulated) {
    using namespace measures;
    std::vector<double> values;
    std::string intervals = "[";
    for (std::size_t k = 0; k < simulated.availability.size(); ++k) {
        values.push_back(simulated.availability[k].value);
        intervals += (k ? ", " : "") + intervalJson(simulated.availability[k]);
    }
    intervals += "]";
    std::string states = "null";
    if (exact) {
        states = "{";
        const std::vector<std::string> keys = keysOf(exact->names);
        for (std::size_t s = 0; s < keys.size(); ++s)
            states += (s ? ", " : "") + jsonString(keys[s]) + ": " + jsonArray(exact->states[s]);
        states += "}";
    }
    std::cout << "{\"times\": " << jsonArray(times) << ", \"availability\": " << (exact ? jsonArray(exact->availability) : "null")
              << ", \"states\": " << states
              << ", \"steady_availability\": " << (exact ? jsonNumber(exact->steadyAvailability) : "null")
              << ", \"simulation\": {\"runs\": " << request.runs << ", \"seed\": " << request.seed
              << ", \"horizon\": " << jsonNumber(simulated.horizon) << ", \"availability\": " << jsonArray(values)
              << ", \"availability_interval\": " << intervals
              << ", \"steady_availability\": " << jsonNumber(simulated.steady.value)
              << ", \"steady_availability_interval\": " << intervalJson(simulated.steady) << "}}\n";
}

void printSimulatedTable(const std::optional<Results>& exact, const std::vector<double>& times,
                         const measures::SimulationRequest& request, const measures::SimulatedAvailability& simulated) {
    using namespace measures;
    std::vector<int> widths;
    if (exact) std::printf("%10s  %17s", "t", "A(t)");
    else std::printf("%10s", "t");
    std::printf("  %17s  %17s  %17s", "A(t) simulated", "95% low", "95% high");
    if (exact)
        for (const std::string& name : exact->names) {
            widths.push_back(static_cast<int>(std::max<std::size_t>(17, name.size())));
            std::printf("  %*s", widths.back(), name.c_str());
        }
    std::printf("\n");
    auto row = [&](const std::string& label, const Estimate& estimate, double exactValue, auto stateValue) {
        std::printf("%10s", label.c_str());
        if (exact) std::printf("  %17s", tableNumber(exactValue).c_str());
        std::printf("  %17s  %17s  %17s", tableNumber(estimate.value).c_str(), tableNumber(estimate.lower).c_str(),
                    tableNumber(estimate.upper).c_str());
        if (exact)
            for (std::size_t s = 0; s < exact->names.size(); ++s)
                std::printf("  %*s", widths[s], tableNumber(stateValue(s)).c_str());
        std::printf("\n");
    };
    for (std::size_t k = 0; k < times.size(); ++k)
        row(shortText(times[k]), simulated.availability[k], exact ? exact->availability[k] : 0,
            [&](std::size_t s) { return exact->states[s][k]; });
    row("long run", simulated.steady, exact ? exact->steadyAvailability : 0,
        [&](std::size_t s) { return exact->steadyStates[s]; });
    if (exact) std::printf("Long-run availability: %s\n", tableNumber(exact->steadyAvailability).c_str());
    std::printf("Long-run availability, simulated: %s (95%% interval %s to %s; the share of time up until %s)\n",
                tableNumber(simulated.steady.value).c_str(), tableNumber(simulated.steady.lower).c_str(),
                tableNumber(simulated.steady.upper).c_str(), shortText(simulated.horizon).c_str());
    std::printf("Simulated runs: %lld (philox stream, seed %u)\n", static_cast<long long>(request.runs), request.seed);
    std::fflush(stdout);
}

int runSimulatedAvailability(const AvailabilityOptions& options, const measures::SimulationRequest& request) {
    const measures::ReadModel read = measures::readModelFile(options.model);
    const double scale = measures::largestTimerMean(read.model);
    std::vector<double> times;
    std::optional<Results> exact;
    if (options.timesOption->count() > 0) times = measures::parseTimes(options.times);
    if (measures::hasExactForm(read.model)) {
        if (times.empty()) times = measures::defaultTimesOf(options.model, measures::AvailabilityLowestFraction).value_or(FallbackTimes);
        exact.emplace();
        exact->times = times;
        computeExact(options.model, *exact);
    } else if (times.empty()) {
        times = scale > 0 ? measures::defaultTimes(10 * scale, measures::AvailabilityLowestFraction) : FallbackTimes;
    }
    // The long run as the share of time up over a thousand of the slowest timer's means per run.
    const double horizon = scale > 0 ? 1000 * scale : 1000;
    const measures::SimulatedAvailability simulated = measures::simulateAvailability(read, times, horizon, request);
    if (options.json)
        printSimulatedJson(exact, times, request, simulated);
    else
        printSimulatedTable(exact, times, request, simulated);
    return 0;
}

// --approximate: the exact values of the model with fitted timer laws, the fits' distances, the
// bound on A(t) from the draws of the fitted timers, and a simulation of the model itself.
int runApproximatedAvailability(const AvailabilityOptions& options, unsigned pieces) {
    using namespace measures;
    const ReadModel read = readModelFile(options.model);
    const ApproximatedFile approximated(read.model, pieces);
    Results r;
    if (options.timesOption->count() > 0)
        r.times = parseTimes(options.times);
    else
        r.times = defaultTimesOf(approximated.path(), AvailabilityLowestFraction).value_or(FallbackTimes);
    computeExact(approximated.path(), r);
    const SimulationRequest request = options.sim.checkRequest();
    const double scale = largestTimerMean(read.model);
    const SimulatedAvailability simulated =
        simulateAvailability(read, r.times, scale > 0 ? 1000 * scale : 1000, request);
    std::vector<double> bound(r.times.size(), 0.0);
    if (!approximated.fits().empty()) {
        const std::vector<std::vector<double>> draws = drawBounds(read, r.times, false, request);
        for (std::size_t k = 0; k < r.times.size(); ++k)
            for (const TimerFit& fit : approximated.fits()) bound[k] += fit.totalVariation * draws[k][fit.timer];
    }
    if (options.json) {
        std::string states = "{";
        const std::vector<std::string> keys = keysOf(r.names);
        for (std::size_t s = 0; s < keys.size(); ++s)
            states += (s ? ", " : "") + jsonString(keys[s]) + ": " + jsonArray(r.states[s]);
        states += "}";
        std::vector<double> values;
        std::string intervals = "[";
        for (std::size_t k = 0; k < simulated.availability.size(); ++k) {
            values.push_back(simulated.availability[k].value);
            intervals += (k ? ", " : "") + intervalJson(simulated.availability[k]);
        }
        intervals += "]";
        std::cout << "{\"times\": " << jsonArray(r.times) << ", \"availability\": " << jsonArray(r.availability)
                  << ", \"states\": " << states << ", \"steady_availability\": " << jsonNumber(r.steadyAvailability)
                  << ", \"approximation\": " << fitsJson(pieces, approximated.fits())
                  << ", \"approximation_bound\": {\"availability\": " << jsonArray(bound)
                  << ", \"steady_availability\": null}"
                  << ", \"simulation\": {\"runs\": " << request.runs << ", \"seed\": " << request.seed
                  << ", \"horizon\": " << jsonNumber(simulated.horizon) << ", \"availability\": " << jsonArray(values)
                  << ", \"availability_interval\": " << intervals
                  << ", \"steady_availability\": " << jsonNumber(simulated.steady.value)
                  << ", \"steady_availability_interval\": " << intervalJson(simulated.steady) << "}}\n";
        return 0;
    }
    std::printf("%10s  %17s  %17s  %17s  %17s  %17s\n", "t", "A(t) approximated", "bound", "A(t) simulated", "95% low",
                "95% high");
    const auto row = [](const std::string& label, double exact, const std::string& bound, const Estimate& e) {
        std::printf("%10s  %17s  %17s  %17s  %17s  %17s\n", label.c_str(), tableNumber(exact).c_str(), bound.c_str(),
                    tableNumber(e.value).c_str(), tableNumber(e.lower).c_str(), tableNumber(e.upper).c_str());
    };
    for (std::size_t k = 0; k < r.times.size(); ++k)
        row(shortText(r.times[k]), r.availability[k], tableNumber(bound[k]), simulated.availability[k]);
    row("long run", r.steadyAvailability, "-", simulated.steady);
    std::printf("Long-run availability of the approximated model: %s\n", tableNumber(r.steadyAvailability).c_str());
    std::printf("Long-run availability, simulated: %s (95%% interval %s to %s; the share of time up until %s)\n",
                tableNumber(simulated.steady.value).c_str(), tableNumber(simulated.steady.lower).c_str(),
                tableNumber(simulated.steady.upper).c_str(), shortText(simulated.horizon).c_str());
    std::printf("%s", fitLines(approximated.fits()).c_str());
    std::printf("Bound: |A(t) - A(t) approximated| <= the sum over the fitted timers of their total variation times "
                "their expected draws by t (upper 95%% limits from the simulated runs); none is derived for the long run\n");
    std::printf("Simulated runs: %lld (philox stream, seed %u)\n", static_cast<long long>(request.runs), request.seed);
    std::fflush(stdout);
    return 0;
}

int runAvailability(const AvailabilityOptions& options) {
    try {
        if (const std::string misuse = options.sim.misuse(); !misuse.empty()) {
            std::cerr << misuse << '\n';
            return ExitUsage;
        }
        if (const std::optional<unsigned> pieces = options.sim.approximation())
            return runApproximatedAvailability(options, *pieces);
        if (const std::optional<measures::SimulationRequest> request = options.sim.request())
            return runSimulatedAvailability(options, *request);
        Results r;
        if (options.timesOption->count() > 0)
            r.times = measures::parseTimes(options.times);
        else
            r.times = measures::defaultTimesOf(options.model, measures::AvailabilityLowestFraction).value_or(FallbackTimes);
        computeExact(options.model, r);
        if (options.json)
            printJson(r);
        else
            printTable(r);
    } catch (const std::exception& e) {
        return reportFailure(e.what());
    }
    return 0;
}

}  // namespace

RegisteredCommand addAvailabilityCommand(CLI::App& app) {
    CLI::App* sub = app.add_subcommand(
        "availability",
        "Compute the availability A(t), the state probabilities and their long-run values of a GSMS file with "
        "repair (module Drovarel)");
    auto options = std::make_shared<AvailabilityOptions>();
    sub->add_option("MODEL", options->model, "GSMS text file, or a net (.toml)")->required();
    options->timesOption = sub->add_option(
        "--times", options->times,
        "times of at least 0, comma-separated decimals (default: the 1-2-5 series from MTTF/10^4 to 4 MTTF)");
    addBudgetOptions(*sub);
    addToleranceOption(*sub);
    sub->add_flag("--json", options->json, "print one JSON object instead of the table");
    options->sim.add(sub);
    sub->footer("Prints A(t) and the probability of each state at each time, then their long-run values. MODEL is a\n"
                "GSMS text file or a net (.toml); the JSON form of a model is for drova sim only.\n\n"
                "Examples:\n"
                "  drova availability examples/redundant.gsms --times 10,1000\n"
                "  drova availability examples/maintenance.gsms --json");
    return {sub, [options] { return runAvailability(*options); }};
}

}  // namespace drova::cli
