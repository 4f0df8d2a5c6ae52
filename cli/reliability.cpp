// drova reliability: the failure probability F(t), the reliability R(t) = 1 - F(t) and the mean
// time to failure of a GSMS file, through the Drovarel module as MATLAB would call it.
//
//     drova reliability MODEL.gsms [--times T1,T2,...] [--from STATE] [--json]
//                       [--sim N [--seed S] [--threads K]] [--approximate N]
//
// With --sim, N runs of the philox stream of drova sim estimate F(t) and the mean time to failure
// with 95% intervals beside the exact values, or instead of them for laws that have none.

#include "cli/Budget.hpp"
#include "cli/Commands.hpp"
#include "cli/MeasureSimulation.hpp"
#include "cli/Measures.hpp"
#include "cli/SimOptions.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace drova::cli {

namespace {

struct ReliabilityOptions {
    std::string model;
    std::string times;
    std::string from;
    bool json = false;
    CLI::Option* timesOption = nullptr;
    CLI::Option* fromOption = nullptr;
    MeasureSimOptions sim;
};

// The exact values, when the model has them.
struct ExactReliability {
    std::vector<double> failure, reliability;
    std::vector<double> errorBound;  // 0 where the values are exact
    double mttf = 0, neverFails = 0, mttfGivenFailure = 0;
};

std::string intervalJson(const measures::Estimate& e) {
    return "[" + measures::jsonNumber(e.lower) + ", " + measures::jsonNumber(e.upper) + "]";
}

std::string simulationJson(const measures::SimulationRequest& request, const measures::FirstPassages& passages,
                           const measures::SimulatedReliability& simulated) {
    using namespace measures;
    std::vector<double> values;
    std::string intervals = "[";
    for (std::size_t k = 0; k < simulated.failure.size(); ++k) {
        values.push_back(simulated.failure[k].value);
        intervals += (k ? ", " : "") + intervalJson(simulated.failure[k]);
    }
    intervals += "]";
    return "{\"runs\": " + std::to_string(request.runs) + ", \"seed\": " + std::to_string(request.seed) +
           ", \"horizon\": " + jsonNumber(passages.horizon) + ", \"failure\": " + jsonArray(values) +
           ", \"failure_interval\": " + intervals +
           ", \"mttf\": " + (simulated.mttf ? jsonNumber(simulated.mttf->value) : "null") +
           ", \"mttf_interval\": " + (simulated.mttf ? intervalJson(*simulated.mttf) : "null") + "}";
}

void printJson(const ExactReliability& exact, const std::vector<double>& times) {
    using namespace measures;
    std::cout << "{\"mttf\": " << jsonNumber(exact.mttf) << ", \"never_fails\": " << jsonNumber(exact.neverFails)
              << ", \"times\": " << jsonArray(times) << ", \"failure\": " << jsonArray(exact.failure)
              << ", \"error_bound\": " << jsonArray(exact.errorBound) << "}\n";
}

void printTable(const ExactReliability& exact, const std::vector<double>& times) {
    using namespace measures;
    const double mttf = exact.mttf, neverFails = exact.neverFails, mttfGivenFailure = exact.mttfGivenFailure;
    const bool bounded = std::any_of(exact.errorBound.begin(), exact.errorBound.end(), [](double b) { return b != 0; });
    std::printf("%10s  %17s  %17s", "t", "F(t)", "R(t)");
    if (bounded) std::printf("  %17s", "error bound");
    std::printf("\n");
    for (std::size_t k = 0; k < times.size(); ++k) {
        std::printf("%10s  %17s  %17s", shortText(times[k]).c_str(), tableNumber(exact.failure[k]).c_str(),
                    tableNumber(exact.reliability[k]).c_str());
        if (bounded) std::printf("  %17s", tableNumber(exact.errorBound[k]).c_str());
        std::printf("\n");
    }
    if (std::isnan(mttf)) {
        std::printf("Mean time to failure: not computed\n");
    } else if (std::isfinite(mttf)) {
        std::printf("Mean time to failure: %s\n", tableNumber(mttf).c_str());
    } else {
        std::printf("Mean time to failure: infinite (the system never fails with probability %s)\n",
                    tableNumber(neverFails).c_str());
        std::printf("Mean time to failure of the runs that fail: %s\n", tableNumber(mttfGivenFailure).c_str());
    }
    std::fflush(stdout);
}

ExactReliability exactReliability(const std::string& model, const std::vector<double>& times,
                                  const std::optional<std::string>& from) {
    const std::vector<matlab::data::Array> outputs = measures::callDrovarel(6, model, times, "reliability", from);
    ExactReliability exact;
    exact.errorBound = measures::doubles(outputs.at(5));
    exact.failure = measures::doubles(outputs.at(0));
    exact.mttf = measures::doubles(outputs.at(1)).at(0);
    exact.neverFails = measures::doubles(outputs.at(2)).at(0);
    exact.reliability = measures::doubles(outputs.at(3));
    exact.mttfGivenFailure = measures::doubles(outputs.at(4)).at(0);
    return exact;
}

// The exact values beside the simulated ones (either may be absent).
void printSimulated(const std::optional<ExactReliability>& exact, const std::vector<double>& times,
                    const measures::SimulationRequest& request, const measures::FirstPassages& passages,
                    const measures::SimulatedReliability& simulated) {
    using namespace measures;
    if (exact)
        std::printf("%10s  %17s  %17s  %17s  %17s  %17s\n", "t", "F(t)", "R(t)", "F(t) simulated", "95% low", "95% high");
    else
        std::printf("%10s  %17s  %17s  %17s  %17s\n", "t", "F(t) simulated", "R(t) simulated", "95% low", "95% high");
    for (std::size_t k = 0; k < times.size(); ++k) {
        const Estimate& f = simulated.failure[k];
        if (exact)
            std::printf("%10s  %17s  %17s  %17s  %17s  %17s\n", shortText(times[k]).c_str(),
                        tableNumber(exact->failure[k]).c_str(), tableNumber(exact->reliability[k]).c_str(),
                        tableNumber(f.value).c_str(), tableNumber(f.lower).c_str(), tableNumber(f.upper).c_str());
        else
            std::printf("%10s  %17s  %17s  %17s  %17s\n", shortText(times[k]).c_str(), tableNumber(f.value).c_str(),
                        tableNumber(1 - f.value).c_str(), tableNumber(f.lower).c_str(), tableNumber(f.upper).c_str());
    }
    if (exact) {
        if (std::isfinite(exact->mttf))
            std::printf("Mean time to failure: %s\n", tableNumber(exact->mttf).c_str());
        else
            std::printf("Mean time to failure: infinite (the system never fails with probability %s)\n",
                        tableNumber(exact->neverFails).c_str());
    }
    if (simulated.mttf)
        std::printf("Mean time to failure, simulated: %s (95%% interval %s to %s)\n",
                    tableNumber(simulated.mttf->value).c_str(), tableNumber(simulated.mttf->lower).c_str(),
                    tableNumber(simulated.mttf->upper).c_str());
    else
        std::printf("Mean time to failure, simulated: not estimated (%lld of %lld runs did not fail by %s)\n",
                    static_cast<long long>(passages.runs - static_cast<std::int64_t>(passages.times.size())),
                    static_cast<long long>(passages.runs), shortText(passages.horizon).c_str());
    std::printf("Simulated runs: %lld (philox stream, seed %u)\n", static_cast<long long>(request.runs), request.seed);
    std::fflush(stdout);
}

int runSimulatedReliability(const ReliabilityOptions& options, const measures::SimulationRequest& request) {
    if (options.fromOption->count() > 0) {
        std::cerr << "--from: the simulation starts in the initial state; leave out --from with --sim\n";
        return ExitUsage;
    }
    const measures::ReadModel read = measures::readModelFile(options.model);
    std::vector<double> times;
    if (options.timesOption->count() > 0) times = measures::parseTimes(options.times);
    std::optional<ExactReliability> exact;
    if (measures::hasExactForm(read.model)) {
        if (times.empty())
            times = measures::defaultTimesOf(options.model, measures::ReliabilityLowestFraction).value_or(std::vector<double>{});
        exact = exactReliability(options.model, times, std::nullopt);
    }
    // Runs stop at a horizon far beyond every time of interest, so that a model that may never fail
    // cannot run on without end.
    double horizon = 1e6 * measures::largestTimerMean(read.model);
    if (exact && std::isfinite(exact->mttf)) horizon = 1000 * exact->mttf;
    for (const double t : times) horizon = std::max(horizon, 1000 * t);
    if (!(horizon > 0)) horizon = 1;
    const measures::FirstPassages passages = measures::simulateFirstPassages(read, horizon, request);
    if (times.empty()) {
        double scale = 0;
        for (const double t : passages.times) scale += t / static_cast<double>(passages.times.size());
        times = measures::defaultTimes(scale, measures::ReliabilityLowestFraction);
    }
    const measures::SimulatedReliability simulated = measures::summariseFailures(passages, times);
    if (options.json) {
        using namespace measures;
        std::cout << "{\"mttf\": " << (exact ? jsonNumber(exact->mttf) : "null")
                  << ", \"never_fails\": " << (exact ? jsonNumber(exact->neverFails) : "null")
                  << ", \"times\": " << jsonArray(times) << ", \"failure\": " << (exact ? jsonArray(exact->failure) : "null")
                  << ", \"simulation\": " << simulationJson(request, passages, simulated) << "}\n";
    } else {
        printSimulated(exact, times, request, passages, simulated);
    }
    return 0;
}

// --approximate: the exact values of the model with fitted timer laws, the fits' distances, the
// bound on F(t) from the draws of the fitted timers, and a simulation of the model itself.
int runApproximatedReliability(const ReliabilityOptions& options, unsigned pieces) {
    using namespace measures;
    if (options.fromOption->count() > 0) {
        std::cerr << "--from: the simulation check starts in the initial state; leave out --from with --approximate\n";
        return ExitUsage;
    }
    const ReadModel read = readModelFile(options.model);
    const ApproximatedFile approximated(read.model, pieces);
    std::vector<double> times;
    if (options.timesOption->count() > 0)
        times = parseTimes(options.times);
    else
        times = defaultTimesOf(approximated.path(), ReliabilityLowestFraction).value_or(std::vector<double>{});
    const ExactReliability exact = exactReliability(approximated.path(), times, std::nullopt);
    const SimulationRequest request = options.sim.checkRequest();
    double horizon = std::isfinite(exact.mttf) ? 1000 * exact.mttf : 1e6 * largestTimerMean(read.model);
    for (const double t : times) horizon = std::max(horizon, 1000 * t);
    if (!(horizon > 0)) horizon = 1;
    const FirstPassages passages = simulateFirstPassages(read, horizon, request);
    const SimulatedReliability simulated = summariseFailures(passages, times);
    std::vector<double> bound(times.size(), 0.0);
    if (!approximated.fits().empty() && !times.empty()) {
        const std::vector<std::vector<double>> draws = drawBounds(read, times, true, request);
        for (std::size_t k = 0; k < times.size(); ++k)
            for (const TimerFit& fit : approximated.fits())
                bound[k] += fit.totalVariation * draws[k][fit.timer];
    }
    if (options.json) {
        std::cout << "{\"mttf\": " << jsonNumber(exact.mttf) << ", \"never_fails\": " << jsonNumber(exact.neverFails)
                  << ", \"times\": " << jsonArray(times) << ", \"failure\": " << jsonArray(exact.failure)
                  << ", \"approximation\": " << fitsJson(pieces, approximated.fits())
                  << ", \"approximation_bound\": {\"failure\": " << jsonArray(bound) << ", \"mttf\": null}"
                  << ", \"simulation\": " << simulationJson(request, passages, simulated) << "}\n";
        return 0;
    }
    std::printf("%10s  %17s  %17s  %17s  %17s  %17s\n", "t", "F(t) approximated", "bound", "F(t) simulated", "95% low",
                "95% high");
    for (std::size_t k = 0; k < times.size(); ++k) {
        const Estimate& f = simulated.failure[k];
        std::printf("%10s  %17s  %17s  %17s  %17s  %17s\n", shortText(times[k]).c_str(), tableNumber(exact.failure[k]).c_str(),
                    tableNumber(bound[k]).c_str(), tableNumber(f.value).c_str(), tableNumber(f.lower).c_str(),
                    tableNumber(f.upper).c_str());
    }
    if (std::isfinite(exact.mttf))
        std::printf("Mean time to failure of the approximated model: %s\n", tableNumber(exact.mttf).c_str());
    else
        std::printf("Mean time to failure of the approximated model: infinite (it never fails with probability %s)\n",
                    tableNumber(exact.neverFails).c_str());
    if (simulated.mttf)
        std::printf("Mean time to failure, simulated: %s (95%% interval %s to %s)\n", tableNumber(simulated.mttf->value).c_str(),
                    tableNumber(simulated.mttf->lower).c_str(), tableNumber(simulated.mttf->upper).c_str());
    std::printf("%s", fitLines(approximated.fits()).c_str());
    std::printf("Bound: |F(t) - F(t) approximated| <= the sum over the fitted timers of their total variation times "
                "their expected draws by t (upper 95%% limits from the simulated runs)\n");
    std::printf("Simulated runs: %lld (philox stream, seed %u)\n", static_cast<long long>(request.runs), request.seed);
    std::fflush(stdout);
    return 0;
}

int runReliability(const ReliabilityOptions& options) {
    try {
        if (const std::string misuse = options.sim.misuse(); !misuse.empty()) {
            std::cerr << misuse << '\n';
            return ExitUsage;
        }
        if (const std::optional<unsigned> pieces = options.sim.approximation())
            return runApproximatedReliability(options, *pieces);
        if (const std::optional<measures::SimulationRequest> request = options.sim.request())
            return runSimulatedReliability(options, *request);
        std::optional<std::string> from;
        if (options.fromOption->count() > 0) from = options.from;
        std::vector<double> times;
        if (options.timesOption->count() > 0) {
            times = measures::parseTimes(options.times);
        } else {
            // The default times come from the mean time to failure. A model whose exact walk
            // never ends has none: its times come from its slowest timer, and the module answers
            // them with an error bound (or fails with its own message, as for a model that cannot
            // fail).
            std::optional<std::vector<double>> defaults =
                measures::defaultTimesOf(options.model, measures::ReliabilityLowestFraction, from);
            if (!defaults) {
                const double scale = measures::largestTimerMean(measures::readModelFile(options.model).model);
                if (scale > 0) defaults = measures::defaultTimes(scale, measures::ReliabilityLowestFraction);
            }
            times = defaults.value_or(std::vector<double>{});
        }
        const ExactReliability exact = exactReliability(options.model, times, from);
        if (options.json)
            printJson(exact, times);
        else
            printTable(exact, times);
    } catch (const std::exception& e) {
        return reportFailure(e.what());
    }
    return 0;
}

}  // namespace

RegisteredCommand addReliabilityCommand(CLI::App& app) {
    CLI::App* sub = app.add_subcommand(
        "reliability",
        "Compute the failure probability F(t), the reliability R(t) and the mean time to failure of a GSMS file "
        "(module Drovarel)");
    auto options = std::make_shared<ReliabilityOptions>();
    sub->add_option("MODEL", options->model, "GSMS text file, or a net (.toml)")->required();
    options->timesOption = sub->add_option(
        "--times", options->times,
        "times of at least 0, comma-separated decimals (default: the 1-2-5 series from MTTF/100 to 4 MTTF, or around the slowest timer's mean when there is no MTTF)");
    options->fromOption =
        sub->add_option("--from", options->from, "name of the state to start in (default: the initial state)");
    addBudgetOptions(*sub);
    addToleranceOption(*sub);
    sub->add_flag("--json", options->json, "print one JSON object instead of the table");
    options->sim.add(sub);
    sub->footer("Prints F(t) and R(t) at each time, then the mean time to failure. MODEL is a GSMS text file or a net\n"
                "(.toml); the JSON form of a model is for drova sim only.\n\n"
                "Examples:\n"
                "  drova reliability examples/redundant.gsms --times 1000,8760\n"
                "  drova reliability examples/redundant.gsms --from RepairA --json");
    return {sub, [options] { return runReliability(*options); }};
}

}  // namespace drova::cli
